// A file whose first record is no title record, told as no result file with what its first bytes show;
// keeping those bytes changes nothing that is read, also from a stream that cannot be read twice.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/io/failure.h"
#include "core/reader/result_file.h"
#include "support/io_harness.h"
#include "support/result_file.h"

namespace seep {
namespace {

using test::ResultFile;

// The damage text of reading `bytes` as a result file with the place kept; "read" when nothing failed.
std::string Damage(const std::string& bytes) {
  test::Scratch dir{test::Scratch::kEnter};
  dir.Write("R.DAT", bytes);
  test::ConsoleIo con;
  Store s;
  result::RecordPlace place;
  try {
    result::Open(con.io(), "R.DAT");
    result::ReadHeader(con.io(), s, &place);
    while (result::ReadStep(con.io(), s, &place)) {
    }
  } catch (const IoFailure& f) {
    return result::DescribeDamage(f.number, place, 0) + " (" + std::to_string(f.number) + ")";
  }
  return "read";
}

TEST(FirstRecord, WhatTheFirstBytesShow) {
  ResultFile title;
  title.Record("SHORT TITLE");
  const std::string no = "not a seepage result file: ";
  const struct {
    std::string bytes;
    std::string damage;
  } cases[] = {
      {"", no + "the file is empty (24)"},
      {"x", no + "it begins with text (\"x\") where a record length belongs (24)"},
      {"P,X,Y\r\n1,2,3\r\n", no + "it begins with text (\"P,X,Y\") where a record length belongs (24)"},
      {std::string("\x05\x00\x00", 3), no + "3 bytes, too few for a record length (24)"},
      {test::Int4(-200) + std::string(100, '\x01'),
       no + "its first record claims 200 bytes, more than the file holds (24)"},
      {test::Int4(70000) + std::string(80, '\x01'),
       no + "its first record claims 70000 bytes, more than the file holds (24)"},
      {title.Bytes(), no + "its first record holds 11 bytes, fewer than the 80 of a title (67)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Damage(c.bytes), c.damage) << c.bytes;
}

// The same file read from a stream (a pipe or standard input) gives the same store as read by name.
TEST(FirstRecord, AStreamReadsAsTheFileByName) {
  ResultFile f;
  f.Header("STREAM", {{0, 0}, {1, 0}, {1, 1}}, {{1, 2, 3, 3, 1}})
      .Step(4, 2.5, {{1, 1, 2}, {0, 3, 4}, {0, 5, 6}}, {{7, 8}});
  test::Scratch dir{test::Scratch::kEnter};
  f.WriteTo("R.DAT");
  test::ConsoleIo byName, byStream;
  Store a, b;
  result::RecordPlace placeA, placeB;
  result::Open(byName.io(), "R.DAT");
  std::FILE* stream = std::fopen("R.DAT", "rb");
  ASSERT_NE(stream, nullptr);
  result::OpenStream(byStream.io(), stream, "standard input");
  result::ReadHeader(byName.io(), a, &placeA);
  result::ReadHeader(byStream.io(), b, &placeB);
  EXPECT_EQ(placeB.start, f.Bytes().substr(0, result::kStartKept));
  ASSERT_TRUE(result::ReadStep(byName.io(), a) && result::ReadStep(byStream.io(), b));
  EXPECT_EQ(b.ISTEP, 4);
  EXPECT_EQ(b.P(3), 5.0);
  EXPECT_EQ(b.VYE(1), 8.0);
  EXPECT_EQ(std::string(b.TITLE.data(), 6), "STREAM");
  EXPECT_FALSE(result::ReadStep(byStream.io(), b));
  EXPECT_EQ(byStream.io().Position(result::kUnit), f.Size());
  byStream.io().CloseAll();
  EXPECT_EQ(std::fclose(stream), 0);  // the stream stays open for its owner
}

}  // namespace
}  // namespace seep
