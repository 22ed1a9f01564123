// Runs of records formatted side by side give the file of the plain loop: the same bytes, positions
// and warnings whatever the number of threads, and a failure inside a run leaves exactly the records
// of the items before it.
#include "core/io/record_team.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/io/format/compile.h"
#include "core/io/statement/write.h"
#include "support/io_harness.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::ReadFile;
using test::Scratch;

constexpr int kUnit = 8;
constexpr auto kNumbered = CompileFormat("(I7 1X A)");
constexpr auto kPair = CompileFormat("(I7 / 1P E12.4)");
constexpr auto kNarrow = CompileFormat("(I2)");

// The records of item i: none, one of a length that varies with i, two in one statement, or a field
// too narrow for its value (a warning).
void ItemRecords(Io& io, std::int32_t i) {
  static const std::string kLetters(60, 'x');
  if (i % 11 == 0) return;
  if (i % 13 == 0) {
    WriteFormatted(io, kUnit, kPair, i, 0.5 * i);
  } else if (i % 97 == 0) {
    WriteFormatted(io, kUnit, kNarrow, i);
  } else {
    WriteFormatted(io, kUnit, kNumbered, i, std::string_view(kLetters).substr(0, i % 53));
  }
}

struct Written {
  std::string bytes;
  std::uint64_t position = 0;
  std::int64_t warnings = 0;
  std::string failure;  // what the run threw, if anything
};

// Item `throwAt` throws instead of writing (0: none does).
Written Write(unsigned processors, std::int32_t count, std::int32_t throwAt = 0) {
  Scratch dir(Scratch::kEnter);
  Written w;
  {
    ConsoleIo con;
    Io& io = con.io();
    io.UseProcessors(processors);
    io.CountWarnings();
    io.OpenUnit(kUnit, "OUT.TXT", "UNKNOWN", "FORMATTED");
    io.PutRecord(kUnit, "head");
    try {
      WriteRecords(io, kUnit, 1, count, [throwAt](Io& out, std::int32_t i) {
        if (i == throwAt) throw std::runtime_error("item " + std::to_string(i));
        ItemRecords(out, i);
      });
      io.PutRecord(kUnit, "tail");
    } catch (const std::runtime_error& e) {
      w.failure = e.what();
    }
    w.position = io.Position(kUnit);
    w.warnings = io.WarningCount();
    io.CloseAll();
  }
  w.bytes = ReadFile("OUT.TXT");
  return w;
}

TEST(RecordTeam, ThreadsWriteTheFileOfThePlainLoop) {
  for (std::int32_t count : {0, 1, RecordTeam::kShortRun - 1, RecordTeam::kShortRun, 120000}) {
    const Written plain = Write(1, count);
    ASSERT_EQ(plain.position, plain.bytes.size());
    for (unsigned processors : {2u, 3u, 5u}) {
      SCOPED_TRACE(std::to_string(count) + " items, " + std::to_string(processors) + " processors");
      const Written w = Write(processors, count);
      EXPECT_TRUE(w.bytes == plain.bytes);
      EXPECT_EQ(w.position, plain.position);
      EXPECT_EQ(w.warnings, plain.warnings);
    }
  }
}

TEST(RecordTeam, AFailureLeavesTheRecordsOfTheItemsBeforeIt) {
  constexpr std::int32_t kCount = 100000;
  const std::string whole = Write(1, kCount).bytes;
  for (std::int32_t at : {1, 700, 40001, kCount}) {
    const Written plain = Write(1, kCount, at);
    ASSERT_EQ(plain.failure, "item " + std::to_string(at));
    ASSERT_TRUE(whole.starts_with(plain.bytes));
    for (unsigned processors : {2u, 4u}) {
      SCOPED_TRACE(std::to_string(at) + ", " + std::to_string(processors) + " processors");
      const Written w = Write(processors, kCount, at);
      EXPECT_EQ(w.failure, plain.failure);
      EXPECT_TRUE(w.bytes == plain.bytes);
      EXPECT_EQ(w.warnings, plain.warnings);
    }
  }
}

// The team outlives a failed run: the next run of the same Io is whole.
TEST(RecordTeam, ARunAfterAFailureIsWhole) {
  Scratch dir(Scratch::kEnter);
  const std::string plain = Write(1, 30000).bytes;
  ConsoleIo con;
  Io& io = con.io();
  io.UseProcessors(3);
  io.OpenUnit(kUnit, "OUT.TXT", "UNKNOWN", "FORMATTED");
  EXPECT_THROW(WriteRecords(io, kUnit, 1, 30000,
                            [](Io&, std::int32_t i) {
                              if (i == 20000) throw std::runtime_error("stop");
                            }),
               std::runtime_error);
  io.CloseAll();
  io.OpenUnit(kUnit, "OUT.TXT", "UNKNOWN", "FORMATTED");
  io.PutRecord(kUnit, "head");
  WriteRecords(io, kUnit, 1, 30000, [](Io& out, std::int32_t i) { ItemRecords(out, i); });
  io.PutRecord(kUnit, "tail");
  io.CloseAll();
  EXPECT_TRUE(ReadFile("OUT.TXT") == plain);
}

}  // namespace
}  // namespace seep
