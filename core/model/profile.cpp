#include "core/model/profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/model/gradient.h"
#include "core/model/section_flux.h"
#include "core/model/triangles.h"

namespace seep {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The field at a located point of the current step.
double FieldAt(const Store& s, const PointLocation& at, double y, PlotField field) {
  if (at.element == 0 || !IsActive(s, at.element)) return kNaN;
  switch (field) {
    case PlotField::kTotalHead:
    case PlotField::kPressureHead: {
      const double h =
          (NodeTotalHead(s, at.nodes[0]) * at.weights[0] + NodeTotalHead(s, at.nodes[1]) * at.weights[1]) +
          NodeTotalHead(s, at.nodes[2]) * at.weights[2];
      return field == PlotField::kTotalHead ? h : h - y;
    }
    case PlotField::kSpeed:
      return Speed(s.VXE(at.element), s.VYE(at.element));
    case PlotField::kGradient: {
      const ElementGradient g = HydraulicGradient(s, at.element);
      return g.ok ? g.Magnitude() : kNaN;
    }
  }
  return kNaN;
}

// Distances along the line, rising: its ends and where it enters or leaves an element of the active
// mesh. The triangles of a quadrilateral are one element: the diagonal between them is no crossing.
std::vector<double> Crossings(const Store& s, const std::vector<XY>& line, double total) {
  const SectionCut cut = CutSection(SplitActiveElements(s), Section{"line", line});
  const std::vector<SectionPiece>& pieces = cut.pieces;
  const double near = 1e-9 * total;
  auto goesOn = [&](std::size_t k) {  // piece k + 1 carries on where piece k ends, in the same element
    return k + 1 < pieces.size() && pieces[k + 1].element == pieces[k].element &&
           std::abs(pieces[k + 1].from - (pieces[k].from + pieces[k].length)) <= near;
  };
  std::vector<double> at{0.0, total};
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    if (k == 0 || !goesOn(k - 1)) at.push_back(pieces[k].from);
    if (!goesOn(k)) at.push_back(pieces[k].from + pieces[k].length);
  }
  std::sort(at.begin(), at.end());
  at.erase(std::unique(at.begin(), at.end(), [&](double a, double b) { return b - a <= near; }), at.end());
  return at;
}

}  // namespace

void SetUpProfile(ProfileRun& run, const Store& s) {
  double total = 0.0;
  std::vector<double> ends{0.0};
  for (std::size_t k = 1; k < run.line.size(); ++k) {
    total += std::hypot(run.line[k].x - run.line[k - 1].x, run.line[k].y - run.line[k - 1].y);
    ends.push_back(total);
  }
  run.distance.clear();
  run.at.clear();
  run.located.clear();
  run.outside = 0;
  if (run.line.size() < 2) return;  // no line: no points
  std::vector<double> along;
  if (run.atCrossings) {
    along = Crossings(s, run.line, total);
  } else {
    for (int k = 0; k < kProfilePoints; ++k) along.push_back(total * k / (kProfilePoints - 1));
  }
  const ElementBins bins = BinElements(s);
  auto pointAt = [&](double d) {
    std::size_t piece = 1;
    while (piece + 1 < run.line.size() && d > ends[piece]) ++piece;
    const double length = ends[piece] - ends[piece - 1];
    const double f = length > 0.0 ? std::clamp((d - ends[piece - 1]) / length, 0.0, 1.0) : 0.0;
    const XY& a = run.line[piece - 1];
    const XY& b = run.line[piece];
    return XY{a.x + f * (b.x - a.x), a.y + f * (b.y - a.y)};
  };
  auto active = [&](const PointLocation& at) { return at.element != 0 && IsActive(s, at.element); };
  for (const double d : along) {
    const XY p = pointAt(d);
    PointLocation where = LocatePoint(bins, s, p.x, p.y);
    // A crossing lies on an edge, which the element found may share with an inactive one or with none:
    // then the active element a hair's breadth along the line, ahead or behind, holds it.
    for (const double step : {1e-9, -1e-9}) {
      if (!run.atCrossings || active(where)) break;
      const XY q = pointAt(std::clamp(d + step * total, 0.0, total));
      where = LocatePoint(bins, s, q.x, q.y);
    }
    run.distance.push_back(d);
    run.at.push_back(p);
    run.located.push_back(where);
    if (!active(where)) ++run.outside;
  }
}

void AddProfileStep(ProfileRun& run, const Store& s) {
  run.steps.push_back(s.ISTEP);
  run.times.push_back(s.TIME);
  for (std::size_t k = 0; k < run.at.size(); ++k)
    run.values.push_back(FieldAt(s, run.located[k], run.at[k].y, run.field));
}

}  // namespace seep
