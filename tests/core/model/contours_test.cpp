// Contours of a field over the active mesh: round levels, bands that tile the active elements exactly,
// the phreatic line on pressure head zero, the outline and the one follower of its loops.
#include "core/model/contours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/io/number_text.h"
#include "support/store_builder.h"

namespace seep {
namespace {

using test::ElementRow;
using test::MakeStore;
using test::NodeRow;

// ---------------------------------------------------------------------------------------------------
// Independent oracles.

// Fraction of a triangle's area where a linear field with corner values a, b, c is at most t.
double FractionBelow(double a, double b, double c, double t) {
  double v[3] = {a, b, c};
  std::sort(v, v + 3);
  if (t <= v[0]) return 0.0;
  if (t >= v[2]) return 1.0;
  if (t <= v[1]) return (t - v[0]) * (t - v[0]) / ((v[1] - v[0]) * (v[2] - v[0]));
  return 1.0 - (v[2] - t) * (v[2] - t) / ((v[2] - v[0]) * (v[2] - v[1]));
}

struct Tri {
  std::int32_t a, b, c;
};

// The sub-triangles of the active elements, (I, J, K) and (I, K, L), as the picture splits them.
std::vector<Tri> ActiveTriangles(const Store& s) {
  std::vector<Tri> t;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (s.ELEM(e, kMAT) <= 0) continue;
    t.push_back({s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK)});
    if (s.ELEM(e, kL) != 0 && s.ELEM(e, kL) != s.ELEM(e, kK))
      t.push_back({s.ELEM(e, kI), s.ELEM(e, kK), s.ELEM(e, kL)});
  }
  return t;
}

double TriArea(const Store& s, const Tri& t) {
  return 0.5 * std::fabs((s.X(t.b) - s.X(t.a)) * (s.Y(t.c) - s.Y(t.a)) -
                         (s.X(t.c) - s.X(t.a)) * (s.Y(t.b) - s.Y(t.a)));
}

// Barycentric weights of (x, y) in triangle t.
std::array<double, 3> Weights(const Store& s, const Tri& t, double x, double y) {
  const double x1 = s.X(t.a), y1 = s.Y(t.a), x2 = s.X(t.b), y2 = s.Y(t.b), x3 = s.X(t.c), y3 = s.Y(t.c);
  const double d = (y2 - y3) * (x1 - x3) + (x3 - x2) * (y1 - y3);
  const double w1 = ((y2 - y3) * (x - x3) + (x3 - x2) * (y - y3)) / d;
  const double w2 = ((y3 - y1) * (x - x3) + (x1 - x3) * (y - y3)) / d;
  return {w1, w2, 1.0 - w1 - w2};
}

// True when (x, y) lies in some active sub-triangle, allowing a relative slack.
bool InsideMesh(const Store& s, const std::vector<Tri>& tris, const XY& p) {
  for (const Tri& t : tris) {
    const auto w = Weights(s, t, p.x, p.y);
    if (w[0] >= -1e-9 && w[1] >= -1e-9 && w[2] >= -1e-9) return true;
  }
  return false;
}

double BandArea(const std::vector<Polyline>& loops) {
  double a = 0.0;
  for (const Polyline& l : loops) a += LoopArea(l);
  return a;
}

// A regular grid of nx × ny quadrilaterals over [0, w] × [0, h] with the given nodal P.
template <class Pressure>
Store Grid(int nx, int ny, double w, double h, Pressure&& p) {
  std::vector<NodeRow> nodes;
  for (int j = 0; j <= ny; ++j) {
    for (int i = 0; i <= nx; ++i) {
      const double x = w * i / nx, y = h * j / ny;
      nodes.push_back({x, y, p(x, y)});
    }
  }
  std::vector<ElementRow> elements;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      const std::int32_t a = j * (nx + 1) + i + 1;
      elements.push_back({a, a + 1, a + nx + 2, a + nx + 1, 1});
    }
  }
  return MakeStore(nodes, elements);
}

std::vector<double> TotalHead(const Store& s) {
  std::vector<double> v;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) v.push_back(s.P(n) + s.Y(n));
  return v;
}

// Every band's area against the oracle, their sum against the active area, every corner in the mesh.
void ExpectBandsTile(const Store& s, const std::vector<double>& value, const Levels& levels,
                     const Bands& bands, const std::vector<char>& blank = {}) {
  const std::vector<Tri> tris = ActiveTriangles(s);
  std::vector<double> expected(static_cast<std::size_t>(levels.Bands()), 0.0);
  double total = 0.0;
  std::int32_t e = 0;
  for (std::int32_t el = 1; el <= s.NUMEL; ++el) {
    if (s.ELEM(el, kMAT) <= 0) continue;
    const bool quad = s.ELEM(el, kL) != 0 && s.ELEM(el, kL) != s.ELEM(el, kK);
    for (int part = 0; part < (quad ? 2 : 1); ++part) {
      const Tri& t = tris[static_cast<std::size_t>(e++)];
      if (!blank.empty() && blank[static_cast<std::size_t>(el)]) continue;
      const double a = TriArea(s, t);
      const double va = value[t.a - 1], vb = value[t.b - 1], vc = value[t.c - 1];
      total += a;
      for (std::int32_t b = 0; b < levels.Bands(); ++b) {
        const double lo = b == 0 ? -std::numeric_limits<double>::infinity() : levels.values[b];
        const double hi =
            b + 1 == levels.Bands() ? std::numeric_limits<double>::infinity() : levels.values[b + 1];
        expected[b] += a * (FractionBelow(va, vb, vc, hi) - FractionBelow(va, vb, vc, lo));
      }
    }
  }
  double sum = 0.0;
  ASSERT_EQ(bands.loops.size(), expected.size());
  for (std::size_t b = 0; b < expected.size(); ++b) {
    const double area = BandArea(bands.loops[b]);
    EXPECT_NEAR(area, expected[b], 1e-9 * total) << "band " << b;
    sum += area;
    for (const Polyline& loop : bands.loops[b]) {
      for (const XY& p : loop)
        EXPECT_TRUE(InsideMesh(s, tris, p)) << "band " << b << " at " << p.x << ", " << p.y;
    }
  }
  EXPECT_NEAR(sum, total, 1e-9 * total);
}

// ---------------------------------------------------------------------------------------------------
// Levels.

bool IsRoundStep(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step)));
  const double m = step / power;
  for (double round : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (std::fabs(m - round) < 1e-9) return true;
  }
  return false;
}

TEST(ContourLevels, RoundStepsThatCoverTheRange) {
  struct Row {
    double lo, hi;
    double step;  // worked out by hand: the step whose level count is nearest 11
    double first;
  };
  const Row rows[] = {
      {0.0, 1.0, 0.1, 0.0},
      {1.05, 3.49, 0.25, 1.0},
      {-7.3, 12.9, 2.0, -8.0},
      {1000.0, 1003.7, 0.5, 1000.0},
      {0.0012, 0.0031, 0.0002, 0.0012},
      {-3.0, -2.0, 0.1, -3.0},
      {99.0, 101.0, 0.2, 99.0},
      {0.0, 1.3, 0.1, 0.0},
  };
  for (const Row& r : rows) {
    const Levels l = RoundLevels(r.lo, r.hi);
    EXPECT_DOUBLE_EQ(l.step, r.step) << r.lo << " ... " << r.hi;
    ASSERT_FALSE(l.values.empty());
    EXPECT_DOUBLE_EQ(l.values.front(), r.first) << r.lo << " ... " << r.hi;
  }
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> exponent(-6.0, 6.0), unit(-1.0, 1.0);
  for (int k = 0; k < 2000; ++k) {
    const double scale = std::pow(10.0, exponent(random));
    const double a = unit(random) * scale * 10.0, b = a + std::fabs(unit(random)) * scale;
    const Levels l = RoundLevels(a, b);
    ASSERT_GE(l.values.size(), 2u);
    EXPECT_LE(l.values.front(), a);
    EXPECT_GE(l.values.back(), b);
    EXPECT_TRUE(IsRoundStep(l.step)) << l.step;
    if (b > a) {
      EXPECT_GE(l.values.size(), 8u) << a << " ... " << b;
      EXPECT_LE(l.values.size(), 14u) << a << " ... " << b;
    }
    for (double v : l.values) {
      const double q = v / l.step;
      EXPECT_NEAR(q, std::round(q), 1e-6) << v << " step " << l.step;
    }
  }
}

TEST(ContourLevels, OneValueGivesOneBandAroundIt) {
  for (double v : {5.0, 0.0, -12.3, 1e-7, 4e6, 1e-310, -5e-324}) {
    const Levels l = RoundLevels(v, v);
    ASSERT_EQ(l.Bands(), 1) << v;
    EXPECT_LE(l.values[0], v);
    EXPECT_GT(l.values[1], v);
    EXPECT_EQ(BandOf(l, v), 0);
  }
}

// Ranges too narrow to cut into bands (subnormal values) are drawn as one band about their bottom, and
// the levels and ticks of every range are finite and rising, with labels that are numbers.
TEST(ContourLevels, RangesTooNarrowToCutGiveOneBand) {
  const double tiny = std::numeric_limits<double>::denorm_min();
  const std::pair<double, double> ranges[] = {
      {0.0, tiny}, {-tiny, tiny}, {1e-310, 1.00001e-310}, {-1e308, 1e308}, {0.0, 1e-300}};
  for (const auto& [lo, hi] : ranges) {
    for (const Levels& l : {RoundLevels(lo, hi), RoundTicks(lo, hi, 9)}) {
      ASSERT_GE(l.values.size(), 2u) << lo << " ... " << hi;
      for (std::size_t k = 1; k < l.values.size(); ++k) EXPECT_GT(l.values[k], l.values[k - 1]) << lo;
      for (const std::string& label : ScaleLabels(l.values, l.step).labels)
        EXPECT_EQ(label.find_first_not_of("-0123456789."), std::string::npos) << label;
    }
  }
  EXPECT_EQ(RoundLevels(0.0, tiny).values, (std::vector<double>{0.0, 1.0}));
}

TEST(ContourLevels, TicksLieInsideTheAxis) {
  // At most 9 ticks: steps aim at three quarters of that, 6 levels covering the axis; step 5 gives
  // -5 ... 25 (7) and 10 gives -10 ... 30 (5), equally near: the finer one wins.
  const Levels t = RoundTicks(-0.4, 20.4, 9);
  EXPECT_EQ(t.values, (std::vector<double>{0.0, 5.0, 10.0, 15.0, 20.0}));
  EXPECT_EQ(RoundTicks(0.25, 0.95, 4).values, (std::vector<double>{0.4, 0.6, 0.8}));
}

// ---------------------------------------------------------------------------------------------------
// Bands and the phreatic line.

// Two quadrilaterals side by side over [0, 2] × [0, 1]; P = x - y, so the total head is x: bands are
// vertical strips 0.2 wide, and P = 0 runs from (0, 0) to (1, 1).
TEST(ContourBands, TwoElementsByHand) {
  const Store s = Grid(2, 1, 2.0, 1.0, [](double x, double y) { return x - y; });
  const std::vector<double> head = TotalHead(s);
  const Levels levels = RoundLevels(0.0, 2.0);
  ASSERT_EQ(levels.Bands(), 10);
  const Bands bands = NodalBands(SplitActiveElements(s), s, head, levels);
  EXPECT_EQ(bands.blankElements, 0);
  for (std::int32_t b = 0; b < 10; ++b) {
    EXPECT_NEAR(BandArea(bands.loops[b]), 0.2, 1e-12) << "band " << b;
    for (const Polyline& loop : bands.loops[b]) {
      for (const XY& p : loop) {
        EXPECT_GE(p.x, 0.2 * b - 1e-12);
        EXPECT_LE(p.x, 0.2 * (b + 1) + 1e-12);
      }
    }
  }
  const std::vector<Polyline> line = PhreaticLine(SplitActiveElements(s), s);
  ASSERT_EQ(line.size(), 1u);
  ASSERT_EQ(line[0].size(), 2u);
  const XY a = line[0].front(), b = line[0].back();
  EXPECT_EQ(std::min(a.x, b.x), 0.0);
  EXPECT_EQ(std::max(a.x, b.x), 1.0);
  EXPECT_EQ(a.x, a.y);
  EXPECT_EQ(b.x, b.y);

  const std::vector<Polyline> outline = OutlineLoops(SplitActiveElements(s), s);
  ASSERT_EQ(outline.size(), 1u);
  EXPECT_EQ(outline[0].size(), 4u);  // the straight corners along the long sides are dropped
  EXPECT_DOUBLE_EQ(LoopArea(outline[0]), 2.0);
}

// The one follower of boundary loops: a loop closes where it began, even at a node that another loop
// passes (the pinch at node 3); a chain with no edge leaving its end stays open; groups stay apart.
TEST(FollowLoops, LoopsCloseWhereTheyBeganAndGroupsStayApart) {
  struct Row {
    std::vector<LoopEdge> edges;  // sorted by group, then by `from`
    std::vector<std::vector<std::size_t>> loops;
  };
  const Row rows[] = {
      {{{0, 1, 2}, {0, 2, 3}, {0, 3, 1}, {0, 3, 4}, {0, 4, 5}, {0, 5, 3}}, {{0, 1, 2}, {3, 4, 5}}},
      {{{0, 1, 2}, {0, 2, 3}}, {{0, 1}}},
      {{{0, 1, 2}, {0, 2, 1}, {1, 1, 2}, {1, 2, 1}}, {{0, 1}, {2, 3}}},
  };
  for (const Row& row : rows) EXPECT_EQ(FollowLoops(row.edges), row.loops);
}

// The outline of a 3 × 3 grid with its middle element inactive: counterclockwise around the mesh,
// clockwise around the hole, the rim of the triangles walked once.
TEST(ContourOutline, RunsAroundTheMeshAndClockwiseAroundItsHoles) {
  Store s = Grid(3, 3, 3.0, 3.0, [](double, double) { return 1.0; });
  s.ELEM(5, kMAT) = 0;
  const auto mesh = SplitActiveElements(s);
  const std::vector<Polyline> outline = OutlineLoops(mesh, s);
  ASSERT_EQ(outline.size(), 2u);
  EXPECT_DOUBLE_EQ(LoopArea(outline[0]), 9.0);
  EXPECT_DOUBLE_EQ(LoopArea(outline[1]), -1.0);
  EXPECT_EQ(outline[0].front().x, 0.0);  // each loop starts at its node of the smallest number
  EXPECT_EQ(outline[1].front().x, 1.0);
  EXPECT_EQ(RimInOrder(mesh).size(), 16u);
}

// A smooth field on a grid with triangles of both kinds, a clockwise element and inactive elements:
// the bands match the oracle band by band, whole triangles merged or not.
TEST(ContourBands, TileTheActiveElements) {
  Store s = Grid(9, 6, 30.0, 12.0, [](double x, double y) { return 8.0 - 0.2 * x + 0.3 * std::sin(x) - y; });
  s.ELEM(5, kMAT) = 0;
  s.ELEM(17, kMAT) = -1;
  s.ELEM(20, kL) = s.ELEM(20, kK);            // triangle I, J, K stored with L = K
  s.ELEM(33, kL) = 0;                         // and with L = 0
  std::swap(s.ELEM(40, kJ), s.ELEM(40, kL));  // clockwise
  const std::vector<double> head = TotalHead(s);
  double lo = 1e300, hi = -1e300;
  for (double v : head) lo = std::min(lo, v), hi = std::max(hi, v);
  for (const Levels& levels : {RoundLevels(lo, hi), RoundLevels(std::floor(lo), std::ceil(hi))}) {
    ExpectBandsTile(s, head, levels, NodalBands(SplitActiveElements(s), s, head, levels));
  }
  // Levels through node values: corners exactly on a level.
  for (std::int32_t n = 1; n <= s.NUMNP; n += 3) s.P(n) = std::round(head[n - 1] * 2.0) / 2.0 - s.Y(n);
  const std::vector<double> onLevels = TotalHead(s);
  const Levels half = RoundLevels(std::floor(lo), std::ceil(hi));
  ExpectBandsTile(s, onLevels, half, NodalBands(SplitActiveElements(s), s, onLevels, half));
}

TEST(ContourBands, OneValueEverywhereIsOneBandAndNoLine) {
  const Store s = Grid(3, 2, 3.0, 2.0, [](double, double y) { return 4.0 - y; });  // total head 4
  const std::vector<double> head = TotalHead(s);
  const Levels levels = RoundLevels(4.0, 4.0);
  const Bands bands = NodalBands(SplitActiveElements(s), s, head, levels);
  ASSERT_EQ(bands.loops.size(), 1u);
  ASSERT_EQ(bands.loops[0].size(), 1u);  // merged into one rectangle
  EXPECT_EQ(bands.loops[0][0].size(), 4u);
  EXPECT_DOUBLE_EQ(LoopArea(bands.loops[0][0]), 6.0);
  EXPECT_TRUE(PhreaticLine(SplitActiveElements(s), s).empty());  // P > 0 everywhere
}

TEST(ContourBands, ValuesThatAreNotFiniteLeaveTheirElementsBlank) {
  Store s = Grid(4, 3, 4.0, 3.0, [](double x, double y) { return x - y; });
  s.P(7) = std::numeric_limits<double>::quiet_NaN();  // node 7 = (1, 1): corner of elements 1, 2, 5, 6
  const std::vector<double> head = TotalHead(s);
  std::vector<char> blank(static_cast<std::size_t>(s.NUMEL) + 1, 0);
  for (int e : {1, 2, 5, 6}) blank[e] = 1;
  const Levels levels = RoundLevels(0.0, 4.0);
  const Bands bands = NodalBands(SplitActiveElements(s), s, head, levels);
  EXPECT_EQ(bands.blankElements, 4);
  ExpectBandsTile(s, head, levels, bands, blank);
  // The line is left out where its triangles have no value.
  for (const Polyline& l : PhreaticLine(SplitActiveElements(s), s)) {
    for (const XY& p : l) EXPECT_FALSE(p.x < 2.0 && p.y < 2.0) << p.x << ", " << p.y;
  }
}

TEST(ContourBands, NoActiveElementGivesNothing) {
  Store s = Grid(2, 2, 2.0, 2.0, [](double x, double) { return x; });
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) s.ELEM(e, kMAT) = 0;
  const Bands bands = NodalBands(SplitActiveElements(s), s, TotalHead(s), RoundLevels(0.0, 4.0));
  for (const auto& band : bands.loops) EXPECT_TRUE(band.empty());
  EXPECT_TRUE(PhreaticLine(SplitActiveElements(s), s).empty());
  EXPECT_TRUE(OutlineLoops(SplitActiveElements(s), s).empty());
  EXPECT_TRUE(MeshEdges(s).empty());
}

// Element values: each element one flat band, merged with its neighbours of the same band.
TEST(ContourBands, ElementValuesAreFlat) {
  Store s = Grid(4, 2, 4.0, 2.0, [](double, double) { return 0.0; });
  std::vector<double> speed;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) speed.push_back(e <= 4 ? 0.5 : 1.5);  // bottom row slow
  speed[2] = std::numeric_limits<double>::quiet_NaN();
  const Levels levels = RoundLevels(0.5, 1.5);
  const Bands bands = ElementBands(SplitActiveElements(s), s, speed, levels);
  EXPECT_EQ(bands.blankElements, 1);
  EXPECT_DOUBLE_EQ(BandArea(bands.loops[0]), 3.0);
  EXPECT_DOUBLE_EQ(BandArea(bands.loops.back()), 4.0);
  EXPECT_EQ(bands.loops.back().size(), 1u);
}

// Every point of the phreatic line has pressure head zero by linear interpolation in a triangle that
// holds it.
TEST(ContourPhreaticLine, LiesOnPressureHeadZero) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> jitter(-0.3, 0.3);
  Store s = Grid(12, 8, 24.0, 8.0, [](double x, double y) { return 6.0 - 0.25 * x + 0.5 * std::cos(x) - y; });
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) s.P(n) += jitter(random);
  s.P(20) = 0.0;  // zero exactly at a node
  const std::vector<Tri> tris = ActiveTriangles(s);
  double lo = 1e300, hi = -1e300;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) lo = std::min(lo, s.P(n)), hi = std::max(hi, s.P(n));
  const std::vector<Polyline> lines = PhreaticLine(SplitActiveElements(s), s);
  ASSERT_FALSE(lines.empty());
  std::size_t points = 0;
  for (const Polyline& line : lines) {
    for (const XY& p : line) {
      ++points;
      double best = std::numeric_limits<double>::infinity();
      for (const Tri& t : tris) {
        const auto w = Weights(s, t, p.x, p.y);
        if (w[0] < -1e-9 || w[1] < -1e-9 || w[2] < -1e-9) continue;
        best = std::min(best, std::fabs(w[0] * s.P(t.a) + w[1] * s.P(t.b) + w[2] * s.P(t.c)));
      }
      EXPECT_LE(best, 1e-9 * (hi - lo)) << p.x << ", " << p.y;
    }
  }
  EXPECT_GE(points, 13u);  // crosses every column of the grid
}

}  // namespace
}  // namespace seep
