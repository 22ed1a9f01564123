// The console dialogue and the step loop, through the real program.
#include <gtest/gtest.h>

#include <string>

#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

const std::string kPromptLine = "   INPUT No. ? =\r\n";

// Two nodes' worth of mesh is enough for the dialogue; steps numbered as given.
ResultFile SmallResult(std::initializer_list<int> steps) {
  ResultFile f;
  f.Header("SMALL CASE", {{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}}, {{1, 2, 3, 4, 1}});
  for (int step : steps) {
    f.Step(step, 10.0 * step, {{0, 1.0, 0.5}, {0, 2.0, 0.5}, {0, 3.0, 0.5}, {0, 4.0, 0.5}}, {{1e-3, -2e-3}});
  }
  return f;
}

int Count(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (std::size_t pos = haystack.find(needle); pos != std::string::npos;
       pos = haystack.find(needle, pos + 1)) {
    ++n;
  }
  return n;
}

// The whole console transcript of a run that types the file name, picks TECPLOT and all steps.
TEST(RunControl, TranscriptMatchesTheDialogueByteForByte) {
  Scratch dir;
  SmallResult({1, 2}).WriteTo(dir.Path("R.DAT"));
  const RunResult r = dir.Run(DialogueAnswers()
                                  .Start("1")
                                  .TypedFile("R.DAT")
                                  .Confirm()
                                  .Convert("tecplot", "OUT.TEC")
                                  .Selection("-1"));

  std::string title = "SMALL CASE";
  title.resize(80, ' ');
  const std::string expected = CrLf({
      " ",
      " ",
      "    **********************************************",
      "    * This program is for PC-TERLO.              *",
      "    *  It uses the 4th file in WORK.LST          *",
      "    *                        by K.Varotai,M.PELU *",
      "    *   NUMNP= upto 44444                        *",
      "    *   NUMEL= upto 44444                        *",
      "    *--------------------------------------------*",
      "    *                               Yes/0  No/1  *",
      "    **********************************************",
      " ",
      "   INPUT No. ? =",
      " ",
      " ",
      "    +--------------------------------------------+",
      "    | You can choose the file to transform.      |",
      "    |   Which is your choice?                    |",
      "    |                                            |",
      "    |   0:  the 4th file in WORK.LST             |",
      "    |   1:  input the file-name.                 |",
      "    +--------------------------------------------+",
      " ",
      "   INPUT No. ? =",
      "   INPUT the File Name. ",
      title,
      // Node count label, I12 count, element count label, I12 count.
      " \x90\xDF\x93\x5F\x91\x8D\x90\x94\x81\x40           4"
      "\x20\x20\x97\x76\x91\x66\x91\x8D\x90\x94\x81\x40           1",
      " ",
      " \x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x83\x66\x81\x7C\x83\x5E\x81\x7C\x82\x6E"
      "\x82\x6A\x81\x48\x81\x40\x82\x78\x81\x5E\x82\x4F\x81\x40\x82\x6D\x81\x5E\x82\x50",
      " ",
      "   INPUT No. ? =",
      "   Select data-Transfer type",
      "         TERLO-ReStart ------- 1",
      "         TECPLOT  DATA ------- 2",
      "         FEMAP    DATA ------- 3",
      "         MicroAVS DATA ------- 4",
      "         igPOST   DATA ------- 5",
      "         INTERP   DATA ------- 6",
      "   INPUT No. ? =",
      "  ",
      "   INPUT Output File Name",
      "  Input your interest\tNo. OF TIME STEP",
      "    If input (<0) No., All time step avairable ",
      "    If input (0) No., Final time step avairable ",
      "   INPUT No. ? =",
      "",
      "",
      "   <<<<<  OK! OK!  NORMAL TERMINATION  >>>>> ",
      "  ",
  });
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.files.count("OUT.TEC"));
}

TEST(RunControl, StartQuestionRepeatsUntilZeroOrOne) {
  Scratch dir;
  SmallResult({1}).WriteTo(dir.Path("R.DAT"));
  const RunResult r = dir.Run(DialogueAnswers()
                                  .Start("5")
                                  .Start("-1")
                                  .Start("1")
                                  .FileChoice("7")
                                  .TypedFile("R.DAT")
                                  .Confirm()
                                  .Menu("0")
                                  .Output("OUT")
                                  .Selection("0"));
  EXPECT_EQ(r.status, 0) << r.err;
  // Three start prompts, then the box, then two file-choice prompts (7 repeats it), confirmation, menu
  // and selection prompts.
  const std::size_t box = r.out.find("    +----");
  ASSERT_NE(box, std::string::npos);
  EXPECT_EQ(Count(r.out.substr(0, box), kPromptLine), 3);
  EXPECT_EQ(Count(r.out.substr(box), kPromptLine), 5);
  EXPECT_EQ(Count(r.out, "    +--------------------------------------------+\r\n"), 2);  // box shown once
}

TEST(RunControl, WorkListFourthLineNamesTheResultFileCutTo20Characters) {
  Scratch dir;
  SmallResult({1}).WriteTo(dir.Path("ABCDEFGHIJKLMNOPQRST"));
  dir.Write("WORK.LST", "first\r\nsecond\nthird\r\nABCDEFGHIJKLMNOPQRSTUVWXY\r\n");
  const RunResult r =
      dir.Run(DialogueAnswers().Start().WorkList().Confirm().Menu("0").Output("OUT").Selection("0"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("SMALL CASE"), std::string::npos);
}

TEST(RunControl, RejectingTheDataStopsWith1111BeforeTheMenu) {
  Scratch dir;
  SmallResult({1}).WriteTo(dir.Path("R.DAT"));
  const RunResult r = dir.Run(
      DialogueAnswers().Start().TypedFile("R.DAT").Confirm("1").Convert("tecplot", "OUT").Selection("0"));
  EXPECT_EQ(r.status, 1111 & 0xFF);
  EXPECT_EQ(r.err, "1111\r\n");
  EXPECT_EQ(r.out.find("Select data-Transfer type"), std::string::npos);
  EXPECT_EQ(r.out.find("NORMAL TERMINATION"), std::string::npos);
  EXPECT_FALSE(r.files.count("OUT"));
}

// Menu answers without a writer still create the output file, ask the step question, read the
// whole result file and end normally with an empty output file.
TEST(RunControl, AnswersWithoutAWriterCreateAnEmptyOutputFile) {
  for (const char* answer : {"0", "7", "-4"}) {
    SCOPED_TRACE(answer);
    Scratch dir;
    SmallResult({1, 2, 3}).WriteTo(dir.Path("R.DAT"));
    const RunResult r = dir.Run(DialogueAnswers::AtMenu().Menu(answer).Output("OUT").Selection("-1"));
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(r.files.count("OUT"));
    EXPECT_EQ(r.files.at("OUT"), "");
    EXPECT_NE(r.out.find("No. OF TIME STEP"), std::string::npos);
    EXPECT_NE(r.out.find("NORMAL TERMINATION"), std::string::npos);
  }
}

TEST(RunControl, AnswerOneAsksTheHeadStyle) {
  Scratch dir;
  SmallResult({1}).WriteTo(dir.Path("R.DAT"));
  const RunResult withHead =
      dir.Run(DialogueAnswers::AtMenu().Convert("restart", "OUT", HeadStyle::kTotal).Selection("0"));
  EXPECT_EQ(withHead.status, 0) << withHead.err;
  EXPECT_EQ(Count(withHead.out, "   Set Head-style  pres./0 total/1\r\n"), 1);
  const RunResult without = dir.Run(DialogueAnswers::AtMenu().Convert("tecplot", "OUT").Selection("0"));
  EXPECT_EQ(Count(without.out, "Head-style"), 0);
}

// Which steps reach the writer: the restart writer starts every step it gets with " LA,TIME" and the
// step number in 12 columns, so its header lines name the steps handed over, in order.
TEST(RunControl, SelectionRuleHandsOverTheMatchingSteps) {
  struct Case {
    const char* selection;
    std::initializer_list<int> steps;
    std::string expected;  // step numbers of the header lines, as I12 fields
  };
  const auto numbers = [](std::initializer_list<int> steps) {
    std::string s;
    for (int step : steps) {
      std::string field = std::to_string(step);
      s += std::string(12 - field.size(), ' ') + field + ";";
    }
    return s;
  };
  const Case cases[] = {
      {"-1", {1, 2, 3}, numbers({1, 2, 3})}, {"0", {1, 2, 3}, numbers({3})},
      {"2", {1, 2, 2, 3}, numbers({2, 2})},  {"5", {1, 2, 3}, ""},
      {"0", {4, 0, 2}, numbers({0, 2})},  // a step numbered 0 matches selection 0 too
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selection);
    Scratch dir;
    SmallResult(c.steps).WriteTo(dir.Path("R.DAT"));
    const RunResult r = dir.Run(
        DialogueAnswers::AtMenu().Convert("restart", "OUT", HeadStyle::kPressure).Selection(c.selection));
    ASSERT_EQ(r.status, 0) << r.err;
    std::string got;
    const std::string& out = r.files.at("OUT");
    for (std::size_t pos = out.find("  LA,TIME "); pos != std::string::npos;
         pos = out.find("  LA,TIME ", pos + 1)) {
      got += out.substr(pos + 10, 12) + ";";
    }
    EXPECT_EQ(got, c.expected);
  }
}

struct FailureCase {
  const char* name;
  const char* workList;     // nullptr: no WORK.LST
  std::size_t resultBytes;  // bytes of the result file kept; 0: no result file
  std::string input;
  int status;
  const char* err;
};

class RunControlFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RunControlFailure, EndsWithTheReportAndItsStatus) {
  const FailureCase& c = GetParam();
  Scratch dir;
  if (c.workList != nullptr) dir.Write("WORK.LST", c.workList);
  const ResultFile result = SmallResult({1, 2});
  if (c.resultBytes > 0) result.WriteTo(dir.Path("R.DAT"), c.resultBytes);
  const RunResult r = dir.Run(c.input);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.err, std::string(c.err) + "\r\n");
  EXPECT_EQ(r.out.find("NORMAL TERMINATION"), std::string::npos);
}

// The small result file has 88 + 12 + 72 + 12 + 44 = 228 header bytes, then 20 + 88 + 24 = 132 bytes
// per step; 480 bytes end it inside the element record of the second step.
INSTANTIATE_TEST_SUITE_P(
    Cases, RunControlFailure,
    testing::Values(FailureCase{"NoWorkList", nullptr, 1000, DialogueAnswers().Start().WorkList(), 29,
                                "forrtl: severe (29): file not found, unit 98, file WORK.LST"},
                    FailureCase{"WorkListOfThreeLines", "a\nb\nc\n", 1000,
                                DialogueAnswers().Start().WorkList(), 24,
                                "forrtl: severe (24): end-of-file during read, unit 98, file WORK.LST"},
                    FailureCase{"NoResultFile", nullptr, 0, DialogueAnswers().Start().TypedFile("R.DAT"), 29,
                                "forrtl: severe (29): file not found, unit 10, file R.DAT"},
                    FailureCase{"LettersForANumber", nullptr, 1000,
                                DialogueAnswers().Start().TypedFile("R.DAT").Confirm("yes"), 64,
                                "forrtl: severe (64): input conversion error, unit -4, file CONIN$"},
                    FailureCase{"InputClosedEarly", nullptr, 1000,
                                DialogueAnswers::AtMenu().MenuFor("tecplot"), 24,
                                "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$"},
                    FailureCase{"ResultEndsInsideAStep", nullptr, 480,
                                DialogueAnswers::AtMenu().Convert("tecplot", "OUT").Selection("-1"), 24,
                                "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

}  // namespace
}  // namespace seep::test
