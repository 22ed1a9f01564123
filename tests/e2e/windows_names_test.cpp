// File names as Windows users type them, through the Windows program under Wine (SEEPCONV_PLATFORM=
// windows): drive letters in either case, backslashes, and both slashes mixed, in the answers and in
// the fourth line of WORK.LST. Wine's drive Z: is the root of the Linux file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

ResultFile TwoSteps() {
  ResultFile f;
  f.Header("DRIVE LETTERS", {{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}, {2.0, 0.5}},
           {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 2}});
  for (int step : {1, 2}) {
    f.Step(step, 60.0 * step, {{1, 1.0, 1.0}, {0, 0.5, 1.0}, {0, -0.5, 0.5}, {0, 0.25, 0.75}, {0, 0.0, 1.0}},
           {{1.0e-3, -2.0e-3}, {4.0e-3, 0.0}});
  }
  return f;
}

TEST(WindowsNames, DialogueTakesDriveLettersAndBackslashes) {
  if (!WindowsProgram()) GTEST_SKIP() << "checks the Windows program (SEEPCONV_PLATFORM=windows)";
  // "Z:\tmp\s12345\R.DAT" fits the 20 characters of a typed name.
  const Scratch away(Scratch::kShort);
  const std::string z = away.WindowsName();
  const std::string lowerZ = "z:/tmp/" + away.Dir().filename().string();
  struct Case {
    std::string result, output, points;
    fs::path written;  // where the output lands, as a Linux path; relative ones in the scratch folder
  };
  const Case cases[] = {
      {z + "\\R.DAT", z + "\\O.HIS", z + "\\P.DAT", away.Dir() / "O.HIS"},
      {lowerZ + "/R.DAT", lowerZ + "\\O.HIS", lowerZ + "/P.DAT", away.Dir() / "O.HIS"},
      {"SUB\\R.DAT", "SUB\\O.HIS", ".\\SUB\\P.DAT", "SUB/O.HIS"},
      {".\\SUB\\..\\R.DAT", "SUB/..\\SUB\\O.HIS", "SUB/P.DAT", "SUB/O.HIS"},
  };
  // INTERP takes three typed names: result, output and point data. The same run with plain names in the
  // working folder gives the bytes to expect.
  const std::string points = "2\n0.5 0.25\n1.5 0.5\n";
  const auto answers = [](const std::string& result, const std::string& output, const std::string& pts) {
    return DialogueAnswers::AtMenu(result).Convert("interp", output, {}, pts).Selection("-1");
  };
  Scratch plain;
  TwoSteps().WriteTo(plain.Path("R.DAT"));
  plain.Write("P.DAT", points);
  const RunResult expected = plain.Run(answers("R.DAT", "OUT", "P.DAT"));
  ASSERT_EQ(expected.status, 0) << expected.err;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result + " " + c.output + " " + c.points);
    Scratch dir;
    fs::create_directory(dir.Path("SUB"));
    for (const fs::path& folder : {dir.Path(""), dir.Path("SUB"), away.Dir()}) {
      TwoSteps().WriteTo((folder / "R.DAT").string());
      std::ofstream(folder / "P.DAT", std::ios::binary) << points;
      fs::remove(folder / "O.HIS");
    }
    const RunResult r = dir.Run(answers(c.result, c.output, c.points));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected.out);
    const fs::path written = c.written.is_absolute() ? c.written : dir.Path(c.written.string());
    ASSERT_TRUE(fs::exists(written));
    EXPECT_EQ(ReadFile(written), expected.files.at("OUT"));
  }
}

TEST(WindowsNames, WorkListNamesTheResultFileWithADriveLetter) {
  if (!WindowsProgram()) GTEST_SKIP() << "checks the Windows program (SEEPCONV_PLATFORM=windows)";
  // "Z:\tmp\s12345\R.DAT" fits the 20 characters of a typed name.
  const Scratch away(Scratch::kShort);
  TwoSteps().WriteTo((away.Dir() / "R.DAT").string());
  Scratch dir;
  dir.Write("WORK.LST", "A.INP\r\nA.OUT\r\nA.LOG\r\n" + away.WindowsName() + "\\R.DAT\r\n");
  const RunResult r =
      dir.Run(DialogueAnswers().Start().WorkList().Confirm().Convert("tecplot", "OUT").Selection("0"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("DRIVE LETTERS"), std::string::npos);
  EXPECT_NE(r.files.at("OUT").find("ZONE"), std::string::npos);

  // A name that names nothing is reported as typed, backslashes and all.
  const std::string missing = away.WindowsName() + "\\NO.DAT";
  const RunResult absent = dir.Run(DialogueAnswers().Start().TypedFile(missing));
  EXPECT_EQ(absent.status, 29);
  EXPECT_EQ(absent.err, "forrtl: severe (29): file not found, unit 10, file " + missing + "\r\n");
}

}  // namespace
}  // namespace seep::test

namespace seep::test {
namespace {

// The command line takes the same names, and paths longer than the dialogue's 20 characters; the
// default output goes beside the result file, backslashes and all.
TEST(WindowsNames, CommandLineTakesDriveLettersAndBackslashes) {
  if (!WindowsProgram()) GTEST_SKIP() << "checks the Windows program (SEEPCONV_PLATFORM=windows)";
  // "Z:\tmp\s12345\R.DAT" fits the 20 characters of a typed name.
  const Scratch away(Scratch::kShort);
  Scratch dir;
  fs::create_directory(dir.Path("a long folder name"));
  TwoSteps().WriteTo((away.Dir() / "R.DAT").string());
  TwoSteps().WriteTo(dir.Path("a long folder name/R.DAT").string());
  const RunResult plain = dir.Command({"convert", "a long folder name\\R.DAT", "--to", "tecplot", "-q"});
  EXPECT_EQ(plain.status, 0) << plain.err;
  const std::string expected = ReadFile(dir.Path("a long folder name/R.tec"));
  const RunResult r = dir.Command({"convert", away.WindowsName() + "\\R.DAT", "--to", "tecplot", "-o",
                                   away.WindowsName() + "\\O.TEC", "-q"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(away.Dir() / "O.TEC"), expected);
}

}  // namespace
}  // namespace seep::test
