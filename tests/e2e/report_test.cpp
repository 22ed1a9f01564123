// `seepconv report` through the real program: the steps it draws by default, the HTML read back by
// Python's html.parser (every tag closed, the title escaped, nothing outside the page referred to), the
// steps and points tables against heads known in closed form and against the interp file, and usage
// errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

// Two quadrilaterals over [0, 2] x [0, 1] and `steps` steps. In step k (time 10 k) the pressure head is
// P = k - y, so the total head is H = P + y = k everywhere, and every element moves at (3k, 4k)·1e-5,
// speed 5k·1e-5.
ResultFile Uniform(int steps, std::string_view title = "UNIFORM") {
  ResultFile f;
  f.Header(title, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}, {{1, 2, 5, 4, 1}, {2, 3, 6, 5, 2}});
  for (int k = 1; k <= steps; ++k) {
    std::vector<NodeValues> nodes;
    for (double y : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0}) nodes.push_back({0, k - y, 0.0});
    f.Step(k, 10.0 * k, nodes, {{3e-5 * k, 4e-5 * k}, {3e-5 * k, 4e-5 * k}});
  }
  return f;
}

// What check_html.py saw, line by line; a failure when Python could not read the file.
std::vector<std::string> ReadBack(const Scratch& dir, const std::string& name) {
  const std::string script = SEEPCONV_SOURCE_DIR "/tests/e2e/check_html.py";
  const std::string cmd =
      "python3 " + script + " '" + dir.Path(name).string() + "' > '" + dir.Path("seen.txt").string() + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << name;
  std::ifstream in(dir.Path("seen.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Starting(const std::vector<std::string>& lines, std::string_view prefix) {
  std::vector<std::string> found;
  for (const std::string& l : lines) {
    if (l.starts_with(prefix)) found.push_back(l.substr(prefix.size()));
  }
  return found;
}

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::stringstream in(row);
  for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
  return cells;
}

// A well-formed page that refers to nothing outside itself and forbids fetching anything.
void ExpectWholeAndClosed(const std::vector<std::string>& seen) {
  EXPECT_TRUE(Starting(seen, "misplaced").empty()) << Starting(seen, "misplaced").front();
  EXPECT_TRUE(Starting(seen, "unclosed").empty());
  EXPECT_TRUE(Starting(seen, "external").empty());
  const std::vector<std::string> csp = Starting(seen, "csp ");
  ASSERT_EQ(csp.size(), 1u);
  EXPECT_TRUE(csp[0].starts_with("default-src 'none';")) << csp[0];
}

// The step numbers of the pictures, in order.
std::vector<int> Drawn(const std::vector<std::string>& seen) {
  std::vector<int> steps;
  for (const std::string& f : Starting(seen, "figure ")) steps.push_back(std::stoi(f));
  return steps;
}

TEST(CommandLineReport, DefaultStepsAreTheLastAndElevenMoreSpreadEvenly) {
  Scratch dir;
  const struct {
    int steps;
    std::size_t drawn;
  } cases[] = {{1, 1}, {5, 5}, {12, 12}, {13, 12}, {30, 12}, {50, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    Uniform(c.steps).WriteTo(dir.Path("R.DAT").string());
    const RunResult r = dir.Command({"report", "R.DAT", "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<int> drawn = Drawn(ReadBack(dir, "R.html"));
    ASSERT_EQ(drawn.size(), c.drawn);
    EXPECT_EQ(drawn.front(), 1);
    EXPECT_EQ(drawn.back(), c.steps);
    // Even spread: the gaps between drawn steps differ by one at most.
    int least = c.steps, most = 0;
    for (std::size_t k = 1; k < drawn.size(); ++k) {
      least = std::min(least, drawn[k] - drawn[k - 1]);
      most = std::max(most, drawn[k] - drawn[k - 1]);
    }
    if (drawn.size() > 1) {
      EXPECT_LE(most - least, 1);
    }
  }
  // --steps picks them instead; the closing line counts them and the steps read.
  const RunResult some = dir.Command({"report", "R.DAT", "--steps", "3,7:9,last", "-o", "S.html"});
  EXPECT_EQ(some.status, 0);
  EXPECT_TRUE(some.err.starts_with("wrote S.html (5 pictures): 50 steps, ")) << some.err;
  EXPECT_EQ(Drawn(ReadBack(dir, "S.html")), (std::vector<int>{3, 7, 8, 9, 50}));
}

// The steps table holds every step with H = k, P from k - 1 to k and speed 5k·1e-5; the page is whole,
// its title escaped (read back unescaped by the parser, never a tag of its own).
TEST(CommandLineReport, StepsTableAndEscapedTitle) {
  Scratch dir;
  const std::string title = "Dam <b>&\"x\" caf\xC3\xA9";
  Uniform(4, title).WriteTo(dir.Path("R.DAT").string());
  const RunResult r = dir.Command({"report", "R.DAT", "--steps", "2", "--mesh", "--arrows", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> seen = ReadBack(dir, "R.html");
  ExpectWholeAndClosed(seen);
  EXPECT_EQ(Starting(seen, "h1 "), std::vector<std::string>{title});
  EXPECT_EQ(Starting(seen, "title "), std::vector<std::string>{title + " \xE2\x80\x94 seepconv report"});
  const std::string& html = r.files.at("R.html");
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  EXPECT_NE(html.find("Dam &lt;b&gt;&amp;&quot;x&quot;"), std::string::npos);

  const std::vector<std::string> rows = Starting(seen, "row steps ");
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "#|Step|Time|P min|P max|H min|H max|V max|i max");
  for (int k = 1; k <= 4; ++k) {
    const std::vector<std::string> cells = Cells(rows[static_cast<std::size_t>(k)]);
    ASSERT_EQ(cells.size(), 9u);
    EXPECT_EQ(std::stoi(cells[1]), k);
    EXPECT_DOUBLE_EQ(std::stod(cells[2]), 10.0 * k);
    EXPECT_DOUBLE_EQ(std::stod(cells[3]), k - 1.0);
    EXPECT_DOUBLE_EQ(std::stod(cells[4]), k);
    EXPECT_DOUBLE_EQ(std::stod(cells[5]), k);
    EXPECT_DOUBLE_EQ(std::stod(cells[6]), k);
    EXPECT_NEAR(std::stod(cells[7]), 5e-5 * k, 1e-10);
    EXPECT_EQ(cells[8], "0");  // H is the same everywhere: no gradient
  }
  EXPECT_EQ(Starting(seen, "figure "), std::vector<std::string>{"2 20 row-2"});
}

// The points table against the heads known in closed form (H = 3 in the last step) and against the
// INTERP file's last step; the point outside the mesh named as such.
TEST(CommandLineReport, PointsMatchTheInterpFile) {
  Scratch dir;
  Uniform(3).WriteTo(dir.Path("R.DAT").string());
  dir.Write("P.DAT", "3\n0.5 0.25\n1.5 0.75\n5 5\n");
  const RunResult r = dir.Command({"report", "R.DAT", "--points", "P.DAT", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "seepconv: warning: R.html: point 3 outside the mesh left out of the chart\n");
  const std::vector<std::string> seen = ReadBack(dir, "R.html");
  ExpectWholeAndClosed(seen);
  const std::vector<std::string> rows = Starting(seen, "row points ");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1], "1|0.5|0.25|1|3|2.75");
  EXPECT_EQ(rows[2], "2|1.5|0.75|2|3|2.25");
  EXPECT_EQ(rows[3], "3|5|5|outside the mesh||");

  // The INTERP file's last step: X, Y, H, P per point, after a TIME line and a heading.
  ASSERT_EQ(
      dir.Command({"convert", "R.DAT", "--to", "interp", "--points", "P.DAT", "-o", "R.his", "-q"}).status,
      0);
  std::ifstream his(dir.Path("R.his"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(his, line);) lines.push_back(line);
  ASSERT_GE(lines.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    double x = 0, y = 0, h = 0, p = 0;
    ASSERT_EQ(std::sscanf(lines[lines.size() - 3 + i].c_str(), "%lf, %lf, %lf, %lf", &x, &y, &h, &p), 4);
    const std::vector<std::string> cells = Cells(rows[static_cast<std::size_t>(i + 1)]);
    EXPECT_NEAR(std::stod(cells[4]), h, 1e-4 * std::fabs(h));
    EXPECT_NEAR(std::stod(cells[5]), p, 1e-4 * std::fabs(p));
  }
}

// Sections through the uniform flow (3k, 4k)·1e-5: one drawn upward at x = 1 passes 3k·1e-5 to its right,
// one drawn leftward at y = 0.5 (length 2) passes 4k·1e-5 · 2 to its right. The tables hold what
// `seepconv flux --csv` gives.
TEST(CommandLineReport, SectionsMatchTheFluxFigures) {
  Scratch dir;
  Uniform(3).WriteTo(dir.Path("R.DAT").string());
  dir.Write("S.TXT", "Up: 1,0 1,1\nAcross: 2,0.5 0,0.5\n");
  const RunResult r = dir.Command({"report", "R.DAT", "--sections", "S.TXT", "--flow-lines", "3", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> seen = ReadBack(dir, "R.html");
  ExpectWholeAndClosed(seen);
  const std::vector<std::string> rows = Starting(seen, "row sections ");
  ASSERT_EQ(rows.size(), 8u);  // per section a heading row and three steps
  ASSERT_EQ(dir.Command({"flux", "R.DAT", "--sections", "S.TXT", "--csv", "-o", "F.csv"}).status, 0);
  std::ifstream csv(dir.Path("F.csv"));
  std::string line;
  std::getline(csv, line);
  for (int k = 1; k <= 3; ++k) {
    ASSERT_TRUE(std::getline(csv, line));
    std::vector<double> flux;  // step, time, then net, right, left, outside per section
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');) flux.push_back(std::stod(cell));
    ASSERT_EQ(flux.size(), 10u);
    const double expected[] = {3e-5 * k, 8e-5 * k};
    for (int section = 0; section < 2; ++section) {
      const std::vector<std::string> cells = Cells(rows[static_cast<std::size_t>(section * 4 + k)]);
      ASSERT_EQ(cells.size(), 5u);
      EXPECT_EQ(std::stoi(cells[0]), k);
      EXPECT_NEAR(std::stod(cells[2]), expected[section], 1e-9 * k);
      for (int c = 0; c < 3; ++c) {
        const double f = flux[static_cast<std::size_t>(2 + 4 * section + c)];
        EXPECT_NEAR(std::stod(cells[static_cast<std::size_t>(2 + c)]), f, 1e-5 * std::fabs(f) + 1e-300);
      }
    }
  }
}

TEST(CommandLineReport, UsageErrorsAndFailures) {
  Scratch dir;
  Uniform(3).WriteTo(dir.Path("R.DAT").string());
  const struct {
    std::vector<std::string> args;
    const char* what;
  } usage[] = {
      {{"report"}, "report needs a RESULT file"},
      {{"report", "R.DAT", "R.DAT"}, "report takes one RESULT file"},
      {{"report", "R.DAT", "--field", "head"},
       "--field takes total-head, pressure-head, speed or gradient, not 'head'; did you mean total-head?"},
      {{"report", "R.DAT", "--to", "vtu"}, "option '--to' does not apply here"},
      {{"report", "R.DAT", "--steps", "5:2"}, "the step range '5:2' runs backwards"},
      {{"report", "R.DAT", "--points", ""}, "--points needs a file name"},
      {{"report", "R.DAT", "-o", ""}, "-o/--output needs a file name"},
      {{"report", "-"}, "report reads the result file twice: name a file, not a pipe or standard input"},
      {{"report", "R.DAT", "--flow-lines", "0"},
       "--flow-lines takes a whole number from 1 to 10000, not '0'"},
  };
  for (const auto& c : usage) {
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 2) << c.what;
    EXPECT_EQ(r.err, "seepconv: " + std::string(c.what) + "\n" + TryHelp(c.args));
  }
  const struct {
    std::vector<std::string> args;
    const char* err;
  } failures[] = {
      {{"report", "NONE.DAT"}, "seepconv: NONE.DAT: file not found (29)\n"},
      {{"report", "R.DAT", "--steps", "7"},
       "seepconv: R.DAT: no step matches --steps 7; the file has steps 1:3\n"},
      {{"report", "R.DAT", "--points", "NONE.DAT"}, "seepconv: NONE.DAT: file not found (29)\n"},
  };
  for (const auto& c : failures) {
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 1) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("R.html")));  // no failed run leaves a report
}

}  // namespace
}  // namespace seep::test
