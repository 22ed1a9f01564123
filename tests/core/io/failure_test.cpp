// The failure report: one line per error number, and the whole run ending with it and its number.
#include "core/io/failure.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/run.h"
#include "support/dialogue.h"
#include "support/io_harness.h"
#include "support/result_file.h"

namespace seep {
namespace {

using test::Scratch;
using test::StreamBytes;

// Lines of the numbers that the scenarios below and the other input tests do not raise.
TEST(FailureReport, LinesOfTheRemainingNumbers) {
  EXPECT_EQ(SevereLine({9, 8, "OUT.DAT"}),
            "forrtl: severe (9): permission to access file denied, unit 8, file OUT.DAT");
  EXPECT_EQ(SevereLine({38, -1, "CONOUT$"}),
            "forrtl: severe (38): error during write, unit -1, file CONOUT$");
  EXPECT_EQ(
      SevereLine({105, 8, "A %s.OUT"}),
      "forrtl: severe (105): there is no data-edit-descriptor to match a data-item in the I/O list, unit 8, "
      "file A %s.OUT");
  EXPECT_EQ(ErrorLine(63, 8, "OUT.DAT"), "forrtl: error (63): output conversion error, unit 8, file OUT.DAT");
}

// The converter run in this process on a scripted console, in a fresh directory.
struct Outcome {
  int status;
  std::string err;
};

Outcome RunConverter(const std::string& answers) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  std::fwrite(answers.data(), 1, answers.size(), in);
  std::rewind(in);
  Outcome o;
  o.status = RunProcess(in, out, err);
  o.err = StreamBytes(err);
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);
  return o;
}

test::ResultFile SmallResult() {
  test::ResultFile f;
  f.Header("T", {{0, 0}, {1, 0}, {1, 1}}, {{1, 2, 3, 3, 1}})
      .Step(1, 0.5, {{0, 1, 2}, {0, 3, 4}, {0, 5, 6}}, {{7, 8}})
      .Step(2, 1.0, {{0, 1, 2}, {0, 3, 4}, {0, 5, 6}}, {{7, 8}});
  return f;
}

// Start, typed file name, confirmation, an answer with no writer, output name, all steps.
std::string AnswersFor(const std::string& name) {
  return test::DialogueAnswers::AtMenu(name).Menu("0").Output("OUT.TXT").Selection("-1");
}

struct RunCase {
  const char* name;
  std::string answers;
  std::size_t cut;  // result file R.DAT written up to this byte; 0: not written
  int status;
  const char* line;
};

TEST(FailureReport, InputFaultsEndTheRunWithTheirLineAndNumber) {
  const test::ResultFile f = SmallResult();
  const RunCase cases[] = {
      {"repeat count of zero", "0*1\n", 0, 59,
       "forrtl: severe (59): list-directed I/O syntax error, unit -4, file CONIN$"},
      {"letters for the start answer", "yes\n", 0, 64,
       "forrtl: severe (64): input conversion error, unit -4, file CONIN$"},
      {"console ends at the start question", "\n\n", 0, 24,
       "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$"},
      {"blank file name", test::DialogueAnswers().Start().TypedFile(""), 0, 43,
       "forrtl: severe (43): file name specification error, unit 10, file "},
      {"directory as result file", test::DialogueAnswers().Start().TypedFile("SUB"), 0, 30,
       "forrtl: severe (30): open failure, unit 10, file SUB"},
      {"header cut inside the coordinates", AnswersFor("R.DAT"), f.Ends()[2] - 5, 24,
       "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT"},
      {"second step cut in its node values", AnswersFor("R.DAT"), f.Ends()[8] + 9, 24,
       "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT"},
      {"step header length cut", AnswersFor("R.DAT"), f.Ends()[7] + 2, 24,
       "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT"},
      {"file ends after the first step", AnswersFor("R.DAT"), f.Ends()[7], 0, ""},
      {"whole file", AnswersFor("R.DAT"), f.Size(), 0, ""},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir(Scratch::kEnter);
    std::filesystem::create_directory("SUB");
    if (c.cut > 0) f.WriteTo("R.DAT", c.cut);
    const Outcome o = RunConverter(c.answers);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.err, c.status == 0 ? std::string() : std::string(c.line) + "\r\n");
  }
}

TEST(FailureReport, CountBeyondItsRecordEndsTheRunWithSixtySeven) {
  Scratch dir(Scratch::kEnter);
  test::ResultFile f;
  f.Header("T", {{0, 0}, {1, 0}}, {}, {.numnp = 2147483647, .numel = std::nullopt});
  f.WriteTo("R.DAT");
  const Outcome o = RunConverter(AnswersFor("R.DAT"));
  EXPECT_EQ(o.status, 67);
  EXPECT_EQ(o.err, "forrtl: severe (67): input statement requires too much data, unit 10, file R.DAT\r\n");
}

}  // namespace
}  // namespace seep
