#include "core/model/section_flux.h"

#include <algorithm>
#include <cmath>

namespace seep {
namespace {

// Points closer to a line than this share of the coordinates' size count as on it: a section drawn
// along an element edge lies on it, whatever the rounding of its pieces' ends.
constexpr double kOnLine = 1e-11;

struct Segment {
  XY a, b;
  double length = 0.0;
  double tolerance = 0.0;  // distance from a line within which a point lies on it
  XY At(double t) const { return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}; }
};

// Twice the area tolerance for edge (p, q): the distance tolerance times the edge's length.
double EdgeTolerance(const Segment& seg, const XY& p, const XY& q) {
  return seg.tolerance * std::hypot(q.x - p.x, q.y - p.y);
}

// True when point m lies in triangle t or on its edges.
bool Holds(const MeshTriangle& t, const Segment& seg, const XY& m) {
  for (int k = 0; k < 3; ++k) {
    const XY& p = EdgeStart(t, k);
    const XY& q = EdgeEnd(t, k);
    if (Orient(p, q, m) < -EdgeTolerance(seg, p, q)) return false;
  }
  return true;
}

// The part [t0, t1] of the segment inside triangle t (its edges included); false when none.
bool Clip(const MeshTriangle& t, const Segment& seg, double& t0, double& t1) {
  t0 = 0.0;
  t1 = 1.0;
  for (int k = 0; k < 3; ++k) {
    const XY& p = EdgeStart(t, k);
    const XY& q = EdgeEnd(t, k);
    const double tol = EdgeTolerance(seg, p, q);
    const double fa = Orient(p, q, seg.a), fb = Orient(p, q, seg.b);
    if (!std::isfinite(fa) || !std::isfinite(fb) || !std::isfinite(tol)) return false;  // beyond doubles
    if (fa < -tol && fb < -tol) return false;
    if (fa >= -tol && fb >= -tol) continue;
    const double cross = fa / (fa - fb);  // where the segment crosses the edge's line
    if (fa < -tol) {
      t0 = std::max(t0, cross);
    } else {
      t1 = std::min(t1, cross);
    }
  }
  return t0 <= t1;
}

// `start`: the distance along the polyline to the segment's first point.
void CutSegment(const ActiveTriangles& mesh, const Segment& seg, double start, SectionCut& cut,
                std::vector<double>& breaks, std::vector<std::int32_t>& near) {
  const double x0 = std::min(seg.a.x, seg.b.x) - seg.tolerance,
               x1 = std::max(seg.a.x, seg.b.x) + seg.tolerance;
  const double y0 = std::min(seg.a.y, seg.b.y) - seg.tolerance,
               y1 = std::max(seg.a.y, seg.b.y) + seg.tolerance;
  breaks.assign({0.0, 1.0});
  near.clear();
  const std::size_t segmentStart = cut.pieces.size();
  for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
    const MeshTriangle& t = mesh.triangles[i];
    if (t.x1 < x0 || t.x0 > x1 || t.y1 < y0 || t.y0 > y1) continue;
    double t0, t1;
    if (!Clip(t, seg, t0, t1)) continue;
    near.push_back(static_cast<std::int32_t>(i));
    breaks.push_back(t0);
    breaks.push_back(t1);
  }
  std::sort(breaks.begin(), breaks.end());
  // Unit normal to the right of the direction a → b.
  const double ux = (seg.b.y - seg.a.y) / seg.length, uy = -(seg.b.x - seg.a.x) / seg.length;
  bool joined = false;  // the last piece ends where this one starts
  for (std::size_t k = 0; k + 1 < breaks.size(); ++k) {
    const double length = (breaks[k + 1] - breaks[k]) * seg.length;
    if (!(length > 0.0)) continue;
    // The elements that hold the middle of the piece: one, or two when it lies on their common edge.
    const XY m = seg.At(0.5 * (breaks[k] + breaks[k + 1]));
    std::int32_t first = 0, second = 0;
    for (const std::int32_t i : near) {
      const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(i)];
      if (t.element == first || t.element == second || !Holds(t, seg, m)) continue;
      if (first == 0) {
        first = t.element;
      } else if (second == 0) {
        second = t.element;
      }
    }
    if (first == 0) {
      cut.outside += length;
      joined = false;
      continue;
    }
    // Pieces of one segment in the same elements, end to end, share v and n: one piece holds their
    // length.
    if (joined && cut.pieces.size() > segmentStart && cut.pieces.back().element == first &&
        cut.pieces.back().other == second) {
      SectionPiece& last = cut.pieces.back();
      last.length += length;
      last.nx = ux * last.length;
      last.ny = uy * last.length;
    } else {
      cut.pieces.push_back({first, second, ux * length, uy * length, length, start + breaks[k] * seg.length});
    }
    joined = true;
  }
}

}  // namespace

SectionCut CutSection(const ActiveTriangles& mesh, const Section& section) {
  SectionCut cut;
  std::vector<double> breaks;
  std::vector<std::int32_t> near;
  for (std::size_t k = 0; k + 1 < section.points.size(); ++k) {
    Segment seg{section.points[k], section.points[k + 1]};
    seg.length = std::hypot(seg.b.x - seg.a.x, seg.b.y - seg.a.y);
    if (!(seg.length > 0.0) || !std::isfinite(seg.length)) continue;
    const double start = cut.length;
    cut.length += seg.length;
    const double size = std::max(
        {std::fabs(seg.a.x), std::fabs(seg.a.y), std::fabs(seg.b.x), std::fabs(seg.b.y), seg.length});
    seg.tolerance = kOnLine * size;
    CutSegment(mesh, seg, start, cut, breaks, near);
  }
  return cut;
}

SectionFlow FlowAcross(const Store& s, const SectionCut& cut) {
  SectionFlow flow;
  for (const SectionPiece& p : cut.pieces) {
    double vx = s.VXE(p.element), vy = s.VYE(p.element);
    if (p.other != 0) {
      vx = 0.5 * (vx + s.VXE(p.other));
      vy = 0.5 * (vy + s.VYE(p.other));
    }
    const double q = vx * p.nx + vy * p.ny;  // q = v · n ℓ
    if (!std::isfinite(q)) {
      ++flow.skipped;
      continue;
    }
    (q >= 0.0 ? flow.right : flow.left) += q;
  }
  flow.net = flow.right + flow.left;
  return flow;
}

}  // namespace seep
