// igPOST blocks written in-process to unit 8, compared byte for byte and column by column.
#include "writers/igpost/igpost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/step_fixture.h"

namespace seep {
namespace {

using test::Capture;
using test::CrLf;
using test::MakeStore;
using test::SplitRecords;
using test::Title80;
using test::Unit8;

const std::string kNodeNames = R"(NVARIABLES = "SW","X","Y","P","H","VX","VY","V","Q")";
const std::string kElementNames = R"(EVARIABLES = "SW","I","J","K","L","P","X","Y","VX","VY","V")";

std::string Block(Store& s) {
  const test::Written w = Capture([&](Io& io) { WriteIgpostBlock(io, s); }, Unit8::kOnFile);
  EXPECT_EQ(w.err, "");
  return w.file;
}

// A quadrilateral (MAT 3), an inactive element (MAT 0), a triangle stored with L = K (MAT 1) and an
// inactive one with MAT -8.
//   4 - 5
//   | 1 | \        (element 3 is the triangle 2, 3, 5)
//   1 - 2 - 3
Store DamSection() {
  return MakeStore({{0.0, 0.0, 1.0, 0.5},
                    {2.0, 0.0, -0.5, 0.0},
                    {4.0, 0.0, 0.0, -1250.0},
                    {0.0, 3.0, -3.0, 3600.0},
                    {2.0, 3.0, 0.25, 0.0}},
                   {{1, 2, 5, 4, 3, 0.75, -1.0},
                    {1, 3, 5, 4, 0, 1250.0, 3600.0},
                    {2, 3, 5, 5, 1, -2.25, 3.0},
                    {3, 2, 1, 1, -8, -1.0, -1.0}},
                   "DAM SECTION 2", 1250.0);
}

const std::string kDamSectionBlock = CrLf({
    "TIME=  1.2500E+03",
    "TITTLE= \"" + Title80("DAM SECTION 2") + "\"",
    "ZONE N=     5, E=     2, M=    3,NV= 6 ,EV= 5",
    kNodeNames,
    " 0,  0.0000E+00,  0.0000E+00,  1.0000E+00,  1.0000E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00,  "
    "5.0000E-01",
    " 0,  2.0000E+00,  0.0000E+00, -5.0000E-01, -5.0000E-01, -7.5000E-01,  1.0000E+00,  1.2500E+00,  "
    "0.0000E+00",
    " 0,  4.0000E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00, -2.2500E+00,  3.0000E+00,  3.7500E+00, "
    "-1.2500E+03",
    " 0,  0.0000E+00,  3.0000E+00, -3.0000E+00,  0.0000E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00,  "
    "3.6000E+03",
    " 0,  2.0000E+00,  3.0000E+00,  2.5000E-01,  3.2500E+00, -7.5000E-01,  1.0000E+00,  1.2500E+00,  "
    "0.0000E+00",
    kElementNames,
    // Centroids: (0 + 2 + 2 + 0) / 4, (0 + 0 + 3 + 3) / 4; (2 + 4 + 2) / 3, (0 + 0 + 3) / 3.
    " 0,    1,    2,    5,    4,    3,  1.0000E+00,  1.5000E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00",
    " 0,    2,    3,    5,    5,    1,  2.6667E+00,  1.0000E+00, -2.2500E+00,  3.0000E+00,  3.7500E+00",
});

TEST(IgpostBlock, WholeBlockOfQuadrilateralTriangleAndInactiveElements) {
  Store s = DamSection();
  EXPECT_EQ(Block(s), kDamSectionBlock);
}

// Every line of the block against the column layout: its length and the columns (1-based) of its
// commas, and no comma elsewhere.
struct Columns {
  std::size_t line;
  std::size_t length;
  std::vector<std::size_t> commas;
};

std::vector<std::size_t> ColumnsOf(const std::string& line, char c) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == c) at.push_back(i + 1);
  }
  return at;
}

TEST(IgpostBlock, LinesFollowTheColumnLayout) {
  const std::vector<std::size_t> node = {3, 16, 29, 42, 55, 68, 81, 94};
  const std::vector<std::size_t> element = {3, 9, 15, 21, 27, 33, 46, 59, 72, 85};
  const Columns table[] = {
      {0, 17, {}},                // time line
      {1, 90, {}},                // title line
      {2, 45, {14, 24, 33, 40}},  // zone line
      {3, 51, {18, 22, 26, 30, 34, 39, 44, 48}},
      {4, 106, node},
      {6, 106, node},
      {7, 106, node},
      {9, 59, {18, 22, 26, 30, 34, 38, 42, 46, 51, 56}},
      {10, 97, element},
      {11, 97, element},
  };
  Store s = DamSection();
  const std::vector<std::string> lines = SplitRecords(Block(s));
  ASSERT_EQ(lines.size(), 12u);
  for (const Columns& c : table) {
    SCOPED_TRACE(lines[c.line]);
    EXPECT_EQ(lines[c.line].size(), c.length);
    EXPECT_EQ(ColumnsOf(lines[c.line], ','), c.commas);
  }
  // The title's own trailing blanks keep the closing quote in column 90.
  EXPECT_EQ(ColumnsOf(lines[1], '"'), (std::vector<std::size_t>{9, 90}));
  for (std::size_t n : {4, 5, 6, 7, 8, 10, 11}) EXPECT_EQ(lines[n].substr(0, 3), " 0,");
}

// Every MAT 0 or negative: E and M are 0, velocities are 0 whatever the work arrays held, and the
// element names are followed at once by the next block.
TEST(IgpostBlock, NoActiveElementLeavesTheElementSectionEmpty) {
  Store s = MakeStore({{1.0, -2.0, 0.5, 0.0}, {3.0, -4.0, -0.5, 1.0}},
                      {{1, 2, 2, 2, 0, 1.0, 2.0}, {2, 1, 1, 1, -3, 3.0, 4.0}});
  s.VXN(1) = 9.0;
  const test::Written w = Capture(
      [&](Io& io) {
        WriteIgpostBlock(io, s);
        s.TIME = 3.6e3;
        s.P(2) = 2.25;
        WriteIgpostBlock(io, s);
      },
      Unit8::kOnFile);
  const std::string title = "TITTLE= \"" + Title80("") + "\"";
  const std::string zone = "ZONE N=     2, E=     0, M=    0,NV= 6 ,EV= 5";
  EXPECT_EQ(w.file, CrLf({"TIME=  0.0000E+00", title, zone, kNodeNames,
                          " 0,  1.0000E+00, -2.0000E+00,  5.0000E-01, -1.5000E+00,  0.0000E+00,  0.0000E+00, "
                          " 0.0000E+00,  0.0000E+00",
                          " 0,  3.0000E+00, -4.0000E+00, -5.0000E-01, -4.5000E+00,  0.0000E+00,  0.0000E+00, "
                          " 0.0000E+00,  1.0000E+00",
                          kElementNames, "TIME=  3.6000E+03", title, zone, kNodeNames,
                          " 0,  1.0000E+00, -2.0000E+00,  5.0000E-01, -1.5000E+00,  0.0000E+00,  0.0000E+00, "
                          " 0.0000E+00,  0.0000E+00",
                          " 0,  3.0000E+00, -4.0000E+00,  2.2500E+00, -1.7500E+00,  0.0000E+00,  0.0000E+00, "
                          " 0.0000E+00,  1.0000E+00",
                          kElementNames}));
}

// Corner numbers outside 1 … NUMNP (damaged files) are printed as stored and add nothing to the
// centroid, which still divides by the element's 3 or 4 corners.
TEST(IgpostBlock, CornersOutsideTheMeshArePrintedAndLeftOutOfTheCentroid) {
  Store s = MakeStore({{4.0, 2.0, 0.0}, {8.0, -6.0, 0.0}},
                      {{1, 0, -3, 99, 1, 0.0, 0.0}, {1, 2, 99, 99, 2, 0.0, 0.0}});
  const std::vector<std::string> lines = SplitRecords(Block(s));
  ASSERT_EQ(lines.size(), 4u + 2u + 1u + 2u);
  EXPECT_EQ(
      lines[7],
      " 0,    1,    0,   -3,   99,    1,  1.0000E+00,  5.0000E-01,  0.0000E+00,  0.0000E+00,  0.0000E+00");
  EXPECT_EQ(
      lines[8],
      " 0,    1,    2,   99,   99,    2,  4.0000E+00, -1.3333E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00");
}

TEST(IgpostBlock, NoNodesWritesNamesAndTheElementWithAZeroCentroid) {
  Store s = MakeStore({}, {{1, 2, 3, 4, 5, -0.5, 0.0}});
  EXPECT_EQ(Block(s), CrLf({"TIME=  0.0000E+00", "TITTLE= \"" + Title80("") + "\"",
                            "ZONE N=     0, E=     1, M=    5,NV= 6 ,EV= 5", kNodeNames, kElementNames,
                            " 0,    1,    2,    3,    4,    5,  0.0000E+00,  0.0000E+00, -5.0000E-01,  "
                            "0.0000E+00,  5.0000E-01"}));
}

}  // namespace
}  // namespace seep
