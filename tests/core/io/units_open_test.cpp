// Opening units: status and form in either case, the blank-padded name field, the open failures, and
// what "UNKNOWN" does to an existing file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <span>
#include <string>

#include "core/io/units.h"
#include "support/io_harness.h"

namespace seep {
namespace {

namespace fs = std::filesystem;
using test::ConsoleIo;
using test::FailureLine;
using test::ReadFile;
using test::Scratch;
using test::WriteFile;

TEST(OpenUnit, StatusAndFormInEitherCaseOpenAtTheFirstRecord) {
  const char* const cases[][2] = {{"OLD", "FORMATTED"},       {"old", "formatted"},
                                  {"UnKnown", "fORMATTED"},   {"Old", "Unformatted"},
                                  {"UNKNOWN", "unformatted"}, {"unknown", "UNFORMATTED"}};
  for (const auto& [status, form] : cases) {
    SCOPED_TRACE(std::string(status) + " " + form);
    Scratch dir(Scratch::kEnter);
    // Read as text: "\x03\0\0\0abc..." up to the line feed; read unformatted: the record "abc".
    WriteFile("F.DAT", std::string("\x03\0\0\0abc\x03\0\0\0\n", 12));
    ConsoleIo con;
    con.io().OpenUnit(8, "F.DAT", status, form);
    if (form[0] == 'U' || form[0] == 'u') {
      std::span<const std::byte> data;
      ASSERT_TRUE(con.io().ReadUnformatted(8, 3, data, false));
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data()), 3), "abc");
    } else {
      EXPECT_EQ(con.io().GetRecord(8), std::string("\x03\0\0\0abc\x03\0\0\0", 11));
    }
  }
}

TEST(OpenUnit, TrailingBlanksOfTheNameFieldAreNotPartOfTheName) {
  Scratch dir(Scratch::kEnter);
  WriteFile("MY FILE.TXT", "m\n");
  ConsoleIo con;
  con.io().OpenUnit(30, "MY FILE.TXT         ", "OLD", "FORMATTED");  // the inner blank stays
  EXPECT_EQ(con.io().GetRecord(30), "m");
  con.io().OpenUnit(50, "ABCDEFGHIJKLMNOP.TXT", "UNKNOWN", "FORMATTED");  // all 20 characters used
  con.io().OpenUnit(8, "OUT.TXT             ", "UNKNOWN", "FORMATTED");
  con.io().CloseAll();
  EXPECT_TRUE(fs::exists("ABCDEFGHIJKLMNOP.TXT"));
  EXPECT_TRUE(fs::exists("OUT.TXT"));
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, "NOFILE.DAT          ", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (29): file not found, unit 10, file NOFILE.DAT");
}

TEST(OpenUnit, FailuresReportNumberUnitAndFile) {
  Scratch dir(Scratch::kEnter);
  fs::create_directory("SUB");
#ifndef _WIN32
  // Windows programs make symbolic links only with a privilege that users lack; the cases of a link
  // that points to itself are left out there.
  fs::create_symlink("LOOP", "LOOP");
#endif
  const std::string tooLong(300, 'N');
  ConsoleIo con;
  Io& io = con.io();
  struct Case {
    std::string name;
    const char* status;
    std::string line;
  };
  const Case cases[] = {
      {"MISSING.DAT", "OLD", "forrtl: severe (29): file not found, unit 10, file MISSING.DAT"},
      {"NODIR/W.LST", "old", "forrtl: severe (29): file not found, unit 10, file NODIR/W.LST"},
      {"SUB", "OLD", "forrtl: severe (30): open failure, unit 10, file SUB"},
      {"SUB                 ", "UNKNOWN", "forrtl: severe (30): open failure, unit 10, file SUB"},
      {"LOOP", "OLD", "forrtl: severe (30): open failure, unit 10, file LOOP"},
      {"LOOP", "UNKNOWN", "forrtl: severe (30): open failure, unit 10, file LOOP"},
      {tooLong, "OLD", "forrtl: severe (43): file name specification error, unit 10, file " + tooLong},
      {tooLong, "UNKNOWN", "forrtl: severe (43): file name specification error, unit 10, file " + tooLong},
      {"                    ", "UNKNOWN",
       "forrtl: severe (43): file name specification error, unit 10, file "},
      {"", "OLD", "forrtl: severe (43): file name specification error, unit 10, file "},
  };
  for (const Case& c : cases) {
#ifdef _WIN32
    if (c.name == "LOOP") continue;
#endif
    EXPECT_EQ(FailureLine([&] { io.OpenUnit(10, c.name, c.status, "UNFORMATTED"); }), c.line);
  }
  // A name field never filled holds zero bytes; a name with a zero byte is no name either.
  for (const std::string& name : {std::string(20, '\0'), std::string("AB\0CD", 5)}) {
    try {
      io.OpenUnit(8, name, "UNKNOWN", "FORMATTED");
      ADD_FAILURE() << "no failure";
    } catch (const IoFailure& f) {
      EXPECT_EQ(f.number, 43);
    }
  }
  EXPECT_FALSE(fs::exists("AB"));
  EXPECT_TRUE(fs::is_empty("SUB"));
}

TEST(OpenUnit, UnreadableFileIsPermissionDenied) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no read permission to take away; a file that another program holds "
                  "locked stands for it (WindowsFiles.LockedResultFileIsPermissionDenied)";
#else
  if (geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not apply";
  Scratch dir(Scratch::kEnter);
  WriteFile("LOCKED.DAT", "x\n");
  fs::permissions("LOCKED.DAT", fs::perms::none);
  ConsoleIo con;
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, "LOCKED.DAT", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (9): permission to access file denied, unit 10, file LOCKED.DAT");
#endif
}

TEST(OpenUnit, OpeningMoreUnitsThanThereAreSlotsFailsWithoutTouchingTheFile) {
#ifdef _WIN32
  GTEST_SKIP() << "counts the open streams in /proc/self/fd, which Windows does not have";
#endif
  Scratch dir(Scratch::kEnter);
  ConsoleIo con;
  const auto openStreams = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
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

TEST(OpenUnit, UnknownCreatesAMissingFileAndKeepsAnExistingOneUntilARecordIsWritten) {
  Scratch dir(Scratch::kEnter);
  const std::string old = std::string(5000, 'o') + "\r\nline two\r\n";
  WriteFile("KEEP.TXT", old);
  WriteFile("CUT.TXT", old);
  WriteFile("READ.TXT", "a\r\nb\nc\r\nd\r\n");
  {
    ConsoleIo con;
    Io& io = con.io();
    io.OpenUnit(8, "NEW.TXT", "UNKNOWN", "FORMATTED");
    EXPECT_EQ(fs::file_size("NEW.TXT"), 0u);
    io.OpenUnit(30, "KEEP.TXT", "UNKNOWN", "FORMATTED");
    EXPECT_EQ(io.GetRecord(30), std::string(5000, 'o'));
    io.RewindUnit(30);
    io.OpenUnit(50, "CUT.TXT", "UNKNOWN", "FORMATTED");
    io.PutRecord(50, "new");
    io.OpenUnit(98, "READ.TXT", "UNKNOWN", "FORMATTED");
    EXPECT_EQ(io.GetRecord(98), "a");
    EXPECT_EQ(io.GetRecord(98), "b");
    io.PutRecord(98, "X");  // follows the records read and ends the file
    EXPECT_TRUE(io.AtEndOfFile(98));
  }
  EXPECT_EQ(ReadFile("KEEP.TXT"), old);
  EXPECT_EQ(ReadFile("CUT.TXT"), "new\r\n");
  EXPECT_EQ(ReadFile("READ.TXT"), "a\r\nb\nX\r\n");
}

}  // namespace
}  // namespace seep
