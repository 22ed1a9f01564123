// Nothing lost, nothing left behind: the command line as scripts and people really run it, through the
// real program. Devices (a node made in the scratch folder, never the system's own), standard output
// appended to, pipes whose reader goes, signals at several moments of a conversion, work files, VTU
// collections, runs side by side, inputs in the way, long names, permissions and control characters.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/child.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

// A rectangular mesh of nx × ny nodes, one quadrilateral per cell (every seventh a triangle with
// L = K), heads and velocities that differ with the step and with `seed`.
ResultFile Grid(int nx, int ny, int steps, double seed = 0) {
  std::vector<Node> nodes;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) nodes.push_back({1.0 * i, 0.5 * j});
  }
  std::vector<Element> elements;
  for (int j = 0; j + 1 < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      const int a = j * nx + i + 1;
      const int k = static_cast<int>(elements.size()) + 1;
      elements.push_back(k % 7 == 0 ? Element{a, a + 1, a + nx + 1, a + nx + 1, 1}
                                    : Element{a, a + 1, a + nx + 1, a + nx, 1 + k % 3});
    }
  }
  ResultFile f;
  f.Header("GRID", nodes, elements);
  for (int s = 1; s <= steps; ++s) {
    std::vector<NodeValues> nv;
    for (const Node& n : nodes) nv.push_back({0, std::sin(0.1 * n.x + s + seed) - 0.2 * n.y, 1e-3 * s});
    std::vector<ElementValues> ev;
    for (std::size_t e = 0; e < elements.size(); ++e) ev.push_back({1e-4 * (s + seed), -2e-5 * e});
    f.Step(s, 3600.0 * s, nv, ev);
  }
  return f;
}

const char kPoints[] = "3\n0.5 0.5\n2.5 0.4\n99 99\n";

struct Kind {
  std::string name;  // --to, or "pictures" / "history" for plot
  std::string out;   // the target
};

const Kind kLegacy[] = {{"restart", "O.rst"},  {"tecplot", "O.tec"}, {"femap", "O.neu"},
                        {"microavs", "O.inp"}, {"igpost", "O.igp"},  {"interp", "O.his"}};
const Kind kOwnFiles[] = {{"vtu", "O.pvd"}, {"pictures", "O.svg"}, {"history", "O_history.svg"}};

std::vector<std::string> Args(const Kind& k, const std::string& input, const std::string& output) {
  if (k.name == "pictures") return {"plot", input, "--steps", "all", "-o", output, "-q"};
  if (k.name == "history") return {"plot", input, "--points", "P.DAT", "-o", output, "-q"};
  std::vector<std::string> a = {"convert", input, "--to", k.name, "-o", output, "-q"};
  if (k.name == "interp") a.insert(a.end(), {"--points", "P.DAT"});
  return a;
}

// Every file and folder under `dir` by its path there: a file's bytes, "<folder>" or "<other>".
std::map<std::string, std::string> Tree(const fs::path& dir) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).string();
    if (e.is_symlink()) {
      tree[name] = "<link>";
    } else if (e.is_regular_file()) {
      tree[name] = ReadFile(e.path());
    } else {
      tree[name] = e.is_directory() ? "<folder>" : "<other>";
    }
  }
  return tree;
}

// The names in a tree, for messages.
std::string Names(const std::map<std::string, std::string>& tree) {
  std::string names;
  for (const auto& [name, bytes] : tree) names += name + " ";
  return names;
}

// What differs between two trees, for messages: names gone, new, changed.
std::string Difference(const std::map<std::string, std::string>& before,
                       const std::map<std::string, std::string>& after) {
  std::string text;
  for (const auto& [name, bytes] : before) {
    if (after.count(name) == 0)
      text += "gone: " + name + "\n";
    else if (after.at(name) != bytes)
      text += "changed: " + name + "\n";
  }
  for (const auto& [name, bytes] : after) {
    if (before.count(name) == 0) text += "new: " + name + "\n";
  }
  return text;
}

// ---- Devices, standard output and pipes ----

// Every kind written to `device` in `dir` (which holds R.DAT and P.DAT): written in place, never renamed
// over, never given numbered neighbours, nothing else made in the folder.
void ExpectWrittenInPlace(Scratch& dir, const std::string& device) {
  const auto before = Tree(dir.Dir());
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {Args(kLegacy[0], "R.DAT", device), 0, ""},
      {Args(kLegacy[1], "R.DAT", device), 0, ""},
      {Args(kLegacy[2], "R.DAT", device), 0, ""},
      {Args(kLegacy[3], "R.DAT", device), 0, ""},
      {Args(kLegacy[4], "R.DAT", device), 0, ""},
      {Args(kLegacy[5], "R.DAT", device), 0, ""},
      {{"plot", "R.DAT", "-o", device, "-q"}, 0, ""},
      {{"flux", "R.DAT", "--section", "0.5,0 0.5,1", "--csv", "-o", device, "-q"}, 0, ""},
      {Args(kOwnFiles[2], "R.DAT", device), 0, ""},
      {Args(kOwnFiles[1], "R.DAT", device), 2,
       "seepconv: -o " + device +
           ": --steps selects several pictures, and a device or pipe takes one; name a file\n"
           "Try 'seepconv plot --help'.\n"},
      {Args(kOwnFiles[0], "R.DAT", device), 2,
       "seepconv: -o " + device +
           ": --to vtu writes a folder of files and a collection; name a file, not a device or "
           "pipe\nTry 'seepconv convert --help'.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[3] + " -o " + device);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(Tree(dir.Dir()) == before) << Difference(before, Tree(dir.Dir()));
  }
}

// Windows keeps device names in every folder, in either case and with any extension, as \\.\ names
// too: NUL is written as /dev/null is.
TEST(NothingLostDevices, WindowsNulWrittenInPlace) {
  if (!WindowsProgram()) GTEST_SKIP() << "checks the Windows program (SEEPCONV_PLATFORM=windows)";
  Scratch dir;
  Grid(4, 3, 3).WriteTo(dir.Path("R.DAT").string());
  dir.Write("P.DAT", "2\n0.5 0.5\n2.5 0.4\n");  // both inside: no warning
  fs::create_directory(dir.Path("SUB"));
  for (const char* device : {"NUL", "nul.svg", "\\\\.\\NUL", "SUB\\Nul"}) ExpectWrittenInPlace(dir, device);
}

#ifndef _WIN32

// As root a device node in the scratch folder (the null device's numbers) stands for /dev/null.
TEST(NothingLostDevices, WrittenDirectlyAndNeverReplaced) {
  if (WindowsProgram()) GTEST_SKIP() << "device nodes are a POSIX feature";
  if (::geteuid() != 0) GTEST_SKIP() << "a device node is made with mknod, which needs root";
  Scratch dir;
  Grid(4, 3, 3).WriteTo(dir.Path("R.DAT").string());
  dir.Write("P.DAT", "2\n0.5 0.5\n2.5 0.4\n");  // both inside: no warning
  ASSERT_EQ(::mknod(dir.Path("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
  ExpectWrittenInPlace(dir, "null");
}

// `-o -` and `-o /dev/stdout` write standard output as it is: the bytes of a file target, and after
// the lines already there when it was opened for appending. As root the converter runs as the user
// nobody here, who may not write /dev/stdout's own node: a converter that renamed over it could not.
TEST(NothingLostStandardOutput, WrittenAsItIsAndAppendedTo) {
  if (WindowsProgram()) GTEST_SKIP() << "/dev/stdout is a POSIX name";
  Scratch dir;
  Grid(5, 4, 3).WriteTo(dir.Path("R.DAT").string());
  dir.Write("P.DAT", kPoints);
  for (const Kind& k : kLegacy) {
    SCOPED_TRACE(k.name);
    const std::string reference = dir.Command(Args(k, "R.DAT", "REF")).files.at("REF");
    fs::remove(dir.Path("REF"));
    for (const char* name : {"-", "/dev/stdout"}) {
      const RunResult r = dir.Command(Args(k, "R.DAT", name), {}, true);
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, reference);
      EXPECT_EQ(r.files.size(), 2u);
    }
    dir.Write("log.txt", "earlier lines\n");
    Child child(
        {dir.Dir(), Args(k, "R.DAT", "/dev/stdout"), Child::Out::kAppend, dir.Path("log.txt"), {}, true});
    EXPECT_EQ(child.Wait(60), 0) << child.Err();
    EXPECT_EQ(dir.Read("log.txt"), "earlier lines\n" + reference);
    fs::remove(dir.Path("log.txt"));
  }
  const RunResult picture = dir.Command({"plot", "R.DAT", "-o", "/dev/stdout", "-q"}, {}, true);
  EXPECT_EQ(picture.status, 0) << picture.err;
  EXPECT_TRUE(picture.out.ends_with("</svg>\n")) << picture.out.size();
}

// A reader that goes away ends the run at once, as SIGPIPE ends it (status 141), with no temporary or
// work file left, here or in the temporary folder.
TEST(NothingLostPipes, ClosedReaderEndsTheRunAndLeavesNothing) {
  if (WindowsProgram()) GTEST_SKIP() << "SIGPIPE is a POSIX signal";
  Scratch dir;
  Grid(120, 80, 6).WriteTo(dir.Path("BIG.DAT").string());
  dir.Write("P.DAT", kPoints);
  fs::create_directory(dir.Path("tmp"));
  const auto before = Tree(dir.Dir());
  std::vector<Kind> kinds(std::begin(kLegacy), std::end(kLegacy));
  kinds.push_back({"picture", ""});
  for (const Kind& k : kinds) {
    if (k.name == "interp") continue;  // a few hundred bytes in all: the reader takes them whole
    SCOPED_TRACE(k.name);
    const std::vector<std::string> args =
        k.name == "picture" ? std::vector<std::string>{"plot", "BIG.DAT", "-o", "-", "--mesh", "-q"}
                            : Args(k, "BIG.DAT", "-");
    Child child({dir.Dir(), args, Child::Out::kPipe, {}, dir.Path("tmp")});
    EXPECT_EQ(child.ReadSome(100, 60).size(), 100u);
    child.CloseReader();
    EXPECT_EQ(child.Wait(60), 141);
    EXPECT_EQ(child.Err(), "");
    EXPECT_TRUE(Tree(dir.Dir()) == before) << Difference(before, Tree(dir.Dir()));
  }
}

// ---- Interruption ----

struct Moment {
  int signal;
  double share;  // of the input read when the signal is sent
};

const Moment kMoments[] = {{SIGINT, 0.05}, {SIGTERM, 0.35}, {SIGHUP, 0.7}};

// What `args` leaves when it runs to its end from the state of `dir`: run on a copy.
std::map<std::string, std::string> Completed(const Scratch& dir, const std::vector<std::string>& args) {
  Scratch copy;
  fs::copy(dir.Dir(), copy.Dir(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  EXPECT_EQ(copy.Command(args).status, 0);
  return Tree(copy.Dir());
}

// Starts `args`, signals it when `share` of `inputBytes` is read, and checks what it left. A single
// conversion leaves everything as it was, or, when the signal came after its last rename, what it
// leaves when it runs to its end; side by side (and pictures, written one by one) every file is as it
// was or as a complete run writes it, and nothing else is there. True when the signal caught the run.
bool InterruptOnce(const Scratch& dir, const std::vector<std::string>& args, std::uint64_t inputBytes,
                   const Moment& m, bool oneByOne) {
  const auto before = Tree(dir.Dir());
  const auto completed = Completed(dir, args);
  Child child({dir.Dir(), args, Child::Out::kNull, {}, dir.Path("tmp")});
  const auto start = std::chrono::steady_clock::now();
  while (child.BytesRead() < static_cast<std::uint64_t>(m.share * static_cast<double>(inputBytes)) &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  child.Signal(m.signal);
  const int status = child.Wait(60);
  const auto after = Tree(dir.Dir());
  if (status != 0) {  // else it ended before the signal came
    EXPECT_EQ(status, 128 + m.signal);
    // A signal after the last rename may follow the run's own warnings; before it, nothing else is said.
    const std::string err = child.Err();
    if (after == completed && !oneByOne) {
      EXPECT_TRUE(err.ends_with("seepconv: interrupted\n")) << err;
    } else {
      EXPECT_EQ(err, "seepconv: interrupted\n") << err;
    }
  }
  if (!oneByOne) {
    EXPECT_TRUE(after == before || after == completed) << Difference(before, after);
  } else {
    for (const auto& [name, bytes] : before) EXPECT_EQ(after.count(name), 1u) << "gone: " << name;
    for (const auto& [name, bytes] : after) {
      const bool old = before.count(name) != 0 && before.at(name) == bytes;
      const bool whole = completed.count(name) != 0 && completed.at(name) == bytes;
      EXPECT_TRUE(old || whole) << name;
    }
  }
  // Outputs not there before go, so that every moment starts alike.
  for (const auto& [name, bytes] : after) {
    if (before.count(name) == 0) fs::remove_all(dir.Path(name));
  }
  return status != 0;
}

// SIGINT, SIGTERM and SIGHUP at several moments of a conversion of every kind: the run ends as the
// signal ends it, says so in one line, and leaves every target as it was and no temporary anywhere.
TEST(NothingLostSignals, EveryKindEveryMomentLeavesTheTargetsAsTheyWere) {
  if (WindowsProgram()) GTEST_SKIP() << "POSIX signals";
  Scratch dir;
  const ResultFile big = Grid(150, 100, 16);
  big.WriteTo(dir.Path("BIG.DAT").string());
  dir.Write("P.DAT", kPoints);
  fs::create_directory(dir.Path("tmp"));
  std::vector<Kind> kinds(std::begin(kLegacy), std::end(kLegacy));
  kinds.insert(kinds.end(), std::begin(kOwnFiles), std::end(kOwnFiles));
  // An earlier target of every kind, and an earlier collection made from another file.
  Grid(4, 3, 5, 1).WriteTo(dir.Path("OLD.DAT").string());
  for (const Kind& k : kinds) {
    if (k.name != "pictures") {
      ASSERT_EQ(dir.Command(Args(k, "OLD.DAT", k.out)).status, 0);
    }
  }
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.name);
    int caught = 0;
    for (const Moment& m : kMoments) {
      SCOPED_TRACE(m.share);
      caught += InterruptOnce(dir, Args(k, "BIG.DAT", k.out), big.Size(), m, k.name == "pictures");
    }
    EXPECT_GT(caught, 0) << "no run was caught mid-way: the input is too small for this machine";
  }
}

// Several conversions side by side (-j 2), interrupted: the temporaries of all of them go.
TEST(NothingLostSignals, SideBySideRunsLeaveNothing) {
  if (WindowsProgram()) GTEST_SKIP() << "POSIX signals";
  Scratch dir;
  const ResultFile big = Grid(150, 100, 10);
  for (const char* name : {"a.res", "b.res", "c.res", "d.res"}) big.WriteTo(dir.Path(name).string());
  fs::create_directory(dir.Path("tmp"));
  for (const char* kind : {"tecplot", "microavs", "vtu"}) {
    SCOPED_TRACE(kind);
    int caught = 0;
    for (const Moment& m : kMoments) {
      const std::vector<std::string> args = {"convert", "a.res", "b.res", "c.res", "d.res",
                                             "--to",    kind,    "-j",    "2",     "-q"};
      caught += InterruptOnce(dir, args, 4 * big.Size(), m, true);
    }
    EXPECT_GT(caught, 0);
  }
}

#endif  // _WIN32

// ---- Work files, collections and runs side by side ----

// The MicroAVS work file has a name no file had: an input or a file named like the old work file is
// never taken over.
TEST(NothingLostWorkFiles, NeverAnExistingFile) {
  Scratch dir;
  Grid(5, 4, 3).WriteTo(dir.Path("CASE.tmp").string());
  const RunResult reference = dir.Command({"convert", "CASE.tmp", "--to", "microavs", "-o", "REF", "-q"});
  ASSERT_EQ(reference.status, 0) << reference.err;
  dir.Write("out.inp.tmp", "someone's notes\n");
  for (const char* target : {"CASE", "out.inp"}) {
    SCOPED_TRACE(target);
    const RunResult r = dir.Command({"convert", "CASE.tmp", "--to", "microavs", "-o", target, "-q"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.files.at(target), reference.files.at("REF"));
    EXPECT_EQ(r.files.at("CASE.tmp"), Grid(5, 4, 3).Bytes());
    EXPECT_EQ(r.files.at("out.inp.tmp"), "someone's notes\n");
  }
  EXPECT_EQ(Tree(dir.Dir()).size(), 5u) << Names(Tree(dir.Dir()));
}

// A VTU collection is replaced whole: a rerun with fewer steps leaves no stale step file, a failed run
// leaves the old collection as it was, and a failed first run leaves no folder.
TEST(NothingLostCollections, ReplacedWholeOrNotAtAll) {
  Scratch dir;
  Grid(5, 4, 4).WriteTo(dir.Path("FOUR.DAT").string());
  Grid(5, 4, 2, 1).WriteTo(dir.Path("TWO.DAT").string());
  const ResultFile three = Grid(5, 4, 3, 2);
  three.WriteTo(dir.Path("CUT.DAT").string(), three.Ends()[9] + 5);  // inside the third step
  const auto inputs = Tree(dir.Dir());
  const RunResult failedFirst = dir.Command({"convert", "CUT.DAT", "--to", "vtu", "-o", "out.pvd"});
  EXPECT_EQ(failedFirst.status, 1);
  EXPECT_TRUE(Tree(dir.Dir()) == inputs) << Difference(inputs, Tree(dir.Dir()));

  ASSERT_EQ(dir.Command({"convert", "FOUR.DAT", "--to", "vtu", "-o", "out.pvd", "-q"}).status, 0);
  ASSERT_EQ(dir.Command({"convert", "TWO.DAT", "--to", "vtu", "-o", "out.pvd", "-q"}).status, 0);
  auto two = Tree(dir.Dir());
  EXPECT_EQ(two.count("out/out_0002.vtu"), 1u);
  EXPECT_EQ(two.count("out/out_0003.vtu"), 0u) << "a step file of the earlier run was left";
  const RunResult failed = dir.Command({"convert", "CUT.DAT", "--to", "vtu", "-o", "out.pvd"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(Tree(dir.Dir()) == two) << Difference(two, Tree(dir.Dir()));
}

#ifndef _WIN32

// Two runs on one target at once, from two inputs: the target is always the whole output of one of
// them, for a single file built through a work file and for a collection.
TEST(NothingLostSideBySide, LastRunWinsWhole) {
  if (WindowsProgram()) GTEST_SKIP() << "started side by side with fork";
  Scratch dir;
  Grid(60, 40, 6).WriteTo(dir.Path("A.DAT").string());
  Grid(60, 40, 3, 5).WriteTo(dir.Path("B.DAT").string());
  const auto inputs = Tree(dir.Dir());
  for (const Kind& k : {Kind{"microavs", "O.inp"}, Kind{"vtu", "O.pvd"}}) {
    SCOPED_TRACE(k.name);
    std::map<std::string, std::string> outputs[2];
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(dir.Command(Args(k, i == 0 ? "A.DAT" : "B.DAT", k.out)).status, 0);
      outputs[i] = Tree(dir.Dir());
    }
    for (int pair = 0; pair < 6; ++pair) {
      Child a({dir.Dir(), Args(k, "A.DAT", k.out), Child::Out::kNull, {}, {}});
      Child b({dir.Dir(), Args(k, "B.DAT", k.out), Child::Out::kNull, {}, {}});
      EXPECT_EQ(a.Wait(60), 0) << a.Err();
      EXPECT_EQ(b.Wait(60), 0) << b.Err();
      const auto after = Tree(dir.Dir());
      EXPECT_TRUE(after == outputs[0] || after == outputs[1]) << Names(after);
    }
    for (const auto& [name, bytes] : Tree(dir.Dir())) {
      if (inputs.count(name) == 0) fs::remove_all(dir.Path(name));
    }
  }
}

#endif  // _WIN32

// Several inputs of one command whose outputs are one file, or whose output is another's input, are
// refused before anything is written, naming them.
TEST(NothingLostSideBySide, CollidingOutputsRefusedBeforeWriting) {
  Scratch dir;
  for (const char* name : {"x.res", "x.dat", "y.DAT", "w.tec"})
    Grid(4, 3, 2).WriteTo(dir.Path(name).string());
  fs::create_hard_link(dir.Path("w.tec"), dir.Path("h.DAT"));
  fs::create_directory(dir.Path("sub"));
  const auto inputs = Tree(dir.Dir());
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"convert", "x.res", "x.dat", "--to", "microavs", "-j", "2"},
       "seepconv: x.res and x.dat would both write x.inp; convert them one at a time with -o\n"},
      {{"convert", "x.res", "y.DAT", "x.dat", "--to", "tecplot"},
       "seepconv: x.res and x.dat would both write x.tec; convert them one at a time with -o\n"},
      {{"convert", "w.DAT", "h.DAT", "--to", "tecplot"},  // h.DAT is w.tec by another name
       "seepconv: the output of w.DAT would replace h.DAT, an input of this command; convert them one at a "
       "time with -o\n"},
      // Outputs not there yet, named two ways.
      {{"convert", "x.res", "./x.dat", "--to", "tecplot", "-j", "2"},
       "seepconv: x.res and ./x.dat would both write x.tec; convert them one at a time with -o\n"},
      {{"convert", "x.res", (dir.Dir() / "x.dat").string(), "--to", "vtu"},
       "seepconv: x.res and " + (dir.Dir() / "x.dat").string() +
           " would both write x.pvd; convert them one at a time with -o\n"},
      {{"convert", "x.res", "sub/../x.dat", "--to", "igpost"},
       "seepconv: x.res and sub/../x.dat would both write x.igp; convert them one at a time with -o\n"},
  };
  for (const auto& c : cases) {
    // The Windows C runtime gives a file no inode, so a hard link there is the same file by name only.
    if (WindowsProgram() && c.args[2] == "h.DAT") continue;
    SCOPED_TRACE(c.err);
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.err + TryHelp(c.args));
    EXPECT_TRUE(Tree(dir.Dir()) == inputs) << Difference(inputs, Tree(dir.Dir()));
  }
}

// ---- Inputs, names, permissions ----

// No output replaces an input: the point file by name or through a link, a result file named like a
// numbered picture, a result file inside the folder a collection replaces.
TEST(NothingLostInputs, NeverReplacedByAnOutput) {
  Scratch dir;
  Grid(4, 3, 3).WriteTo(dir.Path("R.DAT").string());
  Grid(4, 3, 3).WriteTo(dir.Path("A_0002.svg").string());
  fs::create_directory(dir.Path("out"));
  Grid(4, 3, 3).WriteTo(dir.Path("out/R.DAT").string());
  dir.Write("P.DAT", kPoints);
  dir.Write("P.svg", kPoints);  // a point file named as a picture would be
  fs::create_hard_link(dir.Path("P.DAT"), dir.Path("HARD.DAT"));
  if (!WindowsProgram()) fs::create_symlink("P.svg", dir.Path("SOFT.svg"));
  dir.Write("S.TXT", "S1: 0.5,0 0.5,1\n");
  dir.Write("sec.svg", "S1: 0.5,0 0.5,1\n");
  fs::create_directory(dir.Path("sub"));
  const auto inputs = Tree(dir.Dir());
  const char kPoint[] = "the output would replace the point file; name another with -o\n";
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"convert", "R.DAT", "--to", "interp", "--points", "P.DAT", "-o", "P.DAT"},
       "seepconv: P.DAT: " + std::string(kPoint)},
      {{"plot", "R.DAT", "--points", "P.svg", "-o", "P.svg"}, "seepconv: P.svg: " + std::string(kPoint)},
      {{"convert", "R.DAT", "--to", "interp", "--points", "P.DAT", "-o", "HARD.DAT"},
       "seepconv: HARD.DAT: " + std::string(kPoint)},
      {{"plot", "R.DAT", "--points", "SOFT.svg", "-o", "P.svg"}, "seepconv: P.svg: " + std::string(kPoint)},
      {{"plot", "A_0002.svg", "--steps", "1:2", "-o", "A.svg", "-q"},
       "seepconv: A_0002.svg: the output would replace the result file; name another with -o\n"},
      {{"convert", "out/R.DAT", "--to", "vtu", "-o", "out.pvd"},
       "seepconv: out.pvd: the output replaces the folder out, which holds the result file; name another "
       "with -o\n"},
      {{"report", "R.DAT", "--sections", "S.TXT", "-o", "S.TXT"},
       "seepconv: S.TXT: the output would replace the sections file; name another with -o\n"},
      {{"report", "R.DAT", "--sections", "S.TXT", "-o", "./S.TXT"},
       "seepconv: ./S.TXT: the output would replace the sections file; name another with -o\n"},
      {{"plot", "R.DAT", "--sections", "sec.svg", "-o", "sec.svg"},
       "seepconv: sec.svg: the output would replace the sections file; name another with -o\n"},
      {{"convert", "R.DAT", "--to", "interp", "--points", "P.DAT", "-o", "sub/../P.DAT"},
       "seepconv: sub/../P.DAT: " + std::string(kPoint)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    if (WindowsProgram() && c.args[3] == "SOFT.svg") continue;
    const RunResult r = dir.Command(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    auto after = Tree(dir.Dir());
    after.erase("A_0001.svg");  // the first picture, drawn before the second was refused
    EXPECT_TRUE(after == inputs) << Difference(inputs, after);
  }
}

// A name the system refuses, anywhere on the command line, gives one line and status 1.
TEST(NothingLostNames, OverlongNamesGiveOneLine) {
  Scratch dir;
  Grid(4, 3, 2).WriteTo(dir.Path("R.DAT").string());
  const std::string longName(300, 'x');
  const std::vector<std::string> cases[] = {
      {"plot", "R.DAT", "--points", longName},
      {"convert", "R.DAT", "--to", "interp", "--points", longName},
      {"convert", "R.DAT", "--to", "vtu", "-o", longName + ".pvd"},
      {"convert", "R.DAT", "--to", "tecplot", "-o", longName},
      {"plot", "R.DAT", "-o", longName + ".svg"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args[3]);
    const RunResult r = dir.Command(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("seepconv: xxx")) << r.err;
    // The Windows C runtime reports a name part beyond its limit as a file not found, or a folder not
    // found when the name is given in its long form.
    EXPECT_TRUE((WindowsProgram() ? r.err.ends_with(" (29)\n") || r.err.ends_with(" (30)\n")
                                  : r.err.ends_with(" (43)\n")))
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.files.size(), 1u);
  }
}

// Control characters of a name are escaped in a message, which stays one line.
TEST(NothingLostNames, ControlCharactersEscaped) {
  Scratch dir;
  const RunResult r = dir.Command({"convert", "R\nX\x1b[2J\t.DAT", "--to", "tecplot"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "seepconv: R\\nX\\x1b[2J\\t.DAT: file not found (29)\n");
  const RunResult usage = dir.Command({"convert", "R.DAT", "--to", "tec\rplot"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_TRUE(usage.err.starts_with("seepconv: unknown output kind 'tec\\rplot' (one of ")) << usage.err;
}

#ifndef _WIN32

// A replaced file keeps its mode; a file the user may not write is refused as a redirection refuses it,
// even where the folder would let it be replaced.
TEST(NothingLostPermissions, ModeKeptAndReadOnlyTargetsRefused) {
  if (WindowsProgram()) GTEST_SKIP() << "POSIX file modes";
  Scratch dir;
  Grid(4, 3, 2).WriteTo(dir.Path("R.DAT").string());
  for (const fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0664)}) {
    dir.Write("kept.tec", "old\n");
    fs::permissions(dir.Path("kept.tec"), mode);
    EXPECT_EQ(dir.Command({"convert", "R.DAT", "--to", "tecplot", "-o", "kept.tec", "-q"}).status, 0);
    EXPECT_EQ(fs::status(dir.Path("kept.tec")).permissions(), mode);
  }
  fs::permissions(dir.Dir(), fs::perms::all);  // anyone may replace a file here
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"convert", "R.DAT", "--to", "tecplot", "-o", "ro"},
        {"convert", "R.DAT", "--to", "vtu", "-o", "ro.pvd"},
        {"plot", "R.DAT", "-o", "ro.svg"}}) {
    const std::string ro = args.back();
    SCOPED_TRACE(ro);
    dir.Write(ro, "old\n");
    fs::permissions(dir.Path(ro), fs::perms(0444));
    const RunResult r = dir.Command(args, {}, true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "seepconv: " + ro + ": permission denied (9)\n");
    EXPECT_EQ(r.files.at(ro), "old\n");
    EXPECT_EQ(Tree(dir.Dir()).size(), 3u) << Names(Tree(dir.Dir()));
    fs::remove(dir.Path(ro));
  }
}

// A full device, through a link, for every kind that writes one file: one line, no temporary file. As
// the user nobody, so that /dev/full itself could never be replaced.
TEST(NothingLostDevices, FullDeviceEveryKind) {
  if (WindowsProgram()) GTEST_SKIP() << "/dev/full is a Linux device";
  Scratch dir;
  Grid(30, 20, 3).WriteTo(dir.Path("R.DAT").string());
  dir.Write("P.DAT", kPoints);
  dir.MakeFullDevice("FULL");
  std::vector<Kind> kinds(std::begin(kLegacy), std::end(kLegacy));
  kinds.push_back(kOwnFiles[2]);
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.name);
    const RunResult r = dir.Command(Args(k, "R.DAT", "FULL"), {}, true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "seepconv: FULL: no space left on device (38)\n");
    EXPECT_EQ(r.files.size(), 2u);
  }
}

#endif  // _WIN32

// ---- Second pass: a user's folder, name spellings, special paths ----

// A folder that the program did not make is never replaced: one of the user's under the collection's
// name (given or default) is refused before anything is written; a step folder of ours with a stray
// file in it too. One of ours is replaced, and keeps its mode.
TEST(NothingLostFolders, OnlyStepFoldersOfOursAreReplaced) {
  Scratch dir;
  Grid(4, 3, 3).WriteTo(dir.Path("R.DAT").string());
  Grid(4, 3, 3).WriteTo(dir.Path("case1.res").string());
  fs::create_directories(dir.Path("mydata/deep"));
  dir.Write("mydata/deep/keep.txt", "keep\n");
  fs::create_directory(dir.Path("case1"));
  ASSERT_EQ(dir.Command({"convert", "R.DAT", "--to", "vtu", "-o", "ours", "-q"}).status, 0);
  dir.Write("ours/extra.txt", "mine\n");
  const auto before = Tree(dir.Dir());
  const char kNotOurs[] = ": a folder that is not a collection of ours; name another with -o\n";
  const std::vector<std::string> cases[] = {
      {"convert", "R.DAT", "--to", "vtu", "-o", "mydata"},
      {"convert", "R.DAT", "-o", "mydata.pvd"},
      {"convert", "case1.res", "--to", "vtu"},
      {"convert", "R.DAT", "--to", "vtu", "-o", "ours"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.back());
    const RunResult r = dir.Command(args);
    EXPECT_EQ(r.status, 1);
    const std::string folder = args[1] == "case1.res" ? "case1" : fs::path(args.back()).stem().string();
    EXPECT_EQ(r.err, "seepconv: " + folder + "/" + kNotOurs);
    EXPECT_TRUE(Tree(dir.Dir()) == before) << Difference(before, Tree(dir.Dir()));
  }
  fs::remove(dir.Path("ours/extra.txt"));
  if (!WindowsProgram()) fs::permissions(dir.Path("ours"), fs::perms::owner_all);
  ASSERT_EQ(dir.Command({"convert", "R.DAT", "--to", "vtu", "-o", "ours", "--steps", "2"}).status, 0);
  EXPECT_TRUE(dir.Exists("ours/ours_0001.vtu") && !dir.Exists("ours/ours_0002.vtu"));
  if (!WindowsProgram()) {
    EXPECT_EQ(fs::status(dir.Path("ours")).permissions(), fs::perms::owner_all);
  }
}

// A step number stored twice makes two pictures of a one-step selection: both numbered, and a file of
// the plain name stays as it was. A rerun of a numbered set removes the numbered pictures of an
// earlier run beyond its own, and nothing of another form.
TEST(NothingLostPictures, PlainNameKeptAndSetsReplacedWhole) {
  Scratch dir;
  ResultFile dup = Grid(4, 3, 1);
  std::vector<NodeValues> nv(12, NodeValues{0, 1.5, 0.0});
  std::vector<ElementValues> ev(6, ElementValues{1e-4, 0.0});
  dup.Step(1, 7200.0, nv, ev);
  dup.WriteTo(dir.Path("DUP.DAT").string());
  dir.Write("pic.svg", "precious\n");
  const RunResult r = dir.Command({"plot", "DUP.DAT", "--steps", "1", "-o", "pic.svg", "-q"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.Read("pic.svg"), "precious\n");
  EXPECT_TRUE(dir.Exists("pic_0001.svg") && dir.Exists("pic_0002.svg"));

  Grid(4, 3, 6).WriteTo(dir.Path("R.DAT").string());
  fs::create_directory(dir.Path("pics"));
  ASSERT_EQ(dir.Command({"plot", "R.DAT", "--steps", "all", "-o", "pics/p.svg", "-q"}).status, 0);
  const std::string step5 = dir.Read("pics/p_0005.svg");
  const char* others[] = {"pics/p_00010.svg", "pics/p_0007.txt", "pics/q_0005.svg", "pics/p_12x4.svg"};
  for (const char* name : others) dir.Write(name, "other\n");
  ASSERT_EQ(dir.Command({"plot", "R.DAT", "--steps", "5:6", "-o", "pics/p.svg", "-q"}).status, 0);
  std::map<std::string, std::string> expected;
  for (const char* name : others) expected[fs::path(name).filename().string()] = "other\n";
  expected["p_0001.svg"] = step5;
  expected["p_0002.svg"] = dir.Read("pics/p_0002.svg");
  EXPECT_TRUE(Tree(dir.Path("pics")) == expected) << Names(Tree(dir.Path("pics")));
}

// `flux` with its table and its chart named as one file is refused before anything is written.
TEST(NothingLostOutputs, TwoOutputsOfOneCommandNeverOneFile) {
  Scratch dir;
  Grid(4, 3, 2).WriteTo(dir.Path("R.DAT").string());
  const RunResult r =
      dir.Command({"flux", "R.DAT", "--section", "0.5,0 0.5,1", "-o", "same.svg", "--chart", "./same.svg"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(
      r.err,
      "seepconv: -o same.svg and --chart ./same.svg are one file; name two\nTry 'seepconv flux --help'.\n");
  EXPECT_EQ(r.files.size(), 1u);
}

#ifndef _WIN32

// Standard output by any spelling, or through a link, is written as it is after the lines already
// there; the input being read is never an output, by whatever name. As root the converter runs as the
// user nobody here, who may not replace the system's nodes.
TEST(NothingLostStandardOutput, AnySpellingIsTheDescriptor) {
  if (WindowsProgram()) GTEST_SKIP() << "POSIX names";
  Scratch dir;
  Grid(5, 4, 3).WriteTo(dir.Path("R.DAT").string());
  fs::create_symlink("/dev/stdout", dir.Path("LINK"));
  const std::string reference = dir.Command(Args(kLegacy[1], "R.DAT", "REF")).files.at("REF");
  const std::string input = (dir.Dir() / "R.DAT").string();
  const struct {
    fs::path where;
    std::string name;
  } cases[] = {{dir.Dir(), "//dev/stdout"}, {dir.Dir(), "/dev/./stdout"}, {dir.Dir(), "/dev/fd/../fd/1"},
               {dir.Dir(), "LINK"},         {"/dev", "stdout"},           {dir.Dir(), "log.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("log.txt", "earlier lines\n");
    Child child(
        {c.where, Args(kLegacy[1], input, c.name), Child::Out::kAppend, dir.Path("log.txt"), {}, true});
    EXPECT_EQ(child.Wait(60), 0) << child.Err();
    EXPECT_EQ(dir.Read("log.txt"), "earlier lines\n" + reference);
  }
  const std::string bytes = ReadFile(dir.Path("R.DAT"));
  for (const char* name : {"/dev/stdin", "/dev/fd/0", "/proc/self/fd/0"}) {
    const RunResult r = dir.Command({"convert", "-", "--to", "tecplot", "-o", name}, bytes, true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "seepconv: " + std::string(name) +
                         ": the output would replace the result file; name another with -o\n");
  }
}

// SIGQUIT is an interruption like the others; a write past the file-size limit fails with one line.
// Both leave every target as it was and no temporary.
TEST(NothingLostSignals, QuitAndFileSizeLimitCleanUp) {
  if (WindowsProgram()) GTEST_SKIP() << "POSIX signals";
  Scratch dir;
  const ResultFile big = Grid(150, 100, 16);
  big.WriteTo(dir.Path("BIG.DAT").string());
  dir.Write("O.tec", "old\n");
  const auto before = Tree(dir.Dir());
  const std::vector<std::string> args = Args(kLegacy[1], "BIG.DAT", "O.tec");
  {
    Child child({dir.Dir(), args});
    const auto start = std::chrono::steady_clock::now();
    while (child.BytesRead() < big.Size() / 4 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    child.Signal(SIGQUIT);
    EXPECT_EQ(child.Wait(60), 131);
    EXPECT_EQ(child.Err(), "seepconv: interrupted\n");
  }
  EXPECT_TRUE(Tree(dir.Dir()) == before) << Difference(before, Tree(dir.Dir()));
  Child child({dir.Dir(), args, Child::Out::kNull, {}, {}, false, {}, 100000});
  EXPECT_EQ(child.Wait(60), 1);
  EXPECT_EQ(child.Err(), "seepconv: O.tec: file too large (38)\n");
  EXPECT_TRUE(Tree(dir.Dir()) == before) << Difference(before, Tree(dir.Dir()));
}

// The collection and its folder change together: a signal at each moment of the replacement (reached
// by the program's own signal points) leaves the old collection whole or the new one whole.
TEST(NothingLostCollections, SignalAtEveryMomentOfTheSwap) {
  if (WindowsProgram()) GTEST_SKIP() << "POSIX signals";
  Scratch dir;
  Grid(6, 4, 5, 1).WriteTo(dir.Path("OLD.DAT").string());
  Grid(6, 4, 5, 2).WriteTo(dir.Path("NEW.DAT").string());
  ASSERT_EQ(dir.Command({"convert", "OLD.DAT", "--to", "vtu", "-o", "C.pvd", "-q"}).status, 0);
  const auto before = Tree(dir.Dir());
  const std::vector<std::string> args = {"convert", "NEW.DAT", "--to",    "vtu",
                                         "-o",      "C.pvd",   "--steps", "1:2"};
  const auto completed = Completed(dir, args);
  for (const char* point :
       {"vtu-steps-written", "vtu-collection-written", "vtu-folder-swapped", "vtu-collection-in-place"}) {
    SCOPED_TRACE(point);
    Child child(
        {dir.Dir(), args, Child::Out::kNull, {}, {}, false, {std::string("SEEPCONV_SIGNAL_AT=") + point}});
    EXPECT_EQ(child.Wait(60), 143);
    const auto after = Tree(dir.Dir());
    EXPECT_TRUE(after == before || after == completed) << Difference(before, after);
    const bool late = std::string_view(point) == "vtu-folder-swapped" ||
                      std::string_view(point) == "vtu-collection-in-place";
    EXPECT_TRUE(after == (late ? completed : before)) << Difference(before, after);
    if (after != before) {
      ASSERT_EQ(dir.Command({"convert", "OLD.DAT", "--to", "vtu", "-o", "C.pvd", "-q"}).status, 0);
    }
  }
}

// The interruption's line starts a line of its own: the progress line is blanked first.
TEST(NothingLostSignals, InterruptionLineAfterTheProgressLine) {
  if (WindowsProgram()) GTEST_SKIP() << "a terminal";
  Scratch dir;
  Grid(6, 4, 3).WriteTo(dir.Path("R.DAT").string());
  ::setenv("SEEPCONV_SIGNAL_AT", "vtu-steps-written", 1);
  const RunResult r = dir.CommandOnTerminal({"convert", "R.DAT", "--to", "vtu", "--progress"}, 80);
  ::unsetenv("SEEPCONV_SIGNAL_AT");
  EXPECT_EQ(r.status, 143);
  const std::size_t line = r.err.find("seepconv: interrupted");
  ASSERT_NE(line, std::string::npos) << r.err;
  ASSERT_GT(line, 0u);
  EXPECT_EQ(r.err[line - 1], '\r') << r.err;
  EXPECT_NE(r.err.find("step 1"), std::string::npos) << r.err;
}

// A private target's temporary is private from its first byte to its rename.
TEST(NothingLostPermissions, TemporaryOfAPrivateTargetIsPrivateThroughout) {
  if (WindowsProgram()) GTEST_SKIP() << "POSIX file modes";
  Scratch dir;
  Grid(150, 100, 16).WriteTo(dir.Path("BIG.DAT").string());
  dir.Write("O.tec", "old\n");
  fs::permissions(dir.Path("O.tec"), fs::perms::owner_read | fs::perms::owner_write);
  Child child({dir.Dir(), Args(kLegacy[1], "BIG.DAT", "O.tec")});
  int seen = 0;
  const auto start = std::chrono::steady_clock::now();
  while (dir.Read("O.tec") == "old\n" &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir.Dir(), ec)) {
      struct stat st {};
      if (e.path().filename().string().starts_with("O.tec.tmp-") && ::stat(e.path().c_str(), &st) == 0) {
        ++seen;
        EXPECT_EQ(st.st_mode & 077, 0u) << "readable by others at " << st.st_size << " bytes";
      }
    }
  }
  EXPECT_GT(seen, 0) << "the temporary file was never seen";
  EXPECT_EQ(child.Wait(60), 0);
}

// Temporaries of a killed run (a process gone) are removed by the next run that writes beside them;
// a live process's, and names of any other form, stay.
TEST(NothingLostLeftovers, KilledRunsTemporariesRemovedWhenProvablyOurs) {
  if (WindowsProgram()) GTEST_SKIP() << "process ids";
  Scratch dir;
  Grid(4, 3, 2).WriteTo(dir.Path("R.DAT").string());
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string dead = std::to_string(gone), alive = std::to_string(::getpid());
  const std::vector<std::string> removed = {"O.tec.tmp-" + dead + "-0123abcd", "O.tmp-" + dead + "-89abcdef",
                                            "O.tmp-" + dead + "-89abcdef-old"};
  const std::vector<std::string> kept = {
      "O.tec.tmp-" + alive + "-0123abcd", "O.tec.tmp-" + dead + "-0123abcX",
      "O.tec.tmp-" + dead + "-0123abcd.bak", "P.tec.tmp-" + dead + "-0123abcd", "O.tec.tmp-01234567"};
  dir.Write(removed[0], "leftover\n");
  for (const std::string& name : {removed[1], removed[2]}) {
    fs::create_directory(dir.Path(name));
    dir.Write(name + "/O_0001.vtu", "leftover\n");
  }
  for (const std::string& name : kept) dir.Write(name, "not a leftover of a dead run\n");
  ASSERT_EQ(dir.Command(Args(kLegacy[1], "R.DAT", "O.tec")).status, 0);
  ASSERT_EQ(dir.Command({"convert", "R.DAT", "--to", "vtu", "-o", "O.pvd", "-q"}).status, 0);
  for (const std::string& name : removed) EXPECT_FALSE(fs::exists(dir.Path(name))) << name;
  for (const std::string& name : kept) EXPECT_TRUE(dir.Exists(name)) << name;
}

// Sections and point files are read within limits: a device that never ends, a huge file and a pipe
// that nobody writes to each get one line, at once. As root the zero device is a node made here.
TEST(NothingLostInputs, BoundedTextInputs) {
  if (WindowsProgram()) GTEST_SKIP() << "devices and pipes";
  Scratch dir;
  Grid(4, 3, 2).WriteTo(dir.Path("R.DAT").string());
  std::string zero = "/dev/zero";
  if (::geteuid() == 0) {
    ASSERT_EQ(::mknod(dir.Path("zero").c_str(), S_IFCHR | 0444, ::makedev(1, 5)), 0);
    zero = "zero";
  }
  ASSERT_EQ(::mkfifo(dir.Path("fifo").c_str(), 0600), 0);
  std::string huge;
  while (huge.size() <= (5u << 20)) huge += "S: 0.5,0 0.5,1\n";
  dir.Write("huge.txt", huge);
  const char kLarge[] = "more than 4 MiB: too large for a file of points or sections";
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"plot", "R.DAT", "--sections", zero}, kLarge},
      {{"flux", "R.DAT", "--sections", "huge.txt"}, kLarge},
      {{"report", "R.DAT", "--sections", "fifo"}, "a pipe that nobody writes to"},
      {{"convert", "R.DAT", "--to", "interp", "--points", zero}, "a line longer than 64 KiB"},
      {{"plot", "R.DAT", "--points", "huge.txt"}, kLarge},
      {{"convert", "R.DAT", "--to", "interp", "--points", "fifo"}, "a pipe that nobody writes to"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    Child child({dir.Dir(), c.args});
    EXPECT_EQ(child.Wait(20), 1);
    const std::string err = child.Err();
    EXPECT_EQ(err, "seepconv: " + c.args.back() + ": " + c.err + " (39)\n");
  }
}

#endif  // _WIN32

// Counts read from the file at the ends of their range, in every count of the header and the step
// number, through every kind: one line or a whole output, never a crash (and, in the sanitizer build,
// never an overflow).
TEST(NothingLostHostileCounts, EveryCountAtItsLimitsEveryKind) {
  Scratch dir;
  dir.Write("P.DAT", kPoints);
  const std::int32_t values[] = {std::numeric_limits<std::int32_t>::min(), -1, 0,
                                 std::numeric_limits<std::int32_t>::max()};
  std::vector<Kind> kinds(std::begin(kLegacy), std::end(kLegacy));
  kinds.insert(kinds.end(), std::begin(kOwnFiles), std::end(kOwnFiles));
  const std::vector<Node> nodes = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const std::vector<Element> elements = {{1, 2, 3, 4, 1}};
  for (const std::int32_t v : values) {
    for (int field = 0; field < 3; ++field) {
      ResultFile f;
      f.Header("COUNTS", nodes, elements, field == 0 ? Claim{v, {}} : field == 1 ? Claim{{}, v} : Claim{});
      f.Step(field == 2 ? v : 1, 1.0, std::vector<NodeValues>(4, NodeValues{0, 1.0, 0.0}), {{1e-4, 0.0}});
      f.WriteTo(dir.Path("H.DAT").string());
      for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name + " field " + std::to_string(field) + " = " + std::to_string(v));
        const RunResult r = dir.Command(Args(k, "H.DAT", k.out));
        EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << r.err;
        EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
      }
    }
  }
}

}  // namespace
}  // namespace seep::test
