#include "core/model/contours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <unordered_map>
#include <utility>

namespace seep {
namespace {

// ---------------------------------------------------------------------------------------------------
// Round steps.

constexpr std::array<double, 4> kMantissas = {1.0, 2.0, 2.5, 5.0};

// Level k of a step m * 10^p: (k * m) * 10^p, or (k * m) / 10^-p below 1, so that values such as 0.3
// come out as the nearest double to the decimal and print short.
double LevelValue(std::int64_t k, double mantissa, int power) {
  const double km = static_cast<double>(k) * mantissa;
  return power >= 0 ? km * std::pow(10.0, power) : km / std::pow(10.0, -power);
}

// Levels of step m * 10^p covering lo ... hi.
Levels LevelsOfStep(double lo, double hi, double mantissa, int power) {
  Levels levels;
  levels.step = LevelValue(1, mantissa, power);
  const double step = levels.step;
  std::int64_t k0 = static_cast<std::int64_t>(std::floor(lo / step));
  std::int64_t k1 = static_cast<std::int64_t>(std::ceil(hi / step));
  // The quotients may round across a whole number: the nearest levels that still cover lo ... hi. The
  // caller keeps lo / step and hi / step far below 2^53, so a step or two settles it.
  for (int k = 0; k < 4 && LevelValue(k0, mantissa, power) > lo; ++k) --k0;
  for (int k = 0; k < 4 && LevelValue(k0 + 1, mantissa, power) <= lo; ++k) ++k0;
  for (int k = 0; k < 4 && LevelValue(k1, mantissa, power) < hi; ++k) ++k1;
  for (int k = 0; k < 4 && k1 - 1 > k0 && LevelValue(k1 - 1, mantissa, power) >= hi; ++k) --k1;
  if (k1 == k0) ++k1;
  levels.first = k0;
  levels.values.reserve(static_cast<std::size_t>(k1 - k0 + 1));
  for (std::int64_t k = k0; k <= k1; ++k) levels.values.push_back(LevelValue(k, mantissa, power));
  return levels;
}

// Evenly spaced levels where no round step fits: ranges near the limits of double.
Levels EvenLevels(double lo, double hi, int count) {
  Levels levels;
  levels.step = (hi / (count - 1) - lo / (count - 1));
  for (int k = 0; k < count; ++k) {
    const double t = static_cast<double>(k) / (count - 1);
    levels.values.push_back(k == count - 1 ? hi : lo + (hi - lo) * t);
  }
  if (!std::isfinite(levels.values[1] - levels.values[0])) {
    for (int k = 0; k < count; ++k) {
      const double t = static_cast<double>(k) / (count - 1);
      levels.values[static_cast<std::size_t>(k)] = lo * (1.0 - t) + hi * t;
    }
  }
  return levels;
}

// Drops the levels outside lo ... hi.
void KeepInside(Levels& levels, double lo, double hi) {
  std::size_t below = 0;
  while (below < levels.values.size() && levels.values[below] < lo) ++below;
  levels.values.erase(levels.values.begin(), levels.values.begin() + static_cast<std::ptrdiff_t>(below));
  levels.first += static_cast<std::int64_t>(below);
  while (!levels.values.empty() && levels.values.back() > hi) levels.values.pop_back();
}

// The round step whose number of levels lies closest to `target` without going above `most`; on a tie
// the one with more levels, then the one found first (1 and 2 before 2.5). The levels cover lo ... hi,
// or with `inside` lie within it.
Levels BestLevels(double lo, double hi, int target, int most, bool inside) {
  const double span = hi / 2.0 - lo / 2.0;  // half the range, never overflowing
  if (!(span > 0.0) || !std::isfinite(span)) return EvenLevels(lo, hi, target);
  const int center = static_cast<int>(std::floor(std::log10(span) + std::log10(2.0 / target)));
  Levels best;
  int bestMiss = std::numeric_limits<int>::max();
  for (int power = center - 1; power <= center + 1; ++power) {
    if (power < -300 || power > 300) continue;
    for (double m : kMantissas) {
      const double step = LevelValue(1, m, power);
      if (!(step > 0.0) || !std::isfinite(step)) continue;
      if (span / step > 4.0 * most) continue;  // far too many levels
      // Levels finer than the values' own precision cannot be told apart.
      if (std::max(std::fabs(lo), std::fabs(hi)) / step > 1e15) continue;
      Levels levels = LevelsOfStep(lo, hi, m, power);
      if (inside) KeepInside(levels, lo, hi);
      const int count = static_cast<int>(levels.values.size());
      if (count > most || count < 2) continue;
      const int miss = std::abs(count - target);
      if (miss < bestMiss || (miss == bestMiss && count > static_cast<int>(best.values.size()))) {
        bestMiss = miss;
        best = std::move(levels);
      }
    }
  }
  if (best.values.size() < 2) return EvenLevels(lo, hi, inside ? 2 : target);
  return best;
}

// ---------------------------------------------------------------------------------------------------
// Sub-triangles of the active elements.

// True when every corner of active element e is a node with finite coordinates.
bool HasFiniteCorners(const Store& s, std::int32_t e) {
  const int corners = IsTriangle(s, e) ? 3 : 4;
  for (int k = 0; k < corners; ++k) {
    const std::int32_t n = s.ELEM(e, kI + k);
    if (!IsNode(s, n) || !std::isfinite(s.X(n)) || !std::isfinite(s.Y(n))) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Merging whole sub-triangles into loops.

// Adds the edges of a counterclockwise sub-triangle.
void AddTriangleEdges(std::vector<LoopEdge>& edges, std::int32_t band, const MeshTriangle& t) {
  edges.push_back({band, t.nodes[0], t.nodes[1]});
  edges.push_back({band, t.nodes[1], t.nodes[2]});
  edges.push_back({band, t.nodes[2], t.nodes[0]});
}

// True when b lies on the straight way from a to c, so that dropping it changes no area worth
// speaking of.
bool Collinear(const XY& a, const XY& b, const XY& c) {
  const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
  const double cross = ux * vy - uy * vx;
  const double dot = ux * vx + uy * vy;
  return dot > 0.0 &&
         std::fabs(cross) <= 1e-12 * (std::fabs(ux) + std::fabs(uy)) * (std::fabs(vx) + std::fabs(vy));
}

// Drops the corners of a closed loop that lie on a straight run of its edges.
void DropStraightCorners(Polyline& loop) {
  Polyline kept;
  kept.reserve(loop.size());
  for (const XY& p : loop) {
    while (kept.size() >= 2 && Collinear(kept[kept.size() - 2], kept.back(), p)) kept.pop_back();
    kept.push_back(p);
  }
  while (kept.size() >= 3 && Collinear(kept[kept.size() - 2], kept.back(), kept.front())) kept.pop_back();
  std::size_t start = 0;
  while (kept.size() - start >= 3 && Collinear(kept.back(), kept[start], kept[start + 1])) ++start;
  loop.assign(kept.begin() + static_cast<std::ptrdiff_t>(start), kept.end());
}

// The corners of a loop of FollowLoops, without those on a straight run of its edges.
Polyline LoopOfNodes(const Store& s, const std::vector<LoopEdge>& edges,
                     const std::vector<std::size_t>& loop) {
  Polyline nodes;
  nodes.reserve(loop.size() + 1);
  for (std::size_t k : loop) nodes.push_back(NodeAt(s, edges[k].from));
  const LoopEdge& last = edges[loop.back()];
  if (last.to != edges[loop.front()].from) nodes.push_back(NodeAt(s, last.to));  // a loop left open
  DropStraightCorners(nodes);
  return nodes;
}

// The edges shared by two sub-triangles of one band cancel; the rest form the boundaries of the
// band's regions. Every node keeps as many edges leaving it as entering, so following unused edges
// from any start always comes back to it.
void JoinLoops(const Store& s, std::vector<LoopEdge>& edges, std::vector<std::vector<Polyline>>& out) {
  auto byUndirected = [](const LoopEdge& a, const LoopEdge& b) {
    const auto ka = std::make_tuple(a.group, std::min(a.from, a.to), std::max(a.from, a.to));
    const auto kb = std::make_tuple(b.group, std::min(b.from, b.to), std::max(b.from, b.to));
    return ka < kb;
  };
  std::sort(edges.begin(), edges.end(), byUndirected);
  std::vector<LoopEdge> kept;
  for (std::size_t i = 0; i < edges.size();) {
    std::size_t j = i;
    int net = 0;
    for (; j < edges.size() && !byUndirected(edges[i], edges[j]); ++j)
      net += edges[j].from < edges[j].to ? 1 : -1;
    const std::int32_t lo = std::min(edges[i].from, edges[i].to), hi = std::max(edges[i].from, edges[i].to);
    for (int k = 0; k < std::abs(net); ++k) {
      kept.push_back(net > 0 ? LoopEdge{edges[i].group, lo, hi} : LoopEdge{edges[i].group, hi, lo});
    }
    i = j;
  }
  auto byStart = [](const LoopEdge& a, const LoopEdge& b) {
    return a.group != b.group ? a.group < b.group : a.from < b.from;
  };
  std::sort(kept.begin(), kept.end(), byStart);
  for (const auto& edgesOfLoop : FollowLoops(kept)) {
    Polyline loop = LoopOfNodes(s, kept, edgesOfLoop);
    if (loop.size() >= 3)
      out[static_cast<std::size_t>(kept[edgesOfLoop.front()].group)].push_back(std::move(loop));
  }
}

// ---------------------------------------------------------------------------------------------------
// Cutting a sub-triangle into bands.

struct ValuePoint {
  double x, y, v;
};
using ValuePolygon = std::vector<ValuePoint>;

// Splits a convex polygon along the line where the linear field equals `level`: the part at most the
// level into `below`, the rest into `above`. Corners on the level go to both.
void SplitAtLevel(const ValuePolygon& poly, double level, ValuePolygon& below, ValuePolygon& above) {
  below.clear();
  above.clear();
  const std::size_t n = poly.size();
  for (std::size_t i = 0; i < n; ++i) {
    const ValuePoint& a = poly[i];
    const ValuePoint& b = poly[(i + 1) % n];
    if (a.v <= level) below.push_back(a);
    if (a.v >= level) above.push_back(a);
    if ((a.v < level && b.v > level) || (a.v > level && b.v < level)) {
      const double t = (level - a.v) / (b.v - a.v);
      const ValuePoint cut{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), level};
      below.push_back(cut);
      above.push_back(cut);
    }
  }
}

void AddPiece(const ValuePolygon& piece, std::vector<Polyline>& band) {
  if (piece.size() < 3) return;
  Polyline loop;
  loop.reserve(piece.size());
  for (const ValuePoint& p : piece) loop.push_back({p.x, p.y});
  if (LoopArea(loop) > 0.0) band.push_back(std::move(loop));
}

// The band of the lowest corner and of the highest one: a corner exactly on a level counts to the band
// above it at the bottom and to the band below it at the top, so that a sub-triangle that only touches
// a level stays whole.
std::pair<std::int32_t, std::int32_t> BandRange(const Levels& levels, double lo, double hi) {
  const std::int32_t first = BandOf(levels, lo);
  const auto below = std::lower_bound(levels.values.begin(), levels.values.end(), hi) - levels.values.begin();
  const std::int32_t last = std::clamp(static_cast<std::int32_t>(below) - 1, 0, levels.Bands() - 1);
  return {first, std::max(first, last)};
}

// ---------------------------------------------------------------------------------------------------
// Joining segments into polylines.

// Walks the undirected edges (pairs of vertex numbers 0 ... count - 1) into as few paths as a greedy
// walk gives.
std::vector<std::vector<std::int32_t>> ChainEdges(
    std::int32_t count, const std::vector<std::pair<std::int32_t, std::int32_t>>& edges) {
  std::vector<std::size_t> first(static_cast<std::size_t>(count) + 1, 0);
  for (const auto& [a, b] : edges) {
    ++first[static_cast<std::size_t>(a) + 1];
    ++first[static_cast<std::size_t>(b) + 1];
  }
  for (std::size_t v = 0; v < static_cast<std::size_t>(count); ++v) first[v + 1] += first[v];
  std::vector<std::size_t> fill(first.begin(), first.end() - 1);
  std::vector<std::pair<std::int32_t, std::size_t>> ends(first.back());  // other vertex, edge number
  for (std::size_t k = 0; k < edges.size(); ++k) {
    ends[fill[static_cast<std::size_t>(edges[k].first)]++] = {edges[k].second, k};
    ends[fill[static_cast<std::size_t>(edges[k].second)]++] = {edges[k].first, k};
  }
  std::vector<char> used(edges.size(), 0);
  std::vector<std::size_t> next(first.begin(), first.end() - 1);  // first entry not yet looked at
  auto unusedFrom = [&](std::int32_t v) -> const std::pair<std::int32_t, std::size_t>* {
    auto& k = next[static_cast<std::size_t>(v)];
    while (k < first[static_cast<std::size_t>(v) + 1] && used[ends[k].second]) ++k;
    return k < first[static_cast<std::size_t>(v) + 1] ? &ends[k] : nullptr;
  };
  // Paths start at vertices with an odd number of edges first, where open lines end.
  std::vector<std::vector<std::int32_t>> paths;
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int32_t v = 0; v < count; ++v) {
      const std::size_t degree = first[static_cast<std::size_t>(v) + 1] - first[static_cast<std::size_t>(v)];
      if (pass == 0 && degree % 2 == 0) continue;
      while (const auto* step = unusedFrom(v)) {
        std::vector<std::int32_t> path{v};
        for (; step != nullptr; step = unusedFrom(path.back())) {
          used[step->second] = 1;
          path.push_back(step->first);
        }
        paths.push_back(std::move(path));
      }
    }
  }
  return paths;
}

}  // namespace

namespace {

// Levels that a picture can draw and label: at least two, finite, rising, a step that is a normal number.
// A range narrower than that (two subnormal values, say) cannot be cut into bands.
bool Drawable(const Levels& levels) {
  if (levels.values.size() < 2 || !(levels.step >= std::numeric_limits<double>::min()) ||
      !std::isfinite(levels.step))
    return false;
  for (std::size_t k = 0; k < levels.values.size(); ++k) {
    if (!std::isfinite(levels.values[k])) return false;
    if (k > 0 && !(levels.values[k] > levels.values[k - 1])) return false;
  }
  return true;
}

}  // namespace

Levels RoundLevels(double lo, double hi) {
  // A range too narrow to cut is drawn as the one value at its bottom.
  if (hi > lo) {
    Levels levels = BestLevels(lo, hi, 11, 14, false);
    if (Drawable(levels)) return levels;
    hi = lo;
  }
  {
    // One value: one band of a round step about a tenth of the value around it (of 1 about zero and
    // values too small for a tenth of them to be a normal number).
    const double tenth = std::fabs(lo) * 0.1;
    const double span = tenth >= std::numeric_limits<double>::min() ? tenth : 1.0;
    Levels one;
    if (std::isfinite(span) && span > 0.0) {
      const int power = static_cast<int>(std::floor(std::log10(span)));
      one = LevelsOfStep(lo, lo, 1.0, std::clamp(power, -300, 300));
    }
    if (one.values.size() != 2 || !std::isfinite(one.values[0]) || !std::isfinite(one.values[1])) {
      one = Levels{};
      one.values = {lo, lo};
    }
    return one;
  }
}

Levels RoundTicks(double lo, double hi, int most) {
  most = std::max(most, 2);
  if (!std::isfinite(lo) || !std::isfinite(hi)) return {};
  if (!(hi > lo)) return RoundLevels(lo, hi);
  Levels ticks = BestLevels(lo, hi, std::max(2, most * 3 / 4), most, true);
  return Drawable(ticks) ? ticks : RoundLevels(lo, lo);
}

std::int32_t BandOf(const Levels& levels, double v) {
  const auto above = std::upper_bound(levels.values.begin(), levels.values.end(), v) - levels.values.begin();
  return std::clamp(static_cast<std::int32_t>(above) - 1, 0, std::max(levels.Bands() - 1, 0));
}

double LoopArea(const Polyline& loop) {
  double twice = 0.0;
  for (std::size_t i = 0, n = loop.size(); i < n; ++i) {
    const XY& a = loop[i];
    const XY& b = loop[(i + 1) % n];
    twice += (a.x - b.x) * (a.y + b.y);
  }
  return 0.5 * twice;
}

Bands NodalBands(const ActiveTriangles& mesh, const Store& s, const std::vector<double>& nodeValue,
                 const Levels& levels) {
  Bands bands;
  bands.loops.resize(static_cast<std::size_t>(std::max(levels.Bands(), 0)));
  if (levels.Bands() <= 0) return bands;
  auto value = [&](std::int32_t n) { return nodeValue[static_cast<std::size_t>(n - 1)]; };

  // Elements with a value that is not finite are left blank as a whole.
  std::vector<char> blank(static_cast<std::size_t>(s.NUMEL) + 1, 0);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e) || !HasFiniteCorners(s, e)) continue;
    const int corners = IsTriangle(s, e) ? 3 : 4;
    for (int k = 0; k < corners; ++k) {
      if (!std::isfinite(value(s.ELEM(e, kI + k)))) blank[static_cast<std::size_t>(e)] = 1;
    }
    bands.blankElements += blank[static_cast<std::size_t>(e)];
  }

  std::vector<LoopEdge> whole;
  whole.reserve(static_cast<std::size_t>(s.NUMEL) * 6);
  ValuePolygon rest, below, above;
  for (const MeshTriangle& c : mesh.triangles) {
    if (blank[static_cast<std::size_t>(c.element)]) continue;
    const double v0 = value(c.nodes[0]), v1 = value(c.nodes[1]), v2 = value(c.nodes[2]);
    if (!std::isfinite(v0) || !std::isfinite(v1) || !std::isfinite(v2))
      continue;  // element with a bad corner
    const auto [first, last] = BandRange(levels, std::min({v0, v1, v2}), std::max({v0, v1, v2}));
    if (first == last) {
      AddTriangleEdges(whole, first, c);
      continue;
    }
    rest = {{c.at[0].x, c.at[0].y, v0}, {c.at[1].x, c.at[1].y, v1}, {c.at[2].x, c.at[2].y, v2}};
    for (std::int32_t b = first; b < last; ++b) {
      SplitAtLevel(rest, levels.values[static_cast<std::size_t>(b) + 1], below, above);
      AddPiece(below, bands.loops[static_cast<std::size_t>(b)]);
      rest.swap(above);
    }
    AddPiece(rest, bands.loops[static_cast<std::size_t>(last)]);
  }
  JoinLoops(s, whole, bands.loops);
  return bands;
}

Bands ElementBands(const ActiveTriangles& mesh, const Store& s, const std::vector<double>& elementValue,
                   const Levels& levels) {
  Bands bands;
  bands.loops.resize(static_cast<std::size_t>(std::max(levels.Bands(), 0)));
  if (levels.Bands() <= 0) return bands;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (IsActive(s, e) && HasFiniteCorners(s, e) &&
        !std::isfinite(elementValue[static_cast<std::size_t>(e - 1)])) {
      ++bands.blankElements;
    }
  }
  std::vector<LoopEdge> whole;
  whole.reserve(static_cast<std::size_t>(s.NUMEL) * 6);
  for (const MeshTriangle& c : mesh.triangles) {
    const double v = elementValue[static_cast<std::size_t>(c.element - 1)];
    if (std::isfinite(v)) AddTriangleEdges(whole, BandOf(levels, v), c);
  }
  JoinLoops(s, whole, bands.loops);
  return bands;
}

std::vector<Polyline> PhreaticLine(const ActiveTriangles& mesh, const Store& s) {
  // Each crossing point is made once, from the edge it lies on (or the node, where P is exactly zero
  // at a corner), so that the segments of neighbouring sub-triangles meet in it.
  std::unordered_map<std::uint64_t, std::int32_t> pointOf;
  std::vector<XY> points;
  std::vector<std::pair<std::int32_t, std::int32_t>> segments;
  auto crossing = [&](std::int32_t a, std::int32_t b) {
    if (a > b) std::swap(a, b);
    const double pa = s.P(a), pb = s.P(b);
    const std::int32_t at = pa == 0.0 ? a : pb == 0.0 ? b : 0;
    const std::uint64_t key = at != 0 ? static_cast<std::uint64_t>(at) << 32
                                      : static_cast<std::uint64_t>(a) << 32 | static_cast<std::uint32_t>(b);
    const auto [it, added] = pointOf.try_emplace(key, static_cast<std::int32_t>(points.size()));
    if (added) {
      const double t = pa / (pa - pb);
      points.push_back(at != 0 ? XY{s.X(at), s.Y(at)}
                               : XY{s.X(a) + t * (s.X(b) - s.X(a)), s.Y(a) + t * (s.Y(b) - s.Y(a))});
    }
    return it->second;
  };
  for (const MeshTriangle& c : mesh.triangles) {
    const std::array<double, 3> p{s.P(c.nodes[0]), s.P(c.nodes[1]), s.P(c.nodes[2])};
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
    std::array<std::int32_t, 2> ends{};
    int found = 0;
    for (int k = 0; k < 3; ++k) {
      const int l = (k + 1) % 3;
      if ((p[k] > 0.0) != (p[l] > 0.0)) ends[found++] = crossing(c.nodes[k], c.nodes[l]);
    }
    if (found == 2 && ends[0] != ends[1]) segments.push_back({ends[0], ends[1]});
  }
  std::vector<Polyline> lines;
  for (const auto& path : ChainEdges(static_cast<std::int32_t>(points.size()), segments)) {
    Polyline line;
    line.reserve(path.size());
    for (std::int32_t k : path) line.push_back(points[static_cast<std::size_t>(k)]);
    lines.push_back(std::move(line));
  }
  return lines;
}

LevelPieces LevelCrossings(const ActiveTriangles& mesh, const std::vector<double>& nodeValue,
                           const std::vector<double>& levels) {
  LevelPieces pieces(levels.size());
  for (const MeshTriangle& t : mesh.triangles) {
    std::array<double, 3> v{};
    bool finite = true;
    for (std::size_t k = 0; k < 3; ++k) {
      v[k] = nodeValue[static_cast<std::size_t>(t.nodes[k] - 1)];
      finite = finite && std::isfinite(v[k]);
    }
    if (!finite) continue;
    for (std::size_t l = 0; l < levels.size(); ++l) {
      const double level = levels[l];
      // The points where the level crosses the triangle's edges (a corner above, the other not).
      std::array<XY, 2> ends{};
      std::size_t found = 0;
      for (std::size_t a = 0; a < 3 && found < 2; ++a) {
        const std::size_t b = (a + 1) % 3;
        if ((v[a] > level) == (v[b] > level)) continue;
        const double f = (level - v[a]) / (v[b] - v[a]);
        const XY& pa = t.at[a];
        const XY& pb = t.at[b];
        ends[found++] = {pa.x + f * (pb.x - pa.x), pa.y + f * (pb.y - pa.y)};
      }
      if (found == 2) pieces[l].push_back(ends);
    }
  }
  return pieces;
}

std::vector<Polyline> OutlineLoops(const ActiveTriangles& mesh, const Store& s) {
  // The active triangles taken as one band, so that where two loops meet at a node the outline is
  // closed as the bands' loops are.
  std::vector<LoopEdge> edges;
  edges.reserve(mesh.triangles.size() * 3);
  for (const MeshTriangle& t : mesh.triangles) AddTriangleEdges(edges, 0, t);
  std::vector<std::vector<Polyline>> loops(1);
  JoinLoops(s, edges, loops);
  return std::move(loops[0]);
}

std::vector<Polyline> MeshEdges(const Store& s) {
  std::vector<std::pair<std::int32_t, std::int32_t>> edges;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e) || !HasFiniteCorners(s, e)) continue;
    const int corners = IsTriangle(s, e) ? 3 : 4;
    for (int k = 0; k < corners; ++k) {
      const std::int32_t a = s.ELEM(e, kI + k), b = s.ELEM(e, kI + (k + 1) % corners);
      if (a != b) edges.push_back({std::min(a, b) - 1, std::max(a, b) - 1});
    }
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::vector<Polyline> lines;
  for (const auto& path : ChainEdges(s.NUMNP, edges)) {
    Polyline line;
    line.reserve(path.size());
    for (std::int32_t k : path) line.push_back({s.X(k + 1), s.Y(k + 1)});
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace seep
