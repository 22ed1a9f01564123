#include "core/model/average.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/store_builder.h"

namespace seep {
namespace {

using test::ElementRow;
using test::NodeRow;

// A mesh of `numnp` nodes at the origin: the average looks at connectivity only.
Store Mesh(std::int32_t numnp, const std::vector<ElementRow>& elements) {
  return test::MakeStore(std::vector<NodeRow>(static_cast<std::size_t>(numnp), NodeRow{0.0, 0.0}), elements);
}

// Node 5 is shared by two quadrilaterals and a triangle stored with L = K; an inactive element
// touching it and node 9 counts for nothing.
TEST(AverageNodalVelocity, MeanOverActiveElementsTouchingEachNode) {
  Store s = Mesh(9, {{1, 2, 5, 4, 1, 1.0, 10.0},
                     {2, 3, 6, 5, 2, 2.0, 20.0},
                     {5, 6, 8, 8, 1, 6.0, 60.0},
                     {5, 8, 9, 7, 0, 100.0, 100.0},
                     {5, 9, 8, 7, -3, 100.0, 100.0}});
  AverageNodalVelocity(s);
  EXPECT_EQ(s.NCNT(5), 3);
  EXPECT_DOUBLE_EQ(s.VXN(5), 3.0);
  EXPECT_DOUBLE_EQ(s.VYN(5), 30.0);
  EXPECT_EQ(s.NCNT(8), 1);  // the triangle counts once at its repeated corner
  EXPECT_DOUBLE_EQ(s.VXN(8), 6.0);
  EXPECT_EQ(s.NCNT(2), 2);
  EXPECT_DOUBLE_EQ(s.VXN(2), 1.5);
  EXPECT_EQ(s.NCNT(9), 0);  // only inactive elements touch it
  EXPECT_EQ(s.VXN(9), 0.0);
  EXPECT_EQ(s.VYN(9), 0.0);
  EXPECT_EQ(s.NCNT(7), 0);
}

TEST(AverageNodalVelocity, EveryCallRebuildsFromTheCurrentStep) {
  Store s = Mesh(4, {{1, 2, 3, 4, 1, 2.0, -4.0}});
  AverageNodalVelocity(s);
  s.VXE(1) = -1.0;
  s.VYE(1) = 0.5;
  AverageNodalVelocity(s);
  for (std::int32_t n = 1; n <= 4; ++n) {
    EXPECT_EQ(s.NCNT(n), 1);
    EXPECT_EQ(s.VXN(n), -1.0);
    EXPECT_EQ(s.VYN(n), 0.5);
  }
}

TEST(AverageNodalVelocity, NoElementsGiveZeroEverywhere) {
  Store s = Mesh(3, {});
  s.VXN(2) = 7.0;
  s.NCNT(2) = 4;
  AverageNodalVelocity(s);
  for (std::int32_t n = 1; n <= 3; ++n) {
    EXPECT_EQ(s.NCNT(n), 0);
    EXPECT_EQ(s.VXN(n), 0.0);
  }
}

// Corner numbers outside the mesh come only from damaged files: they are passed over, never indexed.
TEST(AverageNodalVelocity, CornersOutsideTheMeshArePassedOver) {
  Store s = Mesh(3, {{1, 0, -7, 99, 1, 4.0, 8.0}, {2, 3, 2147483647, 2147483647, 1, 2.0, 2.0}});
  AverageNodalVelocity(s);
  EXPECT_EQ(s.NCNT(1), 1);
  EXPECT_EQ(s.VXN(1), 4.0);
  EXPECT_EQ(s.NCNT(2), 1);
  EXPECT_EQ(s.NCNT(3), 1);
}

}  // namespace
}  // namespace seep
