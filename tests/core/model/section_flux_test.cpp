// The flow rate across sections, against uniform flow, where q = Σ (v · n) ℓ over the inside length
// of each straight run, and against two elements whose common edge takes the mean velocity.
#include "core/model/section_flux.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/grid_store.h"

namespace seep {
namespace {

using test::Grid;
using test::GridShape;

constexpr double kVx = 0.3, kVy = -0.7;

struct SectionCase {
  const char* what;
  std::vector<XY> points;
  std::vector<double> inside;  // length of each straight run inside the active mesh
  bool withHole = false;       // cell (1, 1), 1 ≤ x ≤ 2, 1 ≤ y ≤ 2, inactive
};

// The 4 × 3 grid of unit cells over 0 ≤ x ≤ 4, 0 ≤ y ≤ 3.
const std::vector<SectionCase> kSections = {
    {"across the middle", {{0.5, 1.5}, {3.5, 1.5}}, {3.0}},
    {"along an inner edge", {{0, 1}, {4, 1}}, {4.0}},
    {"along the bottom edge", {{0, 0}, {4, 0}}, {4.0}},
    {"along a vertical inner edge, downward", {{2, 3}, {2, 0}}, {3.0}},
    {"through nodes", {{0, 0}, {3, 3}}, {3.0 * std::sqrt(2.0)}},
    {"bent", {{0.5, 0.5}, {2, 2}, {3.5, 0.2}}, {1.5 * std::sqrt(2.0), std::hypot(1.5, 1.8)}},
    {"bent along edges", {{1, 3}, {1, 1}, {4, 1}}, {2.0, 3.0}},
    {"partly outside", {{-1, 1.5}, {2, 1.5}}, {2.0}},
    {"through a corner from outside", {{-1, -1}, {1, 1}}, {std::sqrt(2.0)}},
    {"wholly outside", {{5, 5}, {6, 7}}, {0.0}},
    {"through an inactive element", {{0, 1.5}, {4, 1.5}}, {3.0}, true},
    {"along the edge of an inactive element", {{1, 1}, {2, 1}, {2, 2}}, {1.0, 1.0}, true},
};

struct Shaped {
  GridShape shape;
  const SectionCase* section;
};

class UniformFlow : public ::testing::TestWithParam<GridShape> {};

TEST_P(UniformFlow, FlowAcrossAnySectionIsVDotNTimesItsInsideLength) {
  for (const SectionCase& c : kSections) {
    Grid g;
    g.shape = GetParam();
    if (c.withHole) g.inactive = {{1, 1}};
    const Store s = test::GridStore(g, test::Uniform(kVx, kVy));
    const ActiveTriangles mesh = SplitActiveElements(s);
    const SectionCut cut = CutSection(mesh, {"S", c.points});
    double right = 0.0, left = 0.0, length = 0.0, inside = 0.0;
    for (std::size_t k = 0; k + 1 < c.points.size(); ++k) {
      const XY a = c.points[k], b = c.points[k + 1];
      const double l = std::hypot(b.x - a.x, b.y - a.y);
      // n to the right of a → b: (dy, −dx) / l.
      const double q = (kVx * (b.y - a.y) - kVy * (b.x - a.x)) / l * c.inside[k];
      (q > 0 ? right : left) += q;
      length += l;
      inside += c.inside[k];
    }
    const SectionFlow flow = FlowAcross(s, cut);
    const double scale = std::fabs(right) + std::fabs(left) + 1.0;
    EXPECT_NEAR(flow.right, right, 1e-12 * scale) << c.what;
    EXPECT_NEAR(flow.left, left, 1e-12 * scale) << c.what;
    EXPECT_NEAR(flow.net, right + left, 1e-12 * scale) << c.what;
    EXPECT_NEAR(cut.length, length, 1e-12 * length) << c.what;
    EXPECT_NEAR(cut.outside, length - inside, 1e-12 * length) << c.what;
    EXPECT_EQ(flow.skipped, 0) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, UniformFlow,
                         ::testing::Values(GridShape::kQuadrilaterals, GridShape::kTrianglesRepeated,
                                           GridShape::kTrianglesZero, GridShape::kMixed));

// Two cells side by side, v = (1, 0.5) in the left one and (3, −1) in the right one. Along their common
// edge x = 1 (upward, n = (1, 0) to the right) the mean (2, −0.25) carries 2 per unit length; along
// the bottom edge of the left cell alone (n = (0, −1) to the right of +x) only its own −0.5.
TEST(SectionFlux, CommonEdgeTakesTheMeanVelocityAndTheRimTheOneElement) {
  Grid g;
  g.nx = 2;
  g.ny = 1;
  for (GridShape shape : {GridShape::kQuadrilaterals, GridShape::kTrianglesRepeated, GridShape::kMixed}) {
    g.shape = shape;
    const Store s = test::GridStore(g, [](int i, int) {
      return i == 0 ? std::pair<double, double>{1.0, 0.5} : std::pair<double, double>{3.0, -1.0};
    });
    const ActiveTriangles mesh = SplitActiveElements(s);
    const SectionFlow common = FlowAcross(s, CutSection(mesh, {"S", {{1, 0}, {1, 1}}}));
    EXPECT_DOUBLE_EQ(common.net, 2.0);
    EXPECT_DOUBLE_EQ(common.right, 2.0);
    const SectionFlow rim = FlowAcross(s, CutSection(mesh, {"S", {{0, 0}, {1, 0}}}));
    EXPECT_DOUBLE_EQ(rim.net, -0.5);
    EXPECT_DOUBLE_EQ(rim.left, -0.5);
    // Across both cells at mid-height, downward (n = (−1, 0)) at x = 0.5 and x = 1.5 in turn.
    const SectionFlow across =
        FlowAcross(s, CutSection(mesh, {"S", {{0.5, 1}, {0.5, 0}, {1.5, 0.5}, {1.5, 0}}}));
    // −1 × 1 (left cell), the bent run (1, 0.5) n = (0.5, −1)/|·| inside the left cell up to x = 1 and
    // the right one beyond, then −3 × 0.5.
    const double lrun = std::hypot(1.0, 0.5);
    const double nx = 0.5 / lrun, ny = -1.0 / lrun;
    const double bent = (1.0 * nx + 0.5 * ny) * lrun / 2 + (3.0 * nx - 1.0 * ny) * lrun / 2;
    EXPECT_NEAR(across.net, -1.0 + bent - 1.5, 1e-12);
    EXPECT_NEAR(across.right, bent, 1e-12);
  }
}

// A velocity that is not finite leaves its element's pieces out and counts them.
TEST(SectionFlux, NonFiniteVelocitiesAreSkipped) {
  Grid g;
  g.nx = 3;
  g.ny = 1;
  Store s = test::GridStore(g, test::Uniform(1.0, 0.0));
  s.VXE(2) = std::nan("");
  const SectionFlow flow = FlowAcross(s, CutSection(SplitActiveElements(s), {"S", {{0.5, 1}, {2.5, 0}}}));
  // Left out: the run through the middle cell. Kept: x 0.5 … 1 and 2 … 2.5, each carrying v · n ℓ =
  // (1, 0) · (−1, −2)/√5 × √5/4 = −0.25.
  EXPECT_EQ(flow.skipped, 1);
  EXPECT_NEAR(flow.net, -0.5, 1e-12);
}

}  // namespace
}  // namespace seep
