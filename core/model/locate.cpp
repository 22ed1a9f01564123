#include "core/model/locate.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>

namespace seep {

namespace {

// The corners of triangle `corners`, which must be nodes.
struct Corners {
  XY i, a, b;
};

Corners CornerCoordinates(const Store& s, const std::array<std::int32_t, 3>& c) {
  return {NodeAt(s, c[0]), NodeAt(s, c[1]), NodeAt(s, c[2])};
}

// The areas of triangle (I, a, b) and of the point with (I, a), (a, b) and (b, I); false when a corner
// lies outside the mesh.
struct Areas {
  double whole, withIA, withAB, withBI;
};

bool AreasOf(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp, Areas& areas) {
  if (!IsNode(s, corners[0]) || !IsNode(s, corners[1]) || !IsNode(s, corners[2])) return false;
  const Corners c = CornerCoordinates(s, corners);
  const XY p{xp, yp};
  areas = {SignedArea(c.i, c.a, c.b), SignedArea(p, c.i, c.a), SignedArea(p, c.a, c.b),
           SignedArea(p, c.b, c.i)};
  return true;
}

// Each corner's weight is the area of the part opposite to it over the whole.
void TakeWeights(const std::array<std::int32_t, 3>& corners, const Areas& areas, PointLocation& at) {
  at.nodes = corners;
  at.weights = {areas.withAB / areas.whole, areas.withBI / areas.whole, areas.withIA / areas.whole};
}

}  // namespace

bool HoldsPoint(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
                PointLocation& at) {
  Areas areas{};
  if (!AreasOf(s, corners, xp, yp, areas) || areas.whole == 0.0) return false;
  if (!(areas.withIA >= 0.0 && areas.withAB >= 0.0 && areas.withBI >= 0.0)) return false;
  TakeWeights(corners, areas, at);
  return true;
}

bool WeightsIn(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
               PointLocation& at) {
  Areas areas{};
  if (!AreasOf(s, corners, xp, yp, areas) || areas.whole == 0.0 || !std::isfinite(areas.whole)) return false;
  TakeWeights(corners, areas, at);
  return true;
}

namespace {

// The test of parts[k]: on success `at` names its element and part.
bool PartHolds(const std::vector<ElementPart>& parts, std::int32_t k, const Store& s, double xp, double yp,
               PointLocation& at) {
  const ElementPart& part = parts[static_cast<std::size_t>(k)];
  if (!HoldsPoint(s, part.nodes, xp, yp, at)) return false;
  at.element = part.element;
  at.part = part.part;
  return true;
}

}  // namespace

PointLocation LocatePointPlain(const std::vector<ElementPart>& parts, const Store& s, double xp, double yp) {
  PointLocation at;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (PartHolds(parts, static_cast<std::int32_t>(k), s, xp, yp, at)) return at;
  }
  return {};
}

PointLocation LocatePointPlain(const Store& s, double xp, double yp) {
  return LocatePointPlain(SplitElements(s), s, xp, yp);
}

namespace {

// A computed area SignedArea differs from the exact area of its (exact) corner coordinates by at most
// (3 + 16 eps) eps (|p1| + |p2|) / 2, p1 and p2 being its two products (eps = 2^-53): the rounding of
// two differences, one product and the subtraction. The constant takes twice that, so that the
// bounds derived from it can themselves be rounded without losing their meaning.
constexpr double kAreaRounding = 3.5e-16;
// Products of very small coordinates lose their relative accuracy; this absolute term covers them.
constexpr double kUnderflowSlack = 1e-290;
// At most this many bin entries per triangle on average; beyond that the triangles that cover
// the most bins are tried for every point instead.
constexpr std::int64_t kEntriesPerTriangle = 32;

bool AllFinite(const Corners& c) {
  return std::isfinite(c.i.x) && std::isfinite(c.i.y) && std::isfinite(c.a.x) && std::isfinite(c.a.y) &&
         std::isfinite(c.b.x) && std::isfinite(c.b.y);
}

// A triangle placed in the grid: where the test can pass, widened for rounding.
struct Placed {
  std::int32_t t;  // index into the parts
  double x0, x1, y0, y1;
  std::int32_t ix0 = 0, ix1 = 0, iy0 = 0, iy1 = 0;
};

// Column (row) of the bin that holds coordinate x: never decreasing in x, so a point inside a box lies
// in a bin of the box's range; the outermost bins take everything beyond the grid.
std::int32_t BinOf(double x, double origin, double inverseWidth, std::int32_t count) {
  const double t = (x - origin) * inverseWidth;
  if (!(t > 0.0)) return 0;
  if (t >= static_cast<double>(count)) return count - 1;
  return static_cast<std::int32_t>(t);
}

// The triangles with an area and finite corners, and the bounding box B of their corners.
struct Candidates {
  std::vector<std::int32_t> list;
  double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
};

// Sorts every triangle of the mesh: passed over by the test (zero area), tried everywhere (not
// finite), or a candidate for the bins.
Candidates GatherCandidates(const Store& s, const std::vector<ElementPart>& parts,
                            std::vector<std::int32_t>& everywhere) {
  Candidates found;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const auto index = static_cast<std::int32_t>(k);
    const Corners c = CornerCoordinates(s, parts[k].nodes);
    const double a0 = SignedArea(c.i, c.a, c.b);
    if (a0 == 0.0) continue;  // passed over by the test
    if (!AllFinite(c) || !std::isfinite(a0)) {
      everywhere.push_back(index);
      continue;
    }
    found.list.push_back(index);
    found.x0 = std::min({found.x0, c.i.x, c.a.x, c.b.x});
    found.x1 = std::max({found.x1, c.i.x, c.a.x, c.b.x});
    found.y0 = std::min({found.y0, c.i.y, c.a.y, c.b.y});
    found.y1 = std::max({found.y1, c.i.y, c.a.y, c.b.y});
  }
  return found;
}

// The box R and a grid of about two bins per triangle over B; false when the mesh is too flat or
// too large for the rounding bound, which is returned in `bound`.
bool LayOutGrid(const Candidates& found, ElementBins& bins, double& bound) {
  const double wx = found.x1 - found.x0, wy = found.y1 - found.y0;
  bound = kAreaRounding * 8.0 * wx * wy + kUnderflowSlack;
  bins.rx0 = found.x0 - wx;
  bins.rx1 = found.x1 + wx;
  bins.ry0 = found.y0 - wy;
  bins.ry1 = found.y1 + wy;
  if (!(wx > 0.0 && wy > 0.0) || !std::isfinite(bound) || !std::isfinite(bins.rx0) ||
      !std::isfinite(bins.rx1) || !std::isfinite(bins.ry0) || !std::isfinite(bins.ry1)) {
    return false;
  }
  const double cell = std::sqrt(wx * wy / (2.0 * static_cast<double>(found.list.size())));
  bins.nx = static_cast<std::int32_t>(std::clamp(std::ceil(wx / cell), 1.0, 2048.0));
  bins.ny = static_cast<std::int32_t>(std::clamp(std::ceil(wy / cell), 1.0, 2048.0));
  bins.gx0 = found.x0;
  bins.gy0 = found.y0;
  bins.invx = bins.nx / wx;
  bins.invy = bins.ny / wy;
  return true;
}

enum class Placing { kLeftOut, kEverywhere, kPlaced };

// Where triangle t can pass the test, as a box widened for rounding and its range of bins.
Placing Place(const Store& s, std::int32_t t, double bound, const ElementBins& bins, Placed& p) {
  const Corners c = CornerCoordinates(s, bins.parts[static_cast<std::size_t>(t)].nodes);
  // The two products of the orientation test.
  const double p1 = (c.a.x - c.i.x) * (c.b.y - c.i.y), p2 = (c.a.y - c.i.y) * (c.b.x - c.i.x);
  const double a0 = SignedArea(c.i, c.a, c.b);
  const double a0Error = kAreaRounding * (std::fabs(p1) + std::fabs(p2)) + kUnderflowSlack;
  if (a0 < 0.0) {
    // Clockwise: never holds a point unless nearly flat.
    return a0 + a0Error < -3.0 * bound ? Placing::kLeftOut : Placing::kEverywhere;
  }
  const double a0Low = a0 - a0Error;
  const double e1 = std::hypot(c.a.x - c.i.x, c.a.y - c.i.y);
  const double e2 = std::hypot(c.b.x - c.a.x, c.b.y - c.a.y);
  const double e3 = std::hypot(c.i.x - c.b.x, c.i.y - c.b.y);
  const double excess = 2.0 * bound * (e1 + e2 + e3) / (std::min({e1, e2, e3}) * a0Low);
  p = Placed{t, std::min({c.i.x, c.a.x, c.b.x}), std::max({c.i.x, c.a.x, c.b.x}),
             std::min({c.i.y, c.a.y, c.b.y}), std::max({c.i.y, c.a.y, c.b.y})};
  const double mx = excess * (p.x1 - p.x0), my = excess * (p.y1 - p.y0);
  if (!(a0Low > 0.0) || !std::isfinite(mx) || !std::isfinite(my)) return Placing::kEverywhere;
  p.x0 -= mx;
  p.x1 += mx;
  p.y0 -= my;
  p.y1 += my;
  p.ix0 = BinOf(p.x0, bins.gx0, bins.invx, bins.nx);
  p.ix1 = BinOf(p.x1, bins.gx0, bins.invx, bins.nx);
  p.iy0 = BinOf(p.y0, bins.gy0, bins.invy, bins.ny);
  p.iy1 = BinOf(p.y1, bins.gy0, bins.invy, bins.ny);
  return Placing::kPlaced;
}

// How many bins a placed triangle covers.
std::int64_t Coverage(const Placed& p) {
  return static_cast<std::int64_t>(p.ix1 - p.ix0 + 1) * static_cast<std::int64_t>(p.iy1 - p.iy0 + 1);
}

// Keeps the number of entries bounded: triangles that cover this many bins or more go to
// `everywhere`, the widest first, until the rest fit the budget.
std::int64_t CoverageLimit(const std::vector<Placed>& placed, std::size_t binCount) {
  std::vector<std::int64_t> covers;
  covers.reserve(placed.size());
  std::int64_t total = 0;
  for (const Placed& p : placed) {
    covers.push_back(Coverage(p));
    total += covers.back();
  }
  const std::int64_t budget =
      kEntriesPerTriangle * static_cast<std::int64_t>(placed.size()) + static_cast<std::int64_t>(binCount);
  std::int64_t limit = std::numeric_limits<std::int64_t>::max();
  if (total > budget) {
    std::sort(covers.begin(), covers.end(), std::greater<>());
    for (std::size_t k = 0; k < covers.size() && total > budget; ++k) {
      total -= covers[k];
      limit = covers[k];
    }
  }
  return limit;
}

// Enters each kept triangle under every bin of its range, in element order: count per bin, sum the
// counts into the first entry of each bin, then fill.
void FillBins(const std::vector<Placed>& placed, std::int64_t limit, ElementBins& bins) {
  const std::size_t binCount = static_cast<std::size_t>(bins.nx) * static_cast<std::size_t>(bins.ny);
  bins.first.assign(binCount + 1, 0);
  std::vector<Placed> kept;
  kept.reserve(placed.size());
  for (const Placed& p : placed) {
    if (Coverage(p) >= limit) {
      bins.everywhere.push_back(p.t);
      continue;
    }
    kept.push_back(p);
    for (std::int32_t iy = p.iy0; iy <= p.iy1; ++iy) {
      for (std::int32_t ix = p.ix0; ix <= p.ix1; ++ix) {
        ++bins.first[static_cast<std::size_t>(iy) * bins.nx + ix + 1];
      }
    }
  }
  for (std::size_t b = 0; b < binCount; ++b) bins.first[b + 1] += bins.first[b];
  bins.entries.resize(bins.first[binCount]);
  std::vector<std::size_t> fill(bins.first.begin(), bins.first.end() - 1);
  for (const Placed& p : kept) {
    for (std::int32_t iy = p.iy0; iy <= p.iy1; ++iy) {
      for (std::int32_t ix = p.ix0; ix <= p.ix1; ++ix) {
        bins.entries[fill[static_cast<std::size_t>(iy) * bins.nx + ix]++] = p.t;
      }
    }
  }
}

}  // namespace

// Where the test can pass. For a point p in the box R (the mesh's bounding box B widened by its own
// width and height on every side) every difference of coordinates in an area is at most 2 Wx or
// 2 Wy, so each computed area is within E = kAreaRounding * 8 Wx Wy of the exact one, and a passing
// triangle has exact part areas of at least -E:
// - clockwise (exact A0 < 0): the exact part areas add up to A0, so the test can pass only when
//   A0 >= -3E; otherwise it never passes and is left out;
// - counterclockwise: p lies within distance 2E / |edge| outside each edge line, hence inside the
//   triangle scaled about its incentre by 1 + (2E / shortest edge) / inradius; the bounding box of
//   that triangle is the triangle's own box widened by that excess times its width and height;
// - nearly flat either way, or not finite: tried for every point.
// Points outside R are searched plainly.
ElementBins BinElements(const Store& s) {
  ElementBins bins;
  bins.parts = SplitElements(s);
  const Candidates found = GatherCandidates(s, bins.parts, bins.everywhere);
  if (found.list.empty()) return bins;
  double bound = 0.0;
  if (!LayOutGrid(found, bins, bound)) return bins;

  std::vector<Placed> placed;
  placed.reserve(found.list.size());
  for (const std::int32_t t : found.list) {
    Placed p{t, 0.0, 0.0, 0.0, 0.0};
    switch (Place(s, t, bound, bins, p)) {
      case Placing::kLeftOut:
        break;
      case Placing::kEverywhere:
        bins.everywhere.push_back(t);
        break;
      case Placing::kPlaced:
        placed.push_back(p);
        break;
    }
  }

  const std::size_t binCount = static_cast<std::size_t>(bins.nx) * static_cast<std::size_t>(bins.ny);
  FillBins(placed, CoverageLimit(placed, binCount), bins);
  std::sort(bins.everywhere.begin(), bins.everywhere.end());
  bins.usable = true;
  return bins;
}

PointLocation LocatePoint(const ElementBins& bins, const Store& s, double xp, double yp) {
  if (!bins.usable || !(xp >= bins.rx0 && xp <= bins.rx1 && yp >= bins.ry0 && yp <= bins.ry1)) {
    return LocatePointPlain(bins.parts, s, xp, yp);
  }
  const std::size_t b = static_cast<std::size_t>(BinOf(yp, bins.gy0, bins.invy, bins.ny)) * bins.nx +
                        BinOf(xp, bins.gx0, bins.invx, bins.nx);
  const std::int32_t* p = bins.entries.data() + bins.first[b];
  const std::int32_t* const pEnd = bins.entries.data() + bins.first[b + 1];
  const std::int32_t* q = bins.everywhere.data();
  const std::int32_t* const qEnd = q + bins.everywhere.size();
  // Both lists are in element order; the first triangle that holds the point wins.
  PointLocation at;
  while (p != pEnd || q != qEnd) {
    const std::int32_t t = (q == qEnd || (p != pEnd && *p < *q)) ? *p++ : *q++;
    if (PartHolds(bins.parts, t, s, xp, yp, at)) return at;
  }
  return {};
}

void LocatePoints(Store& s) {
  s.IPN.Resize(s.NPT);
  s.WPN.Resize(s.NPT);
  if (s.NPT <= 0) return;
  const ElementBins bins = BinElements(s);
  for (std::int32_t i = 1; i <= s.NPT; ++i) {
    const PointLocation at = LocatePoint(bins, s, s.XP(i), s.YP(i));
    if (at.element == 0) continue;
    for (int k = 1; k <= 3; ++k) {
      s.IPN(i, k) = at.nodes[k - 1];
      s.WPN(i, k) = at.weights[k - 1];
    }
  }
}

}  // namespace seep
