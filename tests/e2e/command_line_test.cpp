// The command line through the real program: the same bytes as the dialogue, usage errors, info,
// step lists, several files, and failures that leave no half-written file behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/kinds.h"
#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

// Quadrilaterals, a triangle with L = K, one with L = 0, an inactive element; steps numbered 1, 2, 2, 3.
ResultFile Generated(std::initializer_list<int> steps = {1, 2, 2, 3}) {
  ResultFile f;
  f.Header("GENERATED", {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}, {3, 0.5}},
           {{1, 2, 3, 4, 1}, {2, 5, 6, 3, 2}, {5, 7, 6, 6, 2}, {2, 5, 3, 0, 0}, {6, 7, 3, 0, 3}});
  int k = 0;
  for (int step : steps) {
    ++k;
    std::vector<NodeValues> nodes;
    for (int n = 1; n <= 7; ++n) nodes.push_back({n % 2, 0.5 * k - 0.25 * n, 1e-3 * n});
    f.Step(step, 100.0 * k, nodes, {{1e-4 * k, -2e-5}, {0, 3e-5}, {-1e-6, 0}, {0, 0}, {2e-6, 2e-6 * k}});
  }
  return f;
}

const char kPoints[] = "3\n0.5 0.5\n2.5 0.4\n9 9\n";

// The command line of the dialogue's conversion: total head where the kind asks the head style, P.DAT
// where it asks for a point-data file.
std::vector<std::string> Convert(std::string_view kind, const std::string& steps) {
  std::vector<std::string> args = {"convert", "R.DAT", "--to", std::string(kind), "-o", "C.OUT",
                                   "--steps", steps,   "-q"};
  if (AsksHeadStyle(kind)) args.insert(args.end(), {"--head", "total"});
  if (AsksPointFile(kind)) args.insert(args.end(), {"--points", "P.DAT"});
  return args;
}

// For every kind, `all`, `last` and one number give the dialogue's bytes for -1, 0 and that number.
void ExpectSameBytesAsTheDialogue(const std::string& result) {
  Scratch dir;
  dir.Write("R.DAT", result);
  dir.Write("P.DAT", kPoints);
  for (std::string_view kind : MenuKinds()) {
    // A kind whose step operation runs at every step (the history) holds every step in the dialogue,
    // whatever the selection; the command line's `all` does.
    const bool historyStep = KindOfName("convert", kind)->historyStep != nullptr;
    for (const auto& [isel, steps] : {std::pair{"-1", "all"}, {"0", "last"}, {"2", "2"}}) {
      SCOPED_TRACE(std::string(kind) + " " + steps);
      const RunResult d = dir.Run(DialogueAnswers::Conversion(kind, "D.OUT", isel, HeadStyle::kTotal));
      ASSERT_EQ(d.status, 0) << d.err;
      const RunResult c = dir.Command(Convert(kind, historyStep ? "all" : steps));
      ASSERT_EQ(c.status, 0) << c.err;
      EXPECT_EQ(c.err, AsksPointFile(kind)
                           ? "seepconv: warning: C.OUT: point 3 outside the mesh written as H = 0\n"
                           : "");
      EXPECT_EQ(c.out, "");
      EXPECT_EQ(c.files.at("C.OUT"), d.files.at("D.OUT"));
      EXPECT_EQ(c.files.count("C.OUT.tmp"), 0u);  // the MicroAVS work file is gone
      fs::remove(dir.Path("C.OUT"));
    }
  }
}

TEST(CommandLineConvert, SameBytesAsTheDialogueOnTheExample) {
  ExpectSameBytesAsTheDialogue(ReadFile(fs::path(SEEPCONV_SOURCE_DIR) / "examples" / "RESULT.DAT"));
}

TEST(CommandLineConvert, SameBytesAsTheDialogueOnTrianglesInactiveElementsAndRepeatedSteps) {
  ExpectSameBytesAsTheDialogue(Generated().Bytes());
}

// Lists and ranges: each selected step once, in file order; tecplot zones tell which were written.
TEST(CommandLineConvert, StepListsAndRanges) {
  Scratch dir;
  Generated({1, 2, 2, 3, 7, 9}).WriteTo(dir.Path("R.DAT").string());
  const struct {
    const char* steps;
    std::vector<int> zones;  // the k of each step written (times 100 k)
  } cases[] = {
      {"1,3", {1, 4}},           {"2", {2, 3}},      {"2:7", {2, 3, 4, 5}},
      {"9,1,1:2", {1, 2, 3, 6}}, {"last,1", {1, 6}}, {"all,3", {1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    const RunResult r =
        dir.Command({"convert", "R.DAT", "--to", "tecplot", "--steps", c.steps, "-o", "Z.TEC", "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int> zones;
    const std::string& file = r.files.at("Z.TEC");
    for (std::size_t at = file.find("TIME="); at != std::string::npos; at = file.find("TIME=", at + 1)) {
      zones.push_back(static_cast<int>(std::lround(std::stod(file.substr(at + 5, 12)) / 100.0)));
    }
    EXPECT_EQ(zones, c.zones);
  }
}

// Every usage error: one line naming it, the hint, status 2, and no file touched.
TEST(CommandLineUsage, ErrorsNameWhatIsWrong) {
  Scratch dir;
  Generated().WriteTo(dir.Path("R.DAT").string());
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"frob"}, "unknown command 'frob'"},
      {{"--frob"}, "unknown option '--frob'"},
      {{"convert", "R.DAT"}, "convert needs --to KIND"},
      {{"convert", "--to", "tecplot"}, "convert needs a RESULT file"},
      {{"convert", "R.DAT", "--to", "vtk"},
       "unknown output kind 'vtk' (one of restart, tecplot, femap, microavs, igpost, interp, vtu); did you "
       "mean "
       "vtu?"},
      {{"convert", "R.DAT", "--to"}, "option '--to' needs a value (KIND)"},
      {{"convert", "R.DAT", "--to", "tecplot", "-x"}, "unknown option '-x'"},
      {{"convert", "R.DAT", "--to", "tecplot", "--quiet=yes"}, "option '--quiet' takes no value"},
      {{"convert", "R.DAT", "--to", "tecplot", "--json"}, "option '--json' does not apply here"},
      {{"convert", "R.DAT", "--to", "tecplot", "--steps", "1,x"},
       "'x' is not a step selection (all, last, a step number N or a range A:B)"},
      {{"convert", "R.DAT", "--to", "tecplot", "--steps", "5:2"}, "the step range '5:2' runs backwards"},
      {{"convert", "R.DAT", "--to", "tecplot", "--head", "total"}, "--head applies to --to restart only"},
      {{"convert", "R.DAT", "--to", "restart", "--head", "up"}, "--head takes pressure or total, not 'up'"},
      {{"convert", "R.DAT", "--to", "interp"}, "--to interp needs --points PATH"},
      {{"convert", "R.DAT", "--to", "femap", "--points", "P"}, "--points applies to --to interp only"},
      {{"convert", "R.DAT", "R.DAT", "--to", "femap", "-o", "X"}, "-o/--output takes one RESULT file only"},
      {{"convert", "R.DAT", "--to", "femap", "-j", "0"}, "--jobs takes a whole number of 1 or more, not '0'"},
      {{"info"}, "info needs a RESULT file"},
      {{"info", "--version"}, "option '--version' does not apply here"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "seepconv: " + std::string(c.message) + "\n" + TryHelp(c.args));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.files.size(), 1u);  // R.DAT alone
  }
}

TEST(CommandLineUsage, HelpListsEveryCommandOptionAndKind) {
  Scratch dir;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"-h"}, {"help"}}) {
    const RunResult r = dir.Command(args);
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"info", "convert", "--to KIND", "-o, --output PATH", "--steps SEL", "--head",
                             "--points PATH", "-q, --quiet", "--progress", "--json", "--allow-overflow",
                             "-j, --jobs N", "--version", "Exit status", "Examples"}) {
      EXPECT_NE(r.out.find(word), std::string::npos) << word;
    }
    for (const OutputKind* k : OutputKinds()) {
      if (k->command != "convert") continue;
      EXPECT_NE(r.out.find("  " + std::string(k->name) + " "), std::string::npos) << k->name;
    }
  }
  const RunResult convert = dir.Command({"convert", "--help"});
  EXPECT_EQ(convert.status, 0);
  EXPECT_NE(convert.out.find("--steps SEL"), std::string::npos);
  EXPECT_EQ(convert.out.find("--json"), std::string::npos);
  const RunResult version = dir.Command({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.starts_with("seepconv ") && version.out.ends_with("\n")) << version.out;
  EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1);
}

// The JSON document read back by Python's json module and checked against values that the script works
// out from the same rows as Generated(): P = 0.5 k - 0.25 n, H = P + Y, element speeds.
TEST(CommandLineInfo, JsonSummaryAlsoOfADamagedFile) {
  Scratch dir;
  const ResultFile f = Generated();
  f.WriteTo(dir.Path("R.DAT").string());
  f.WriteTo(dir.Path("CUT.DAT").string(), f.Ends()[8] + 10);  // inside S2 of the second step
  dir.Write("check.py",
            "import json, math, sys\n"
            "d = json.load(open(sys.argv[1]))\n"
            "y = [0, 0, 1, 1, 0, 1, 0.5]\n"
            "for i, t in enumerate(d['steps']):\n"
            "    k = i + 1\n"
            "    p = [0.5 * k - 0.25 * n for n in range(1, 8)]\n"
            "    h = [p[n] + y[n] for n in range(7)]\n"
            "    v = [(1e-4 * k, -2e-5), (0, 3e-5), (-1e-6, 0), (0, 0), (2e-6, 2e-6 * k)]\n"
            "    assert t['step'] == [1, 2, 2, 3][i] and t['time'] == 100.0 * k, t\n"
            "    assert t['pressure_head'] == [min(p), max(p)] and t['total_head'] == [min(h), max(h)], t\n"
            "    assert t['max_speed'] == max(math.sqrt(a * a + b * b) for a, b in v), t\n"
            "print(d['title'], d['nodes'], d['elements'], d['quadrilaterals'], d['triangles'], d['active'],\n"
            "      d['inactive'], sorted(d['materials'].items()), d['bounds'], d['step_count'], d['bytes'])\n"
            "print(d['damage'])\n");
  for (const char* name : {"R.DAT", "CUT.DAT"}) {
    const bool damaged = name[0] == 'C';
    const RunResult r = dir.Command({"info", name, "--json"});
    EXPECT_EQ(r.status, damaged ? 1 : 0);
    dir.Write("info.json", r.out);
    const std::string cmd = "cd '" + dir.Dir().string() + "' && python3 check.py info.json > py.txt 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << dir.Read("py.txt");
    const std::string summary = std::string("GENERATED 7 5 2 3 4 1 [('1', 1), ('2', 2), ('3', 1)] ") +
                                "{'x': [0, 3], 'y': [0, 1]} " + (damaged ? "1 " : "4 ") +
                                std::to_string(fs::file_size(dir.Path(name))) + "\n";
    const std::string damage =
        damaged
            ? "{'record': 'S2', 'step': 2, 'error': 24, 'message': 'step 2 ends early (end of file inside "
              "record S2)'}\n"
            : "None\n";
    EXPECT_EQ(dir.Read("py.txt"), summary + damage);
  }
  const RunResult human = dir.Command({"info", "CUT.DAT"});
  EXPECT_EQ(human.err, "seepconv: CUT.DAT: step 2 ends early (end of file inside record S2) (24)\n");
  EXPECT_NE(human.out.find("Damaged    step 2 ends early (end of file inside record S2) (24)\n"),
            std::string::npos);
  EXPECT_NE(human.out.find("Elements   5: 2 quadrilaterals, 3 triangles; 4 active, 1 inactive\n"),
            std::string::npos);
  // The steepest gradient: element 2, the unit square 1 ≤ x ≤ 2 with H = 0, −0.75, 0, 0.75 at its
  // corners: ∇H at its centre = (−0.75, 0.75), |i| = 0.75 √2.
  EXPECT_NE(human.out.find(
                "  #  step  time  P min  P max  H min  H max       V max    i max  element          at\n"
                "  1     1   100  -1.25   0.25  -0.75   0.75  0.00010198  1.06066        2  (1.5, 0.5)\n"),
            std::string::npos)
      << human.out;
}

// Failures: one plain line each, status 1, an existing target untouched, no temporary file left.
TEST(CommandLineFailures, NamedInPlainWordsAndNothingHalfWritten) {
  Scratch dir;
  const ResultFile f = Generated();
  f.WriteTo(dir.Path("R.DAT").string());
  f.WriteTo(dir.Path("CUT.DAT").string(), f.Ends()[12] + 4);  // inside S3 of the third step
  dir.Write("CUT.out", "an earlier good file\r\n");
  // A full device, where the system has one.
  const bool full = !WindowsProgram();
  if (full) dir.MakeFullDevice("FULL.neu");
  const struct {
    std::vector<std::string> args;
    const char* err;
  } cases[] = {
      {{"convert", "NONE.DAT", "--to", "tecplot"}, "seepconv: NONE.DAT: file not found (29)\n"},
      {{"convert", "CUT.DAT", "--to", "tecplot"},
       "seepconv: CUT.DAT: step 3 ends early (end of file inside record S3) (24)\n"},
      {{"convert", "CUT.DAT", "--to", "microavs", "-o", "CUT.out"},
       "seepconv: CUT.DAT: step 3 ends early (end of file inside record S3) (24)\n"},
      {{"convert", "R.DAT", "--to", "femap", "-o", "FULL.neu"},
       "seepconv: FULL.neu: no space left on device (38)\n"},
      {{"convert", "R.DAT", "--to", "igpost", "--steps", "5,8:9", "-o", "CUT.out"},
       "seepconv: R.DAT: no step matches --steps 5,8:9; the file has steps 1:2, 2:3\n"},
      {{"convert", "R.DAT", "--to", "interp", "--points", "NONE.DAT", "-o", "CUT.out"},
       "seepconv: NONE.DAT: file not found (29)\n"},
      {{"convert", "R.DAT", "--to", "tecplot", "-o", "R.DAT"},
       "seepconv: R.DAT: the output would replace the result file; name another with -o\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    if (!full && c.args.back() == "FULL.neu") continue;
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.files.at("CUT.out"), "an earlier good file\r\n");
    EXPECT_EQ(r.files.at("R.DAT"), f.Bytes());
    EXPECT_EQ(r.files.size(), 3u) << "a temporary or work file was left behind";
  }
  if (WindowsProgram()) GTEST_SKIP() << "the user nobody and folder permissions are POSIX features";
  // Unwritable folder, as an ordinary user.
  fs::create_directory(dir.Path("ro"));
  fs::permissions(dir.Path("ro"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const RunResult ro = dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "ro/x.tec"}, {}, true);
  EXPECT_EQ(ro.status, 1);
  EXPECT_EQ(ro.err, "seepconv: ro/x.tec: permission denied (9)\n");
}

// Several files side by side: the failing one is named, the others are converted, status 1.
TEST(CommandLineConvert, SeveralFilesOneFailing) {
  Scratch dir;
  const ResultFile f = Generated();
  f.WriteTo(dir.Path("a.res").string());
  f.WriteTo(dir.Path("b.res").string(), f.Ends()[5] + 3);  // inside S2 of the first step
  f.WriteTo(dir.Path("c.res").string());
  const RunResult r = dir.Command({"convert", "a.res", "b.res", "c.res", "--to", "tecplot", "-j", "2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("seepconv: b.res: step 1 ends early (end of file inside record S2) (24)\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("wrote a.tec: 4 steps, "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("wrote c.tec: 4 steps, "), std::string::npos) << r.err;
  EXPECT_EQ(r.files.at("a.tec"), r.files.at("c.tec"));
  EXPECT_EQ(r.files.count("b.tec"), 0u);
}

// A mesh beyond the I5 node numbers of TECPLOT is refused before writing, unless overflow is allowed.
TEST(CommandLineConvert, FieldLimitsCheckedBeforeWriting) {
  Scratch dir;
  ResultFile f;
  std::vector<Node> nodes(100000, Node{0, 0});
  f.Header("BIG", nodes, {{1, 2, 3, 3, 1}});
  f.Step(1, 1.0, std::vector<NodeValues>(100000, NodeValues{0, 0, 0}), {{0, 0}});
  f.WriteTo(dir.Path("R.DAT").string());
  const RunResult refused = dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "T"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "seepconv: R.DAT: the mesh has 100000 nodes, more than the I5 fields of tecplot hold (99999); "
            "--to vtu has no such limit, --allow-overflow writes asterisks\n");
  EXPECT_EQ(refused.files.count("T"), 0u);
  const RunResult femap = dir.Command({"convert", "R.DAT", "--to", "femap", "-o", "F", "-q"});
  EXPECT_EQ(femap.status, 0) << femap.err;
  const RunResult allowed =
      dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "T", "--allow-overflow", "-q"});
  EXPECT_EQ(allowed.status, 0);
  EXPECT_EQ(
      allowed.err,
      "seepconv: warning: T: 1 record holds a value too wide for its field, written as asterisks (63)\n");
  EXPECT_NE(allowed.files.at("T").find("ZONE N= *****, E=     1"), std::string::npos);
}

// VTU through the command line: the collection and its step files, and the one warning line for an
// element whose corner lies outside the mesh.
TEST(CommandLineConvert, VtuCollectionWithElementsLeftOut) {
  Scratch dir;
  ResultFile f;
  f.Header("VTU", {{0, 0}, {1, 0}, {1, 1}}, {{1, 2, 3, 3, 1}, {1, 2, 9, 9, 1}, {2, 3, 1, 1, 0}});
  for (int step : {4, 4}) f.Step(step, 1.5, {{0, 1, 0}, {0, 2, 0}, {0, 3, 0}}, {{0, 0}, {0, 0}, {0, 0}});
  f.WriteTo(dir.Path("R.DAT").string());
  const RunResult r = dir.Command({"convert", "R.DAT", "--to", "vtu", "--all-elements"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(
      r.err.starts_with("seepconv: warning: R.pvd: 1 element with a corner outside the mesh left out\n"
                        "wrote R.pvd: 2 steps, "))
      << r.err;
  const std::string pvd = r.files.at("R.pvd");
  EXPECT_NE(pvd.find("file=\"R/R_0001.vtu\""), std::string::npos) << pvd;
  EXPECT_NE(pvd.find("file=\"R/R_0002.vtu\""), std::string::npos) << pvd;
  EXPECT_TRUE(fs::exists(dir.Path("R/R_0002.vtu")));
  EXPECT_EQ(dir.Command({"convert", "R.DAT", "--to", "tecplot", "--all-elements"}).status, 2);
}

TEST(CommandLineProgress, ShownOnATerminalAndAbsentInAFile) {
  if (WindowsProgram()) GTEST_SKIP() << "a pseudo-terminal is a POSIX feature";
  Scratch dir;
  Generated().WriteTo(dir.Path("R.DAT").string());
  const RunResult tty = dir.CommandOnTerminal({"convert", "R.DAT", "--to", "tecplot", "-o", "A.TEC"});
  EXPECT_EQ(tty.status, 0);
  // The line is drawn at the first step, then taken away (blanks, carriage return) before the closing line.
  const std::size_t line = tty.err.find("\rstep 1/4, ");
  const std::size_t erased = tty.err.find("       \rwrote A.TEC: 4 steps, ");
  EXPECT_NE(line, std::string::npos) << tty.err;
  EXPECT_NE(erased, std::string::npos) << tty.err;
  EXPECT_LT(line, erased);
  EXPECT_NE(tty.err.find("% read, "), std::string::npos) << tty.err;
  const RunResult quiet = dir.CommandOnTerminal({"convert", "R.DAT", "--to", "tecplot", "-o", "A.TEC", "-q"});
  EXPECT_EQ(quiet.err, "");
  const RunResult file = dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "A.TEC"});
  EXPECT_TRUE(file.err.starts_with("wrote A.TEC: 4 steps, ")) << file.err;
  EXPECT_EQ(file.err.find('\r'), std::string::npos);
  const RunResult log = dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "A.TEC", "--progress"});
  EXPECT_TRUE(log.err.starts_with("step 1/4, ")) << log.err;
  EXPECT_EQ(log.err.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace seep::test

namespace seep::test {
namespace {

// Pictures: one file for one step, numbered files for several (also when one step number is stored
// twice), the history chart with its warning, and every picture well-formed XML.
TEST(CommandLinePlot, PicturesNamedByTheStepsTheyShow) {
  Scratch dir;
  Generated().WriteTo(dir.Path("R.DAT").string());
  dir.Write("P.DAT", kPoints);
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> files;  // the pictures the run leaves
    const char* err;
  } cases[] = {
      {{"plot", "R.DAT"}, {"R.svg"}, "wrote R.svg: 1 step, "},
      {{"plot", "R.DAT", "--steps", "all", "-o", "A.svg", "--field", "speed"},
       {"A_0001.svg", "A_0002.svg", "A_0003.svg", "A_0004.svg"},
       "wrote A_0001.svg … A_0004.svg: 4 steps, "},
      {{"plot", "R.DAT", "--steps", "2", "-o", "T.svg", "--mesh", "--arrows"},
       {"T_0001.svg", "T_0002.svg"},
       "wrote T_0001.svg … T_0002.svg: 2 steps, "},
      {{"plot", "R.DAT", "--points", "P.DAT", "--field", "pressure-head"},
       {"R_history.svg"},
       "seepconv: warning: R_history.svg: point 3 outside the mesh left out\nwrote R_history.svg: 4 steps, "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.starts_with(c.err)) << r.err;
    std::vector<std::string> pictures;
    for (const auto& [name, bytes] : r.files) {
      if (!name.ends_with(".svg")) continue;
      pictures.push_back(name);
      const std::string cmd =
          "python3 -c \"import sys, xml.etree.ElementTree as E; "
          "sys.exit(E.parse(sys.argv[1]).getroot().tag != '{http://www.w3.org/2000/svg}svg')\" '" +
          dir.Path(name).string() + "'";
      EXPECT_EQ(std::system(cmd.c_str()), 0) << name;
      fs::remove(dir.Path(name));
    }
    EXPECT_EQ(pictures, c.files);
  }
  const RunResult none = dir.Command({"plot", "R.DAT", "--steps", "8"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "seepconv: R.DAT: no step matches --steps 8; the file has steps 1:2, 2:3\n");
  const RunResult field = dir.Command({"plot", "R.DAT", "--field", "head"});
  EXPECT_EQ(field.status, 2);
  EXPECT_EQ(field.err,
            "seepconv: --field takes total-head, pressure-head, speed or gradient, not 'head'; did you mean "
            "total-head?\nTry 'seepconv plot --help'.\n");
  EXPECT_EQ(dir.Command({"plot", "R.DAT", "--points", "P.DAT", "--mesh"}).status, 2);
  EXPECT_EQ(dir.Command({"plot", "R.DAT", "R.DAT"}).status, 2);
}

}  // namespace
}  // namespace seep::test
