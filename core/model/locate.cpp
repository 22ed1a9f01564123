#include "core/model/locate.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>

namespace seep {

bool HoldsPoint(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
                PointLocation& at) {
  for (std::int32_t n : corners) {
    if (!IsNode(s, n)) return false;
  }
  const double xi = s.X(corners[0]), yi = s.Y(corners[0]);
  const double xa = s.X(corners[1]), ya = s.Y(corners[1]);
  const double xb = s.X(corners[2]), yb = s.Y(corners[2]);
  const double a0 = PTAREA(xi, yi, xa, ya, xb, yb);
  if (a0 == 0.0) return false;
  const double a1 = PTAREA(xp, yp, xi, yi, xa, ya);
  const double a2 = PTAREA(xp, yp, xa, ya, xb, yb);
  const double a3 = PTAREA(xp, yp, xb, yb, xi, yi);
  if (!(a1 >= 0.0 && a2 >= 0.0 && a3 >= 0.0)) return false;
  // Each corner's weight is the area of the part opposite to it over the whole.
  at.nodes = corners;
  at.weights = {a2 / a0, a3 / a0, a1 / a0};
  return true;
}

bool WeightsIn(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
               PointLocation& at) {
  for (std::int32_t n : corners) {
    if (!IsNode(s, n)) return false;
  }
  const double xi = s.X(corners[0]), yi = s.Y(corners[0]);
  const double xa = s.X(corners[1]), ya = s.Y(corners[1]);
  const double xb = s.X(corners[2]), yb = s.Y(corners[2]);
  const double a0 = PTAREA(xi, yi, xa, ya, xb, yb);
  if (a0 == 0.0 || !std::isfinite(a0)) return false;
  at.nodes = corners;
  at.weights = {PTAREA(xp, yp, xa, ya, xb, yb) / a0, PTAREA(xp, yp, xb, yb, xi, yi) / a0,
                PTAREA(xp, yp, xi, yi, xa, ya) / a0};
  return true;
}

PointLocation LocatePointPlain(const Store& s, double xp, double yp) {
  PointLocation at;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const int parts = CountSubTriangles(s, e);
    for (std::int32_t part = 1; part <= parts; ++part) {
      if (HoldsPoint(s, SubTriangleCorners(s, e, part), xp, yp, at)) {
        at.element = e;
        at.part = part;
        return at;
      }
    }
  }
  return {};
}

namespace {

// A computed area PTAREA differs from the exact area of its (exact) corner coordinates by at most
// (3 + 16 eps) eps (|p1| + |p2|) / 2, p1 and p2 being its two products (eps = 2^-53): the rounding of
// two differences, one product and the subtraction. The constant takes twice that, so that the
// bounds derived from it can themselves be rounded without losing their meaning.
constexpr double kAreaRounding = 3.5e-16;
// Products of very small coordinates lose their relative accuracy; this absolute term covers them.
constexpr double kUnderflowSlack = 1e-290;
// At most this many bin entries per sub-triangle on average; beyond that the sub-triangles that cover
// the most bins are tried for every point instead.
constexpr std::int64_t kEntriesPerTriangle = 32;

struct Corners {
  double xi, yi, xa, ya, xb, yb;
};

Corners CornerCoordinates(const Store& s, const std::array<std::int32_t, 3>& c) {
  return {s.X(c[0]), s.Y(c[0]), s.X(c[1]), s.Y(c[1]), s.X(c[2]), s.Y(c[2])};
}

bool AllFinite(const Corners& c) {
  return std::isfinite(c.xi) && std::isfinite(c.yi) && std::isfinite(c.xa) && std::isfinite(c.ya) &&
         std::isfinite(c.xb) && std::isfinite(c.yb);
}

bool Before(const SubTriangle& a, const SubTriangle& b) {
  return a.element != b.element ? a.element < b.element : a.part < b.part;
}

// A sub-triangle placed in the grid: where the test can pass, widened for rounding.
struct Placed {
  SubTriangle t;
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

// The sub-triangles with an area and finite corners, and the bounding box B of their corners.
struct Candidates {
  std::vector<SubTriangle> list;
  double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
};

// Sorts every sub-triangle of the mesh: passed over by the test (a corner outside the mesh, zero
// area), tried everywhere (not finite), or a candidate for the bins.
Candidates GatherCandidates(const Store& s, std::vector<SubTriangle>& everywhere) {
  Candidates found;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const int parts = CountSubTriangles(s, e);
    for (std::int32_t part = 1; part <= parts; ++part) {
      const std::array<std::int32_t, 3> corners = SubTriangleCorners(s, e, part);
      if (!IsNode(s, corners[0]) || !IsNode(s, corners[1]) || !IsNode(s, corners[2])) continue;
      const Corners c = CornerCoordinates(s, corners);
      const double a0 = PTAREA(c.xi, c.yi, c.xa, c.ya, c.xb, c.yb);
      if (a0 == 0.0) continue;  // passed over by the test
      if (!AllFinite(c) || !std::isfinite(a0)) {
        everywhere.push_back({e, part});
        continue;
      }
      found.list.push_back({e, part});
      found.x0 = std::min({found.x0, c.xi, c.xa, c.xb});
      found.x1 = std::max({found.x1, c.xi, c.xa, c.xb});
      found.y0 = std::min({found.y0, c.yi, c.ya, c.yb});
      found.y1 = std::max({found.y1, c.yi, c.ya, c.yb});
    }
  }
  return found;
}

// The box R and a grid of about two bins per sub-triangle over B; false when the mesh is too flat or
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

// Where sub-triangle t can pass the test, as a box widened for rounding and its range of bins.
Placing Place(const Store& s, const SubTriangle& t, double bound, const ElementBins& bins, Placed& p) {
  const Corners c = CornerCoordinates(s, SubTriangleCorners(s, t.element, t.part));
  const double p1 = (c.xa - c.xi) * (c.yb - c.yi), p2 = (c.xi - c.xb) * (c.yi - c.ya);
  const double a0 = PTAREA(c.xi, c.yi, c.xa, c.ya, c.xb, c.yb);
  const double a0Error = kAreaRounding * (std::fabs(p1) + std::fabs(p2)) + kUnderflowSlack;
  if (a0 < 0.0) {
    // Clockwise: never holds a point unless nearly flat.
    return a0 + a0Error < -3.0 * bound ? Placing::kLeftOut : Placing::kEverywhere;
  }
  const double a0Low = a0 - a0Error;
  const double e1 = std::hypot(c.xa - c.xi, c.ya - c.yi);
  const double e2 = std::hypot(c.xb - c.xa, c.yb - c.ya);
  const double e3 = std::hypot(c.xi - c.xb, c.yi - c.yb);
  const double excess = 2.0 * bound * (e1 + e2 + e3) / (std::min({e1, e2, e3}) * a0Low);
  p = Placed{t, std::min({c.xi, c.xa, c.xb}), std::max({c.xi, c.xa, c.xb}), std::min({c.yi, c.ya, c.yb}),
             std::max({c.yi, c.ya, c.yb})};
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

// How many bins a placed sub-triangle covers.
std::int64_t Coverage(const Placed& p) {
  return static_cast<std::int64_t>(p.ix1 - p.ix0 + 1) * static_cast<std::int64_t>(p.iy1 - p.iy0 + 1);
}

// Keeps the number of entries bounded: sub-triangles that cover this many bins or more go to
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

// Enters each kept sub-triangle under every bin of its range, in element order: count per bin, sum the
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
// sub-triangle has exact part areas of at least -E:
// - clockwise (exact A0 < 0): the exact part areas add up to A0, so the test can pass only when
//   A0 >= -3E; otherwise it never passes and is left out;
// - counterclockwise: p lies within distance 2E / |edge| outside each edge line, hence inside the
//   triangle scaled about its incentre by 1 + (2E / shortest edge) / inradius; the bounding box of
//   that triangle is the sub-triangle's own box widened by that excess times its width and height;
// - nearly flat either way, or not finite: tried for every point.
// Points outside R are searched plainly.
ElementBins BinElements(const Store& s) {
  ElementBins bins;
  const Candidates found = GatherCandidates(s, bins.everywhere);
  if (found.list.empty()) return bins;
  double bound = 0.0;
  if (!LayOutGrid(found, bins, bound)) return bins;

  std::vector<Placed> placed;
  placed.reserve(found.list.size());
  for (const SubTriangle& t : found.list) {
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
  std::sort(bins.everywhere.begin(), bins.everywhere.end(), Before);
  bins.usable = true;
  return bins;
}

PointLocation LocatePoint(const ElementBins& bins, const Store& s, double xp, double yp) {
  if (!bins.usable || !(xp >= bins.rx0 && xp <= bins.rx1 && yp >= bins.ry0 && yp <= bins.ry1)) {
    return LocatePointPlain(s, xp, yp);
  }
  const std::size_t b = static_cast<std::size_t>(BinOf(yp, bins.gy0, bins.invy, bins.ny)) * bins.nx +
                        BinOf(xp, bins.gx0, bins.invx, bins.nx);
  const SubTriangle* p = bins.entries.data() + bins.first[b];
  const SubTriangle* const pEnd = bins.entries.data() + bins.first[b + 1];
  const SubTriangle* q = bins.everywhere.data();
  const SubTriangle* const qEnd = q + bins.everywhere.size();
  // Both lists are in element order; the first sub-triangle that holds the point wins.
  PointLocation at;
  while (p != pEnd || q != qEnd) {
    const SubTriangle& t = (q == qEnd || (p != pEnd && Before(*p, *q))) ? *p++ : *q++;
    if (HoldsPoint(s, SubTriangleCorners(s, t.element, t.part), xp, yp, at)) {
      at.element = t.element;
      at.part = t.part;
      return at;
    }
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
