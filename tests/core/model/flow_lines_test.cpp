// Flow lines against fields whose lines are known by hand: uniform flow (straight, parallel lines,
// equally spaced across the flow), a converging field, and fields that trap or stop the lines.
#include "core/model/flow_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/grid_store.h"

namespace seep {
namespace {

using test::Grid;
using test::GridShape;

struct UniformCase {
  GridShape shape;
  double vx, vy;
};

class UniformFlowLines : public ::testing::TestWithParam<UniformCase> {};

// In uniform flow v over the 4 × 3 grid, water enters through the left edge (vx ℓ = 3 vx) and the
// bottom one (vy ℓ = 4 vy): Q = 3 vx + 4 vy. Each line is straight along v, and the distance across
// the flow between neighbouring lines is Q / (N |v|): equal flow between them.
TEST_P(UniformFlowLines, AreStraightParallelAndEquallySpaced) {
  const auto [shape, vx, vy] = GetParam();
  Grid g;
  g.shape = shape;
  const Store s = test::GridStore(g, test::Uniform(vx, vy));
  const ActiveTriangles mesh = SplitActiveElements(s);
  const double speed = std::hypot(vx, vy), q = 3 * vx + 4 * vy;
  EXPECT_NEAR(BoundaryInflow(s, mesh), q, 1e-12);
  const int n = 5;
  const std::vector<FlowLine> lines = TraceFlowLines(s, mesh, n);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(n));
  std::vector<double> across;  // signed distance of each line from the origin, across v
  for (const FlowLine& line : lines) {
    ASSERT_GE(line.points.size(), 2u);
    EXPECT_EQ(line.end, FlowLineEnd::kLeftMesh);
    const XY a = line.points.front(), b = line.points.back();
    // Starts on the left or bottom edge, ends on the right or top edge.
    EXPECT_TRUE(std::fabs(a.x) < 1e-12 || std::fabs(a.y) < 1e-12);
    EXPECT_TRUE(std::fabs(b.x - 4) < 1e-12 || std::fabs(b.y - 3) < 1e-12);
    const double d = (a.x * vy - a.y * vx) / speed;
    for (const XY& p : line.points) EXPECT_NEAR((p.x * vy - p.y * vx) / speed, d, 1e-12);
    across.push_back(d);
  }
  std::sort(across.begin(), across.end());
  for (std::size_t k = 1; k < across.size(); ++k)
    EXPECT_NEAR(across[k] - across[k - 1], q / (n * speed), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Shapes, UniformFlowLines,
                         ::testing::Values(UniformCase{GridShape::kQuadrilaterals, 1.0, 0.0},
                                           UniformCase{GridShape::kTrianglesRepeated, 1.0, 0.5},
                                           UniformCase{GridShape::kTrianglesZero, 0.2, 0.7},
                                           UniformCase{GridShape::kMixed, 2.0, 0.3}));

// Water enters a 2 × 1 strip from both ends and meets at x = 1: every line stops there.
TEST(FlowLines, ConvergingFlowStopsAtTheMeetingEdge) {
  Grid g;
  g.nx = 2;
  g.ny = 1;
  for (GridShape shape : {GridShape::kQuadrilaterals, GridShape::kTrianglesRepeated}) {
    g.shape = shape;
    const Store s = test::GridStore(g, [](int i, int) {
      return std::pair<double, double>{i == 0 ? 1.0 : -1.0, 0.0};
    });
    const std::vector<FlowLine> lines = TraceFlowLines(s, SplitActiveElements(s), 4);
    ASSERT_EQ(lines.size(), 4u);
    for (const FlowLine& line : lines) {
      EXPECT_EQ(line.end, FlowLineEnd::kMeeting);
      EXPECT_NEAR(line.points.back().x, 1.0, 1e-12);
      EXPECT_NEAR(line.points.back().y, line.points.front().y, 1e-12);
    }
  }
}

// A still element ends a line at its edge; a circulating field ends every line within the budget.
TEST(FlowLines, StillElementsAndVorticesEndEveryLine) {
  Grid strip;
  strip.nx = 3;
  strip.ny = 1;
  Store s = test::GridStore(strip, [](int i, int) {
    return std::pair<double, double>{i == 2 ? 0.0 : 1.0, 0.0};
  });
  for (const FlowLine& line : TraceFlowLines(s, SplitActiveElements(s), 3)) {
    EXPECT_EQ(line.end, FlowLineEnd::kStill);
    EXPECT_NEAR(line.points.back().x, 2.0, 1e-12);
  }

  // Around the centre of a 2 × 2 grid: right along the bottom, up the right, left along the top, down
  // the left. Water enters through one outer edge of each cell, never leaves, and no two neighbours
  // point against each other: the lines run round until the budget ends them.
  Grid square;
  square.nx = 2;
  square.ny = 2;
  for (GridShape shape : {GridShape::kQuadrilaterals, GridShape::kTrianglesZero, GridShape::kMixed}) {
    square.shape = shape;
    s = test::GridStore(square, [](int i, int j) {
      if (j == 0) return i == 0 ? std::pair<double, double>{1.0, 0.0} : std::pair<double, double>{0.0, 1.0};
      return i == 1 ? std::pair<double, double>{-1.0, 0.0} : std::pair<double, double>{0.0, -1.0};
    });
    const ActiveTriangles mesh = SplitActiveElements(s);
    const std::int64_t budget = kCrossingsPerTriangle * static_cast<std::int64_t>(mesh.triangles.size()) + 8;
    const std::vector<FlowLine> lines = TraceFlowLines(s, mesh, 8);
    EXPECT_EQ(lines.size(), 8u);
    for (const FlowLine& line : lines) {
      EXPECT_LE(static_cast<std::int64_t>(line.points.size()), budget + 2);
      EXPECT_EQ(line.end, FlowLineEnd::kBudget);
    }
  }
}

// No inflow, no lines.
TEST(FlowLines, NoneWithoutInflow) {
  Grid g;
  const Store s = test::GridStore(g, test::Uniform(0.0, 0.0));
  EXPECT_TRUE(TraceFlowLines(s, SplitActiveElements(s), 10).empty());
}

}  // namespace
}  // namespace seep
