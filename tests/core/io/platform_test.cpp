// The platform file and the file behaviour that differs on Windows: replacing a file in one step,
// telling a terminal from a file, files that another program holds locked, read-only outputs and
// names with drive letters and backslashes.
#include "core/io/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

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
using test::ReadBytes;
using test::WorkDir;
using test::WriteBytes;

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
    WorkDir dir;
    if (c.sourceExists) WriteBytes("OUT.tmp-1", "new\r\n");
    if (c.targetBefore != nullptr && std::string(c.targetBefore) == "/") {
      fs::create_directory("OUT");
      WriteBytes("OUT/KEEP", "k");
    } else if (c.targetBefore != nullptr) {
      WriteBytes("OUT", c.targetBefore);
    }
    std::error_code ec = std::make_error_code(std::errc::io_error);
    EXPECT_EQ(ReplaceFile("OUT.tmp-1", "OUT", ec), c.replaced);
    if (c.replaced) {
      EXPECT_FALSE(ec);
      EXPECT_EQ(ReadBytes("OUT"), "new\r\n");
      EXPECT_FALSE(fs::exists("OUT.tmp-1"));
    } else {
      EXPECT_TRUE(ec);
      EXPECT_EQ(fs::exists("OUT.tmp-1"), c.sourceExists);
      if (fs::is_regular_file("OUT")) {
        EXPECT_EQ(ReadBytes("OUT"), c.targetBefore);
      }
    }
    if (!c.sourceExists) {
      EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
    }
  }
}

TEST(IsTerminal, FilesAndPipesAreNoTerminal) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(IsTerminal(f));
  std::fclose(f);
}

#ifndef _WIN32
TEST(IsTerminal, APseudoTerminalIsOne) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  std::FILE* terminal = std::fopen(::ptsname(master), "wb");
  ASSERT_NE(terminal, nullptr);
  EXPECT_TRUE(IsTerminal(terminal));
  std::fclose(terminal);
  ::close(master);
}
#endif

#ifdef _WIN32

// Holds a file open the way a program does that lets no one else read or write it (an editor, or the
// analysis package while it writes its results).
class Lock {
 public:
  explicit Lock(const fs::path& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Lock() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(WindowsFiles, LockedResultFileIsPermissionDenied) {
  WorkDir dir;
  WriteBytes("R.DAT", std::string("\x01\0\0\0x\x01\0\0\0", 9));
  WriteBytes("OUT.TEC", "kept\r\n");
  {
    Lock result("R.DAT"), output("OUT.TEC");
    ASSERT_TRUE(result.Held() && output.Held());
    ConsoleIo con;
    EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, "R.DAT", "OLD", "UNFORMATTED"); }),
              "forrtl: severe (9): permission to access file denied, unit 10, file R.DAT");
    EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(8, "OUT.TEC", "UNKNOWN", "FORMATTED"); }),
              "forrtl: severe (9): permission to access file denied, unit 8, file OUT.TEC");
    // Replacing a file that another program holds open fails as well, and leaves it as it was.
    WriteBytes("OUT.tmp-2", "new\r\n");
    std::error_code ec;
    EXPECT_FALSE(ReplaceFile("OUT.tmp-2", "OUT.TEC", ec));
    EXPECT_EQ(ec, std::errc::permission_denied);
  }
  EXPECT_EQ(ReadBytes("OUT.TEC"), "kept\r\n");
  // Once the other program lets go, the same file opens.
  ConsoleIo con;
  con.io().OpenUnit(10, "R.DAT", "OLD", "UNFORMATTED");
  std::span<const std::byte> data;
  EXPECT_TRUE(con.io().ReadUnformatted(10, 1, data, false));
}

// An existing output that the program may read but not write: opened all the same, and the first
// record written is refused, with the file left as it was.
void ExpectReadOnlyOutput() {
  {
    ConsoleIo con;
    con.io().OpenUnit(8, "OUT.TEC", "UNKNOWN", "FORMATTED");
    EXPECT_EQ(FailureLine([&] { con.io().PutRecord(8, "TITLE"); }),
              "forrtl: severe (9): permission to access file denied, unit 8, file OUT.TEC");
  }
  EXPECT_EQ(ReadBytes("OUT.TEC"), "kept\r\n");
}

TEST(WindowsFiles, OutputThatAnotherProgramOnlyLetsReadIsPermissionDenied) {
  WorkDir dir;
  WriteBytes("OUT.TEC", "kept\r\n");
  // A viewer that holds the file open and lets others read it, but not write it.
  const HANDLE viewer = CreateFileW(L"OUT.TEC", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  ExpectReadOnlyOutput();
  CloseHandle(viewer);
}

TEST(WindowsFiles, ReadOnlyOutputIsPermissionDeniedAtTheFirstRecord) {
  WorkDir dir;
  WriteBytes("OUT.TEC", "kept\r\n");
  ASSERT_TRUE(SetFileAttributesW(L"OUT.TEC", FILE_ATTRIBUTE_READONLY));
  const HANDLE writer = CreateFileW(L"OUT.TEC", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writer != INVALID_HANDLE_VALUE) {
    CloseHandle(writer);
    SetFileAttributesW(L"OUT.TEC", FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this system lets the file be written despite its read-only attribute (Wine run by root)";
  }
  ExpectReadOnlyOutput();
  SetFileAttributesW(L"OUT.TEC", FILE_ATTRIBUTE_NORMAL);
}

// Names as Windows users type them: drive letters in either case, backslashes, forward slashes, and
// both mixed. Each opens the same file; a missing one is reported under the name as typed.
TEST(WindowsFiles, NamesWithDriveLettersAndBackslashes) {
  WorkDir dir;
  fs::create_directory("SUB");
  WriteBytes("SUB\\R.TXT", "first record\r\n");
  std::string absolute = fs::current_path().string();  // "C:\users\...\seepconv-io-..."
  ASSERT_GE(absolute.size(), 3u);
  ASSERT_EQ(absolute[1], ':');
  std::string lower = absolute;
  lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
  std::string forward = absolute;
  for (char& ch : forward) {
    if (ch == '\\') ch = '/';
  }
  const std::string names[] = {
      "SUB\\R.TXT",
      ".\\SUB\\R.TXT",
      "SUB\\..\\SUB\\R.TXT",
      "SUB/R.TXT",
      absolute + "\\SUB\\R.TXT",
      lower + "\\SUB\\R.TXT",
      forward + "/SUB/R.TXT",
      absolute + "/SUB\\R.TXT",
  };
  ConsoleIo con;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    con.io().OpenUnit(10, name, "OLD", "FORMATTED");
    EXPECT_EQ(con.io().GetRecord(10), "first record");
    con.io().CloseUnit(10);
  }
  const std::string output = absolute + "\\SUB\\OUT.TEC";
  con.io().OpenUnit(8, output, "UNKNOWN", "FORMATTED");
  con.io().PutRecord(8, "written");
  con.io().CloseUnit(8);
  EXPECT_EQ(ReadBytes("SUB/OUT.TEC"), "written\r\n");
  const std::string missing = absolute + "\\SUB\\NO.DAT";
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, missing, "OLD", "UNFORMATTED"); }),
            "forrtl: severe (29): file not found, unit 10, file " + missing);
  EXPECT_EQ(FailureLine([&] { con.io().OpenUnit(10, "SUB\\NODIR\\R.DAT", "OLD", "UNFORMATTED"); }),
            "forrtl: severe (29): file not found, unit 10, file SUB\\NODIR\\R.DAT");
}

#endif

}  // namespace
}  // namespace seep
