// The hydraulic gradient i = −∇H per element, against fields whose gradient is known by hand.
#include "core/model/gradient.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/grid_store.h"

namespace seep {
namespace {

using test::Grid;
using test::GridShape;

// A distortion that keeps every quadrilateral convex but none of them a parallelogram.
std::pair<double, double> Distort(double x, double y) {
  return {x + 0.2 * std::sin(1.3 * y + 0.4 * x), y + 0.15 * std::cos(0.9 * x) + 0.05 * x * y};
}

struct ShapeCase {
  GridShape shape;
  bool distorted;
};

class LinearHead : public ::testing::TestWithParam<ShapeCase> {};

// H = a + b x + c y is reproduced exactly by the linear and bilinear interpolations: every element's
// gradient is (−b, −c) wherever its corners lie.
TEST_P(LinearHead, EveryElementHasTheFieldsGradient) {
  Grid g;
  g.shape = GetParam().shape;
  if (GetParam().distorted) g.move = Distort;
  const double a = 12.5, b = -0.37, c = 0.81;
  const Store s = test::GridStore(g, {}, [&](double x, double y) { return a + b * x + c * y; });
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const ElementGradient grad = HydraulicGradient(s, e);
    ASSERT_TRUE(grad.ok) << "element " << e;
    EXPECT_NEAR(grad.ix, -b, 1e-12) << "element " << e;
    EXPECT_NEAR(grad.iy, -c, 1e-12) << "element " << e;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, LinearHead,
                         ::testing::Values(ShapeCase{GridShape::kQuadrilaterals, false},
                                           ShapeCase{GridShape::kQuadrilaterals, true},
                                           ShapeCase{GridShape::kTrianglesRepeated, true},
                                           ShapeCase{GridShape::kTrianglesZero, false},
                                           ShapeCase{GridShape::kMixed, true}));

// H = 3 + x y on the rectangle 2 ≤ x ≤ 6, 1 ≤ y ≤ 2: the bilinear interpolation is H itself, so at the
// centre (4, 1.5) ∇H = (y, x) = (1.5, 4) and i = (−1.5, −4).
TEST(BilinearHead, QuadrilateralTakesTheGradientAtItsCentre) {
  auto h = [](double x, double y) { return 3.0 + x * y; };
  const Store s =
      test::MakeStore({{2, 1, h(2, 1) - 1}, {6, 1, h(6, 1) - 1}, {6, 2, h(6, 2) - 2}, {2, 2, h(2, 2) - 2}},
                      {{1, 2, 3, 4, 1}});
  const ElementGradient grad = HydraulicGradient(s, 1);
  ASSERT_TRUE(grad.ok);
  EXPECT_DOUBLE_EQ(grad.ix, -1.5);
  EXPECT_DOUBLE_EQ(grad.iy, -4.0);
  EXPECT_DOUBLE_EQ(grad.cx, 4.0);
  EXPECT_DOUBLE_EQ(grad.cy, 1.5);
}

// Elements without a gradient are counted, by cause; inactive ones are not looked at; the largest
// magnitude is found with its element and centre.
TEST(LargestGradient, SkipsDegenerateElementsAndFindsTheSteepest) {
  const double nan = std::nan("");
  const Store s =
      test::MakeStore({{0, 0, 1},
                       {1, 0, 2},
                       {1, 1, 0},
                       {0, 1, 0},
                       {2, 0, 6},
                       {2, 1, nan},
                       {3, 0, 0},
                       {0, 2, 1.7e308},
                       {1, 2, -1.7e308}},
                      {
                          {1, 2, 3, 4, 1},  // H: 1, 2, 1, 1 (worked out below)
                          {2, 5, 3, 3, 1},  // H: 2, 6, 1 → H = 2 + 4 (x − 1) − y, i = (−4, 1) at (4/3, 1/3)
                          {1, 2, 7, 0, 1},   // corners on one line: no area
                          {2, 5, 6, 0, 1},   // a head that is not finite
                          {2, 5, 99, 0, 1},  // a corner outside the mesh
                          {1, 5, 3, 3, 0},   // inactive: neither counted nor looked at
                          {4, 9, 8, 0, 1},   // H: 1, −1.7e308, 1.7e308: ∂H/∂x overflows
                      });
  const LargestGradient largest = FindLargestGradient(s);
  EXPECT_EQ(largest.degenerate, 4);
  EXPECT_EQ(largest.lacks.count, (std::array<std::int64_t, 4>{1, 1, 1, 1}));
  EXPECT_EQ(CountGradientLacks(s).count, largest.lacks.count);
  EXPECT_EQ(DescribeGradientLacks(largest.lacks),
            "1 without area, 1 with a corner outside the mesh, 1 with a head that is not a number, 1 with a "
            "gradient too large for a number");
  EXPECT_EQ(largest.element, 2);
  EXPECT_NEAR(largest.magnitude, std::sqrt(17.0), 1e-12);
  EXPECT_NEAR(largest.cx, 4.0 / 3.0, 1e-15);
  EXPECT_NEAR(largest.cy, 1.0 / 3.0, 1e-15);
  // The unit square with H = 1, 2, 1, 1: H = 1 + x − x y bilinear, ∇H at (½, ½) = (1 − y, −x) = (½, −½).
  const ElementGradient square = HydraulicGradient(s, 1);
  EXPECT_DOUBLE_EQ(square.ix, -0.5);
  EXPECT_DOUBLE_EQ(square.iy, 0.5);
  EXPECT_FALSE(HydraulicGradient(s, 3).ok);
  EXPECT_FALSE(HydraulicGradient(s, 4).ok);
  EXPECT_FALSE(HydraulicGradient(s, 5).ok);
}

}  // namespace
}  // namespace seep
