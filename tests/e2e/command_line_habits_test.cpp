// The command line as people with ordinary shell habits use it: near misses, bundled options, open
// step ranges, damaged files kept in part, standard input, names of outputs that say their kind, and
// a progress line that fits the terminal.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/kinds.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

using Args = std::vector<std::string>;

// Seven nodes, quadrilaterals and triangles, one inactive element; step k has P = 0.5 k - 0.25 n and
// TIME = 100 k, so that a written block tells which step it came from.
ResultFile Steps(std::initializer_list<int> numbers) {
  ResultFile f;
  f.Header("HABITS", {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}, {3, 0.5}},
           {{1, 2, 3, 4, 1}, {2, 5, 6, 3, 2}, {5, 7, 6, 6, 2}, {2, 5, 3, 0, 0}});
  int k = 0;
  for (int number : numbers) {
    ++k;
    std::vector<NodeValues> nodes;
    for (int n = 1; n <= 7; ++n) nodes.push_back({n % 2, 0.5 * k - 0.25 * n, 1e-3 * n});
    f.Step(number, 100.0 * k, nodes, {{1e-4 * k, 0}, {0, 3e-5}, {-1e-6, 0}, {0, 0}});
  }
  return f;
}

// Point 3 lies outside the mesh.
const char kPoints[] = "3\n0.5 0.5\n2.5 0.4\n9 9\n";

// The k of every TECPLOT zone of a file (TIME = 100 k).
std::vector<int> Zones(const std::string& file) {
  std::vector<int> zones;
  for (std::size_t at = file.find("TIME="); at != std::string::npos; at = file.find("TIME=", at + 1)) {
    zones.push_back(static_cast<int>(std::lround(std::stod(file.substr(at + 5, 12)) / 100.0)));
  }
  return zones;
}

// The blocks of an INTERP history, each from its " TIME," line to the next.
std::vector<std::string> HistoryBlocks(const std::string& file) {
  std::vector<std::string> blocks;
  for (std::size_t at = file.find(" TIME,"); at != std::string::npos;) {
    const std::size_t next = file.find(" TIME,", at + 1);
    blocks.push_back(file.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next;
  }
  return blocks;
}

std::string UsageLine(const Args& args, const std::string& what) {
  return "seepconv: " + what + "\n" + TryHelp(args);
}

// Near misses, bundled short options, names that promise another format: one usage line, status 2,
// nothing written.
TEST(CommandLineHabits, UsageErrorsSayWhatWasMeant) {
  Scratch dir;
  Steps({1, 2, 3, 4}).WriteTo(dir.Path("R.DAT").string());
  const struct {
    Args args;
    std::string message;
  } cases[] = {
      {{"convert", "R.DAT", "--to", "tecplot", "--step", "2"},
       "unknown option '--step'; did you mean --steps?"},
      {{"convert", "R.DAT", "--to", "tecplot", "--qiet"}, "unknown option '--qiet'; did you mean --quiet?"},
      {{"plot", "R.DAT", "--feild", "speed"}, "unknown option '--feild'; did you mean --field?"},
      {{"plot", "R.DAT", "--field", "sped"},
       "--field takes total-head, pressure-head, speed or gradient, not 'sped'; did you mean speed?"},
      {{"covnert", "R.DAT"}, "unknown command 'covnert'; did you mean convert?"},
      {{"convert", "R.DAT", "--to", "tecplt"},
       "unknown output kind 'tecplt' (one of restart, tecplot, femap, microavs, igpost, interp, vtu); "
       "did you mean tecplot?"},
      {{"convert", "R.DAT", "--to", "tecplot", "-qjx"}, "--jobs takes a whole number of 1 or more, not 'x'"},
      {{"convert", "R.DAT", "--to", "vtu", "-o", "x.vtu"},
       "x.vtu holds one step and --steps all may select several: name the collection x.pvd, or select "
       "one step (--steps last or a step number)"},
      {{"convert", "R.DAT", "-o", "x.vtu", "--steps", "1:2"},
       "x.vtu holds one step and --steps 1:2 may select several: name the collection x.pvd, or select "
       "one step (--steps last or a step number)"},
      {{"plot", "R.DAT", "-o", "pic.png"}, "plot draws SVG pictures: name the output pic.svg, not pic.png"},
      {{"convert", "-", "--to", "tecplot"}, "a result file read from standard input (-) needs -o PATH"},
      {{"convert", "R.DAT", "-o", "out.xyz"},
       "convert needs --to KIND; the extension of out.xyz names no kind"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, UsageLine(c.args, c.message));
    EXPECT_EQ(r.files.size(), 1u);
    EXPECT_FALSE(dir.Exists("x"));
  }
}

// Each command's help: its one usage line, its own options and its own examples.
TEST(CommandLineHabits, HelpOfOneCommand) {
  Scratch dir;
  const struct {
    Args args;
    std::vector<std::string> has, lacks;
  } cases[] = {
      {{"convert", "--help"},
       {"Usage: seepconv convert RESULT...", "--steps SEL", "--partial", "-o, --output PATH", "tecplot",
        "Exit status", "\n  seepconv convert RESULT.DAT "},
       {"numbered dialogue", "--field", "--json", "seepconv plot ", "seepconv info "}},
      {{"help", "plot"},
       {"Usage: seepconv plot RESULT", "--field", "--points PATH", "--partial",
        "\n  seepconv plot RESULT.DAT"},
       {"numbered dialogue", "--to KIND", "--jobs", "seepconv convert ", "igpost"}},
      {{"info", "-h"},
       {"Usage: seepconv info RESULT", "--json", "\n  seepconv info RESULT.DAT"},
       {"numbered dialogue", "--steps", "seepconv convert ", "seepconv plot "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("Usage: ")) << r.out;
    std::size_t usages = 0;
    for (std::size_t at = r.out.find("Usage:"); at != std::string::npos; at = r.out.find("Usage:", at + 1))
      ++usages;
    EXPECT_EQ(usages, 1u) << r.out;
    for (const std::string& word : c.has) EXPECT_NE(r.out.find(word), std::string::npos) << word;
    for (const std::string& word : c.lacks) EXPECT_EQ(r.out.find(word), std::string::npos) << word;
  }
}

// Open ranges and parts of a selection that match nothing: a warning names them, the rest is written.
TEST(CommandLineHabits, OpenStepRangesAndPartsMatchingNothing) {
  Scratch dir;
  Steps({1, 2, 3, 4, 5, 6}).WriteTo(dir.Path("R.DAT").string());
  const struct {
    const char* steps;
    int status;
    std::vector<int> zones;
    std::string err;
  } cases[] = {
      {"5:", 0, {5, 6}, ""},
      {":3", 0, {1, 2, 3}, ""},
      {"2:last", 0, {2, 3, 4, 5, 6}, ""},
      {"1,7", 0, {1}, "seepconv: warning: R.DAT: no step matches 7 of --steps 1,7; the file has steps 1:6\n"},
      {"last,8:,:0",
       0,
       {6},
       "seepconv: warning: R.DAT: no step matches 8:, :0 of --steps last,8:,:0; the file has steps 1:6\n"},
      {"7:,0", 1, {}, "seepconv: R.DAT: no step matches --steps 7:,0; the file has steps 1:6\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    const RunResult r =
        dir.Command({"convert", "R.DAT", "--to", "tecplot", "--steps", c.steps, "-o", "Z.TEC", "-q"});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.files.count("Z.TEC") ? Zones(r.files.at("Z.TEC")) : std::vector<int>{}, c.zones);
    fs::remove(dir.Path("Z.TEC"));
  }
}

// One --steps rule: the history of interp and of plot --points holds the selected steps, each block as
// the whole history has it; a point outside the mesh is named as plot names it.
TEST(CommandLineHabits, HistoriesTakeTheSelectedSteps) {
  Scratch dir;
  Steps({1, 2, 2, 3}).WriteTo(dir.Path("R.DAT").string());
  dir.Write("P.DAT", kPoints);
  const RunResult all =
      dir.Command({"convert", "R.DAT", "--to", "interp", "--points", "P.DAT", "-o", "A.his"});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_TRUE(
      all.err.starts_with("seepconv: warning: A.his: point 3 outside the mesh written as H = 0\n"
                          "wrote A.his: 4 steps, "))
      << all.err;
  const std::vector<std::string> blocks = HistoryBlocks(all.files.at("A.his"));
  ASSERT_EQ(blocks.size(), 4u);
  const struct {
    const char* steps;
    std::vector<int> blocks;
  } cases[] = {{"last", {3}}, {"2", {1, 2}}, {":1,3", {0, 3}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    const RunResult r = dir.Command(
        {"convert", "R.DAT", "--to", "interp", "--points", "P.DAT", "--steps", c.steps, "-o", "S.his", "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected;
    for (int b : c.blocks) expected += blocks[static_cast<std::size_t>(b)];
    EXPECT_EQ(r.files.at("S.his"), expected);
  }
  const RunResult chart = dir.Command({"plot", "R.DAT", "--points", "P.DAT", "--steps", "2"});
  EXPECT_EQ(chart.status, 0);
  EXPECT_NE(chart.err.find("wrote R_history.svg: 2 steps, "), std::string::npos) << chart.err;
}

// --partial: the whole steps before the damage, the bytes of a file that ends there, status 3 and
// one warning; nothing when no whole step came before the damage.
TEST(CommandLineHabits, PartialKeepsTheWholeStepsBeforeTheDamage) {
  Scratch dir;
  const ResultFile f = Steps({1, 2, 2, 3});
  f.WriteTo(dir.Path("CUT.DAT").string(), f.Ends()[11] + 7);   // inside S2 of the third step
  f.WriteTo(dir.Path("EARLY.DAT").string(), f.Ends()[5] + 2);  // inside S2 of the first step
  Steps({1, 2}).WriteTo(dir.Path("TWO.DAT").string());
  dir.Write("P.DAT", kPoints);
  for (const Args& kind : OneFileKinds()) {
    SCOPED_TRACE(kind[0]);
    auto run = [&](const std::string& result, const std::string& output, bool partial) {
      Args args = {"convert", result, "-o", output, "-q", "--to"};
      args.insert(args.end(), kind.begin(), kind.end());
      if (partial) args.push_back("--partial");
      return dir.Command(args);
    };
    const RunResult whole = run("TWO.DAT", "W.OUT", false);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const RunResult kept = run("CUT.DAT", "K.OUT", true);
    EXPECT_EQ(kept.status, 3);
    EXPECT_TRUE(
        kept.err.starts_with("seepconv: warning: CUT.DAT: step 3 ends early (end of file inside "
                             "record S2) (24); the 2 whole steps before it were written\n"))
        << kept.err;
    EXPECT_EQ(kept.files.at("K.OUT"), whole.files.at("W.OUT"));
    if (kind[0] == "restart") {
      // A selection writes fewer steps than it reads whole: the warning says how many of each.
      const RunResult one = dir.Command(
          {"convert", "CUT.DAT", "-o", "S.OUT", "-q", "--partial", "--steps", "1", "--to", "restart"});
      EXPECT_EQ(one.status, 3);
      EXPECT_TRUE(one.err.ends_with("(24); of the 2 whole steps before it, the 1 selected was written\n"))
          << one.err;
    }
    const RunResult refused = run("CUT.DAT", "N.OUT", false);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.files.count("N.OUT"), 0u);
    const RunResult early = run("EARLY.DAT", "E.OUT", true);
    EXPECT_EQ(early.status, 1);
    EXPECT_EQ(early.err, "seepconv: EARLY.DAT: step 1 ends early (end of file inside record S2) (24)\n");
    EXPECT_EQ(early.files.count("E.OUT"), 0u);
    for (const char* name : {"W.OUT", "K.OUT"}) fs::remove(dir.Path(name));
  }
}

// A file that is no result file is named so, with what its first record's framing shows.
TEST(CommandLineHabits, NotASeepageResultFile) {
  Scratch dir;
  ResultFile shortTitle;
  shortTitle.Record("TITLE").Record(Int4(3));
  const struct {
    const char* name;
    std::string bytes;
    std::string what;
  } cases[] = {
      {"text.dat", "hello world\nsecond line\n",
       "not a seepage result file: it begins with text (\"hello world\") where a record length belongs "
       "(24)"},
      {"empty.dat", "", "not a seepage result file: the file is empty (24)"},
      {"tiny.dat", std::string("\x01\x00", 2),
       "not a seepage result file: 2 bytes, too few for a record length (24)"},
      {"long.dat", Int4(1000) + std::string(20, '\0'),
       "not a seepage result file: its first record claims 1000 bytes, more than the file holds (24)"},
      {"title.dat", shortTitle.Bytes(),
       "not a seepage result file: its first record holds 5 bytes, fewer than the 80 of a title (67)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write(c.name, c.bytes);
    const RunResult info = dir.Command({"info", c.name});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "");
    EXPECT_EQ(info.err, "seepconv: " + std::string(c.name) + ": " + c.what + "\n");
    const RunResult convert = dir.Command({"convert", c.name, "--to", "tecplot", "-o", "T.TEC"});
    EXPECT_EQ(convert.status, 1);
    EXPECT_EQ(convert.err, "seepconv: " + std::string(c.name) + ": " + c.what + "\n");
    EXPECT_EQ(convert.files.count("T.TEC"), 0u);
  }
}

// `-` reads the result file from standard input; info tells the bytes it read, also from a pipe.
TEST(CommandLineHabits, ResultFileFromStandardInputAndPipes) {
  Scratch dir;
  const ResultFile f = Steps({1, 2, 2, 3});
  f.WriteTo(dir.Path("R.DAT").string());
  const RunResult byName = dir.Command({"convert", "R.DAT", "--to", "femap", "-o", "N.neu", "-q"});
  const RunResult piped = dir.Command({"convert", "-", "--to", "femap", "-o", "S.neu", "-q"}, f.Bytes());
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.files.at("S.neu"), byName.files.at("N.neu"));
  const RunResult info = dir.Command({"info", "-"}, f.Bytes());
  EXPECT_EQ(info.status, 0);
  const RunResult infoByName = dir.Command({"info", "R.DAT"});
  const std::size_t eol = info.out.find('\n');
  EXPECT_TRUE(info.out.starts_with("File       standard input (") &&
              info.out.substr(0, eol).ends_with(" read)"))
      << info.out;
  EXPECT_EQ(info.out.substr(eol), infoByName.out.substr(infoByName.out.find('\n')));
  const RunResult json = dir.Command({"info", "-", "--json"}, f.Bytes());
  EXPECT_NE(json.out.find("\"bytes\": " + std::to_string(f.Size()) + ",\n"), std::string::npos) << json.out;
#ifndef _WIN32
  if (WindowsProgram()) return;
  // A named pipe: the bytes written into it are the size told.
  ASSERT_EQ(::mkfifo(dir.Path("F.PIPE").c_str(), 0600), 0);
  const std::string feed = "cd '" + dir.Dir().string() + "' && timeout 20 sh -c 'cat R.DAT > F.PIPE' &";
  ASSERT_EQ(std::system(feed.c_str()), 0);
  const RunResult pipe = dir.Command({"info", "F.PIPE", "--json"});
  EXPECT_EQ(pipe.status, 0) << pipe.err;
  EXPECT_NE(pipe.out.find("\"bytes\": " + std::to_string(f.Size()) + ",\n"), std::string::npos) << pipe.out;
#endif
}

// An output name tells the kind when --to is missing, and a .vtu name holds one step's grid.
TEST(CommandLineHabits, KindFromTheOutputName) {
  Scratch dir;
  Steps({1, 2, 2, 3}).WriteTo(dir.Path("R.DAT").string());
  // Each kind's extension, in capitals for every other kind: case does not matter.
  bool capitals = false;
  for (const OutputKind* k : OutputKinds()) {
    if (k->command != "convert" || k->ownFiles || k->Takes(kNeedsPoints)) continue;
    struct {
      std::string kind, name;
    } c{std::string(k->name), "K" + std::string(k->extension)};
    if ((capitals = !capitals))
      for (char& ch : c.name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    SCOPED_TRACE(c.kind);
    const RunResult named = dir.Command({"convert", "R.DAT", "-o", c.name});
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_TRUE(named.err.starts_with("wrote " + std::string(c.name) + " (" + c.kind +
                                      ", from its extension): 4 steps, "))
        << named.err;
    const RunResult told = dir.Command({"convert", "R.DAT", "--to", c.kind, "-o", "T.OUT", "-q"});
    EXPECT_EQ(named.files.at(c.name), told.files.at("T.OUT"));
    fs::remove(dir.Path(c.name));
  }
  // One step as one grid file, the bytes of that step's file in a collection.
  ASSERT_EQ(dir.Command({"convert", "R.DAT", "--to", "vtu", "-o", "C.pvd", "-q"}).status, 0);
  const RunResult one = dir.Command({"convert", "R.DAT", "-o", "one.vtu", "--steps", "last"});
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_TRUE(one.err.starts_with("wrote one.vtu (vtu, from its extension): 1 step, ")) << one.err;
  EXPECT_EQ(one.files.at("one.vtu"), dir.Read("C/C_0004.vtu"));
  EXPECT_FALSE(dir.Exists("one"));
  EXPECT_FALSE(dir.Exists("one.pvd"));
}

// Outputs named oddly: a folder, a folder for the step files taken by a file, a collection name
// without extension, a link to a file not there yet.
TEST(CommandLineHabits, OutputNamesThatAreNoPlainFile) {
  Scratch dir;
  Steps({1, 2}).WriteTo(dir.Path("R.DAT").string());
  fs::create_directory(dir.Path("d1"));
  dir.Write("f1", "a file\n");
  const struct {
    Args args;
    std::string err;
  } cases[] = {
      {{"convert", "R.DAT", "--to", "tecplot", "-o", "d1/"},
       "seepconv: d1/: is a folder: name the output file\n"},
      {{"convert", "R.DAT", "--to", "tecplot", "-o", "d1"},
       "seepconv: d1: is a folder: name the output file\n"},
      {{"plot", "R.DAT", "-o", "new/"}, "seepconv: new/: is a folder: name the output file\n"},
      {{"convert", "R.DAT", "--to", "vtu", "-o", "f1.pvd"},
       "seepconv: f1.pvd: cannot make folder f1/ for the step files: a file of that name exists\n"},
      {{"convert", "R.DAT", "--to", "vtu", "-o", "f1"},
       "seepconv: f1.pvd: cannot make folder f1/ for the step files: a file of that name exists\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.files.size(), 2u);  // R.DAT and f1
    EXPECT_TRUE(fs::is_empty(dir.Path("d1")));
    EXPECT_FALSE(dir.Exists("new"));
  }
  // A collection named without extension gets .pvd, its folder the name.
  const RunResult bare = dir.Command({"convert", "R.DAT", "--to", "vtu", "-o", "coll"});
  EXPECT_EQ(bare.status, 0) << bare.err;
  EXPECT_TRUE(bare.err.starts_with("wrote coll.pvd: 2 steps, ")) << bare.err;
  EXPECT_TRUE(dir.Exists("coll.pvd") && dir.Exists("coll/coll_0002.vtu"));
  if (WindowsProgram()) return;
  // A dangling link: its file is made, the link stays.
  fs::create_symlink("made.tec", dir.Path("link.tec"));
  const RunResult link = dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "link.tec", "-q"});
  EXPECT_EQ(link.status, 0) << link.err;
  EXPECT_TRUE(fs::is_symlink(dir.Path("link.tec")));
  const RunResult plain = dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "plain.tec", "-q"});
  EXPECT_EQ(link.files.at("made.tec"), plain.files.at("plain.tec"));
}

// The progress line on a narrow terminal: cut to its width, with the step among the file's steps and,
// for several files, the file's name; a batch ends with the count of files converted and failed.
TEST(CommandLineHabits, ProgressFitsTheTerminal) {
  if (WindowsProgram()) GTEST_SKIP() << "a pseudo-terminal is a POSIX feature";
  Scratch dir;
  const ResultFile f = Steps({1, 2, 2, 3});
  f.WriteTo(dir.Path("a_long_result_file_name.res").string());
  f.WriteTo(dir.Path("b.res").string(), f.Ends()[5] + 3);  // inside the first step
  f.WriteTo(dir.Path("c.res").string());
  const RunResult one =
      dir.CommandOnTerminal({"convert", "a_long_result_file_name.res", "--to", "tecplot", "-o", "A.TEC"}, 40);
  EXPECT_EQ(one.status, 0);
  EXPECT_NE(one.err.find("step 1/4"), std::string::npos) << one.err;
  const RunResult batch = dir.CommandOnTerminal(
      {"convert", "a_long_result_file_name.res", "b.res", "c.res", "--to", "tecplot", "-j", "1"}, 40);
  EXPECT_EQ(batch.status, 1);
  EXPECT_NE(batch.err.find("c.res step 1/4"), std::string::npos) << batch.err;
  EXPECT_TRUE(batch.err.ends_with("2 converted, 1 failed\r\n") ||
              batch.err.ends_with("2 converted, 1 failed\n"))
      << batch.err;
  for (const RunResult* r : {&one, &batch}) {
    // Every piece drawn in place, between carriage returns, stays within the 40 columns.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= r->err.size(); ++i) {
      if (i == r->err.size() || r->err[i] == '\r' || r->err[i] == '\n') {
        const std::string piece = r->err.substr(start, i - start);
        if (!piece.starts_with("seepconv: ") && !piece.starts_with("wrote ")) {
          EXPECT_LT(piece.size(), 40u) << piece;
        }
        start = i + 1;
      }
    }
  }
}

}  // namespace
}  // namespace seep::test
