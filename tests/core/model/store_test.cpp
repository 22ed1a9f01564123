#include "core/model/store.h"

#include <gtest/gtest.h>

namespace seep {
namespace {

TEST(Store, ArraysAreOneBasedAndZeroAfterSizing) {
  Store s;
  s.NUMNP = 3;
  SizeNodeArrays(s, 3);
  s.X(1) = 1.5;
  s.X(3) = -2.0;
  EXPECT_EQ(s.X.Data()[0], 1.5);
  EXPECT_EQ(s.X.Data()[2], -2.0);
  EXPECT_EQ(s.P(2), 0.0);
  EXPECT_EQ(s.NCODE(3), 0);
  EXPECT_EQ(s.VXN.Size(), 3);
}

TEST(Store, ElementTableHoldsCornersAndMaterialPerRow) {
  Store s;
  s.NUMEL = 2;
  SizeElementArrays(s, 2);
  for (int c = kI; c <= kMAT; ++c) s.ELEM(2, c) = 10 + c;
  EXPECT_EQ(s.ELEM(2, kI), 11);
  EXPECT_EQ(s.ELEM(2, kMAT), 15);
  EXPECT_EQ(s.ELEM(1, kL), 0);
  EXPECT_EQ(s.ELEM.Rows(), 2);
  EXPECT_FALSE(IsActive(s, 1));
  EXPECT_TRUE(IsActive(s, 2));
}

TEST(Store, NegativeCountsGiveEmptyArrays) {
  Store s;
  s.NUMNP = -5;
  SizeNodeArrays(s, s.NUMNP);
  SizeElementArrays(s, -1);
  EXPECT_EQ(s.X.Size(), 0);
  EXPECT_EQ(s.ELEM.Rows(), 0);
  EXPECT_FALSE(IsNode(s, 1));
}

TEST(Store, IsNodeAcceptsOnlyOneToNumnp) {
  Store s;
  s.NUMNP = 4;
  EXPECT_FALSE(IsNode(s, 0));
  EXPECT_FALSE(IsNode(s, -1));
  EXPECT_TRUE(IsNode(s, 1));
  EXPECT_TRUE(IsNode(s, 4));
  EXPECT_FALSE(IsNode(s, 5));
}

}  // namespace
}  // namespace seep
