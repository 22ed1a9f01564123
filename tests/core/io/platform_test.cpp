// The platform file, and the file behaviour that differs on Windows: files that another program holds
// open, and read-only outputs. Names with drive letters are tested through the program
// (tests/e2e/windows_names_test.cpp).
#include "core/io/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/io/units.h"
#include "support/io_harness.h"

#ifdef _WIN32
#include <windows.h>
#undef ReplaceFile  // <windows.h> has its own; the one tested here is seep::ReplaceFile
#else
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace seep {
namespace {

namespace fs = std::filesystem;
using test::ConsoleIo;
using test::FailureLine;
using test::ReadFile;
using test::Scratch;
using test::WriteFile;

TEST(ReplaceFile, MovesOverAnExistingOrMissingTargetAndReportsWhatStopsIt) {
  struct Case {
    const char* what;
    bool sourceExists;
    const char* targetBefore;  // nullptr: no target; "/": a folder that holds a file
    bool replaced;
  };
  const Case cases[] = {
      {"existing target", true, "old target\r\n", true},
      {"missing target", true, nullptr, true},
      {"missing source", false, "old target\r\n", false},
      {"target is a folder", true, "/", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scratch dir(Scratch::kEnter);
    if (c.sourceExists) WriteFile("OUT.tmp-1", "new\r\n");
    if (c.targetBefore != nullptr && std::string(c.targetBefore) == "/") {
      fs::create_directory("OUT");
      WriteFile("OUT/KEEP", "k");
    } else if (c.targetBefore != nullptr) {
      WriteFile("OUT", c.targetBefore);
    }
    std::error_code ec = std::make_error_code(std::errc::io_error);
    EXPECT_EQ(ReplaceFile("OUT.tmp-1", "OUT", ec), c.replaced);
    if (c.replaced) {
      EXPECT_FALSE(ec);
      EXPECT_EQ(ReadFile("OUT"), "new\r\n");
      EXPECT_FALSE(fs::exists("OUT.tmp-1"));
    } else {
      EXPECT_TRUE(ec);
      EXPECT_EQ(fs::exists("OUT.tmp-1"), c.sourceExists);
      if (fs::is_regular_file("OUT")) {
        EXPECT_EQ(ReadFile("OUT"), c.targetBefore);
      }
    }
    if (!c.sourceExists) {
      EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
    }
  }
}

// Pseudo-terminals are a POSIX feature; the Windows build leaves this test out.
#ifndef _WIN32
TEST(IsTerminal, APseudoTerminalIsOneAndAFileIsNot) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
  std::FILE* terminal = std::fopen(::ptsname(master), "wb");
  std::FILE* file = std::tmpfile();
  ASSERT_TRUE(terminal != nullptr && file != nullptr);
  EXPECT_TRUE(IsTerminal(terminal));
  EXPECT_FALSE(IsTerminal(file));
  std::fclose(terminal);
  std::fclose(file);
  ::close(master);
}
#endif

#ifdef _WIN32
std::string FirstRecordFailure(ConsoleIo& con) {
  return FailureLine([&] { con.io().PutRecord(8, "TITLE"); });
}

// Files that another program holds open: the analysis package while it writes its results, or a
// viewer that lets others read the output but not write it.
TEST(WindowsFiles, FilesHeldByAnotherProgramArePermissionDenied) {
  Scratch dir(Scratch::kEnter);
  WriteFile("R.DAT", std::string("\x01\0\0\0x\x01\0\0\0", 9));
  WriteFile("OUT.TEC", "kept\r\n");
  WriteFile("OUT.tmp-2", "new\r\n");
  const auto hold = [](const wchar_t* name, DWORD share) {
    return CreateFileW(name, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  ConsoleIo con;
  const HANDLE result = hold(L"R.DAT", 0);
  HANDLE output = hold(L"OUT.TEC", 0);
  ASSERT_TRUE(result != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE);
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, "R.DAT", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (9): permission to access file denied, unit 10, file R.DAT");
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(8, "OUT.TEC", "UNKNOWN", "FORMATTED"); }),
            "forrtl: severe (9): permission to access file denied, unit 8, file OUT.TEC");
  std::error_code ec;
  EXPECT_FALSE(ReplaceFile("OUT.tmp-2", "OUT.TEC", ec));
  EXPECT_EQ(ec, std::errc::permission_denied);
  CloseHandle(output);
  output = hold(L"OUT.TEC", FILE_SHARE_READ);
  con.io().OpenUnit(8, "OUT.TEC", "UNKNOWN", "FORMATTED");
  EXPECT_EQ(FirstRecordFailure(con),
            "forrtl: severe (9): permission to access file denied, unit 8, file OUT.TEC");
  CloseHandle(output);
  CloseHandle(result);
  EXPECT_EQ(ReadFile("OUT.TEC"), "kept\r\n");
}

TEST(WindowsFiles, ReadOnlyOutputIsPermissionDeniedAtTheFirstRecord) {
  Scratch dir(Scratch::kEnter);
  WriteFile("OUT.TEC", "kept\r\n");
  ASSERT_TRUE(SetFileAttributesW(L"OUT.TEC", FILE_ATTRIBUTE_READONLY));
  const HANDLE writer = CreateFileW(L"OUT.TEC", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writer != INVALID_HANDLE_VALUE) {
    CloseHandle(writer);
    GTEST_SKIP() << "this system lets the file be written despite its read-only attribute (Wine run by root)";
  }
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TEC", "UNKNOWN", "FORMATTED");
    EXPECT_EQ(FirstRecordFailure(con),
              "forrtl: severe (9): permission to access file denied, unit 8, file OUT.TEC");
  }
  EXPECT_EQ(ReadFile("OUT.TEC"), "kept\r\n");
  SetFileAttributesW(L"OUT.TEC", FILE_ATTRIBUTE_NORMAL);
}

// A name typed in the system's code page (Shift-JIS on a Japanese system), whose bytes are no UTF-8:
// the program finds the file, and an output written over it ends after the new records.
TEST(WindowsFiles, NamesInTheSystemCodePage) {
  Scratch dir(Scratch::kEnter);
  // One kanji in code page 932, two letters in code page 1252; neither UTF-8 nor Latin-1 reads them so.
  const std::string name = "\x8A\x9F.TXT";
  std::wstring wide(name.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), 8)));
  ASSERT_GE(wide.size(), 5u);
  WriteFile(fs::path(wide), "an older and longer record\r\n");
  ConsoleIo con;
  con.io().OpenUnit(10, name, "OLD", "FORMATTED");
  EXPECT_EQ(con.io().GetRecord(10), "an older and longer record");
  con.io().CloseUnit(10);
  con.io().OpenUnit(8, name, "UNKNOWN", "FORMATTED");
  con.io().PutRecord(8, "new");
  con.io().CloseUnit(8);
  EXPECT_EQ(ReadFile(fs::path(wide)), "new\r\n");
}

// The command line's names: UTF-8 whatever the code page, past 260 characters too.
class Utf8Names : public ::testing::Test {
 protected:
  void SetUp() override { UseUtf8Names(); }
  void TearDown() override { UseUtf8Names(false); }

  // Writes `text` as a new file, or over an existing one through a temporary beside it, as outputs are.
  static void Write(const std::string& name, const std::string& text) {
    const std::string temporary = name + ".tmp-1";
    int err = 0;
    std::FILE* f = CreateNewFile(temporary, err);
    ASSERT_NE(f, nullptr) << err;
    std::fputs(text.c_str(), f);
    std::fclose(f);
    std::error_code ec;
    ASSERT_TRUE(ReplaceFile(NativePath(temporary), NativePath(name), ec)) << ec.message();
  }
};

TEST_F(Utf8Names, ReachTheFileOfTheirLettersAndComeBackAsTheyWere) {
  Scratch dir(Scratch::kEnter);
  // Letters of code page 932 and of 1252 in one name: no code page holds both.
  const std::string folder = "\u4E0A\u6D41 Case \u00DC";
  const std::string name = folder + "\\\u7D50\u679C.tec";
  ASSERT_TRUE(fs::create_directory(NativePath(folder)));
  Write(name, "old");
  Write(name, "new");
  EXPECT_EQ(ReadFile(fs::path(L"\u4E0A\u6D41 Case \u00DC\\\u7D50\u679C.tec")), "new");
  EXPECT_EQ(NameOf(NativePath(name)), name);
  EXPECT_EQ(NameOf(NativePath(name).parent_path()), folder);
  std::FILE* f = OpenFile(name, "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(MayWrite(name));
  EXPECT_EQ(MatchingNames(folder + "\\*.TEC"), std::vector<std::string>{name});
  EXPECT_TRUE(RemoveFile(name));
  EXPECT_TRUE(fs::is_empty(NativePath(folder)));
}

TEST_F(Utf8Names, PathsPastTheClassicLimitAreWrittenReplacedAndRemoved) {
  Scratch dir(Scratch::kEnter);
  std::string folder;
  for (char c : {'a', 'b', 'c', 'd', 'e', 'f'}) folder += std::string(48, c) + "\\";
  std::error_code ec;
  fs::create_directories(NativePath(folder), ec);
  ASSERT_FALSE(ec) << ec.message();
  const std::string name = fs::current_path().string() + "\\" + folder + "RESULT.inp";
  ASSERT_GT(name.size(), 300u);
  Write(name, "first");
  Write(name, "rerun");
  EXPECT_TRUE(MayWrite(name));
  std::FILE* f = OpenFile(name, "rb");
  ASSERT_NE(f, nullptr);
  char read[8] = {};
  EXPECT_EQ(std::fread(read, 1, sizeof read, f), 5u);
  std::fclose(f);
  EXPECT_EQ(std::string(read), "rerun");
  EXPECT_EQ(MatchingNames(folder + "*"), std::vector<std::string>{folder + "RESULT.inp"});
  EXPECT_TRUE(RemoveFile(name));
  EXPECT_TRUE(MatchingNames(folder + "*").empty());  // no temporary left
}

TEST_F(Utf8Names, WildcardsOfTheLastPartMatchSortedInEitherCase) {
  Scratch dir(Scratch::kEnter);
  fs::create_directory("runs");
  for (const char* name : {"runs/b.res", "runs/A.res", "runs/c.RES", "runs/.hidden.res", "runs/x.dat"})
    WriteFile(name, "");
  using Names = std::vector<std::string>;
  EXPECT_EQ(MatchingNames("runs\\*.res"), (Names{"runs\\A.res", "runs\\b.res", "runs\\c.RES"}));
  EXPECT_EQ(MatchingNames("runs/?.dat"), Names{"runs/x.dat"});
  EXPECT_EQ(MatchingNames("runs\\.*"), Names{"runs\\.hidden.res"});
  EXPECT_EQ(MatchingNames("runs\\x.dat"), Names{"runs\\x.dat"});  // no wildcard: as given
  EXPECT_TRUE(MatchingNames("runs\\*.inp").empty());
  EXPECT_TRUE(MatchingNames("r*\\*.dat").empty());  // wildcards in the last part only
}
#endif

}  // namespace
}  // namespace seep
