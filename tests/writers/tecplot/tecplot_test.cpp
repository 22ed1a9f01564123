// TECPLOT zones written in-process to unit 8, compared byte for byte.
#include "writers/tecplot/tecplot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/step_fixture.h"

namespace seep {
namespace {

using test::Capture;
using test::CrLf;
using test::ElementRow;
using test::MakeStore;
using test::NodeRow;
using test::SplitRecords;
using test::Title80;
using test::Unit8;

const std::string kVariables = R"(VARIABLES = "X","Y","P","H","VX","VY","V")";

std::string Zone(Store& s) {
  const test::Written w = Capture([&](Io& io) { WriteTecplotZone(io, s); }, Unit8::kOnFile);
  EXPECT_EQ(w.err, "");
  return w.file;
}

// 120 nodes, 100 active elements and three that are not (MAT 0 and negative).
TEST(TecplotZone, HeaderLinesCountOnlyActiveElements) {
  std::vector<NodeRow> nodes(120, NodeRow{0.0, 0.0, 0.0});
  std::vector<ElementRow> elements(100, ElementRow{1, 2, 3, 4, 1});
  elements.insert(elements.begin() + 40, {ElementRow{1, 2, 3, 4, 0}, ElementRow{1, 2, 3, 3, -1}});
  elements.push_back({1, 2, 3, 4, -5});
  Store s = MakeStore(nodes, elements, "EMBANKMENT", 3.6e3);

  const std::string file = Zone(s);
  const std::string title = "TITTLE = \"TIME=  3.6000E+03 " + Title80("EMBANKMENT") + "\"";
  ASSERT_EQ(title.size(), 109u);
  EXPECT_EQ(file.substr(0, 109 + 2 + 41 + 2 + 34 + 2),
            CrLf({title, kVariables, "ZONE N=   120, E=   100, F=FEPOINT"}));
  EXPECT_EQ(SplitRecords(file).size(), 3u + 120u + 100u);
}

// Node 5 is shared by two active quadrilaterals and an active triangle; an inactive quadrilateral
// (MAT 0) and an inactive triangle (MAT -1) touch it too, and they alone touch nodes 7 and 8.
//   7 - 8 - 9
//   | 4 | 5/|
//   4 - 5 - 6     element 3 is the triangle 5, 6, 9 stored as 5, 6, 9, 9
//   | 1 | 2 |
//   1 - 2 - 3
TEST(TecplotZone, SharedNodeTakesTheMeanOfItsActiveElements) {
  const std::vector<NodeRow> nodes = {{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0},   {2.0, 0.0, 0.0},
                                      {0.0, 1.0, 0.0}, {1.0, 1.0, -0.5},  {2.0, 1.0, 0.0},
                                      {0.0, 2.0, 0.0}, {1.0, 2.0, -2.25}, {2.0, 2.0, 0.0}};
  Store s = MakeStore(nodes, {{1, 2, 5, 4, 1, 0.5, -2.25},
                              {2, 3, 6, 5, 1, 1.5, 0.25},
                              {5, 6, 9, 9, 2, -1.1, 3.2},
                              {4, 5, 8, 7, 0, 1250.0, 3600.0},
                              {5, 9, 8, 8, -1, 100.0, 100.0}});
  const std::vector<std::string> lines = SplitRecords(Zone(s));
  ASSERT_EQ(lines.size(), 3u + 9u + 3u);
  EXPECT_EQ(lines[2], "ZONE N=     9, E=     3, F=FEPOINT");
  // Node 5: VX (0.5 + 1.5 - 1.1) / 3, VY (-2.25 + 0.25 + 3.2) / 3, V from those means.
  EXPECT_EQ(lines[3 + 4],
            "  1.0000E+00,  1.0000E+00, -5.0000E-01,  5.0000E-01,  3.0000E-01,  4.0000E-01,  5.0000E-01");
  EXPECT_EQ(lines[3 + 6],
            "  0.0000E+00,  2.0000E+00,  0.0000E+00,  2.0000E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00");
  EXPECT_EQ(lines[3 + 7],
            "  1.0000E+00,  2.0000E+00, -2.2500E+00, -2.5000E-01,  0.0000E+00,  0.0000E+00,  0.0000E+00");
  EXPECT_EQ(lines[3 + 8].size(), 90u);
  EXPECT_EQ(lines[12], "    1,    2,    5,    4");
  EXPECT_EQ(lines[13], "    2,    3,    6,    5");
  EXPECT_EQ(lines[14], "    5,    6,    9,    9");
}

// Nothing active: E is 0, no element line, and the work arrays left from before are not shown.
TEST(TecplotZone, NoActiveElementGivesZeroVelocitiesAndNoElementLine) {
  Store s = MakeStore({{0.0, 0.0, -2.25}, {1250.0, 0.5, 0.0}, {-3600.0, -0.5, 0.5}},
                      {{1, 2, 3, 3, 0, 1.0, 1.0}, {3, 2, 1, 1, -2, 1.0, 1.0}});
  s.VXN(2) = 7.0;
  s.NCNT(2) = 4;
  EXPECT_EQ(
      Zone(s),
      CrLf({"TITTLE = \"TIME=  0.0000E+00 " + Title80("") + "\"", kVariables,
            "ZONE N=     3, E=     0, F=FEPOINT",
            "  0.0000E+00,  0.0000E+00, -2.2500E+00, -2.2500E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00",
            "  1.2500E+03,  5.0000E-01,  0.0000E+00,  5.0000E-01,  0.0000E+00,  0.0000E+00,  0.0000E+00",
            " -3.6000E+03, -5.0000E-01,  5.0000E-01,  0.0000E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00"}));
}

// Corner numbers outside 1 … NUMNP (damaged files) are printed as stored and never index a node;
// the valid corners of the same element still get its velocity.
TEST(TecplotZone, CornersOutsideTheMeshArePrintedAndSkippedInTheMean) {
  Store s = MakeStore({{1.0, 0.0, 0.0}, {2.0, 0.0, 0.0}, {3.0, 0.0, 0.0}},
                      {{1, 0, -7, 99, 1, 2.0, -4.0}, {2, 3, 100000, 100000, 1, 1.0, 1.0}});
  const test::Written w = Capture([&](Io& io) { WriteTecplotZone(io, s); }, Unit8::kOnFile);
  EXPECT_EQ(
      w.file,
      CrLf({"TITTLE = \"TIME=  0.0000E+00 " + Title80("") + "\"", kVariables,
            "ZONE N=     3, E=     2, F=FEPOINT",
            "  1.0000E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00,  2.0000E+00, -4.0000E+00,  4.4721E+00",
            "  2.0000E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00,  1.0000E+00,  1.0000E+00,  1.4142E+00",
            "  3.0000E+00,  0.0000E+00,  0.0000E+00,  0.0000E+00,  1.0000E+00,  1.0000E+00,  1.4142E+00",
            "    1,    0,   -7,   99", "    2,    3,*****,*****"}));
  // The number too wide for I5 is the one field overflow of the zone.
  EXPECT_EQ(w.err, "forrtl: error (63): output conversion error, unit 8, file OUT\r\n");
}

// No nodes at all: every corner lies outside the mesh, the element is still listed.
TEST(TecplotZone, NoNodesWritesTheHeaderAndTheElementLines) {
  Store s = MakeStore({}, {{1, 2, 3, 3, 4, 0.5, 0.5}});
  EXPECT_EQ(Zone(s), CrLf({"TITTLE = \"TIME=  0.0000E+00 " + Title80("") + "\"", kVariables,
                           "ZONE N=     0, E=     1, F=FEPOINT", "    1,    2,    3,    3"}));
}

}  // namespace
}  // namespace seep
