// `seepconv profile`: the field along a line, checked against a head that the elements interpolate
// exactly, in each table style and in units.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/result_file.h"
#include "support/scratch.h"

namespace seep {
namespace {

using namespace test;

// H = 10 − 0.5 x + 0.2 y + k in step k over 4 × 2 unit squares, the top right one inactive; velocity
// (0.1 k, 0).
double Head(double x, double y, int k) {
  return 10.0 - 0.5 * x + 0.2 * y + k;
}

ResultFile Fixture() {
  const SquareGrid g = UnitSquares(4, 2, {{3, 1}});
  ResultFile f;
  f.Header("PROFILE TEST", g.nodes, g.elements);
  for (int k = 1; k <= 2; ++k) {
    f.Step(k, 100.0 * k, HeadValues(g.nodes, [k](double x, double y) { return Head(x, y, k); }),
           std::vector<ElementValues>(8, {0.1 * k, 0.0}));
  }
  return f;
}

TEST(ProfileCommand, ValuesAlongTheLine) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  // From (0, 1.5) to (4, 1.5): the last quarter crosses the inactive element.
  const RunResult r = dir.Command({"profile", "R.DAT", "--line", "0,1.5 4,1.5", "--steps", "all", "--csv",
                                   "--field", "pressure-head", "--chart", "p.svg", "-o", "p.csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("of the 101 points of the line lie outside the active mesh"), std::string::npos)
      << r.err;
  const auto rows = ReadCsv(dir.Read("p.csv"));
  ASSERT_EQ(rows.size(), 1u + 2u * 101u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"step", "time", "distance", "x", "y", "pressure-head"}));
  int outside = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 6u) << i;
    const int step = std::stoi(rows[i][0]);
    const double x = std::stod(rows[i][3]), y = std::stod(rows[i][4]);
    EXPECT_DOUBLE_EQ(std::stod(rows[i][1]), 100.0 * step);
    EXPECT_NEAR(std::stod(rows[i][2]), x, 1e-12);
    if (rows[i][5].empty()) {
      EXPECT_GE(x, 3.0);  // in the inactive element
      ++outside;
      continue;
    }
    EXPECT_NEAR(std::stod(rows[i][5]), Head(x, y, step) - y, 1e-12) << rows[i][3];
  }
  EXPECT_GE(outside, 2 * 24);
  const std::string svg = dir.Read("p.svg");
  EXPECT_NE(svg.find("Distance along the line"), std::string::npos);
  EXPECT_NE(svg.find("step 2, time 200"), std::string::npos);
}

TEST(ProfileCommand, StylesUnitsAndMistakes) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  // The last step by default; the JSON names its units and writes null outside the mesh.
  const RunResult json = dir.Command(
      {"profile", "R.DAT", "--line", "0,0.5 2,0.5", "--json", "--file-units", "m,s", "--units", "cm,min"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"units\": {\"length\": \"cm\", \"time\": \"min\", \"value\": \"cm\"}"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("{\"step\": 2, \"time\": "), std::string::npos);
  EXPECT_EQ(json.out.find("{\"step\": 1,"), std::string::npos);
  EXPECT_NE(json.out.find("\"distance\": 200, \"x\": 200, \"y\": 50}"), std::string::npos) << json.out;
  // H at (0, 0.5) in step 2: 12.1 m, in centimetres.
  EXPECT_NE(json.out.find("\"values\": [1210, "), std::string::npos) << json.out;
  // The aligned table: one row per point, the speed in each element.
  const RunResult table = dir.Command({"profile", "R.DAT", "--line", "0,0.5 2,0.5", "--field", "speed"});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_NE(table.out.find("  step  time  distance     x    y  speed\n"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("     2   200      1.00  1.00  0.5    0.2\n"), std::string::npos) << table.out;
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"profile", "R.DAT"},
                                             {"profile", "R.DAT", "--line", "0,0"},
                                             {"profile", "R.DAT", "--line", "0,0 1,1", "--csv", "--json"}}) {
    EXPECT_EQ(dir.Command(args).status, 2) << args.back();
  }
}

// --at crossings: the line's ends and each crossing of an element edge, never a quadrilateral's
// diagonal; the point where the line meets the inactive element still has the head of the active one
// beside it. The report's profile section gives the figures of `profile --csv` for its last drawn step.
TEST(ProfileCommand, AtElementCrossingsAndInTheReport) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  // From (0, 0.25) to (4, 1.75): crosses x = 1, 2, 3, the edge y = 1 at x = 2, and the diagonals.
  const std::vector<std::string> line = {"R.DAT", "--line", "0,0.25 4,1.75", "--csv", "--at", "crossings"};
  std::vector<std::string> args = {"profile"};
  args.insert(args.end(), line.begin(), line.end());
  const RunResult r = dir.Command(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("1 of the 5 points of the line lie outside"), std::string::npos) << r.err;
  const auto rows = ReadCsv(r.out);
  ASSERT_EQ(rows.size(), 6u) << r.out;
  const double xs[] = {0.0, 1.0, 2.0, 3.0, 4.0};
  for (std::size_t k = 0; k < 5; ++k) {
    const double x = std::stod(rows[k + 1][3]), y = std::stod(rows[k + 1][4]);
    EXPECT_NEAR(x, xs[k], 1e-12);
    EXPECT_NEAR(y, 0.25 + 0.375 * xs[k], 1e-12);
    EXPECT_NEAR(std::stod(rows[k + 1][2]), std::hypot(x, y - 0.25), 1e-12);
    if (k < 4) {
      EXPECT_NEAR(std::stod(rows[k + 1][5]), Head(x, y, 2), 1e-12) << x;
    }
  }
  EXPECT_EQ(rows[5][5], "");  // (4, 1.75): in the inactive element alone

  // The report: the chart and a table of the points, in the same figures as the profile's CSV.
  const RunResult report = dir.Command(
      {"report", "R.DAT", "--profile", "0,0.25 4,1.75", "--at", "crossings", "-o", "r.html", "-q"});
  ASSERT_EQ(report.status, 0) << report.err;
  const std::string html = dir.Read("r.html");
  const std::size_t at = html.find("<section class=\"profile\">");
  ASSERT_NE(at, std::string::npos);
  // The chart: a line per drawn step (both), each named in the legend.
  const std::string chart = html.substr(at, html.find("</figure>", at) - at);
  EXPECT_NE(chart.find("Distance along the line"), std::string::npos);
  EXPECT_NE(chart.find("<path class=\"p1\" d=\"M"), std::string::npos);
  EXPECT_EQ(chart.find("<path class=\"p2\""), std::string::npos);
  EXPECT_NE(chart.find(">step 1, time 100 (model units)</text>"), std::string::npos) << chart;
  for (std::size_t k = 0; k < 4; ++k) {
    const std::string cell = "<td>" + rows[k + 1][5].substr(0, 5);
    EXPECT_NE(html.find(cell, at), std::string::npos) << cell;
  }
  EXPECT_EQ(dir.Command({"report", "R.DAT", "--at", "crossings"}).status, 2);
}

}  // namespace
}  // namespace seep
