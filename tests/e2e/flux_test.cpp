// Flow rates through sections, hydraulic gradients and flow lines through the real program: the CSV
// and JSON read back with Python's csv and json modules against flows worked out by hand, usage
// errors, velocities that are not finite, and the info and plot additions.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

// 3 × 2 unit quadrilaterals over 0 ≤ x ≤ 3, 0 ≤ y ≤ 2, the top left one inactive. Step k (1, 2, 3)
// has the uniform velocity (0.1 k, −0.05); in step 3 the element at the bottom middle has a velocity
// that is not finite. H = 10 − 0.5 x − 0.1 x² − 0.01 y² in every step.
double Head(double x, double y) {
  return 10.0 - 0.5 * x - 0.1 * x * x - 0.01 * y * y;
}

ResultFile Fixture() {
  std::vector<Node> nodes;
  std::vector<NodeValues> values;
  for (int j = 0; j <= 2; ++j) {
    for (int i = 0; i <= 3; ++i) {
      nodes.push_back({double(i), double(j)});
      values.push_back({0, Head(i, j) - j, 0.0});
    }
  }
  std::vector<Element> elements;
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) {
      const int a = j * 4 + i + 1;
      elements.push_back({a, a + 1, a + 5, a + 4, (i == 0 && j == 1) ? 0 : 1});
    }
  }
  ResultFile f;
  f.Header("FLUX TEST", nodes, elements);
  for (int k = 1; k <= 3; ++k) {
    std::vector<ElementValues> v(6, {0.1 * k, -0.05});
    if (k == 3) v[1] = {std::nan(""), 0.0};
    f.Step(k, 10.0 * k, values, v);
  }
  return f;
}

// S1 upward at x = 2.5 from y = −0.5 (0.5 outside): n = (1, 0), q = 0.1 k × 2.
// "dam, crest" from (0, 0.5) right to (3, 0.5), then up to (3, 1.5): n = (0, −1) then (1, 0):
// q = 0.05 × 3 (right) and 0.1 k × 1 (right); in step 3 the piece in the bottom middle element is left
// out (0.05 × 1 less).
struct Expected {
  std::string name;
  double net, right, left, outside;
  int leftOut = 0;
};

std::vector<Expected> ExpectedFlows(int k) {
  const double s1 = 0.2 * k;
  const double dam = 0.05 * (k == 3 ? 2 : 3) + 0.1 * k;
  return {{"S1", s1, s1, 0.0, 0.5}, {"dam, crest", dam, dam, 0.0, 0.0, k == 3 ? 1 : 0}};
}

std::vector<std::string> FluxArgs(std::initializer_list<std::string> more) {
  std::vector<std::string> args = {"flux", "R.DAT", "--section", "2.5,-0.5 2.5,2", "--sections", "S.TXT"};
  args.insert(args.end(), more);
  return args;
}

TEST(FluxCommand, CsvAndJsonReadBackAsWorkedOut) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is needed";
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  dir.Write("S.TXT", "# sections of the test\n\n  dam, crest : 0,0.5   3,0.5 3 , 1.5  # bent\n");
  const RunResult csv = dir.Command(FluxArgs({"--csv", "-o", "flow.csv"}));
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out, "");
  EXPECT_TRUE(csv.err.starts_with(
      "seepconv: warning: R.DAT: 1 piece of sections left out of the flow rates (velocity not finite): "
      "dam, crest 1 in step 3\n"
      "wrote flow.csv: 3 steps, "))
      << csv.err;
  const RunResult json = dir.Command(FluxArgs({"--json", "-o", "flow.json", "--chart", "flow.svg"}));
  ASSERT_EQ(json.status, 0) << json.err;

  const std::string script = (fs::path(SEEPCONV_SOURCE_DIR) / "tests" / "e2e" / "read_flux.py").string();
  const std::string command =
      "cd '" + dir.Dir().string() + "' && python3 " + script + " flow.csv flow.json > seen.txt 2> error.txt";
  ASSERT_EQ(std::system(command.c_str()), 0) << dir.Read("error.txt");
  std::istringstream seen(dir.Read("seen.txt"));
  int lines = 0;
  for (std::string from; seen >> from;) {
    int step;
    double time, net, right, left, outside;
    int leftOut;
    std::string name, word;
    seen >> step >> time >> name;
    if (name == "dam,") seen >> word, name += " " + word;
    seen >> net >> right >> left >> outside >> leftOut;
    ++lines;
    SCOPED_TRACE(from + " step " + std::to_string(step) + " " + name);
    EXPECT_EQ(time, 10.0 * step);
    bool found = false;
    for (const Expected& e : ExpectedFlows(step)) {
      if (e.name != name) continue;
      found = true;
      EXPECT_NEAR(net, e.net, 1e-14);
      EXPECT_NEAR(right, e.right, 1e-14);
      EXPECT_NEAR(left, e.left, 1e-14);
      EXPECT_NEAR(outside, e.outside, 1e-14);
      EXPECT_EQ(leftOut, e.leftOut);
    }
    EXPECT_TRUE(found);
  }
  EXPECT_EQ(lines, 2 * 3 * 2);  // CSV and JSON, 3 steps, 2 sections

  // The chart names each section and draws one line per section.
  const std::string svg = dir.Read("flow.svg");
  EXPECT_NE(svg.find("Net flow rate through sections"), std::string::npos);
  EXPECT_NE(svg.find(">dam, crest</text>"), std::string::npos);
  EXPECT_NE(svg.find(">S1</text>"), std::string::npos);
}

// A study of several files: one CSV table led by a `file` column, a row per file and step, each row the
// same figures as the file's own table; a file cut inside its third step reported and left out (or its
// two whole steps kept with --partial); the batch summary as convert gives it. Safety tables likewise.
TEST(FluxCommand, SeveralFilesMakeOneTable) {
  Scratch dir;
  const ResultFile f = Fixture();
  f.WriteTo(dir.Path("R.DAT").string());
  f.WriteTo(dir.Path("a,b.DAT").string());
  f.WriteTo(dir.Path("CUT.DAT").string(), f.Ends()[11] + 7);  // inside S2 of the third step
  dir.Write("S.TXT", "dam, crest: 0,0.5 3,0.5 3,1.5\n");
  const RunResult one = dir.Command(FluxArgs({"--csv"}));
  ASSERT_EQ(one.status, 0) << one.err;
  const auto own = ReadCsv(one.out);
  for (const bool partial : {false, true}) {
    SCOPED_TRACE(partial ? "--partial" : "whole files only");
    std::vector<std::string> args = {"flux",           "R.DAT",      "CUT.DAT", "a,b.DAT", "--section",
                                     "2.5,-0.5 2.5,2", "--sections", "S.TXT",   "--csv",   "-o",
                                     "study.csv"};
    if (partial) args.push_back("--partial");
    const RunResult r = dir.Command(args);
    EXPECT_EQ(r.status, partial ? 3 : 1);
    EXPECT_NE(r.err.find("CUT.DAT: step 3 ends early (end of file inside record S2) (24)"), std::string::npos)
        << r.err;
    EXPECT_NE(
        r.err.find("wrote study.csv: a table of " + std::string(partial ? "3" : "2") + " result files, "),
        std::string::npos)
        << r.err;
    EXPECT_TRUE(
        r.err.ends_with(partial ? "3 in the table (1 in part), 0 failed\n" : "2 in the table, 1 failed\n"))
        << r.err;
    const auto rows = ReadCsv(dir.Read("study.csv"));
    std::vector<std::string> heading = {"file"};
    heading.insert(heading.end(), own[0].begin(), own[0].end());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], heading);
    std::vector<std::vector<std::string>> expected;
    for (const char* file : {"R.DAT", "CUT.DAT", "a,b.DAT"}) {
      const std::size_t steps = std::string(file) == "CUT.DAT" ? (partial ? 2 : 0) : 3;
      for (std::size_t row = 1; row <= steps; ++row) {
        expected.push_back({file});
        expected.back().insert(expected.back().end(), own[row].begin(), own[row].end());
      }
    }
    // The cut file's two whole steps have no pieces left out; its columns are those of the others all the
    // same.
    EXPECT_EQ(std::vector(rows.begin() + 1, rows.end()), expected);
  }

  // JSON: an array of the files' documents; aligned tables each under its file's name; safety alike.
  const RunResult json = dir.Command({"flux", "R.DAT", "a,b.DAT", "--section", "2.5,-0.5 2.5,2", "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_TRUE(json.out.starts_with("[\n{\n  \"file\": \"R.DAT\",")) << json.out;
  EXPECT_NE(json.out.find("\n},\n{\n  \"file\": \"a,b.DAT\","), std::string::npos) << json.out;
  EXPECT_TRUE(json.out.ends_with("\n}\n]\n"));
  const RunResult aligned = dir.Command({"flux", "R.DAT", "a,b.DAT", "--section", "2.5,-0.5 2.5,2"});
  EXPECT_TRUE(aligned.out.starts_with("==> R.DAT <==\n")) << aligned.out;
  EXPECT_NE(aligned.out.find("\n\n==> a,b.DAT <==\n"), std::string::npos) << aligned.out;
  const RunResult safety = dir.Command({"safety", "R.DAT", "a,b.DAT", "--exit", "0,2 3,2", "--csv"});
  EXPECT_EQ(safety.status, 0) << safety.err;
  const auto safetyRows = CsvByHeading(safety.out);
  ASSERT_EQ(safetyRows.size(), 6u) << safety.out;
  EXPECT_EQ(safetyRows[3].at("file"), "a,b.DAT");
  EXPECT_EQ(safetyRows[3].at("step"), "1");
  EXPECT_EQ(
      dir.Command({"flux", "R.DAT", "a,b.DAT", "--section", "2.5,-0.5 2.5,2", "--chart", "c.svg"}).status, 2);
  // The table never replaces one of its result files.
  const RunResult over =
      dir.Command({"flux", "R.DAT", "a,b.DAT", "--section", "2.5,-0.5 2.5,2", "-o", "R.DAT"});
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.err, "seepconv: R.DAT: the output would replace the result file; name another with -o\n");
  EXPECT_EQ(dir.Read("R.DAT"), f.Bytes());
}

TEST(FluxCommand, TableAndSteps) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  const RunResult r = dir.Command({"flux", "R.DAT", "--section", "2.5,-0.5 2.5,2", "--steps", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // S1 in step 2: 0.2 × 2 = 0.4 to the right; 2.5 long, 0.5 of it outside.
  EXPECT_NE(r.out.find("  S1          2.5      0.5\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("     2    20  S1       0.4    0.4     0\n"), std::string::npos) << r.out;
  // A device is written in place, a link's file replaced with the link kept.
  if (!WindowsProgram()) {
    const RunResult device =
        dir.Command({"flux", "R.DAT", "--section", "0,0 1,1", "--csv", "-o", "/dev/stdout"}, {}, true);
    ASSERT_EQ(device.status, 0) << device.err;
    EXPECT_EQ(device.out.rfind("step,time,S1_net,S1_right,S1_left,S1_outside\n1,10,", 0), 0u) << device.out;
    dir.Write("real.csv", "old");
    fs::create_symlink("real.csv", dir.Path("link.csv"));
    ASSERT_EQ(dir.Command({"flux", "R.DAT", "--section", "0,0 1,1", "--csv", "-o", "link.csv"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir.Path("link.csv")));
    EXPECT_EQ(dir.Read("real.csv").rfind("step,time,", 0), 0u);
  }
  // The result file from standard input.
  const RunResult piped =
      dir.Command({"flux", "-", "--section", "2.5,-0.5 2.5,2", "--steps", "2"}, dir.Read("R.DAT"));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, r.out);
  const RunResult none = dir.Command({"flux", "R.DAT", "--section", "0,0 1,1", "--steps", "7"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "seepconv: R.DAT: no step matches --steps 7; the file has steps 1:3\n");
}

struct UsageCase {
  std::vector<std::string> args;
  const char* sections;  // S.TXT, when given
  int status;
  const char* err;
};

TEST(FluxCommand, UsageErrors) {
  const UsageCase cases[] = {
      {{"flux", "R.DAT", "--section", "1,2"},
       nullptr,
       2,
       "seepconv: --section '1,2': a section needs two points or more\n"},
      {{"flux", "R.DAT", "--section", "1,2 3,x"},
       nullptr,
       2,
       "seepconv: --section '1,2 3,x': 'x' is not a number\n"},
      {{"flux", "R.DAT", "--section", "1,2 3"},
       nullptr,
       2,
       "seepconv: --section '1,2 3': each point needs x,y\n"},
      {{"flux", "R.DAT", "--sections", "S.TXT"},
       "# nothing here\n\n",
       2,
       "seepconv: S.TXT: no section in the file\n"},
      {{"flux", "R.DAT", "--sections", "S.TXT"},
       "A: 0,0 1,1\nB 0,0 1,1\n",
       2,
       "seepconv: S.TXT: line 2: a section is 'name: x1,y1 x2,y2 ...'\n"},
      {{"flux", "R.DAT", "--sections", "S.TXT"},
       "A: 0,0 1,1e999\n",
       2,
       "seepconv: S.TXT: line 1: '1e999' is not a number\n"},
      {{"flux", "R.DAT", "--section", "1,1 1,1"}, nullptr, 2, "seepconv: section S1 has no length\n"},
      {{"flux", "R.DAT", "--sections", "S.TXT"},
       "A: 0,0 1,1\nA: 1,1 2,2\n",
       2,
       "seepconv: two sections are named A\n"},
      {{"flux", "R.DAT"},
       nullptr,
       2,
       "seepconv: flux needs --section \"x1,y1 x2,y2 ...\" or --sections PATH\n"},
      {{"flux", "R.DAT", "--section", "0,0 1,1", "--csv", "--json"},
       nullptr,
       2,
       "seepconv: --csv and --json: one of them\n"},
      {{"flux", "R.DAT", "--sections", "S.TXT"},
       "\xFF\xFE"
       "A",
       2,
       "seepconv: S.TXT: saved as UTF-16 (little-endian): save it as UTF-8\n"},
      {{"plot", "R.DAT", "--sections", "S.TXT"},
       "\xFE\xFF",
       2,
       "seepconv: S.TXT: saved as UTF-16 (big-endian): save it as UTF-8\n"},
      {{"plot", "R.DAT", "--points", "S.TXT"},
       "\xFF\xFE"
       "2",
       2,
       "seepconv: S.TXT: saved as UTF-16 (little-endian): save it as UTF-8\n"},
      {{"flux", "R.DAT", "--section", "0,0 1,1", "--csv", "--excel"},
       nullptr,
       2,
       "seepconv: --excel is CSV for a spreadsheet: with neither --csv nor --json\n"},
      {{"plot", "R.DAT", "--flow-lines", "0"},
       nullptr,
       2,
       "seepconv: --flow-lines takes a whole number from 1 to 10000, not '0'\n"},
      {{"flux", "R.DAT", "--sections", "MISSING.TXT"},
       nullptr,
       1,
       "seepconv: MISSING.TXT: file not found (29)\n"},
      {{"flux", "R.DAT", "--section", "0,0 1,1", "-o", "R.DAT"},
       nullptr,
       1,
       "seepconv: R.DAT: the output would replace the result file; name another with -o\n"},
  };
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  for (const UsageCase& c : cases) {
    SCOPED_TRACE(c.err);
    if (c.sections != nullptr) dir.Write("S.TXT", c.sections);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, std::string(c.err) + (c.status == 2 ? TryHelp(c.args) : ""));
    EXPECT_EQ(r.out, "");
  }
}

// The CSV of a decimal-comma locale from the plain one: ';' between the fields outside quotes, a comma
// for a point between digits.
std::string WithDecimalCommas(const std::string& csv) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    quoted = quoted != (c == '"');
    const bool digits = i > 0 && i + 1 < csv.size() && std::isdigit(static_cast<unsigned char>(csv[i - 1])) &&
                        std::isdigit(static_cast<unsigned char>(csv[i + 1]));
    out += c == ',' && !quoted ? ';' : c == '.' && digits ? ',' : c;
  }
  return out;
}

// Text as Windows editors save it, and CSV for a spreadsheet in the user's locale (LC_ALL here; the
// Windows program under Wine takes its regional settings from it) from every command that writes a
// table: a byte order mark once, and in a decimal-comma locale ';' and 1,5.
TEST(FluxCommand, ByteOrderMarksAndSpreadsheets) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  const std::string mark = "\xEF\xBB\xBF";
  const std::vector<std::string> flux = {"flux", "R.DAT", "--sections", "S.TXT", "--csv"};
  dir.Write("S.TXT", "A: 2.5,-0.5 2.5,2\nB: 0,0.5 3,0.5\n");
  const RunResult plain = dir.Command(flux);
  ASSERT_EQ(plain.status, 0) << plain.err;
  dir.Write("S.TXT", mark + "A: 2.5,-0.5 2.5,2\r\nB: 0,0.5 3,0.5\r\n");
  EXPECT_EQ(dir.Command(flux).out, plain.out);
  dir.Write("P.DAT", "2\n0.5 0.5\n2.5 1.5\n");
  const RunResult points = dir.Command({"plot", "R.DAT", "--points", "P.DAT", "-o", "h.svg", "-q"});
  ASSERT_EQ(points.status, 0) << points.err;
  dir.Write("P.DAT", mark + "2\r\n0.5 0.5\r\n2.5 1.5\r\n");
  const RunResult marked = dir.Command({"plot", "R.DAT", "--points", "P.DAT", "-o", "h2.svg", "-q"});
  ASSERT_EQ(marked.status, 0) << marked.err;
  EXPECT_EQ(dir.Read("h2.svg"), dir.Read("h.svg"));

  const std::vector<std::vector<std::string>> tables = {
      {"flux", "R.DAT", "--sections", "S.TXT"},
      {"safety", "R.DAT", "--exit", "Base: 0,0 3,0", "--critical-gradient", "0.9", "--steps", "1:2"},
      {"profile", "R.DAT", "--line", "0,0.5 3,0.5", "--steps", "all"},
      {"info", "R.DAT", "R.DAT"}};
  const char* before = std::getenv("LC_ALL");
  const std::string saved = before != nullptr ? before : "";
  for (const std::vector<std::string>& command : tables) {
    SCOPED_TRACE(command[0]);
    std::vector<std::string> csv = command, excel = command;
    csv.push_back("--csv");
    excel.push_back("--excel");
    const RunResult script = dir.Command(csv);
    ASSERT_EQ(script.status, 0) << script.err;
    ASSERT_NE(script.out.find('.'), std::string::npos);
    for (const auto& [locale, expected] :
         {std::pair<const char*, std::string>{"de_DE.UTF-8", mark + WithDecimalCommas(script.out)},
          {"en_US.UTF-8", mark + script.out}}) {
      SCOPED_TRACE(locale);
      setenv("LC_ALL", locale, 1);
      const RunResult spreadsheet = dir.Command(excel);
      const RunResult again = dir.Command(csv);
      if (before != nullptr)
        setenv("LC_ALL", saved.c_str(), 1);
      else
        unsetenv("LC_ALL");
      EXPECT_EQ(spreadsheet.status, 0) << spreadsheet.err;
      EXPECT_EQ(spreadsheet.out, expected);
      EXPECT_EQ(again.out, script.out);
    }
  }
}

// The steepest element is the top right one: at its centre (2.5, 1.5) −∇H = (0.5 + 0.1 × 5, 0.01 × 3)
// from the bilinear interpolation of H, whose x and y differences across the element are exact here.
TEST(GradientCommands, InfoNamesTheSteepestElementAndPlotDrawsTheFlowNet) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  const RunResult info = dir.Command({"info", "R.DAT", "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  const std::string key = "\"largest_gradient\": {\"magnitude\": ";
  const std::size_t at = info.out.find(key);
  ASSERT_NE(at, std::string::npos) << info.out;
  const double magnitude = std::strtod(info.out.c_str() + at + key.size(), nullptr);
  EXPECT_NEAR(magnitude, std::hypot(1.0, 0.03), 1e-13);
  EXPECT_NE(info.out.find("\"element\": 6, \"centre\": [2.5, 1.5]}, \"no_gradient\": 0}"), std::string::npos)
      << info.out;

  dir.Write("S.TXT", "Toe: 2.5,0 2.5,2\n");
  const RunResult plot = dir.Command({"plot", "R.DAT", "--field", "gradient", "--flow-lines", "4",
                                      "--sections", "S.TXT", "-o", "net.svg", "-q"});
  ASSERT_EQ(plot.status, 0) << plot.err;
  // No node's Q shows inflow here: the lines start where the velocities cross the edge inward, and a
  // warning says so; two lines end in the element whose velocity is not finite.
  EXPECT_EQ(
      plot.err,
      "seepconv: warning: net.svg: 2 flow lines end inside the mesh; flow lines seeded from the element "
      "velocities across the edge (no node's Q shows inflow)\n");
  const std::string svg = dir.Read("net.svg");
  EXPECT_NE(svg.find("Hydraulic gradient"), std::string::npos);
  EXPECT_NE(svg.find("class=\"flow-lines\""), std::string::npos);
  // The last step: S1's flow 0.1 × 3 × 2, the name and the value in the label.
  EXPECT_NE(svg.find(">Toe: q = 0.6"), std::string::npos);
  // The section's direction: a filled arrow head at its end, after the dashed line.
  const std::size_t dashed = svg.find("stroke-dasharray=\"7 3\"");
  ASSERT_NE(dashed, std::string::npos);
  EXPECT_NE(svg.find("<path fill=\"#d55e00\" stroke=\"#fff\"", dashed), std::string::npos);
}

// An element without area and one with a head that is not a number have no gradient: info, the VTU
// files, the gradient picture and the report each count them in one warning, by cause.
TEST(GradientCommands, ElementsWithoutGradientAreCountedOnceByCause) {
  Scratch dir;
  ResultFile f;
  f.Header("DEGENERATE", {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}},
           {{1, 2, 3, 4, 1}, {2, 5, 2, 2, 1}, {2, 5, 6, 6, 1}});
  f.Step(1, 1.0, {{0, 1, 0}, {0, 2, 0}, {0, 1, 0}, {0, 0, 0}, {0, 3, 0}, {0, std::nan(""), 0}},
         {{1, 0}, {1, 0}, {1, 0}});
  f.WriteTo(dir.Path("R.DAT").string());
  const std::string causes = "(1 without area, 1 with a head that is not a number)";
  const RunResult info = dir.Command({"info", "R.DAT"});
  EXPECT_NE(info.out.find("Warning    2 active elements have no hydraulic gradient " + causes),
            std::string::npos)
      << info.out;
  const RunResult vtu = dir.Command({"convert", "R.DAT", "--to", "vtu", "-q"});
  EXPECT_EQ(vtu.err, "seepconv: warning: R.pvd: 2 elements without a hydraulic gradient " + causes +
                         ": NaN in the gradient arrays\n");
  const RunResult plot = dir.Command({"plot", "R.DAT", "--field", "gradient", "-q"});
  EXPECT_NE(plot.err.find("2 elements without a hydraulic gradient " + causes + " left blank"),
            std::string::npos)
      << plot.err;
  const RunResult report = dir.Command({"report", "R.DAT", "--field", "gradient", "-q"});
  EXPECT_NE(report.err.find("2 elements without a hydraulic gradient " + causes + " left blank"),
            std::string::npos)
      << report.err;
}

}  // namespace
}  // namespace seep::test
