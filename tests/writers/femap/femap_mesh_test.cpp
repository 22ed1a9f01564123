// The FEMAP set-up: header, material, properties, nodes, elements and the element group.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/femap_fixture.h"

namespace seep::test {
namespace {

std::vector<std::string> WriteSetUp(const Store& s, FemapState* counters = nullptr) {
  FemapState run;
  std::vector<std::string> records = WriteFemap([&](Io& io) {
    WriteFemapHeaderAndMesh(io, s, run);
    WriteFemapGroup(io, s, run);
  });
  if (counters != nullptr) *counters = run;
  return records;
}

const std::vector<FemapNode> kFiveNodes = {{0, 0}, {2, 0}, {2, 1.5}, {0, 1.5}, {0.1, -2.5}};
const std::string kSevenZeros = "      0,      0,      0,      0,      0,      0,      0,";

struct MeshCase {
  const char* name;
  std::vector<FemapNode> nodes;
  std::vector<FemapElement> elements;
  int properties;  // M
  int grouped;     // G
};

// 30·M + NUMNP + 7·NUMEL + G + 82 records, in six blocks of the sizes each block's layout gives.
TEST(FemapSetUp, BlocksAndRecordCounts) {
  const std::vector<MeshCase> cases = {
      {"no nodes, no elements", {}, {}, 1, 0},
      {"nodes, no elements", kFiveNodes, {}, 1, 0},
      {"elements naming no stored node", {}, {{1, 2, 3, 4, 2}}, 2, 1},
      {"one quadrilateral", kFiveNodes, {{1, 2, 3, 4, 1}}, 1, 1},
      {"materials 1, 2, 5", kFiveNodes, {{1, 2, 3, 4, 5}, {2, 5, 3, 3, 1}, {1, 2, 5, 0, 2}}, 5, 3},
      {"materials 0 and negative", kFiveNodes, {{1, 2, 3, 4, 0}, {2, 5, 3, 3, -4}}, 1, 0},
      {"active and inactive", kFiveNodes, {{1, 2, 3, 4, 3}, {2, 5, 3, 3, 0}, {1, 2, 5, 0, 1}}, 3, 2},
  };
  for (const MeshCase& c : cases) {
    SCOPED_TRACE(c.name);
    Store s = FemapStore(c.nodes, c.elements);
    const std::vector<std::string> records = WriteSetUp(s);
    const std::size_t numnp = c.nodes.size(), numel = c.elements.size();
    EXPECT_EQ(records.size(), 30 * c.properties + numnp + 7 * numel + c.grouped + 82);
    const std::vector<Block> blocks = Blocks(records);
    ASSERT_EQ(blocks.size(), 6u);
    const int ids[] = {100, 401, 402, 403, 404, 408};
    const std::size_t sizes[] = {2, 33, 30u * c.properties, numnp, 7 * numel, c.grouped + 29u};
    for (int b = 0; b < 6; ++b) {
      EXPECT_EQ(blocks[b].id, ids[b]);
      EXPECT_EQ(blocks[b].records.size(), sizes[b]) << "block " << ids[b];
    }
  }
}

// Properties 1 … the largest MAT, also those no element uses; every property has the same 30 records.
TEST(FemapSetUp, OnePropertyPerMaterialNumberUpToTheLargest) {
  Store s = FemapStore(kFiveNodes, {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 5}, {1, 2, 5, 0, 2}});
  const std::vector<Block> blocks = Blocks(WriteSetUp(s));
  ASSERT_EQ(blocks.size(), 6u);
  const std::vector<std::string>& properties = blocks[2].records;
  ASSERT_EQ(properties.size(), 150u);
  const char* firsts[] = {"    1,110,1,19,1,0,", "    2,110,1,19,1,0,", "    3,110,1,19,1,0,",
                          "    4,110,1,19,1,0,", "    5,110,1,19,1,0,"};
  for (int p = 0; p < 5; ++p) {
    SCOPED_TRACE(p + 1);
    EXPECT_EQ(properties[30 * p], firsts[p]);
    const std::vector<std::string> body(properties.begin() + 30 * p + 1, properties.begin() + 30 * p + 30);
    const std::vector<std::string> firstBody(properties.begin() + 1, properties.begin() + 30);
    EXPECT_EQ(body, firstBody);
    EXPECT_EQ(properties[30 * p + 29], " 0.,0.,0.,");
  }
  // Each element names its material as its property.
  EXPECT_EQ(blocks[4].records[7], "           2 ,124,           5,19,           2,1,0,0,");
}

// MAT 0 or below: one property, the element records keep the number, the group list is empty.
TEST(FemapSetUp, NoActiveElementGivesOnePropertyAndAnEmptyGroup) {
  Store s = FemapStore(kFiveNodes, {{1, 2, 3, 4, 0}, {2, 5, 3, 3, -3}});
  const std::vector<Block> blocks = Blocks(WriteSetUp(s));
  ASSERT_EQ(blocks.size(), 6u);
  EXPECT_EQ(blocks[2].records.size(), 30u);
  EXPECT_EQ(blocks[2].records[0], "    1,110,1,19,1,0,");
  EXPECT_EQ(blocks[4].records[0], "           1 ,124,           0,19,           4,1,0,0,");
  EXPECT_EQ(blocks[4].records[7], "           2 ,124,          -3,19,           2,1,0,0,");
  const std::vector<std::string>& group = blocks[5].records;
  ASSERT_EQ(group.size(), 29u);
  EXPECT_EQ(group[24], " 21");
  EXPECT_EQ(group[25], " -1,-1,-1,-1,");
}

// A fourth corner equal to the third or 0 makes a triangle: topology 2, three corners and seven zeros.
// Corner numbers that name no node are written as stored.
TEST(FemapSetUp, ElementTopologyAndCorners) {
  Store s = FemapStore(kFiveNodes, {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 1}, {1, 2, 5, 0, 1}, {3, 99, -7, 4, 1}});
  const std::vector<Block> blocks = Blocks(WriteSetUp(s));
  ASSERT_EQ(blocks.size(), 6u);
  const std::vector<std::string>& el = blocks[4].records;
  ASSERT_EQ(el.size(), 28u);
  EXPECT_EQ(el[0], "           1 ,124,           1,19,           4,1,0,0,");
  EXPECT_EQ(el[1], "      1,      2,      3,      4,      0,      0,      0,      0,      0,      0,");
  EXPECT_EQ(el[7], "           2 ,124,           1,19,           2,1,0,0,");
  EXPECT_EQ(el[8], "      2,      5,      3," + kSevenZeros);
  EXPECT_EQ(el[14], "           3 ,124,           1,19,           2,1,0,0,");
  EXPECT_EQ(el[15], "      1,      2,      5," + kSevenZeros);
  EXPECT_EQ(el[21], "           4 ,124,           1,19,           4,1,0,0,");
  EXPECT_EQ(el[22], "      3,     99,     -7,      4,      0,      0,      0,      0,      0,      0,");
  const std::vector<std::string> tail = {" 0,0,0,0,0,0,0,0,0,0,", " 0.,0.,0.,", " 0.,0.,0.,", " 0.,0.,0.,",
                                         " 0,0,0,0,0,0,0,0,0,0,0,0,"};
  for (int e = 0; e < 4; ++e) {
    EXPECT_EQ(std::vector<std::string>(el.begin() + 7 * e + 2, el.begin() + 7 * e + 7), tail) << e + 1;
  }
}

// Coordinates are rounded to single precision before editing: 1.00000052 becomes 1.0000004768…
// (1.000000E+00) where the double itself would edit as 1.000001E+00.
TEST(FemapSetUp, NodeCoordinatesInSinglePrecision) {
  Store s = FemapStore({{0.1, -2.5}, {1.00000052, 12345.678}, {-1.0e-20, 3.0e20}}, {});
  const std::vector<Block> blocks = Blocks(WriteSetUp(s));
  ASSERT_EQ(blocks.size(), 6u);
  const std::vector<std::string> expected = {
      "      1,0,0,1,46,0,0,0,0,0,0, 1.000000E-01,-2.500000E+00, 0.000000E+00",
      "      2,0,0,1,46,0,0,0,0,0,0, 1.000000E+00, 1.234568E+04, 0.000000E+00",
      "      3,0,0,1,46,0,0,0,0,0,0,-1.000000E-20, 3.000000E+20, 0.000000E+00",
  };
  EXPECT_EQ(blocks[3].records, expected);
}

// The group takes the next FEMAP ID (20001) and lists the active elements in ascending order.
TEST(FemapSetUp, GroupOfActiveElementsUnderTheNextId) {
  Store s = FemapStore(
      kFiveNodes, {{1, 2, 3, 4, 1}, {1, 2, 3, 4, 0}, {2, 5, 3, 3, 2}, {1, 2, 5, 0, -1}, {1, 2, 5, 0, 3}});
  FemapState run;
  const std::vector<Block> blocks = Blocks(WriteSetUp(s, &run));
  EXPECT_EQ(run.NEXTID, 20001);
  ASSERT_EQ(blocks.size(), 6u);
  const std::vector<std::string>& group = blocks[5].records;
  ASSERT_EQ(group.size(), 32u);
  EXPECT_EQ(group[0], "       20001 ,1");
  EXPECT_EQ(group[1], "ELEM-GROUP 0 ");
  EXPECT_EQ(group[24], " 21");
  EXPECT_EQ(group[25], "           1 ,0,1,1,");
  EXPECT_EQ(group[26], "           3 ,0,1,1,");
  EXPECT_EQ(group[27], "           5 ,0,1,1,");
  EXPECT_EQ(group[28], " -1,-1,-1,-1,");
}

}  // namespace
}  // namespace seep::test
