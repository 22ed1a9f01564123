// Text records: CR LF after every record written; on reading, a record ends at LF and only a CR just
// before the LF is dropped. Rewinding, the end-of-file test and the console units.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/io/units.h"
#include "support/io_harness.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::FailureLine;
using test::ReadFile;
using test::Scratch;
using test::WriteFile;

// Every record of a unit read with GetRecord until the end of the file.
std::vector<std::string> AllRecords(Io& io, int unit) {
  std::vector<std::string> records;
  while (!io.AtEndOfFile(unit)) records.emplace_back(io.GetRecord(unit));
  return records;
}

TEST(TextRecords, EveryRecordWrittenEndsWithCrLfAndKeepsItsBlanks) {
  Scratch dir(Scratch::kEnter);
  ConsoleIo con;
  con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
  for (const char* r : {"  a b  ", "", "\x90\xDF\x93\x5F", "last"}) con.io().PutRecord(8, r);
  con.io().PutRecord(kConsoleOut, " hello ");
  con.io().CloseAll();
  EXPECT_EQ(ReadFile("OUT.TXT"), "  a b  \r\n\r\n\x90\xDF\x93\x5F\r\nlast\r\n");
  EXPECT_EQ(con.Out(), " hello \r\n");
}

struct SplitCase {
  std::string bytes;
  std::vector<std::string> records;
};

TEST(TextRecords, InputRecordsEndAtLineFeedWithoutTheCarriageReturnBeforeIt) {
  const std::string a(2'500'000, 'a'), b(1'048'575, 'b');  // across read buffer refills
  const SplitCase cases[] = {
      {"a\r\nb\nc\r\n", {"a", "b", "c"}},
      {"a\r\nlast", {"a", "last"}},
      {"\n\r\n\nx\n", {"", "", "", "x"}},
      {"a\rb\r\n", {"a\rb"}},
      {"a\r\r\n", {"a\r"}},
      {"x\r", {"x\r"}},
      {"ab  \r\n  \n", {"ab  ", "  "}},
      {"", {}},
      {"x\r\n" + a + "\r\n" + b + "\n" + a, {"x", a, b, a}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 20));
    Scratch dir(Scratch::kEnter);
    WriteFile("IN.TXT", c.bytes);
    ConsoleIo con;
    con.io().OpenUnit(98, "IN.TXT", "OLD", "FORMATTED");
    EXPECT_EQ(AllRecords(con.io(), 98), c.records);
    EXPECT_EQ(FailureLine([&] { con.io().GetRecord(98); }),
              "forrtl: severe (24): end-of-file during read, unit 98, file IN.TXT");
  }
}

TEST(TextRecords, AtEndOfFileReadsNothingAndRewindReadsTheFirstRecordAgain) {
  Scratch dir(Scratch::kEnter);
  WriteFile("IN.TXT", "one\r\ntwo");
  ConsoleIo con;
  Io& io = con.io();
  io.OpenUnit(98, "IN.TXT", "OLD", "FORMATTED");
  EXPECT_FALSE(io.AtEndOfFile(98));
  EXPECT_FALSE(io.AtEndOfFile(98));
  EXPECT_EQ(io.GetRecord(98), "one");
  EXPECT_EQ(io.GetRecord(98), "two");
  EXPECT_TRUE(io.AtEndOfFile(98));
  io.RewindUnit(98);
  EXPECT_EQ(AllRecords(io, 98), (std::vector<std::string>{"one", "two"}));
}

TEST(TextRecords, RecordsWrittenReadBackAfterRewindAndWritingAfterRewindReplacesThem) {
  Scratch dir(Scratch::kEnter);
  ConsoleIo con;
  Io& io = con.io();
  io.OpenUnit(50, "WORK.TMP", "UNKNOWN", "FORMATTED");
  io.PutRecord(50, "first");
  io.PutRecord(50, "second");
  EXPECT_TRUE(io.AtEndOfFile(50));
  io.RewindUnit(50);
  EXPECT_EQ(AllRecords(io, 50), (std::vector<std::string>{"first", "second"}));
  io.PutRecord(50, "third");
  io.RewindUnit(50);
  EXPECT_EQ(AllRecords(io, 50), (std::vector<std::string>{"first", "second", "third"}));
  io.RewindUnit(50);
  io.PutRecord(50, "only");
  io.CloseUnit(50);
  EXPECT_EQ(ReadFile("WORK.TMP"), "only\r\n");
}

TEST(ConsoleInput, RecordsEndAtLineFeedAndTheEndIsErrorTwentyFour) {
  ConsoleIo con("first\r\n\nsecond\nno line feed");
  Io& io = con.io();
  io.PutRecord(kConsoleOut, "  INPUT No. ? =");
  EXPECT_EQ(io.GetRecord(kConsoleIn), "first");
  EXPECT_EQ(con.Out(), "  INPUT No. ? =\r\n");  // the prompt is out before the answer is read
  EXPECT_EQ(AllRecords(io, kConsoleIn), (std::vector<std::string>{"", "second", "no line feed"}));
  EXPECT_EQ(FailureLine([&] { io.GetRecord(kConsoleIn); }),
            "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$");
}

TEST(ConsoleInput, UnreadableConsoleIsErrorThirtyNine) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine's C runtime reads a write-only stream as an empty one, without the error that "
                  "Windows and POSIX systems report";
#endif
  std::FILE* writeOnly = std::fopen("/dev/null", "w");
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(writeOnly != nullptr && out != nullptr && err != nullptr);
  {
    Io io(writeOnly, out, err);
    EXPECT_EQ(FailureLine([&] { io.GetRecord(kConsoleIn); }),
              "forrtl: severe (39): error during read, unit -4, file CONIN$");
  }
  std::fclose(writeOnly);
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace seep
