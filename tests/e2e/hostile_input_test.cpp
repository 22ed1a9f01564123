// Damaged and hostile input through the real program: every case ends with its exact report (or runs
// to a normal end), never with a crash, a hang or lost output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

// A quadrilateral over nodes 1-4 and a triangle stored with L = K over nodes 2, 5, 3.
ResultFile Mesh(std::int32_t mat1, std::int32_t mat2, std::initializer_list<int> steps) {
  ResultFile f;
  f.Header("HOSTILE", {{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}, {2.0, 0.5}},
           {{1, 2, 3, 4, mat1}, {2, 5, 3, 3, mat2}});
  for (int step : steps) {
    f.Step(step, 60.0 * step,
           {{0, 1.0 * step, 0.5}, {0, -2.0, 0.5}, {1, 0.25, 1.0}, {0, 3.0, 0.0}, {0, 0.0, 0.25}},
           {{1.0e-3, -2.0e-3}, {4.0e-3, 0.0}});
  }
  return f;
}

std::string Severe(int number, const std::string& text) {
  return "forrtl: severe (" + std::to_string(number) + "): " + text + "\r\n";
}

const std::string kOverflowOnOutput = "forrtl: error (63): output conversion error, unit 8, file OUT\r\n";

// ---- Files that cannot be opened or written ----

TEST(HostileFiles, OutputFileInAReadOnlyDirectoryIsPermissionDenied) {
  if (WindowsProgram()) GTEST_SKIP() << "needs running as another user; Wine cannot run as the user nobody";
  Scratch dir;
  Mesh(1, 1, {1}).WriteTo(dir.Path("R.DAT"));
  fs::permissions(dir.Dir(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const RunResult r = dir.Run(DialogueAnswers::Conversion("tecplot", "OUT", "-1"), /*unprivileged=*/true);
  fs::permissions(dir.Dir(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(r.status, 9);
  EXPECT_EQ(r.err, Severe(9, "permission to access file denied, unit 8, file OUT"));
  EXPECT_FALSE(r.files.count("OUT"));
}

TEST(HostileFiles, WritingToAFullDeviceIsAWriteErrorNotANormalEnd) {
  if (WindowsProgram()) GTEST_SKIP() << "needs /dev/full, which Windows does not have";
  Scratch dir;
  Mesh(1, 1, {1, 2}).WriteTo(dir.Path("R.DAT"));
  dir.MakeFullDevice("OUT");
  const RunResult r = dir.Run(DialogueAnswers::Conversion("tecplot", "OUT", "-1"));
  EXPECT_EQ(r.status, 38);
  EXPECT_EQ(r.err, Severe(38, "error during write, unit 8, file OUT"));
  EXPECT_EQ(r.out.find("NORMAL TERMINATION"), std::string::npos);
}

TEST(HostileFiles, NamesThatCannotBeOpened) {
  struct Case {
    const char* what;
    const char* kind;
    const char* out;
    const char* directory;  // created before the run
    int status;
    const char* err;
  };
  const Case cases[] = {
      {"output name is a directory", "tecplot", "OUT", "OUT", 30, "open failure, unit 8, file OUT"},
      {"output in a missing directory", "tecplot", "NODIR/OUT", nullptr, 29,
       "file not found, unit 8, file NODIR/OUT"},
      {"work file is a directory", "microavs", "OUT", "AVS.tmp", 30, "open failure, unit 30, file AVS.tmp"},
      {"empty output name", "tecplot", "", nullptr, 43, "file name specification error, unit 8, file "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scratch dir;
    Mesh(1, 1, {1}).WriteTo(dir.Path("R.DAT"));
    if (c.directory != nullptr) fs::create_directory(dir.Path(c.directory));
    const RunResult r = dir.Run(DialogueAnswers::Conversion(c.kind, c.out, "-1"));
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, Severe(c.status, c.err));
  }
}

// ---- The work list and typed names ----

TEST(HostileNames, WorkListLineEndsLengthsAndNulBytes) {
  const std::string longLine(100000, 'x');
  struct Case {
    const char* what;
    std::string workList;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"long lines", longLine + "\n" + longLine + "\r\n" + longLine + "\nR.DAT\n", 0, ""},
      {"no final line feed", "a\nb\nc\nR.DAT", 0, ""},
      {"CR LF and LF mixed", "a\r\nb\nc\r\nR.DAT\r\n", 0, ""},
      {"NUL bytes in other lines", std::string("a\0b\n\0\nc\nR.DAT\n", 14), 0, ""},
      {"NUL byte in the name", std::string("a\nb\nc\nR.D\0AT\n", 13), 43,
       Severe(43, std::string("file name specification error, unit 10, file R.D") + '\0' + "AT")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scratch dir;
    Mesh(1, 1, {1}).WriteTo(dir.Path("R.DAT"));
    dir.Write("WORK.LST", c.workList);
    const RunResult r =
        dir.Run(DialogueAnswers().Start().WorkList().Confirm().Convert("tecplot", "OUT").Selection("-1"));
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(HostileNames, TypedNamesKeepInnerBlanksAndTheirFirst20Characters) {
  Scratch dir;
  Mesh(1, 1, {1}).WriteTo(dir.Path("MY RESULT.DAT"));
  Mesh(1, 1, {1}).WriteTo(dir.Path("ABCDEFGHIJKLMNOP.DAT"));  // 20 characters
  EXPECT_EQ(
      dir.Run(DialogueAnswers::AtMenu("MY RESULT.DAT   ").Convert("tecplot", "OUT 1").Selection("-1")).status,
      0);
  EXPECT_TRUE(dir.Exists("OUT 1"));
  EXPECT_EQ(dir.Run(DialogueAnswers::AtMenu("ABCDEFGHIJKLMNOP.DAT").Convert("tecplot", "OUT").Selection("-1"))
                .status,
            0);
  // 21 characters: the name opened is the first 20.
  const RunResult r = dir.Run(DialogueAnswers().Start().TypedFile("ABCDEFGHIJKLMNOPQ.DAT"));
  EXPECT_EQ(r.status, 29);
  EXPECT_EQ(r.err, Severe(29, "file not found, unit 10, file ABCDEFGHIJKLMNOPQ.DA"));
  const RunResult out21 = dir.Run(DialogueAnswers::AtMenu("ABCDEFGHIJKLMNOP.DAT")
                                      .Convert("tecplot", "OUTPUT-NAME-OF-21-CHS")
                                      .Selection("-1"));
  EXPECT_EQ(out21.status, 0);
  EXPECT_TRUE(out21.files.count("OUTPUT-NAME-OF-21-CH"));
}

// ---- Counts and values ----

TEST(HostileValues, CountsBeyondTheirRecordsEndWith67) {
  for (std::int32_t claim : {5, 44445, std::numeric_limits<std::int32_t>::max()}) {
    SCOPED_TRACE(claim);
    Scratch dir;
    ResultFile f;
    f.Header("CLAIM", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3, 4, 1}}, Claim{claim, std::nullopt});
    f.WriteTo(dir.Path("R.DAT"));
    const RunResult r = dir.Run(DialogueAnswers::Conversion("tecplot", "OUT", "-1"));
    EXPECT_EQ(r.status, 67);
    EXPECT_EQ(r.err, Severe(67, "input statement requires too much data, unit 10, file R.DAT"));
  }
}

// NaN, infinities, subnormals and negative zero go through every writer without a crash and without
// an overflow report: every field has room for them.
TEST(HostileValues, NonFiniteAndSubnormalValuesThroughEveryWriter) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double tiny = std::numeric_limits<double>::denorm_min();
  ResultFile f;
  f.Header("NON-FINITE", {{0.0, 0.0}, {1.0, -0.0}, {1.0, 1.0}, {0.0, tiny}, {nan, 0.5}},
           {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 2}});
  f.Step(1, nan, {{0, nan, inf}, {0, -inf, tiny}, {0, -0.0, 1e300}, {0, 1e-310, -1e-300}, {0, inf, nan}},
         {{nan, inf}, {-tiny, -inf}});
  f.Step(2, inf, {{0, 1.0, 1.0}, {0, 1.0, 1.0}, {0, 1.0, 1.0}, {0, 1.0, 1.0}, {0, 1.0, 1.0}},
         {{0.0, 0.0}, {1.0, 1.0}});
  for (std::string_view kind : MenuKinds()) {
    SCOPED_TRACE(kind);
    Scratch dir;
    f.WriteTo(dir.Path("R.DAT"));
    dir.Write("P.DAT", "2\n0.5 0.25\n0.0 0.0\n");
    const RunResult r = dir.Run(DialogueAnswers::Conversion(kind, "OUT", "-1", HeadStyle::kTotal));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(r.files.count("OUT"));
    EXPECT_NE(r.files.at("OUT").find("NaN"), std::string::npos);
  }
}

// Material numbers at the edges of the I3 (mesh lines) and I5 (element lines, zone line) fields: one
// overflow report per statement that met a value too wide, and the run goes on.
TEST(HostileValues, MaterialNumbersAtTheirFieldLimits) {
  struct Case {
    const char* what;
    const char* kind;
    std::int32_t mat1, mat2;
    int reports;
  };
  const Case cases[] = {
      {"MicroAVS, fits I3", "microavs", 999, -99, 0},
      {"MicroAVS, too wide for I3", "microavs", 1000, -100, 2},
      {"igPOST, fits I5", "igpost", 99999, 1, 0},
      // The zone line's largest material and the element line overflow.
      {"igPOST, too wide for I5", "igpost", 100000, 1, 2},
      // The property block stops at the largest ID its field holds.
      {"FEMAP, largest integer", "femap", std::numeric_limits<std::int32_t>::max(), 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scratch dir;
    Mesh(c.mat1, c.mat2, {1}).WriteTo(dir.Path("R.DAT"));
    const RunResult r = dir.Run(DialogueAnswers::Conversion(c.kind, "OUT", "-1"));
    EXPECT_EQ(r.status, 0);
    std::string expected;
    for (int k = 0; k < c.reports; ++k) expected += kOverflowOnOutput;
    EXPECT_EQ(r.err, expected);
    EXPECT_NE(r.out.find("NORMAL TERMINATION"), std::string::npos);
  }
}

// ---- Nothing lost ----

// A result file that ends inside its third step: the output holds exactly what the same run wrote
// for the first two steps before the failure.
TEST(NothingLost, OutputBeforeAFailureIsKeptWhole) {
  for (const char* kind : {"restart", "tecplot", "femap", "igpost"}) {
    SCOPED_TRACE(kind);
    const ResultFile f = Mesh(1, 2, {1, 2, 3});
    const std::string answers = DialogueAnswers::Conversion(kind, "OUT", "-1");

    Scratch whole;
    f.WriteTo(whole.Path("R.DAT"));
    ASSERT_EQ(whole.Run(answers).status, 0);
    Scratch twoSteps;
    Mesh(1, 2, {1, 2}).WriteTo(twoSteps.Path("R.DAT"));
    ASSERT_EQ(twoSteps.Run(answers).status, 0);
    const std::string expected = twoSteps.Read("OUT");

    Scratch cut;
    // Header: 5 records; steps: 3 records each. Cut halfway into the third step's node record.
    const std::size_t s2Start = f.Ends()[5 + 6];
    f.WriteTo(cut.Path("R.DAT"), s2Start + 30);
    const RunResult r = cut.Run(answers);
    EXPECT_EQ(r.status, 24);
    EXPECT_EQ(r.err, Severe(24, "end-of-file during read, unit 10, file R.DAT"));
    EXPECT_EQ(cut.Read("OUT"), expected);
    EXPECT_EQ(whole.Read("OUT").substr(0, expected.size()), expected);
  }
}

}  // namespace
}  // namespace seep::test
