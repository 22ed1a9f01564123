// The safety figures against fields whose answers are known by hand: linear and bilinear heads for the
// exit gradient, linear pressure heads (trapezoids) for the uplift, and nodal flows summed by hand.
#include "core/model/safety.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/grid_store.h"

namespace seep {
namespace {

using test::Grid;
using test::GridShape;

// Node (i, j) of a grid of nx columns, numbered row by row from the bottom left.
std::int32_t NodeOf(const Grid& g, int i, int j) {
  return j * (g.nx + 1) + i + 1;
}

struct Prepared {
  Store s;
  ActiveTriangles mesh;
  MeshOutline outline;
};

Prepared Prepare(const Grid& g, const test::HeadField& head) {
  Prepared p{test::GridStore(g, {}, head), {}, {}};
  p.mesh = SplitActiveElements(p.s);
  p.outline = OutlineActiveMesh(p.s, p.mesh);
  return p;
}

ExitGradient Exit(const Prepared& p, std::vector<XY> face) {
  return ExitGradientAlong(p.s, CutSection(p.mesh, {"E", face}), p.outline);
}

Uplift UpliftOf(const Prepared& p, std::vector<XY> base, double gammaW = 9.81) {
  const Section section{"B", base};
  return UpliftAlong(p.s, section, CutSection(p.mesh, section), gammaW);
}

class EveryShape : public ::testing::TestWithParam<GridShape> {};

// H = 10 + 0.2 x − 0.5 y: i = (−0.2, 0.5) everywhere, in every element shape.
TEST_P(EveryShape, ExitGradientOfLinearHeadIsINormalToTheLeft) {
  Grid g;
  g.shape = GetParam();
  const Prepared p = Prepare(g, [](double x, double y) { return 10.0 + 0.2 * x - 0.5 * y; });
  const double r = std::sqrt(0.5);
  struct Case {
    const char* what;
    std::vector<XY> face;
    double in;  // i · n, n to the left of the direction
  } cases[] = {
      {"top, left to right: n up", {{0, 3}, {4, 3}}, 0.5},
      {"top, right to left: n down", {{4, 3}, {0, 3}}, -0.5},
      {"right side, upward: n to -x", {{4, 0}, {4, 3}}, 0.2},
      {"through the elements, down to the right: n = (1, 1)/sqrt 2", {{0, 3}, {3, 0}}, (-0.2 + 0.5) * r},
      {"bent: up the right side, then left along the top", {{4, 0}, {4, 3}, {2, 3}}, (0.2 * 3 - 0.5 * 2) / 5},
  };
  for (const Case& c : cases) {
    const ExitGradient exit = Exit(p, c.face);
    EXPECT_NEAR(exit.meanGradient, c.in, 1e-12) << c.what;
    if (std::string_view(c.what).starts_with("bent")) continue;
    EXPECT_NEAR(exit.maxGradient, c.in, 1e-12) << c.what;
    EXPECT_NE(exit.maxElement, 0) << c.what;
    EXPECT_EQ(exit.leftOut, 0) << c.what;
  }
}

// A straight line at the height of y = 0: P = 10 + 0.25 x; over 0 ≤ x ≤ 4 a trapezoid of heights 10
// and 11, area 42, whose centroid lies 4 (10 + 2 · 11) / (3 (10 + 11)) = 128 / 63 from its first end.
TEST_P(EveryShape, UpliftOfLinearPressureHeadIsTheTrapezoid) {
  Grid g;
  g.shape = GetParam();
  const Prepared p = Prepare(g, [](double x, double y) { return 10.0 + 0.25 * x - 0.5 * y; });
  Uplift u = UpliftOf(p, {{0, 0}, {4, 0}});
  EXPECT_NEAR(u.integralP, 42.0, 1e-12);
  EXPECT_NEAR(u.force, 9.81 * 42.0, 1e-10);
  EXPECT_NEAR(u.actsAt, 128.0 / 63.0, 1e-12);
  EXPECT_EQ(u.lengthNegative, 0.0);
  // Drawn from x = −1: the part outside counts nothing, distances run from the first point.
  u = UpliftOf(p, {{-1, 0}, {4, 0}});
  EXPECT_NEAR(u.integralP, 42.0, 1e-12);
  EXPECT_NEAR(u.actsAt, 1.0 + 128.0 / 63.0, 1e-12);
  // Drawn the other way: the centroid from x = 4.
  u = UpliftOf(p, {{4, 0}, {0, 0}});
  EXPECT_NEAR(u.actsAt, 4.0 - 128.0 / 63.0, 1e-12);
  // Through the middle of the elements at y = 1.5, bent at x = 2: P = 10 + 0.25 x − 1.5 · 1.5.
  u = UpliftOf(p, {{0, 1.5}, {2, 1.5}, {4, 1.5}}, 1.0);
  EXPECT_NEAR(u.integralP, 42.0 - 4.0 * 2.25, 1e-12);
}

// P = −1 + 0.75 x along y = 0: negative up to x = 4/3; ∫ P ds = 4 (−1 + 2) / 2 = 2 and
// ∫ P s ds = −8 + 0.75 · 64 / 3 = 8, so it acts at 4.
TEST_P(EveryShape, NegativePressureHeadsCountAsTheyAre) {
  Grid g;
  g.shape = GetParam();
  const Prepared p = Prepare(g, [](double x, double y) { return -1.0 + 0.75 * x + y; });
  const Uplift u = UpliftOf(p, {{0, 0}, {4, 0}}, 10.0);
  EXPECT_NEAR(u.integralP, 2.0, 1e-12);
  EXPECT_NEAR(u.force, 20.0, 1e-11);
  EXPECT_NEAR(u.actsAt, 4.0, 1e-12);
  EXPECT_NEAR(u.lengthNegative, 4.0 / 3.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Shapes, EveryShape,
                         ::testing::Values(GridShape::kQuadrilaterals, GridShape::kTrianglesRepeated,
                                           GridShape::kTrianglesZero, GridShape::kMixed));

// H = 10 − 0.5 y + 0.1 x y is bilinear, so a quadrilateral's gradient at its centre is exact:
// −∇H = (−0.1 yc, 0.5 − 0.1 xc); along the top, drawn left to right, i_n = 0.5 − 0.1 xc.
TEST(ExitGradient, LargestAndMeanOverAFaceWithTheirElements) {
  Grid g;  // 4 × 3 unit quadrilaterals; the top row is elements 9 … 12, centres x = 0.5 … 3.5
  const Prepared p = Prepare(g, [](double x, double y) { return 10.0 - 0.5 * y + 0.1 * x * y; });
  // Left to right over 0.5 ≤ x ≤ 2.5: pieces of 0.5, 1, 0.5 in elements 9, 10, 11.
  ExitGradient exit = Exit(p, {{0.5, 3}, {2.5, 3}});
  EXPECT_NEAR(exit.maxGradient, 0.45, 1e-12);
  EXPECT_EQ(exit.maxElement, 9);
  EXPECT_DOUBLE_EQ(exit.maxX, 0.5);
  EXPECT_DOUBLE_EQ(exit.maxY, 2.5);
  EXPECT_TRUE(exit.maxAtCorner);  // element 9 has the mesh's corner (0, 3)
  EXPECT_NEAR(exit.meanGradient, (0.5 * 0.45 + 1.0 * 0.35 + 0.5 * 0.25) / 2.0, 1e-12);
  EXPECT_NEAR(exit.length, 2.0, 1e-12);
  // Right to left: n points down and the largest i_n is −0.25 of element 11, away from any corner.
  exit = Exit(p, {{2.5, 3}, {0.5, 3}});
  EXPECT_NEAR(exit.maxGradient, -0.25, 1e-12);
  EXPECT_EQ(exit.maxElement, 11);
  EXPECT_FALSE(exit.maxAtCorner);
  EXPECT_NEAR(exit.meanGradient, -0.35, 1e-12);
}

TEST(ExitGradient, ElementsWithAHeadThatIsNotANumberAreLeftOut) {
  Grid g;
  Prepared p = Prepare(g, [](double, double y) { return 10.0 - 0.5 * y; });
  p.s.P(NodeOf(g, 2, 3)) = std::nan("");  // a corner of elements 10 and 11
  const ExitGradient exit = Exit(p, {{0, 3}, {4, 3}});
  EXPECT_EQ(exit.leftOut, 2);
  EXPECT_NEAR(exit.length, 2.0, 1e-12);
  EXPECT_NEAR(exit.meanGradient, 0.5, 1e-12);
}

// An L: the top right cell inactive. The boundary turns at the rectangle's corners and around the hole.
TEST(MeshOutline, CornersAreWhereTheBoundaryTurns) {
  for (GridShape shape : {GridShape::kQuadrilaterals, GridShape::kTrianglesZero}) {
    Grid g;
    g.shape = shape;
    g.inactive = {{3, 2}};
    const Prepared p = Prepare(g, {});
    std::vector<std::pair<int, int>> corners;
    for (int j = 0; j <= g.ny; ++j) {
      for (int i = 0; i <= g.nx; ++i) {
        if (p.outline.corner[NodeOf(g, i, j) - 1]) corners.push_back({i, j});
      }
    }
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {4, 0}, {3, 2}, {4, 2}, {0, 3}, {3, 3}};
    EXPECT_EQ(corners, expected);
    EXPECT_FALSE(p.outline.active[NodeOf(g, 4, 3) - 1]);  // a node of the inactive element alone
    EXPECT_DOUBLE_EQ(p.outline.size[NodeOf(g, 1, 1) - 1], 1.0);
  }
}

// One quadrilateral over the unit square, H = x y + 1: its sub-triangles (I, J, K) and (I, K, L)
// interpolate H as y and as x. On y = 0.5, P = x + 0.5 left of the diagonal and 1 right of it:
// ∫ P ds = 0.375 + 0.5, ∫ P s ds = 1/24 + 1/16 + 3/8.
TEST(Uplift, PressureHeadIsInterpolatedInTheSubTrianglesOfAQuadrilateral) {
  Grid g;
  g.nx = g.ny = 1;
  const Prepared p = Prepare(g, [](double x, double y) { return x * y + 1.0; });
  const Uplift u = UpliftOf(p, {{0, 0.5}, {1, 0.5}}, 1.0);
  EXPECT_NEAR(u.integralP, 0.875, 1e-14);
  EXPECT_NEAR(u.actsAt, (1.0 / 24 + 1.0 / 16 + 3.0 / 8) / 0.875, 1e-14);
}

// Two cells, the right one inactive; nodes (2, 0) and (2, 1) belong to it alone and are passed over.
TEST(WaterBalance, SumsTheNodalFlowsOfActiveElements) {
  Grid g;
  g.nx = 2;
  g.ny = 1;
  g.inactive = {{1, 0}};
  Prepared p = Prepare(g, {});
  const double q[] = {3.0, -1.0, 100.0, -1.5, 0.5, 100.0};  // nodes 1 … 6, row by row
  for (std::int32_t n = 1; n <= 6; ++n) p.s.Q(n) = q[n - 1];
  const WaterBalance b = BalanceOfNodalFlows(p.s, p.outline);
  EXPECT_DOUBLE_EQ(b.inflow, 3.5);
  EXPECT_DOUBLE_EQ(b.outflow, -2.5);
  EXPECT_DOUBLE_EQ(b.net, 1.0);
  EXPECT_DOUBLE_EQ(b.error, 1.0 / 3.5);
  // Along x = 1: nodes 2 and 5, also when the line is off by less than 1 % of the element size.
  EXPECT_EQ(NodesOnLine(p.s, p.outline, {{1, 0}, {1, 1}}), (std::vector<std::int32_t>{2, 5}));
  EXPECT_EQ(NodesOnLine(p.s, p.outline, {{1.005, -0.005}, {1.005, 0.995}}),
            (std::vector<std::int32_t>{2, 5}));
  EXPECT_EQ(NodesOnLine(p.s, p.outline, {{1.02, 0}, {1.02, 1}}), (std::vector<std::int32_t>{}));
  EXPECT_DOUBLE_EQ(NodalFlowSum(p.s, {2, 5}), -0.5);
  p.s.Q(1) = std::nan("");
  EXPECT_EQ(BalanceOfNodalFlows(p.s, p.outline).leftOut, 1);
}

}  // namespace
}  // namespace seep
