// Unformatted records: count, data, count; segments with negative leading counts; the front of the
// record is taken and the rest skipped; a clean end before a record against a truncated record.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "core/io/platform.h"
#include "core/io/units.h"
#include "support/io_harness.h"
#include "support/result_file.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::FailureLine;
using test::Int4;
using test::ResultFile;
using test::Scratch;
using test::WriteFile;

constexpr int kUnit = 10;
constexpr const char* kEndOfFile = "forrtl: severe (24): end-of-file during read, unit 10, file U.DAT";
constexpr const char* kTooMuchData =
    "forrtl: severe (67): input statement requires too much data, unit 10, file U.DAT";

std::string Text(std::span<const std::byte> data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// The first `need` bytes of the next record.
std::string Read(Io& io, std::size_t need) {
  std::span<const std::byte> data;
  EXPECT_TRUE(io.ReadUnformatted(kUnit, need, data, false));
  return Text(data);
}

// Bytes 0, 1, 2, … of a payload, so that any misplaced byte shows.
std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

class Unformatted : public ::testing::Test {
 protected:
  void Open(const ResultFile& f, std::size_t size = std::string::npos) {
    f.WriteTo("U.DAT", size);
    con_.io().OpenUnit(kUnit, "U.DAT", "OLD", "UNFORMATTED");
  }
  Io& io() { return con_.io(); }

  Scratch dir_{Scratch::kEnter};
  ConsoleIo con_;
};

TEST_F(Unformatted, EightByteRecordGivesOneIntegerButNotThree) {
  ResultFile f;
  f.Record(Int4(-7) + Int4(99)).Record(Int4(1)).Record(Int4(5)).Record(Int4(1) + Int4(2));
  Open(f);
  EXPECT_EQ(Read(io(), 4), Int4(-7));
  EXPECT_EQ(Read(io(), 0), "");       // a read of no items skips one record
  EXPECT_EQ(Read(io(), 4), Int4(5));  // the second integer of the first record was skipped
  EXPECT_EQ(FailureLine([&] { Read(io(), 12); }), kTooMuchData);
}

TEST_F(Unformatted, SegmentedRecordReadInPartSkipsItsRemainingSegments) {
  ResultFile f;
  f.SegmentedRecord(Pattern(40), 6).SegmentedRecord(Pattern(40), 6).Record("next");
  Open(f);
  EXPECT_EQ(Read(io(), 8), Pattern(8));
  EXPECT_EQ(FailureLine([&] { Read(io(), 41); }), kTooMuchData);
  EXPECT_EQ(Read(io(), 4), "next");
}

TEST_F(Unformatted, RecordsLargerThanTheReadBufferAreReadWholeOrInPart) {
  const std::string big = Pattern(2'500'000);
  ResultFile f;
  f.Record(big).Record(big).SegmentedRecord(big, 1'000'000).Record(big).Record("tail");
  Open(f);
  EXPECT_EQ(Read(io(), big.size()), big);
  EXPECT_EQ(Read(io(), 12), big.substr(0, 12));
  EXPECT_EQ(Read(io(), big.size()), big);
  EXPECT_EQ(FailureLine([&] { Read(io(), big.size() + 1); }), kTooMuchData);
  EXPECT_EQ(Read(io(), 4), "tail");
}

TEST_F(Unformatted, EndOfFileIsErrorTwentyFourUnlessHandledAndRewindStartsOver) {
  ResultFile f;
  f.Record("one").Record("two");
  Open(f);
  std::span<const std::byte> data;
  EXPECT_EQ(Read(io(), 3), "one");
  EXPECT_FALSE(io().AtEndOfFile(kUnit));
  EXPECT_EQ(Read(io(), 3), "two");
  EXPECT_TRUE(io().AtEndOfFile(kUnit));
  EXPECT_FALSE(io().ReadUnformatted(kUnit, 4, data, true));
  EXPECT_FALSE(io().ReadUnformatted(kUnit, 4, data, true));
  EXPECT_EQ(FailureLine([&] { io().ReadUnformatted(kUnit, 4, data, false); }), kEndOfFile);
  io().RewindUnit(kUnit);
  EXPECT_EQ(Read(io(), 3), "one");
}

// Cut a file of three records at every byte: a cut between records is a clean end, any other cut is a
// truncated record even for a read that handles the end of the file.
TEST(UnformattedTruncation, OnlyACutBetweenRecordsIsACleanEnd) {
  ResultFile f;
  f.Record(Pattern(9)).SegmentedRecord(Pattern(10), 3).Record("");
  for (std::size_t cut = 0; cut <= f.Size(); ++cut) {
    SCOPED_TRACE(cut);
    Scratch dir(Scratch::kEnter);
    f.WriteTo("U.DAT", cut);
    ConsoleIo con;
    con.io().OpenUnit(kUnit, "U.DAT", "OLD", "UNFORMATTED");
    std::size_t whole = 0;
    while (whole < f.Ends().size() && f.Ends()[whole] <= cut) ++whole;
    const bool clean = whole == 0 ? cut == 0 : cut == f.Ends()[whole - 1];
    std::span<const std::byte> data;
    std::string outcome = FailureLine([&] {
      for (std::size_t r = 0; r < whole; ++r) ASSERT_TRUE(con.io().ReadUnformatted(kUnit, 0, data, true));
      EXPECT_EQ(con.io().AtEndOfFile(kUnit), clean);
      EXPECT_FALSE(con.io().ReadUnformatted(kUnit, 0, data, true));
    });
    EXPECT_EQ(outcome, clean ? "no failure" : kEndOfFile);
  }
}

struct DamagedCase {
  const char* name;
  std::string bytes;
};

TEST(UnformattedTruncation, CountsPromisingMoreThanTheFileHoldsAreErrorTwentyFour) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  const DamagedCase cases[] = {
      {"partial length field", std::string("\x04\x00", 2)},
      {"data cut short", Int4(8) + "abcd"},
      {"trailing count missing", Int4(4) + "abcd"},
      {"trailing count cut", Int4(4) + "abcd" + std::string("\x04\x00\x00", 3)},
      {"largest count", Int4(max) + Pattern(100)},
      {"most negative count", Int4(min) + Pattern(100)},
      {"segment chain cut after a segment", Int4(-2) + "ab" + Int4(2)},
      {"segment chain cut in the next count", Int4(-2) + "ab" + Int4(2) + std::string("\x02", 1)},
  };
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t need : {std::size_t{0}, std::size_t{4}, std::size_t{max}}) {
      Scratch dir(Scratch::kEnter);
      WriteFile("U.DAT", c.bytes);
      ConsoleIo con;
      con.io().OpenUnit(kUnit, "U.DAT", "OLD", "UNFORMATTED");
      std::span<const std::byte> data;
      EXPECT_FALSE(con.io().AtEndOfFile(kUnit));
      EXPECT_EQ(FailureLine([&] { con.io().ReadUnformatted(kUnit, need, data, true); }), kEndOfFile);
    }
  }
}

// Random records across the read buffer's boundaries: sizes up to a few hundred kilobytes, random
// segmentation and random amounts read, checked against the payloads the test generated.
TEST(UnformattedRandom, RecordsStraddlingBufferRefillsReadBackExactly) {
  std::mt19937 rng(20240607);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::string> payloads;
    ResultFile f;
    std::size_t total = 0;
    while (total < 3'500'000) {
      const std::size_t size = rng() % 4 == 0 ? rng() % 400'000 : rng() % 64;
      std::string p(size, '\0');
      for (char& c : p) c = static_cast<char>(rng());
      if (rng() % 3 == 0) {
        f.SegmentedRecord(p, 1 + rng() % (size + 8));
      } else {
        f.Record(p);
      }
      total += size;
      payloads.push_back(std::move(p));
    }
    Scratch dir(Scratch::kEnter);
    f.WriteTo("U.DAT");
    ConsoleIo con;
    con.io().OpenUnit(kUnit, "U.DAT", "OLD", "UNFORMATTED");
    std::size_t mismatches = 0;
    for (const std::string& p : payloads) {
      const std::size_t need = rng() % 2 ? p.size() : rng() % (p.size() + 1);
      if (Read(con.io(), need) != p.substr(0, need)) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_TRUE(con.io().AtEndOfFile(kUnit));
  }
}

TEST_F(Unformatted, TextAndUnformattedReadsDoNotMix) {
  Open(ResultFile{}.Record("one"));
  std::span<const std::byte> data;
  io().OpenUnit(98, "U.DAT", "OLD", "FORMATTED");
  EXPECT_EQ(FailureLine([&] { io().GetRecord(kUnit); }),
            "forrtl: severe (61): format/variable-type mismatch, unit 10, file U.DAT");
  EXPECT_EQ(FailureLine([&] { io().ReadUnformatted(98, 4, data, false); }),
            "forrtl: severe (61): format/variable-type mismatch, unit 98, file U.DAT");
}

// Writes `bytes` at `offset` of a file, leaving a hole before them: a sparse file of a few blocks.
void WriteAt(const char* name, std::int64_t offset, const std::string& bytes) {
  std::FILE* f = std::fopen(name, "r+b");
  if (f == nullptr) f = std::fopen(name, "w+b");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(SeekFile(f, offset, SEEK_SET));
  EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  EXPECT_EQ(std::fclose(f), 0);
}

// Positions past 2 GiB, where a 32-bit file offset ends (Windows' fseek takes one): a record of two
// segments across that point is sought over and the next read where it ends; the unit goes back there
// by its position; a text unit sought there reads a line and turns to writing right after it.
TEST(UnformattedFarPositions, SeeksPastTwoGibibytesLandWhereTheyAim) {
  Scratch dir(Scratch::kEnter);
  constexpr std::int32_t kSegment = 1'200'000'000;
  constexpr std::int64_t kFar = 28 + 2 * std::int64_t{kSegment};  // past 2^31
  WriteAt("U.DAT", 0, Int4(4) + "head" + Int4(4) + Int4(-kSegment));
  WriteAt("U.DAT", 16 + std::int64_t{kSegment}, Int4(kSegment) + Int4(kSegment));
  WriteAt("U.DAT", 24 + 2 * std::int64_t{kSegment}, Int4(-kSegment) + Int4(8) + "far away" + Int4(8));
  ConsoleIo con;
  Io& io = con.io();
  io.OpenUnit(kUnit, "U.DAT", "OLD", "UNFORMATTED");
  EXPECT_EQ(Read(io, 4), "head");
  EXPECT_TRUE(io.SkipUnformatted(kUnit, 0, false));
  EXPECT_EQ(io.Position(kUnit), static_cast<std::uint64_t>(kFar));
  EXPECT_EQ(Read(io, 8), "far away");
  io.SeekUnit(kUnit, static_cast<std::uint64_t>(kFar));
  EXPECT_EQ(Read(io, 8), "far away");

  constexpr std::int64_t kLine = (std::int64_t{1} << 31) + 10;
  WriteAt("T.TXT", kLine, "LINE\r\nold\r\n");
  io.OpenUnit(20, "T.TXT", "UNKNOWN", "FORMATTED");
  io.SeekUnit(20, static_cast<std::uint64_t>(kLine));
  EXPECT_EQ(io.GetRecord(20), "LINE");
  io.PutRecord(20, "NEXT");
  io.CloseUnit(20);
  EXPECT_EQ(std::filesystem::file_size("T.TXT"), static_cast<std::uintmax_t>(kLine + 12));
  io.OpenUnit(20, "T.TXT", "OLD", "FORMATTED");
  io.SeekUnit(20, static_cast<std::uint64_t>(kLine));
  EXPECT_EQ(io.GetRecord(20), "LINE");
  EXPECT_EQ(io.GetRecord(20), "NEXT");
}

}  // namespace
}  // namespace seep
