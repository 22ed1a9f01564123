// `seepconv safety` through the real program: every figure of the CSV against one worked out by hand on
// a small mesh whose heads are bilinear (so that a quadrilateral's gradient at its centre is exact and
// the pressure head along an element edge is linear), the table's and the JSON's layout, and the usage
// errors.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

// 4 × 2 unit quadrilaterals over 0 ≤ x ≤ 4, 0 ≤ y ≤ 2, element e = 4 j + i + 1 at cell (i, j); the top
// right one (8) inactive, so that (3, 1) and (3, 2) are corners of the active mesh besides the outer
// four. Nodes n = 5 j + i + 1.
//   step 1: H = 10 − 0.5 y + 0.1 x y, so −∇H = (−0.1 y, 0.5 − 0.1 x);
//   step 2: H = 0.3 + 0.8 x − 0.3 y − 0.05 x y, so −∇H = (…, 0.3 + 0.05 x);
//   step 3: step 1's heads with the head of node 12, (1, 2), not a number.
// Nodal flows: steps 1 and 3: Q = 0.4, 0.6 at (0, 0), (0, 1); −0.3, −0.5 at (4, 0), (4, 1); 100 at (4, 2),
// a node of the inactive element alone; step 2: 0.5 at (0, 0), −0.5 at (4, 0). Velocities (0.1 k, 0).
double Head(int step, double x, double y) {
  return step == 2 ? 0.3 + 0.8 * x - 0.3 * y - 0.05 * x * y : 10.0 - 0.5 * y + 0.1 * x * y;
}

ResultFile Fixture() {
  const SquareGrid g = UnitSquares(4, 2, {{3, 1}});
  ResultFile f;
  f.Header("SAFETY TEST", g.nodes, g.elements);
  for (int k = 1; k <= 3; ++k) {
    std::vector<NodeValues> values = HeadValues(g.nodes, [k](double x, double y) { return Head(k, x, y); });
    if (k == 2) {
      values[0].q = 0.5;
      values[4].q = -0.5;
    } else {
      values[0].q = 0.4;
      values[5].q = 0.6;
      values[4].q = -0.3;
      values[9].q = -0.5;
      values[14].q = 100.0;
    }
    if (k == 3) values[11].p = std::nan("");
    values[14].p = -50.0;  // (4, 2), a node of the inactive element alone
    f.Step(k, 10.0 * k, values, std::vector<ElementValues>(8, {0.1 * k, 0.0}));
  }
  return f;
}

// Toe: the top of elements 5, 6, 7 (centres x = 0.5, 1.5, 2.5, y = 1.5), left to right, n up.
// Back: the top of elements 5, 6 drawn right to left, n down. Base: y = 1 across the mesh. Left: x = 0 up.
const char* const kLines =
    "Left: 0,0 0,2\n"
    "exit Toe: 0,2 3,2\n"
    "exit Back: 2,2 0,2\n"
    "uplift Base: 0,1 4,1\n";

// Expected figures per step; not a number: the CSV's "nan".
struct Figures {
  std::map<std::string, double> values;
};

Figures Expected(int step) {
  const double nan = std::nan("");
  // i_n along the top, step 1: 0.5 − 0.1 xc; step 2: 0.3 + 0.05 xc.
  auto up = [step](double xc) { return step == 2 ? 0.3 + 0.05 * xc : 0.5 - 0.1 * xc; };
  Figures f;
  auto& v = f.values;
  v["time"] = 10.0 * step;
  if (step == 1) {
    v["Toe_max_gradient"] = up(0.5), v["Toe_max_element"] = 5, v["Toe_max_x"] = 0.5,
    v["Toe_max_at_corner"] = 1;
    v["Back_max_gradient"] = -up(1.5), v["Back_max_element"] = 6, v["Back_max_x"] = 1.5,
    v["Back_max_at_corner"] = 0;
  } else if (step == 2) {
    v["Toe_max_gradient"] = up(2.5), v["Toe_max_element"] = 7, v["Toe_max_x"] = 2.5,
    v["Toe_max_at_corner"] = 1;
    v["Back_max_gradient"] = -up(0.5), v["Back_max_element"] = 5, v["Back_max_x"] = 0.5,
    v["Back_max_at_corner"] = 1;
  } else {  // elements 5 and 6 have no gradient
    v["Toe_max_gradient"] = up(2.5), v["Toe_max_element"] = 7, v["Toe_max_x"] = 2.5,
    v["Toe_max_at_corner"] = 1;
    v["Back_max_gradient"] = nan, v["Back_max_element"] = 0, v["Back_max_x"] = nan,
    v["Back_max_at_corner"] = 0;
  }
  v["Toe_max_y"] = 1.5;
  v["Back_max_y"] = step == 3 ? nan : 1.5;
  v["Toe_mean_gradient"] = step == 3 ? up(2.5) : (up(0.5) + up(1.5) + up(2.5)) / 3;
  v["Back_mean_gradient"] = step == 3 ? nan : -(up(0.5) + up(1.5)) / 2;
  // ic = (19 − 10) / 10 = 0.9; no factor where i ≤ 0.
  v["Toe_factor_of_safety_max"] = 0.9 / v["Toe_max_gradient"];
  v["Toe_factor_of_safety_mean"] = 0.9 / v["Toe_mean_gradient"];
  v["Back_factor_of_safety_max"] = nan;
  v["Back_factor_of_safety_mean"] = nan;
  // P along y = 1: step 1 (and 3) 8.5 + 0.1 x, a trapezoid of heights 8.5 and 8.9 over 4, its centroid
  // 4 (8.5 + 2 × 8.9) / (3 × 17.4) from x = 0; step 2 −1 + 0.75 x: ∫ = 2, ∫ P s ds = −8 + 16, P < 0 up
  // to x = 4/3. γw = 10.
  if (step == 2) {
    v["Base_integral_p"] = 2.0, v["Base_acts_at"] = 4.0, v["Base_length_negative"] = 4.0 / 3.0;
  } else {
    v["Base_integral_p"] = 34.8, v["Base_acts_at"] = 4 * (8.5 + 2 * 8.9) / (3 * 17.4),
    v["Base_length_negative"] = 0.0;
  }
  v["Base_force"] = 10.0 * v["Base_integral_p"];
  v["inflow"] = step == 2 ? 0.5 : 1.0;
  v["outflow"] = step == 2 ? -0.5 : -0.8;
  v["net"] = step == 2 ? 0.0 : 0.2;
  v["error"] = step == 2 ? 0.0 : 0.2;
  // Left: nodes (0, 0), (0, 1), (0, 2); flux 0.1 k × 2 to the right.
  v["Left_nodal_q"] = step == 2 ? 0.5 : 1.0;
  v["Left_flux"] = 0.2 * step;
  return f;
}

// A figure of a CSV row against the one expected; not a number: the CSV's "nan".
void ExpectFigure(const std::map<std::string, std::string>& row, int step, const std::string& heading,
                  double value) {
  SCOPED_TRACE("step " + std::to_string(step) + " " + heading);
  ASSERT_TRUE(row.count(heading));
  const double seen = std::stod(row.at(heading));
  if (std::isnan(value)) {
    EXPECT_TRUE(std::isnan(seen)) << seen;
  } else {
    EXPECT_NEAR(seen, value, 1e-12 * (1.0 + std::fabs(value)));
  }
}

TEST(SafetyCommand, EveryFigureOfTheCsvAsWorkedOutByHand) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  dir.Write("L.TXT", kLines);
  const RunResult r =
      dir.Command({"safety", "R.DAT", "--sections", "L.TXT", "--unit-weights", "19,10", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "seepconv: warning: R.DAT: left out for a value that is not a number, summed over the steps: 4 "
            "elements of exit faces (no gradient)\n");
  const auto rows = CsvByHeading(r.out);
  ASSERT_EQ(rows.size(), 3u) << r.out;
  for (int step = 1; step <= 3; ++step) {
    const auto& row = rows[step - 1];
    EXPECT_EQ(row.at("step"), std::to_string(step));
    for (const auto& [name, value] : Expected(step).values) ExpectFigure(row, step, name, value);
  }
}

// The file in feet and minutes, the figures asked for in metres and seconds: each column converted by
// its dimension as worked out here by hand; gradients, elements, factors of safety and the balance
// error have no unit. The force is γw (kN/m³) times ∫ P ds in m², kN per metre of thickness, also when
// lengths are shown in feet.
TEST(SafetyCommand, EveryFigureInTheUnitsAsked) {
  constexpr double ft = 0.3048, minute = 60.0, area = ft * ft, flow = ft * ft / minute;
  struct Converted {
    const char* column;
    const char* unit;
    double factor;
  };
  const char* const kFlow = "m\xC2\xB3/s/m";
  // clang-format off
  const Converted metresAndSeconds[] = {
      {"time", "s", minute},
      {"Toe_max_x", "m", ft}, {"Toe_max_y", "m", ft}, {"Back_max_x", "m", ft}, {"Back_max_y", "m", ft},
      {"Base_integral_p", "m\xC2\xB2", area},  // head × length
      {"Base_force", "kN/m", area},            // γw in kN/m³ × ∫ P ds in m²
      {"Base_acts_at", "m", ft}, {"Base_length_negative", "m", ft},
      {"inflow", kFlow, flow}, {"outflow", kFlow, flow}, {"net", kFlow, flow},
      {"Left_nodal_q", kFlow, flow}, {"Left_flux", kFlow, flow},
  };
  // clang-format on
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  dir.Write("L.TXT", kLines);
  const std::vector<std::string> base = {"safety", "R.DAT", "--sections", "L.TXT", "--unit-weights", "19,10"};
  auto run = [&](std::vector<std::string> more) {
    std::vector<std::string> args = base;
    args.insert(args.end(), more.begin(), more.end());
    return dir.Command(args);
  };
  const RunResult r = run({"--csv", "--file-units", "ft,min", "--units", "m,s"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = CsvByHeading(r.out);
  ASSERT_EQ(rows.size(), 3u) << r.out;
  for (int step = 1; step <= 3; ++step) {
    std::size_t converted = 0;
    for (const auto& [name, value] : Expected(step).values) {
      std::string heading = name;
      double factor = 1.0;
      for (const Converted& c : metresAndSeconds) {
        if (name != c.column) continue;
        heading += std::string(" (") + c.unit + ")";
        factor = c.factor;
        ++converted;
      }
      ExpectFigure(rows[step - 1], step, heading, value * factor);
    }
    EXPECT_EQ(converted, std::size(metresAndSeconds));
  }
  // Shown in the file's own feet: ∫ P ds as it is, in ft², the force still in kN/m.
  const auto feet = CsvByHeading(run({"--csv", "--file-units", "ft,min"}).out);
  ASSERT_EQ(feet.size(), 3u);
  ExpectFigure(feet[0], 1, "Base_integral_p (ft\xC2\xB2)", 34.8);
  ExpectFigure(feet[0], 1, "Base_force (kN/m)", 10.0 * 34.8 * area);
  ExpectFigure(feet[0], 1, "inflow (ft\xC2\xB3/min/ft)", 1.0);

  // The aligned table: a row of units under each row of headings; the JSON document names its units.
  const RunResult table = run({"--steps", "2", "--file-units", "ft,min", "--units", "m,s"});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_NE(table.out.find("  step  time  base  integral P    force  acts at  P < 0 over\n"
                           "           s                m\xC2\xB2     kN/m        m           m\n"
                           "     2  1200  Base    0.185806  1.85806   1.2192      0.4064\n"),
            std::string::npos)
      << table.out;
  EXPECT_EQ(table.out.find("model units"), std::string::npos);
  EXPECT_NE(run({}).out.find("  all figures in model units"), std::string::npos);
  const RunResult json = run({"--json", "--steps", "2", "--file-units", "ft,min", "--units", "m,s"});
  EXPECT_NE(json.out.find("\"units\": {\"length\": \"m\", \"time\": \"s\", \"flow\": \"m\xC2\xB3/s/m\", "
                          "\"area\": \"m\xC2\xB2\", \"force\": \"kN/m\"}"),
            std::string::npos)
      << json.out;
  // The report's Safety section in the same units, a row of them under the headings.
  const RunResult report = dir.Command({"report", "R.DAT", "--sections", "L.TXT", "--unit-weights", "19,10",
                                        "--file-units", "ft,min", "--units", "m,s", "-o", "r.html", "-q"});
  ASSERT_EQ(report.status, 0) << report.err;
  const std::string html = dir.Read("r.html");
  for (const char* part : {
           "<tr class=\"units\"><th></th><th>s</th><th>m\xC2\xB2</th><th>kN/m</th><th>m</th><th>m</th></tr>",
           "<tr><td>2</td><td>1200</td><td>0.185806</td><td>1.85806</td><td>1.2192</td><td>0.4064</td></tr>",
       }) {
    EXPECT_NE(html.find(part), std::string::npos) << part;
  }
  // --excel: the same CSV for a spreadsheet, led by a byte order mark.
  EXPECT_EQ(run({"--excel", "--file-units", "ft,min"}).out.rfind("\xEF\xBB\xBFstep", 0), 0u);
}

TEST(SafetyCommand, TableJsonAndTheLinesOfTheCommandLine) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  // The same lines from the command line: Back unnamed, so E2; without ic no factor of safety.
  const RunResult table = dir.Command({"safety", "R.DAT", "--exit", "Toe: 0,2 3,2", "--exit", "2,2 0,2",
                                       "--uplift", "0,1 4,1", "--steps", "1", "--section", "0,0 0,2"});
  EXPECT_EQ(table.status, 2);  // --section belongs to flux
  const RunResult r = dir.Command({"safety", "R.DAT", "--exit", "Toe: 0,2 3,2", "--exit", "2,2 0,2",
                                   "--uplift", "0,1 4,1", "--steps", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (const char* line : {
           "  step  time  exit face  i max  element       at  corner  i mean\n",
           "     1    10  Toe         0.45        5  0.5,1.5     yes    0.35\n",
           "     1    10  E2         -0.35        6  1.5,1.5      no    -0.4\n",
           "     1    10  U1          34.8  341.388  2.01533           0\n",
           "     1    10       1     -0.8  0.2    0.2\n",
       }) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  }
  EXPECT_EQ(r.out.find("FS max"), std::string::npos);

  const RunResult json = dir.Command({"safety", "R.DAT", "--exit", "Toe: 0,2 3,2", "--critical-gradient",
                                      "0.9", "--steps", "3", "--json", "-o", "s.json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const std::string doc = dir.Read("s.json");
  for (const char* part : {
           "\"critical_gradient\": 0.9,\n  \"unit_weight_water\": 9.81,\n",
           "{\"step\": 3, \"time\": 30,\n     \"exit\": [{\"name\": \"Toe\", \"max_gradient\": ",
           ", \"max_element\": 7, \"max_at\": [2.5, 1.5], \"max_at_corner\": true, \"mean_gradient\": ",
           ", \"factor_of_safety_max\": ",
           ", \"factor_of_safety_mean\": ",
           "}],\n     \"uplift\": [],\n     \"balance\": {\"inflow\": 1, \"outflow\": -0.8, \"net\": ",
           "\"sections\": []}\n  ]\n}\n",
       }) {
    EXPECT_NE(doc.find(part), std::string::npos) << part << "\n" << doc;
  }
}

// The report's Safety section: the same figures; the smallest factor of safety of the run, 0.9 / 0.45
// (Toe's largest in step 1), marked.
TEST(SafetyCommand, TheReportHasASafetySection) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  dir.Write("L.TXT", kLines);
  const RunResult r = dir.Command(
      {"report", "R.DAT", "--sections", "L.TXT", "--unit-weights", "19,10", "-o", "r.html", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string html = dir.Read("r.html");
  for (const char* part : {
           "<h2>Safety</h2>\n<h3>Exit face Toe</h3>",
           "<tr><td>1</td><td>10</td><td>0.45</td><td>5</td><td>0.5, 1.5</td><td>yes</td><td>0.35</td>"
           "<td class=\"least\">2</td><td>2.57143</td></tr>",
           "<h3>Exit face Back</h3>",
           "<h3>Base Base</h3>",
           "<tr><td>2</td><td>20</td><td>2</td><td>20</td><td>4</td><td>1.33333</td></tr>",
           "<tr><td>2</td><td>20</td><td>0.5</td><td>-0.5</td><td>0</td><td>0</td></tr>",
       }) {
    EXPECT_NE(html.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(html.find("class=\"least\"", html.find("class=\"least\">2<") + 1), std::string::npos);
  // The pictures draw the exit faces and the base with their names.
  for (const char* name : {">exit Toe</text>", ">exit Back</text>", ">base Base</text>"})
    EXPECT_NE(html.find(name), std::string::npos) << name;
  // A face that misses the mesh is a usage error here too, and nothing is written.
  const RunResult outside = dir.Command({"report", "R.DAT", "--exit", "9,9 12,9", "-o", "o.html"});
  EXPECT_EQ(outside.status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("o.html")));
}

// The sheet pile's steady solution: the nodal flows balance, the upstream ground's nodes take in what
// `flux` finds just below it, and the exit gradient beside the pile is the one of its nodal heads,
// (21.054 − 21.000) / 0.5 as TECPLOT prints them (five digits).
TEST(SafetyCommand, TheSheetPileBalancesAndExitsAsItsHeadsSay) {
  Scratch dir;
  std::filesystem::copy_file(
      std::filesystem::path(SEEPCONV_SOURCE_DIR) / "examples" / "cutoff" / "RESULT.DAT", dir.Path("R.DAT"));
  dir.Write("L.TXT", "Ground: -40,20 -0.05,20\nBed: -40,19.75 -0.05,19.75\nexit Pile: 0.05,20 2,20\n");
  const RunResult r = dir.Command({"safety", "R.DAT", "--sections", "L.TXT", "--steps", "last", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = CsvByHeading(r.out);
  ASSERT_EQ(rows.size(), 1u);
  const auto& row = rows[0];
  EXPECT_LT(std::stod(row.at("error")), 1e-6);
  const double q = std::stod(row.at("Bed_flux"));
  EXPECT_NEAR(std::stod(row.at("Ground_nodal_q")), q, 1e-6 * q);
  EXPECT_NEAR(std::stod(row.at("inflow")), q, 1e-6 * q);
  EXPECT_NEAR(std::stod(row.at("Pile_max_gradient")), 0.108, 0.002);
  EXPECT_EQ(row.at("Pile_max_at_corner"), "1");
}

// Step 1's heads over the nodes of active elements: P = 10 − 1.5 y + 0.1 x y from 7 at (0, 2) to 10 along
// y = 0, H from 9 to 10; the −50 at (4, 2) is no head of the flow.
TEST(SafetyCommand, InfoTakesTheHeadsOfActiveElementsOnly) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  const RunResult r = dir.Command({"info", "R.DAT", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"pressure_head\": [7, 10], \"total_head\": [9, 10]"), std::string::npos) << r.out;
}

TEST(SafetyCommand, UsageErrors) {
  Scratch dir;
  Fixture().WriteTo(dir.Path("R.DAT").string());
  struct Case {
    std::vector<std::string> more;
    const char* err;
  } cases[] = {
      {{"--exit", "9,9 12,9"}, "exit face E1 lies outside the active mesh"},
      {{"--uplift", "Dam: 3.5,1.5 3.9,1.9"},
       "base Dam lies outside the active mesh"},  // the inactive element
      {{"--exit", "Toe: 1,2"}, "--exit 'Toe: 1,2': a line needs two points or more"},
      {{"--uplift", "1,1 1,1"}, "base U1 has no length"},
      {{"--exit", "A: 0,2 1,2", "--exit", "A: 1,2 2,2"}, "two exit faces are named A"},
      {{"--critical-gradient", "0"}, "--critical-gradient takes a number above 0, not '0'"},
      {{"--critical-gradient", "nan"}, "--critical-gradient takes a number above 0, not 'nan'"},
      {{"--unit-weights", "9.81,9.81"}, "--unit-weights 9.81,9.81: GAMMA_SAT must exceed GAMMA_W"},
      {{"--unit-weights", "20"}, "--unit-weights takes GAMMA_SAT,GAMMA_W, numbers above 0, not '20'"},
      {{"--critical-gradient", "1", "--unit-weights", "20,10"},
       "--critical-gradient and --unit-weights: one of them"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"safety", "R.DAT"};
    args.insert(args.end(), c.more.begin(), c.more.end());
    const RunResult r = dir.Command(args);
    EXPECT_EQ(r.status, 2) << c.err;
    EXPECT_EQ(r.err, "seepconv: " + std::string(c.err) + "\nTry 'seepconv safety --help'.\n");
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace seep::test
