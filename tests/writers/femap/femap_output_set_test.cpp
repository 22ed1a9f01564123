// FEMAP output sets: nodal velocities by the FEMAP rule, the nine result vectors and their extremes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/io/edit/list_real.h"
#include "support/femap_fixture.h"

namespace seep::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const std::vector<FemapNode> kFiveNodes = {{0, 0}, {2, 0}, {2, 1.5}, {0, 1.5}, {0.1, -2.5}};

// Writes `sets` output sets of the store's current step and returns the blocks after the set-up.
std::vector<Block> OutputSets(Store& s, int sets = 1, FemapState* counters = nullptr) {
  FemapState run;
  const std::vector<std::string> records = WriteFemap([&](Io& io) {
    for (int i = 0; i < sets; ++i) WriteFemapOutputSet(io, s, run);
  });
  if (counters != nullptr) *counters = run;
  return Blocks(records);
}

// The records of result vector `v` (1 … 9) of a block 451.
std::vector<std::string> Vector(const Block& results, const Store& s, int v) {
  std::size_t start = 0;
  for (int i = 1; i < v; ++i) start += (i <= 6 ? s.NUMNP : s.NUMEL) + 8;
  const std::size_t size = (v <= 6 ? s.NUMNP : s.NUMEL) + 8;
  if (start + size > results.records.size()) {
    ADD_FAILURE() << "block 451 too short for vector " << v;
    return {};
  }
  return {results.records.begin() + start, results.records.begin() + start + size};
}

// A single-precision value as a list-directed record shows it.
std::string Single(float x) {
  char field[128];  // the editing routines may use room past the field as scratch
  EditListReal(field, x, true);
  return {field, static_cast<std::size_t>(kListSingleWidth)};
}

// 6·NUMNP + 3·NUMEL + 84 records per set; nodal vectors NUMNP + 8 records, element vectors NUMEL + 8,
// each closed by -1 and a zero of the vector's precision.
TEST(FemapOutputSet, RecordCountsAndVectorFrames) {
  struct Case {
    std::vector<FemapNode> nodes;
    std::vector<FemapElement> elements;
  };
  const std::vector<Case> cases = {
      {{}, {}},
      {kFiveNodes, {}},
      {{}, {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 1}}},  // corners that name no stored node
      {kFiveNodes, {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 2}, {1, 2, 5, 0, 0}}},
  };
  const char* ids[] = {",10,1,", ",11,1,",    ",12,1,",    ",13,1,",   ",14,1,",
                       ",15,1,", ",70010,1,", ",70011,1,", ",70012,1,"};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nodes.size() << " nodes, " << c.elements.size() << " elements");
    Store s = FemapStore(c.nodes, c.elements);
    FemapState run;
    const std::vector<std::string> records = WriteFemap([&](Io& io) { WriteFemapOutputSet(io, s, run); });
    EXPECT_EQ(records.size(), 6 * c.nodes.size() + 3 * c.elements.size() + 84);
    const std::vector<Block> blocks = Blocks(records);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].id, 450);
    EXPECT_EQ(blocks[0].records.size(), 6u);
    EXPECT_EQ(blocks[1].id, 451);
    ASSERT_EQ(blocks[1].records.size(), 6 * c.nodes.size() + 3 * c.elements.size() + 72);
    for (int v = 1; v <= 9; ++v) {
      const std::vector<std::string> vector = Vector(blocks[1], s, v);
      ASSERT_FALSE(vector.empty());
      EXPECT_EQ(vector.front(), std::string("           1 ") + ids[v - 1]);
      EXPECT_EQ(vector.back(), v >= 4 && v <= 6 ? "          -1 ,  0.000000000000000E+000"
                                                : "          -1 ,  0.0000000E+00");
      if (vector.size() == 8) {  // no items: zeros with IDs 1 and 1
        EXPECT_EQ(vector[2], "  0.0000000E+00  0.0000000E+00  0.0000000E+00") << v;
        EXPECT_EQ(vector[5].substr(0, 26), "           1 ,           1") << v;
      }
    }
  }
}

// Sets are numbered 1, 2, 3 in the order written; the title and value carry TIME in single precision
// (1.00005 is 1.0000499… there, so 1.0000E+00, where the double would edit as 1.0001E+00).
TEST(FemapOutputSet, SetIdsAndTime) {
  Store s = FemapStore(kFiveNodes, {{1, 2, 3, 4, 1}});
  s.TIME = 1.00005;
  FemapState run;
  const std::vector<Block> blocks = OutputSets(s, 3, &run);
  EXPECT_EQ(run.NSET, 3);
  ASSERT_EQ(blocks.size(), 6u);
  for (int set = 1; set <= 3; ++set) {
    const Block& header = blocks[2 * (set - 1)];
    const std::vector<std::string> expected = {
        "           " + std::to_string(set), " T=  1.0000E+00", " 0,0,", "   1.000050    ", " 1,", "   "};
    EXPECT_EQ(header.records, expected);
    EXPECT_EQ(blocks[2 * set - 1].records[0], "           " + std::to_string(set) + " ,10,1,");
    EXPECT_EQ(Vector(blocks[2 * set - 1], s, 9)[0], "           " + std::to_string(set) + " ,70012,1,");
  }
}

// Every element adds its velocity at all four corners whatever its MAT: a triangle stored with L = K
// gives its third node a double share, one stored with L = 0 a single share. Corner numbers that name
// no node are passed over, and a node that no corner names keeps zero.
TEST(FemapOutputSet, NodalVelocityByTheFemapRule) {
  Store s = FemapStore({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}, {3, 3}},
                       {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 0}, {2, 5, 6, 0, -1}, {6, 99, -4, 0, 1}});
  const double vx[] = {3.0, 6.0, 9.0, 12.0};
  const double vy[] = {1.0, -2.0, 0.5, 4.0};
  for (int e = 1; e <= 4; ++e) {
    s.VXE(e) = vx[e - 1];
    s.VYE(e) = vy[e - 1];
  }
  const std::vector<Block> blocks = OutputSets(s);
  ASSERT_EQ(blocks.size(), 2u);
  const std::int32_t count[] = {1, 3, 3, 1, 2, 2, 0};
  const double meanX[] = {3.0, 18.0 / 3, 15.0 / 3, 3.0, 7.5, 10.5, 0.0};
  const double meanY[] = {1.0, -0.5 / 3, -3.0 / 3, 1.0, -0.75, 2.25, 0.0};
  for (int n = 1; n <= 7; ++n) {
    EXPECT_EQ(s.NCNT(n), count[n - 1]) << n;
    EXPECT_DOUBLE_EQ(s.VXN(n), meanX[n - 1]) << n;
    EXPECT_DOUBLE_EQ(s.VYN(n), meanY[n - 1]) << n;
  }
  // Nodal components are written as doubles with 15 digits; item k stands at index 6 + k.
  EXPECT_EQ(Vector(blocks[1], s, 6)[8], "           2 , -0.166666666666667     ");
  EXPECT_EQ(Vector(blocks[1], s, 5)[13], "           7 ,  0.000000000000000E+000");
}

// The search compares the 64-bit quantities: values that round to the same single-precision number
// are still told apart, and the later, larger one is the maximum.
TEST(FemapOutputSet, ExtremesComeFromTheDoubleValues) {
  Store s = FemapStore({{0, 0}, {1, 0}, {1, 1}}, {{1, 2, 3, 3, 1}, {1, 2, 3, 3, 1}});
  s.P(1) = 1.0 + 0x1p-40;
  s.P(2) = 1.0;
  s.P(3) = 1.0 + 0x1p-39;
  s.VXE(1) = 0.6;
  s.VYE(1) = 0.8;
  s.VXE(2) = 0.6 + 0x1p-45;
  s.VYE(2) = 0.8;
  const std::vector<Block> blocks = OutputSets(s);
  ASSERT_EQ(blocks.size(), 2u);
  const std::vector<std::string> pressure = Vector(blocks[1], s, 2);
  EXPECT_EQ(pressure[2], "   1.000000       1.000000       1.000000    ");
  EXPECT_EQ(pressure[5], "           2 ,           3,6,7,");
  EXPECT_EQ(Vector(blocks[1], s, 7)[5], "           1 ,           2,1,8,");
  EXPECT_EQ(Vector(blocks[1], s, 8)[5], "           1 ,           2,1,8,");
}

// Vector 7 writes the magnitude of the single-precision components computed in single precision; its
// extremes come from the 64-bit magnitude. Searches for components where the two single-precision
// results edit differently, then checks that each appears in its place.
TEST(FemapOutputSet, ElementSpeedFromSingleComponents) {
  double vx = 0.0, vy = 0.0;
  bool found = false;
  for (int i = 1; i < 20000 && !found; ++i) {
    vx = 0.37 + i * 1.0e-4 / 3.0;
    vy = 1.9 - i * 7.0e-5 / 7.0;
    const float x = static_cast<float>(vx), y = static_cast<float>(vy);
    const float single = std::sqrt(x * x + y * y);
    const float rounded = static_cast<float>(std::sqrt(vx * vx + vy * vy));
    found = Single(single) != Single(rounded);
  }
  ASSERT_TRUE(found);
  Store s = FemapStore({{0, 0}, {1, 0}, {1, 1}}, {{1, 2, 3, 3, 1}});
  s.VXE(1) = vx;
  s.VYE(1) = vy;
  const std::vector<Block> blocks = OutputSets(s);
  ASSERT_EQ(blocks.size(), 2u);
  const std::vector<std::string> speed = Vector(blocks[1], s, 7);
  const float x = static_cast<float>(vx), y = static_cast<float>(vy);
  const std::string rounded = Single(static_cast<float>(std::sqrt(vx * vx + vy * vy)));
  EXPECT_EQ(speed[2], rounded + rounded + rounded);
  EXPECT_EQ(speed[7], "           1 ," + Single(std::sqrt(x * x + y * y)));
}

// Values that are not numbers are passed over: the extremes are those of the numbers, wherever the
// NaNs stand; a vector without any number reports zeros at items 1 and 1.
TEST(FemapOutputSet, NaNsDoNotMoveTheExtremes) {
  Store s = FemapStore({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3, 4, 1}});
  for (int nan = 1; nan <= 4; ++nan) {
    for (int low = 1; low <= 4; ++low) {
      for (int high = 1; high <= 4; ++high) {
        if (low == nan || high == nan || low == high) continue;
        SCOPED_TRACE(testing::Message() << "NaN at " << nan << ", -2 at " << low << ", 6 at " << high);
        for (int n = 1; n <= 4; ++n) s.P(n) = 1.0;
        s.P(nan) = kNaN;
        s.P(low) = -2.0;
        s.P(high) = 6.0;
        const std::vector<Block> blocks = OutputSets(s);
        ASSERT_EQ(blocks.size(), 2u);
        const std::vector<std::string> pressure = Vector(blocks[1], s, 2);
        EXPECT_EQ(pressure[2], "  -2.000000       6.000000       6.000000    ");
        EXPECT_EQ(pressure[5],
                  "           " + std::to_string(low) + " ,           " + std::to_string(high) + ",6,7,");
      }
    }
  }
  for (int n = 1; n <= 4; ++n) s.P(n) = kNaN;
  const std::vector<Block> blocks = OutputSets(s);
  ASSERT_EQ(blocks.size(), 2u);
  const std::vector<std::string> pressure = Vector(blocks[1], s, 2);
  EXPECT_EQ(pressure[2], "  0.0000000E+00  0.0000000E+00  0.0000000E+00");
  EXPECT_EQ(pressure[5], "           1 ,           1,6,7,");
}

}  // namespace
}  // namespace seep::test
