// Opening and closing units: status and form in either case, the blank-padded name field, the open
// failures, and what "UNKNOWN" does to an existing file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <span>
#include <string>

#include "core/io/units.h"
#include "support/io_harness.h"
#include "support/result_file.h"

namespace seep {
namespace {

namespace fs = std::filesystem;
using test::ConsoleIo;
using test::FailureLine;
using test::ReadBytes;
using test::WorkDir;
using test::WriteBytes;

struct OpenCase {
  const char* status;
  const char* form;
};

TEST(OpenUnit, StatusAndFormInEitherCaseOpenAnExistingFileAtItsFirstRecord) {
  const OpenCase cases[] = {
      {"OLD", "FORMATTED"},     {"old", "formatted"},     {"Old", "Formatted"},
      {"UNKNOWN", "FORMATTED"}, {"unknown", "formatted"}, {"UnKnown", "fORMATTED"},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(std::string(c.status) + " " + c.form);
    WorkDir dir;
    WriteBytes("T.TXT", "first\r\nsecond\r\n");
    ConsoleIo con;
    con.io().OpenUnit(8, "T.TXT", c.status, c.form);
    EXPECT_EQ(con.io().GetRecord(8), "first");
  }
  const OpenCase unformatted[] = {
      {"OLD", "UNFORMATTED"}, {"old", "unformatted"}, {"UNKNOWN", "Unformatted"}, {"unknown", "UNFORMATTED"}};
  for (const OpenCase& c : unformatted) {
    SCOPED_TRACE(std::string(c.status) + " " + c.form);
    WorkDir dir;
    test::ResultFile f;
    f.Record(test::Int4(4711));
    f.WriteTo("U.DAT");
    ConsoleIo con;
    con.io().OpenUnit(10, "U.DAT", c.status, c.form);
    std::span<const std::byte> data;
    ASSERT_TRUE(con.io().ReadUnformatted(10, 4, data, false));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data()), 4), test::Int4(4711));
  }
}

TEST(OpenUnit, TrailingBlanksOfTheNameFieldAreNotPartOfTheName) {
  WorkDir dir;
  WriteBytes("R.DAT", "r\n");
  WriteBytes("MY FILE.TXT", "m\n");
  ConsoleIo con;
  con.io().OpenUnit(8, "R.DAT               ", "OLD", "FORMATTED");  // 20-character field
  EXPECT_EQ(con.io().GetRecord(8), "r");
  con.io().OpenUnit(30, "MY FILE.TXT         ", "OLD", "FORMATTED");  // inner blank kept
  EXPECT_EQ(con.io().GetRecord(30), "m");
  con.io().OpenUnit(50, "ABCDEFGHIJKLMNOP.TXT", "UNKNOWN", "FORMATTED");  // all 20 used
  con.io().PutRecord(50, "x");
  con.io().CloseUnit(50);
  EXPECT_EQ(ReadBytes("ABCDEFGHIJKLMNOP.TXT"), "x\r\n");
  EXPECT_FALSE(fs::exists("ABCDEFGHIJKLMNOP.TXT "));
  // The report names the file without the padding.
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, "NOFILE.DAT          ", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (29): file not found, unit 10, file NOFILE.DAT");
}

TEST(OpenUnit, FailuresReportNumberUnitAndFile) {
  WorkDir dir;
  fs::create_directory("SUBDIR");
  ConsoleIo con;
  Io& io = con.io();
  EXPECT_EQ(FailureLine([&] { io.OpenUnit(10, "MISSING.DAT", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (29): file not found, unit 10, file MISSING.DAT");
  EXPECT_EQ(FailureLine([&] { io.OpenUnit(98, "NODIR/WORK.LST", "old", "FORMATTED"); }),
            "forrtl: severe (29): file not found, unit 98, file NODIR/WORK.LST");
  EXPECT_EQ(FailureLine([&] { io.OpenUnit(10, "SUBDIR", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (30): open failure, unit 10, file SUBDIR");
  EXPECT_EQ(FailureLine([&] { io.OpenUnit(8, "SUBDIR              ", "UNKNOWN", "FORMATTED"); }),
            "forrtl: severe (30): open failure, unit 8, file SUBDIR");
  EXPECT_EQ(FailureLine([&] { io.OpenUnit(8, "                    ", "UNKNOWN", "FORMATTED"); }),
            "forrtl: severe (43): file name specification error, unit 8, file ");
  EXPECT_EQ(FailureLine([&] { io.OpenUnit(10, "", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (43): file name specification error, unit 10, file ");
  // A name field never filled holds zero bytes.
  try {
    io.OpenUnit(10, std::string(20, '\0'), "OLD", "UNFORMATTED");
    ADD_FAILURE() << "no failure";
  } catch (const IoFailure& f) {
    EXPECT_EQ(f.number, 43);
    EXPECT_EQ(f.unit, 10);
  }
  try {
    io.OpenUnit(8, std::string("AB\0CD", 5), "UNKNOWN", "FORMATTED");
    ADD_FAILURE() << "no failure";
  } catch (const IoFailure& f) {
    EXPECT_EQ(f.number, 43);
  }
  EXPECT_FALSE(fs::exists("AB"));
  EXPECT_TRUE(fs::is_empty(dir.Path() / "SUBDIR"));
}

TEST(OpenUnit, NamesTheSystemCannotLookUpAreNotReportedAsMissing) {
  WorkDir dir;
  fs::create_symlink("LOOP", "LOOP");
  const std::string tooLong(300, 'N');
  ConsoleIo con;
  Io& io = con.io();
  for (const char* status : {"OLD", "UNKNOWN"}) {
    SCOPED_TRACE(status);
    EXPECT_EQ(FailureLine([&] { io.OpenUnit(10, "LOOP", status, "UNFORMATTED"); }),
              "forrtl: severe (30): open failure, unit 10, file LOOP");
    EXPECT_EQ(FailureLine([&] { io.OpenUnit(10, tooLong, status, "UNFORMATTED"); }),
              "forrtl: severe (43): file name specification error, unit 10, file " + tooLong);
  }
}

TEST(OpenUnit, UnreadableFileIsPermissionDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not apply";
  WorkDir dir;
  WriteBytes("LOCKED.DAT", "x\n");
  fs::permissions("LOCKED.DAT", fs::perms::none);
  ConsoleIo con;
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, "LOCKED.DAT", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (9): permission to access file denied, unit 10, file LOCKED.DAT");
}

TEST(OpenUnit, OpeningMoreUnitsThanThereAreSlotsFailsWithoutTouchingTheFile) {
  WorkDir dir;
  ConsoleIo con;
  const auto openStreams = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
  };
  int unit = 1;
  for (; unit <= 50; ++unit) {
    const std::string name = "U" + std::to_string(unit) + ".TXT";
    const std::ptrdiff_t before = openStreams();
    const std::string line = FailureLine([&] { con.io().OpenUnit(unit, name, "UNKNOWN", "FORMATTED"); });
    if (line == "no failure") continue;
    EXPECT_EQ(line, "forrtl: severe (30): open failure, unit " + std::to_string(unit) + ", file " + name);
    EXPECT_FALSE(fs::exists(name));
    EXPECT_EQ(openStreams(), before);
    break;
  }
  EXPECT_GE(unit, 6) << "the converter keeps five files open at once";
}

TEST(OpenUnit, UnknownCreatesAMissingFileEmpty) {
  WorkDir dir;
  ConsoleIo con;
  con.io().OpenUnit(8, "NEW.TXT", "UNKNOWN", "FORMATTED");
  EXPECT_TRUE(fs::exists("NEW.TXT"));
  EXPECT_EQ(fs::file_size("NEW.TXT"), 0u);
  EXPECT_TRUE(con.io().AtEndOfFile(8));
}

TEST(OpenUnit, UnknownFileNotWrittenKeepsItsContent) {
  WorkDir dir;
  const std::string old = "line one\r\nline two\r\nline three\r\n";
  WriteBytes("OUT.TXT", old);
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    con.io().CloseUnit(8);
  }
  EXPECT_EQ(ReadBytes("OUT.TXT"), old);
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    EXPECT_EQ(con.io().GetRecord(8), "line one");
    con.io().RewindUnit(8);
  }  // closed at the end of the run
  EXPECT_EQ(ReadBytes("OUT.TXT"), old);
}

TEST(OpenUnit, FirstRecordWrittenToAnExistingFileEndsTheFileAfterIt) {
  WorkDir dir;
  WriteBytes("OUT.TXT", std::string(5000, 'o') + "\r\nold tail\r\n");
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    con.io().PutRecord(8, "new");
    con.io().CloseUnit(8);
  }
  EXPECT_EQ(ReadBytes("OUT.TXT"), "new\r\n");

  // After reading two records, the record written follows them and ends the file.
  WriteBytes("OUT.TXT", "a\r\nb\nc\r\nd\r\n");
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    EXPECT_EQ(con.io().GetRecord(8), "a");
    EXPECT_EQ(con.io().GetRecord(8), "b");
    con.io().PutRecord(8, "X");
    EXPECT_TRUE(con.io().AtEndOfFile(8));
  }
  EXPECT_EQ(ReadBytes("OUT.TXT"), "a\r\nb\nX\r\n");
}

TEST(OpenUnit, CloseKeepsTheFileAndReopeningReadsItFromTheStart) {
  WorkDir dir;
  ConsoleIo con;
  Io& io = con.io();
  io.OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
  io.PutRecord(8, "one");
  io.PutRecord(8, "two");
  io.CloseUnit(8);
  EXPECT_EQ(ReadBytes("OUT.TXT"), "one\r\ntwo\r\n");
  io.OpenUnit(8, "OUT.TXT", "OLD", "FORMATTED");
  EXPECT_EQ(io.GetRecord(8), "one");
  // Opening a connected unit on another file completes the first connection.
  io.OpenUnit(30, "A.TXT", "UNKNOWN", "FORMATTED");
  io.PutRecord(30, "to A");
  io.OpenUnit(30, "B.TXT", "UNKNOWN", "FORMATTED");
  io.PutRecord(30, "to B");
  io.CloseAll();
  EXPECT_EQ(ReadBytes("A.TXT"), "to A\r\n");
  EXPECT_EQ(ReadBytes("B.TXT"), "to B\r\n");
}

TEST(OpenUnit, RecordsStillBufferedAreWrittenWhenTheIoEnds) {
  WorkDir dir;
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    for (int i = 0; i < 3; ++i) con.io().PutRecord(8, "rec" + std::to_string(i));
  }
  EXPECT_EQ(ReadBytes("OUT.TXT"), "rec0\r\nrec1\r\nrec2\r\n");
}

}  // namespace
}  // namespace seep
