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
using test::ReadBytes;
using test::WorkDir;
using test::WriteBytes;

// Every record of a file read with GetRecord until the end of the file.
std::vector<std::string> AllRecords(Io& io, int unit) {
  std::vector<std::string> records;
  while (!io.AtEndOfFile(unit)) records.emplace_back(io.GetRecord(unit));
  return records;
}

TEST(TextRecords, EveryRecordWrittenEndsWithCrLfAndKeepsItsBlanks) {
  WorkDir dir;
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    con.io().PutRecord(8, "  a b  ");
    con.io().PutRecord(8, "");
    con.io().PutRecord(8, std::string("\x90\xDF\x93\x5F", 4));  // Shift-JIS bytes pass through
    con.io().PutRecord(8, "last");
  }
  EXPECT_EQ(ReadBytes("OUT.TXT"), "  a b  \r\n\r\n\x90\xDF\x93\x5F\r\nlast\r\n");
}

TEST(TextRecords, ConsoleOutputRecordsEndWithCrLf) {
  ConsoleIo con;
  con.io().PutRecord(kConsoleOut, " hello ");
  con.io().PutRecord(kConsoleOut, "");
  con.io().FlushAll();
  EXPECT_EQ(con.Out(), " hello \r\n\r\n");
}

TEST(TextRecords, RecordsLongerThanAnyBufferAreWrittenWhole) {
  WorkDir dir;
  const std::string big(3'000'000, 'w');
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    con.io().PutRecord(8, "before");
    con.io().PutRecord(8, big);
    con.io().PutRecord(8, "after");
  }
  EXPECT_EQ(ReadBytes("OUT.TXT"), "before\r\n" + big + "\r\nafter\r\n");
}

struct SplitCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> records;
};

TEST(TextRecords, InputRecordsEndAtLineFeedWithoutTheCarriageReturnBeforeIt) {
  const SplitCase cases[] = {
      {"CR LF and LF", "a\r\nb\nc\r\n", {"a", "b", "c"}},
      {"last line without LF", "a\r\nlast", {"a", "last"}},
      {"empty lines", "\n\r\n\nx\n", {"", "", "", "x"}},
      {"CR not before LF stays", "a\rb\r\n", {"a\rb"}},
      {"only the CR just before LF goes", "a\r\r\n", {"a\r"}},
      {"final CR without LF stays", "x\r", {"x\r"}},
      {"trailing blanks stay", "ab  \r\n  \n", {"ab  ", "  "}},
      {"empty file", "", {}},
      {"one LF", "\n", {""}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDir dir;
    WriteBytes("IN.TXT", c.bytes);
    ConsoleIo con;
    con.io().OpenUnit(98, "IN.TXT", "OLD", "FORMATTED");
    EXPECT_EQ(AllRecords(con.io(), 98), c.records);
    EXPECT_EQ(FailureLine([&] { con.io().GetRecord(98); }),
              "forrtl: severe (24): end-of-file during read, unit 98, file IN.TXT");
  }
}

TEST(TextRecords, LinesLongerThanTheReadBufferArriveWhole) {
  WorkDir dir;
  const std::string a(2'500'000, 'a'), b(1'048'575, 'b');
  WriteBytes("IN.TXT", "x\r\n" + a + "\r\n" + b + "\n" + a);
  ConsoleIo con;
  con.io().OpenUnit(98, "IN.TXT", "OLD", "FORMATTED");
  EXPECT_EQ(AllRecords(con.io(), 98), (std::vector<std::string>{"x", a, b, a}));
}

TEST(TextRecords, AtEndOfFileReadsNothing) {
  WorkDir dir;
  WriteBytes("IN.TXT", "one\r\ntwo");
  ConsoleIo con;
  Io& io = con.io();
  io.OpenUnit(98, "IN.TXT", "OLD", "FORMATTED");
  EXPECT_FALSE(io.AtEndOfFile(98));
  EXPECT_FALSE(io.AtEndOfFile(98));
  EXPECT_EQ(io.GetRecord(98), "one");
  EXPECT_FALSE(io.AtEndOfFile(98));
  EXPECT_EQ(io.GetRecord(98), "two");
  EXPECT_TRUE(io.AtEndOfFile(98));
  EXPECT_TRUE(io.AtEndOfFile(98));
}

TEST(TextRecords, RewindReadsTheFirstRecordAgain) {
  WorkDir dir;
  WriteBytes("IN.TXT", "one\r\ntwo\r\n");
  ConsoleIo con;
  Io& io = con.io();
  io.OpenUnit(98, "IN.TXT", "OLD", "FORMATTED");
  EXPECT_EQ(io.GetRecord(98), "one");
  EXPECT_EQ(io.GetRecord(98), "two");
  EXPECT_TRUE(io.AtEndOfFile(98));
  io.RewindUnit(98);
  EXPECT_FALSE(io.AtEndOfFile(98));
  EXPECT_EQ(io.GetRecord(98), "one");
}

TEST(TextRecords, RecordsWrittenCanBeReadBackAfterRewindAndWritingAfterRewindReplacesThem) {
  WorkDir dir;
  ConsoleIo con;
  Io& io = con.io();
  io.OpenUnit(50, "WORK.TMP", "UNKNOWN", "FORMATTED");
  io.PutRecord(50, "first");
  io.PutRecord(50, "second");
  EXPECT_TRUE(io.AtEndOfFile(50));
  io.RewindUnit(50);
  EXPECT_EQ(AllRecords(io, 50), (std::vector<std::string>{"first", "second"}));
  io.RewindUnit(50);
  io.PutRecord(50, "only");
  io.CloseUnit(50);
  EXPECT_EQ(ReadBytes("WORK.TMP"), "only\r\n");
}

TEST(ConsoleInput, RecordsEndAtLineFeedAndTheEndIsErrorTwentyFour) {
  ConsoleIo con("first\r\n\nsecond\nno line feed");
  Io& io = con.io();
  EXPECT_FALSE(io.AtEndOfFile(kConsoleIn));
  EXPECT_EQ(io.GetRecord(kConsoleIn), "first");
  EXPECT_EQ(io.GetRecord(kConsoleIn), "");
  EXPECT_EQ(io.GetRecord(kConsoleIn), "second");
  EXPECT_EQ(io.GetRecord(kConsoleIn), "no line feed");
  EXPECT_TRUE(io.AtEndOfFile(kConsoleIn));
  EXPECT_EQ(FailureLine([&] { io.GetRecord(kConsoleIn); }),
            "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$");
}

TEST(ConsoleInput, PromptReachesTheConsoleBeforeTheAnswerIsRead) {
  ConsoleIo con("0\n");
  con.io().PutRecord(kConsoleOut, "  INPUT No. ? =");
  EXPECT_EQ(con.io().GetRecord(kConsoleIn), "0");
  EXPECT_EQ(con.Out(), "  INPUT No. ? =\r\n");
}

TEST(ConsoleInput, UnreadableConsoleIsErrorThirtyNine) {
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
