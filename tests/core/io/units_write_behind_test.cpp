// Files written behind the formatting (a writer thread) and in the calling thread give the same bytes:
// records in order across buffer hand-overs, two files at once, records longer than a buffer, byte
// copies from file to file; a failed write stops the file at exactly the bytes before it, also next to
// the boundaries the writing thread keeps its writes to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "core/io/platform.h"
#include "core/io/units.h"
#include "core/io/write_behind.h"
#include "support/io_harness.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::FailureLine;
using test::ReadFile;
using test::Scratch;
using test::WriteFile;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Record k of a file: `length` characters, each the letter of k, so that a record out of place shows.
std::string RecordOf(std::size_t k, std::size_t length) {
  return std::string(length, static_cast<char>('a' + k % 26));
}

struct Written {
  std::vector<std::string> records;
  std::string bytes;  // what the file must hold: every record and its CR LF
};

// `count` records of lengths cycling through 0 ... 299, with one of `longOne` characters at `longAt`.
Written Records(std::size_t count, std::size_t longAt = 0, std::size_t longOne = 0) {
  Written w;
  for (std::size_t k = 0; k < count; ++k) {
    w.records.push_back(RecordOf(k, k == longAt && longOne > 0 ? longOne : k * 7 % 300));
    w.bytes += w.records.back() + "\r\n";
  }
  return w;
}

struct OrderCase {
  const char* what;
  std::size_t count, longAt, longOne;
};

TEST(WriteBehind, RecordsReachTheFileInOrderWithAndWithoutTheThread) {
  const OrderCase cases[] = {
      {"a few records, never a full buffer", 10, 0, 0},
      {"many buffers", 40000, 0, 0},
      {"a record longer than a buffer amid them", 30000, 12345, 3 * kMiB + 5},
  };
  for (const OrderCase& c : cases) {
    for (bool behind : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (behind ? ", written behind" : ", written in place"));
      Scratch dir(Scratch::kEnter);
      const Written a = Records(c.count, c.longAt, c.longOne);
      const Written b = Records((c.count + 1) / 2);
      ConsoleIo con;
      Io& io = con.io();
      io.WriteBehindFiles(behind);
      io.OpenUnit(8, "A.TXT", "UNKNOWN", "FORMATTED");
      io.OpenUnit(30, "B.TXT", "UNKNOWN", "FORMATTED");
      for (std::size_t k = 0; k < a.records.size(); ++k) {
        io.PutRecord(8, a.records[k]);
        if (k % 2 == 0) io.PutRecord(30, b.records[k / 2]);
      }
      EXPECT_EQ(io.Position(8), a.bytes.size());
      io.CloseAll();
      EXPECT_EQ(ReadFile("A.TXT"), a.bytes);
      EXPECT_EQ(ReadFile("B.TXT"), b.bytes);
    }
  }
}

// A shared buffer of records lands between the records around it, also when its owner lets go of it at
// once and when it is handed over again and again.
TEST(WriteBehind, SharedRecordsLandInOrder) {
  const Written before = Records(20000);
  const Written shared = Records(9000);
  for (bool behind : {true, false}) {
    SCOPED_TRACE(behind ? "written behind" : "written in place");
    Scratch dir(Scratch::kEnter);
    ConsoleIo con;
    Io& io = con.io();
    io.WriteBehindFiles(behind);
    io.OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    std::string expected;
    for (int round = 0; round < 3; ++round) {
      for (const std::string& r : before.records) io.PutRecord(8, r);
      auto buffer = std::make_shared<std::vector<char>>(shared.bytes.begin(), shared.bytes.end());
      buffer->resize(buffer->size() + 100, '#');  // beyond the size handed over: not written
      io.PutShared(8, std::move(buffer), shared.bytes.size());
      expected += before.bytes + shared.bytes;
    }
    io.PutRecord(8, "after");
    expected += "after\r\n";
    EXPECT_EQ(io.Position(8), expected.size());
    io.CloseAll();
    EXPECT_TRUE(ReadFile("OUT.TXT") == expected);
  }
}

// A file written, then read back from its start: every record written before the reading is there.
TEST(WriteBehind, ReadingAFileBackFindsEveryRecordWritten) {
  for (bool behind : {true, false}) {
    SCOPED_TRACE(behind ? "written behind" : "written in place");
    Scratch dir(Scratch::kEnter);
    const Written w = Records(20000);
    ConsoleIo con;
    Io& io = con.io();
    io.WriteBehindFiles(behind);
    io.OpenUnit(30, "WORK.TMP", "UNKNOWN", "FORMATTED");
    for (const std::string& r : w.records) io.PutRecord(30, r);
    io.RewindUnit(30);
    for (std::size_t k = 0; k < w.records.size(); ++k) ASSERT_EQ(io.GetRecord(30), w.records[k]) << k;
    EXPECT_TRUE(io.AtEndOfFile(30));
  }
}

struct CopyCase {
  const char* what;
  std::size_t skipRecords;  // records read before the copy, filling the read-ahead
  std::size_t copyRecords;  // records copied as bytes
};

// Bytes copied from a work file to the output between records of its own; reading goes on after them.
TEST(WriteBehind, CopiedBytesLandBetweenTheRecordsAroundThem) {
  const Written work = Records(30000);  // about 4.4 MiB
  const CopyCase cases[] = {
      {"within the read-ahead", 1, 5},
      {"from the read-ahead into the file beyond", 100, 20000},
      {"nothing", 3, 0},
      {"to the end of the file", 2, 30000 - 2},
  };
  for (const CopyCase& c : cases) {
    for (bool behind : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (behind ? ", written behind" : ", written in place"));
      Scratch dir(Scratch::kEnter);
      WriteFile("WORK.TMP", work.bytes);
      ConsoleIo con;
      Io& io = con.io();
      io.WriteBehindFiles(behind);
      io.OpenUnit(30, "WORK.TMP", "OLD", "FORMATTED");
      io.OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
      // Enough of the output's own records before the copy that some are in flight.
      const Written before = Records(15000);
      for (const std::string& r : before.records) io.PutRecord(8, r);
      std::string expected = before.bytes;
      std::size_t k = 0;
      for (; k < c.skipRecords; ++k) io.GetRecord(30);
      std::uint64_t length = 0;
      for (std::size_t j = k; j < k + c.copyRecords; ++j) length += work.records[j].size() + 2;
      std::size_t offset = 0;
      for (std::size_t j = 0; j < k; ++j) offset += work.records[j].size() + 2;
      expected += work.bytes.substr(offset, length);
      io.CopyBytes(30, 8, length);
      k += c.copyRecords;
      EXPECT_EQ(io.Position(30), offset + length);
      if (k < work.records.size()) {
        EXPECT_EQ(io.GetRecord(30), work.records[k]);
      } else {
        EXPECT_TRUE(io.AtEndOfFile(30));
      }
      io.PutRecord(8, "after");
      expected += "after\r\n";
      EXPECT_EQ(io.Position(8), expected.size());
      io.CloseAll();
      EXPECT_EQ(ReadFile("OUT.TXT"), expected);
    }
  }
}

TEST(WriteBehind, CopyingPastTheEndOfTheSourceIsAnEndOfFile) {
  for (bool behind : {true, false}) {
    SCOPED_TRACE(behind ? "written behind" : "written in place");
    Scratch dir(Scratch::kEnter);
    const Written work = Records(10000);
    WriteFile("WORK.TMP", work.bytes);
    ConsoleIo con;
    Io& io = con.io();
    io.WriteBehindFiles(behind);
    io.OpenUnit(30, "WORK.TMP", "OLD", "FORMATTED");
    io.OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
    for (const std::string& r : Records(20000).records) io.PutRecord(8, r);
    EXPECT_EQ(FailureLine([&] {
                io.CopyBytes(30, 8, work.bytes.size() + 1);
                io.FlushAll();
              }),
              "forrtl: severe (24): end-of-file during read, unit 30, file WORK.TMP");
  }
}

// The writing thread on its own: buffers of sizes around the boundaries its writes end on, for two
// files in turn, shared buffers among them, bytes copied from a third file, and bytes written straight
// to a file after a Wait, all land in their files whole and in order. Every byte tells its buffer and
// its place in it, so that bytes held back and written late, twice or not at all show.
TEST(WriteBehind, BuffersAroundTheBoundariesLandWholeInTheirFiles) {
  constexpr std::size_t b = WriteBehind::kBoundary;
  const std::size_t sizes[] = {1, b - 1, b, b + 1, 3 * b + 17, 48, 2 * b - 48, 5, b / 2, 7 * b + 3, 0, 2 * b};
  Scratch dir(Scratch::kEnter);
  const std::string source(3 * b + 11, 'S');
  WriteFile("SOURCE", source);
  std::FILE* files[2] = {std::fopen("A", "wb"), std::fopen("B", "wb")};
  std::FILE* from = std::fopen("SOURCE", "rb");
  for (std::FILE* f : {files[0], files[1], from}) std::setvbuf(f, nullptr, _IONBF, 0);
  std::string expected[2];
  {
    WriteBehind w;
    int k = 0;
    for (int round = 0; round < 3; ++round) {
      for (const std::size_t size : sizes) {
        const int which = k % 3 == 2 ? 1 : 0;  // A twice as often as B, so that either follows either
        std::string bytes(size, ' ');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('!' + (k * 7 + i) % 90);
        expected[which] += bytes;
        if (k % 5 == 4) {
          w.Share(which + 1, files[which],
                  std::make_shared<const std::vector<char>>(bytes.begin(), bytes.end()), size);
        } else {
          std::vector<char> buffer(bytes.begin(), bytes.end());
          buffer.resize(size + 9, '#');  // beyond the size handed over: not written
          w.Write(which + 1, files[which], buffer, size);
        }
        if (k == 7) {
          w.Wait();
          std::fwrite("direct", 1, 6, files[0]);
          expected[0] += "direct";
        }
        if (k == 16 && CopiesAtOffset()) {  // elsewhere (Windows) copies go through the reader's buffers
          w.Copy(1, files[0], 3, from, 5, b + 2);
          expected[0] += source.substr(5, b + 2);
        }
        ++k;
      }
    }
    w.Wait();
    EXPECT_EQ(w.TakeFailure().number, 0);
  }
  for (std::FILE* f : {files[0], files[1], from}) std::fclose(f);
  EXPECT_TRUE(ReadFile("A") == expected[0]);
  EXPECT_TRUE(ReadFile("B") == expected[1]);
}

// Buffers of two sizes in turn (a unit's own and a formatting team's): each comes back as a spare of
// its own size, so that none is thrown away for a larger one made afresh, nor grows past its use.
TEST(WriteBehind, EachBufferGivenBackIsTheSmallestSpareThatHoldsIt) {
  Scratch dir(Scratch::kEnter);
  std::FILE* file = std::fopen("OUT", "wb");
  std::string expected;
  {
    WriteBehind w;
    std::vector<char> small(64 << 10), large(256 << 10);
    for (int round = 0; round < 20; ++round) {
      std::fill(small.begin(), small.end(), static_cast<char>('a' + round));
      std::fill(large.begin(), large.end(), static_cast<char>('A' + round));
      w.Write(1, file, small, 3);
      w.Write(1, file, large, 5);
      expected +=
          std::string(3, static_cast<char>('a' + round)) + std::string(5, static_cast<char>('A' + round));
      w.Wait();
      ASSERT_EQ(small.size(), std::size_t{64} << 10) << round;
      ASSERT_EQ(large.size(), std::size_t{256} << 10) << round;
    }
    EXPECT_EQ(w.TakeFailure().number, 0);
  }
  std::fclose(file);
  EXPECT_TRUE(ReadFile("OUT") == expected);
}

#ifndef _WIN32

// Pieces written as one write (four at a time): a limit on the file's size stops them at exactly the
// limit, inside a piece or between two, and the count and the error say so; empty pieces add nothing.
TEST(WritePieces, ALimitStopsThemAtExactlyItsBytes) {
  const std::string texts[] = {std::string(1000, 'a'), "", std::string(5000, 'b'), "xyz", "", "tail"};
  std::string all;
  WritePiece pieces[6];
  for (int i = 0; i < 6; ++i) {
    pieces[i] = {texts[i].data(), texts[i].size()};
    all += texts[i];
  }
  for (const std::size_t limit : {std::size_t{0}, std::size_t{999}, std::size_t{1000}, std::size_t{3001},
                                  std::size_t{6001}, all.size() - 1, all.size()}) {
    SCOPED_TRACE(limit);
    Scratch dir(Scratch::kEnter);
    std::FILE* f = std::fopen("OUT", "wb");
    std::setvbuf(f, nullptr, _IONBF, 0);
    const rlimit small{limit, RLIM_INFINITY};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    int err = 0;
    const std::uint64_t written = WritePieces(f, pieces, 6, err);
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, previous);
    std::fclose(f);
    EXPECT_EQ(written, limit);
    EXPECT_EQ(err, limit < all.size() ? EFBIG : 0);
    EXPECT_TRUE(ReadFile("OUT") == all.substr(0, limit));
  }
}

// Writes the records of `w` to OUT.TXT (unit 8), behind or in place, with files limited to `limit`
// bytes, calling `after(io, k)` after record k, and closes it: the failure line, or "no failure".
std::string WriteUnderLimit(const Written& w, std::size_t limit, bool behind,
                            const std::function<void(Io&, std::size_t)>& after = {}) {
  ConsoleIo con;
  Io& io = con.io();
  io.WriteBehindFiles(behind);
  io.OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
  const rlimit small{limit, RLIM_INFINITY};
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const std::string line = FailureLine([&] {
    for (std::size_t k = 0; k < w.records.size(); ++k) {
      io.PutRecord(8, w.records[k]);
      if (after) after(io, k);
    }
    io.CloseAll();
  });
  const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
  setrlimit(RLIMIT_FSIZE, &unlimited);
  std::signal(SIGXFSZ, previous);
  return line;
}

// Writes past a limit on the size of files fail as on a full disk. The failure is raised by a later
// record or at the latest by the close, and the file holds exactly the bytes before the limit.
TEST(WriteBehind, AFailedWriteLeavesExactlyTheBytesBeforeIt) {
  const Written w = Records(40000);  // about 5.8 MiB
  // Around the boundaries writes end on, where the bytes past the last one are held for the next write.
  constexpr std::size_t b = WriteBehind::kBoundary;
  const std::size_t limits[] = {100,      b - 1, b,        b + 1,        3 * b + 17,
                                kMiB - 1, kMiB,  kMiB + 1, 5 * kMiB / 2, w.bytes.size() - 1};
  for (std::size_t limit : limits) {
    for (bool behind : {true, false}) {
      SCOPED_TRACE(std::to_string(limit) + (behind ? ", written behind" : ", written in place"));
      Scratch dir(Scratch::kEnter);
      const std::string line = WriteUnderLimit(w, limit, behind);
      EXPECT_EQ(line, "forrtl: severe (38): error during write, unit 8, file OUT.TXT");
      const std::string file = ReadFile("OUT.TXT");
      EXPECT_EQ(file.size(), limit);
      EXPECT_TRUE(file == w.bytes.substr(0, limit));
    }
  }
}

// After a failed file, its unit number names another file, which is written whole.
TEST(WriteBehind, AUnitReopenedAfterAFailureWritesAgain) {
  Scratch dir(Scratch::kEnter);
  // More than the buffers in flight can hold (each at most 1 MiB), so that the failure comes back
  // while records are still put, not only at the close.
  const Written w = Records(160000);
  ASSERT_GT(w.bytes.size(), (WriteBehind::kDepth + 2) * kMiB);
  ConsoleIo con;
  Io& io = con.io();
  io.WriteBehindFiles(true);
  dir.MakeFullDevice("FULL");  // a device made here, never the system's own
  io.OpenUnit(8, "FULL", "UNKNOWN", "FORMATTED");
  const std::string full = "forrtl: severe (38): error during write, unit 8, file FULL";
  EXPECT_EQ(FailureLine([&] {
              for (const std::string& r : w.records) io.PutRecord(8, r);
            }),
            full);
  // Closing the file names its failure again, and frees the number.
  EXPECT_EQ(FailureLine([&] { io.CloseUnit(8); }), full);
  io.OpenUnit(8, "OUT.TXT", "UNKNOWN", "FORMATTED");
  for (const std::string& r : w.records) io.PutRecord(8, r);
  io.CloseAll();
  EXPECT_TRUE(ReadFile("OUT.TXT") == w.bytes);
}

#endif

#ifdef __linux__

// The bytes of the blocks a file holds, and its size.
std::pair<std::uint64_t, std::uint64_t> BlocksAndSize(const char* name) {
  struct stat st {};
  EXPECT_EQ(::stat(name, &st), 0);
  return {static_cast<std::uint64_t>(st.st_blocks) * 512, static_cast<std::uint64_t>(st.st_size)};
}

// Room taken ahead of the writes lies past the file's end while it is written, and is given back when
// the file closes, whether it was written whole or stopped by a failed write: the file then holds no
// more blocks than its bytes need. A stream the program was given (standard output) gets none.
TEST(WriteBehind, RoomTakenAheadIsGivenBackAtTheClose) {
  Scratch dir(Scratch::kEnter);
  {
    std::FILE* probe = std::fopen("PROBE", "wb");
    const bool reserves = ReserveFileSpace(probe, 0, kMiB);
    if (reserves) {
      EXPECT_GE(BlocksAndSize("PROBE").first, kMiB);
      ReleaseFileSpace(probe);
      EXPECT_EQ(BlocksAndSize("PROBE").first, 0u);
    }
    std::fclose(probe);
    if (!reserves) GTEST_SKIP() << "this file system takes no room ahead of the writes";
  }
  const Written w = Records(40000);           // about 5.8 MiB
  constexpr std::uint64_t kSlack = 64 << 10;  // the last block, and a block of the file's extents
  for (const std::size_t limit : {w.bytes.size() + 1, 3 * kMiB / 2}) {
    SCOPED_TRACE(limit);
    const std::string line = WriteUnderLimit(w, limit, true, [&](Io& io, std::size_t k) {
      if (k == w.records.size() / 2 && limit > w.bytes.size()) {
        io.FlushAll();
        const auto [blocks, size] = BlocksAndSize("OUT.TXT");
        EXPECT_GT(blocks, size + kSlack);
      }
    });
    const auto [blocks, size] = BlocksAndSize("OUT.TXT");
    EXPECT_EQ(size, std::min<std::uint64_t>(limit, w.bytes.size()));
    EXPECT_LE(blocks, size + kSlack);
    EXPECT_TRUE(ReadFile("OUT.TXT") == w.bytes.substr(0, size));
    EXPECT_EQ(line == "no failure", limit > w.bytes.size()) << line;
  }
  ConsoleIo con;
  Io& io = con.io();
  io.WriteBehindFiles(true);
  io.AttachUnit(9, std::fopen("GIVEN.TXT", "wb"), "GIVEN.TXT");
  for (const std::string& r : w.records) io.PutRecord(9, r);
  io.FlushAll();
  const auto [blocks, size] = BlocksAndSize("GIVEN.TXT");
  EXPECT_EQ(size, w.bytes.size());
  EXPECT_LE(blocks, size + kSlack);
}

#endif

}  // namespace
}  // namespace seep
