// The MicroAVS writer in process: step blocks in the work file, the final assembly from a work file
// written by hand, and the blocks written straight to the output when the step count is known ahead.
#include "writers/microavs/microavs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/io/units.h"
#include "support/io_harness.h"
#include "support/store_builder.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::CrLfBarred;
using test::ReadFile;
using test::Scratch;

using Elem = test::ElementRow;

// Nodes as x, y and pressure head.
Store Mesh(const std::vector<test::NodeRow>& nodes, const std::vector<Elem>& elements) {
  return test::MakeStore(nodes, elements);
}

// The step count sets the digits after "step"; the time is E15.7 without a scale factor.
TEST(AvsStepLine, CountInAsManyDigitsAsItHasThenTheTime) {
  struct Case {
    std::int32_t navs;  // after the step is written
    double time;
    const char* line;
    bool overflow;
  };
  const Case cases[] = {
      {1, 1.5, "step1  0.1500000E+01", false},          {9, 0.0, "step9  0.0000000E+00", false},
      {10, 86400.0, "step10  0.8640000E+05", false},    {99, -2.5e-3, "step99 -0.2500000E-02", false},
      {100, 1.0e-120, "step100  0.1000000-119", false}, {999, 3600.0, "step999  0.3600000E+04", false},
      {1000, 7.2e3, "step1000  0.7200000E+04", false},  {10000, 1.0, "step****  0.1000000E+01", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Scratch dir(Scratch::kEnter);
    ConsoleIo console;
    Store s = Mesh({}, {});
    AvsState run;
    run.NAVS = c.navs - 1;
    s.TIME = c.time;
    OpenAvsWorkFile(console.io(), run);
    WriteAvsStep(console.io(), s, run);
    console.io().FlushAll();
    EXPECT_EQ(run.NAVS, c.navs);
    const std::string work = ReadFile("AVS.tmp");
    EXPECT_EQ(work.substr(0, work.find("\r\n")), c.line);
    EXPECT_EQ(console.Err(),
              c.overflow ? "forrtl: error (63): output conversion error, unit 30, file AVS.tmp\r\n" : "");
  }
}

// Node 4 is touched only by the inactive quadrilateral: zero velocities, heads as usual. The inactive
// element keeps its own data line. 2.000005 and 3.000015 print from their single-precision values
// (2.0000050068, 3.0000150204), which differ from the doubles in the sixth digit.
TEST(AvsStepBlock, WorkFileHoldsTheBlockInItsOwnWidths) {
  Scratch dir(Scratch::kEnter);
  ConsoleIo console;
  Store s = Mesh({{0.0, 0.0, 2.000005}, {1.0, 0.0, -0.5}, {1.0, 1.0, 0.0}, {0.0, 2.0, 0.75}},
                 {{1, 2, 3, 3, 1, 3.000015, -4.0}, {1, 3, 4, 2, 0, 0.5, 0.5}});
  s.TIME = 1.5;
  AvsState run;
  OpenAvsWorkFile(console.io(), run);
  WriteAvsStep(console.io(), s, run);
  console.io().FlushAll();
  EXPECT_EQ(ReadFile("AVS.tmp"),
            CrLfBarred({
                "step1  0.1500000E+01|",
                "5   3|",
                "5   1   1   1   1   1|",
                "Pressure,|",
                "Total Head,|",
                "Velocity X,|",
                "Velocity Y,|",
                "Velocity,|",
                "       1  2.00001E+00  2.00001E+00  3.00002E+00 -4.00000E+00  5.00001E+00 |",
                "       2 -5.00000E-01 -5.00000E-01  3.00002E+00 -4.00000E+00  5.00001E+00 |",
                "       3  0.00000E+00  1.00000E+00  3.00002E+00 -4.00000E+00  5.00001E+00 |",
                "       4  7.50000E-01  2.75000E+00  0.00000E+00  0.00000E+00  0.00000E+00 |",
                "3   1   1   1|",
                "Velocity X,|",
                "Velocity Y,|",
                "Velocity,|",
                "       1  3.00002E+00 -4.00000E+00  5.00001E+00 |",
                "       2  5.00000E-01  5.00000E-01  7.07107E-01 |",
            }));
}

// Corners outside 1 ... NUMNP (0, 99, -5) add nothing to the average and are listed as stored; L = 0
// differs from K, so that element is a quadrilateral.
TEST(AvsFinalFile, CornersOutsideTheMeshAreListedAsStored) {
  Scratch dir(Scratch::kEnter);
  ConsoleIo console;
  Store s =
      Mesh({{0.0, 0.0, 1.0}, {1.0, 0.0, 1.0}}, {{1, 0, 2, 99, 1, 1.0, 1.0}, {-5, 2, 1, 1, 1, 1.0, 1.0}});
  Io& io = console.io();
  io.OpenUnit(8, "OUT", "UNKNOWN", "FORMATTED");
  AvsState run;
  OpenAvsWorkFile(io, run);
  WriteAvsStep(io, s, run);
  AssembleAvsFile(io, s, run);
  io.FlushAll();
  const std::string out = ReadFile("OUT");
  EXPECT_NE(out.find(CrLfBarred({"      1   1 quad        1       0       2      99|",
                                 "      2   1 tri       -5       2       1|"})),
            std::string::npos);
  EXPECT_NE(out.find("       1  1.00000E+00  1.00000E+00  1.00000E+00  1.00000E+00  1.41421E+00"),
            std::string::npos);
  EXPECT_NE(out.find("       2  1.00000E+00  1.00000E+00  1.00000E+00  1.00000E+00  1.41421E+00"),
            std::string::npos);
}

// A hand-made work file: the first block of empty records, the second of records longer than 100
// characters, and a third block this run did not write. Every copy has its kind's width whatever the
// record holds, and only two blocks are read.
TEST(AvsFinalFile, CopiesHaveTheWidthOfTheirKindNotOfTheRecord) {
  Scratch dir(Scratch::kEnter);
  const std::vector<std::size_t> widths = {26, 5, 25, 9, 11, 13, 13, 13, 85, 13, 13, 13, 13, 48};
  std::string work(widths.size(), '\n');  // block 1: empty records (LF alone ends a record)
  std::vector<std::string> longRecords;
  for (std::size_t r = 0; r < widths.size(); ++r) {
    std::string record = "step" + std::to_string(r) + " ";
    while (record.size() < 120) record += static_cast<char>('a' + record.size() % 26);
    longRecords.push_back(record);
    work += record + "\r\n";
  }
  work += "step3  0.1000000E+01\r\n";
  test::WriteFile("AVS.tmp", work);

  ConsoleIo console;
  Store s = Mesh({{0.0, 0.0, 0.0}}, {{1, 1, 1, 1, 7, 0.0, 0.0}});
  AvsState run;
  run.NAVS = 2;
  Io& io = console.io();
  io.OpenUnit(8, "OUT", "UNKNOWN", "FORMATTED");
  OpenAvsWorkFile(io, run);
  AssembleAvsFile(io, s, run);
  io.FlushAll();

  std::string expected = CrLfBarred({"# QM-TERLO AVS FILE |", "    2|", "data|"});
  expected += std::string(26, ' ') + "\r\n";
  expected += CrLfBarred({"         1          1|", "       1  0.00000E+00  0.00000E+00  0.00000E+00|",
                          "      1   7 tri        1       1       1|"});
  for (std::size_t r = 1; r < widths.size(); ++r) expected += std::string(widths[r], ' ') + "\r\n";
  for (std::size_t r = 0; r < widths.size(); ++r) expected += longRecords[r].substr(0, widths[r]) + "\r\n";
  EXPECT_EQ(ReadFile("OUT"), expected);
}

TEST(AvsFinalFile, WorkFileShorterThanItsCountsEndsWithEndOfFile) {
  Scratch dir(Scratch::kEnter);
  test::WriteFile("AVS.tmp", "step1  0.1000000E+01\r\n5   3\r\n");
  ConsoleIo console;
  Store s = Mesh({{0.0, 0.0, 0.0}}, {});
  AvsState run;
  run.NAVS = 1;
  Io& io = console.io();
  io.OpenUnit(8, "OUT", "UNKNOWN", "FORMATTED");
  OpenAvsWorkFile(io, run);
  EXPECT_EQ(test::FailureLine([&] { AssembleAvsFile(io, s, run); }),
            "forrtl: severe (24): end-of-file during read, unit 30, file AVS.tmp");
}

// The file written in one pass, the step count known ahead, is the file assembled from the work file:
// across every change of the step line's width (10, 100, 1000 steps) and into its asterisks (10000),
// with a triangle, a quadrilateral, an inactive element and a node that only the inactive one touches.
TEST(AvsFinalFile, OnePassGivesTheAssembledFile) {
  Scratch dir(Scratch::kEnter);
  const std::int32_t steps = 10001;
  Store s = Mesh({{0.0, 0.0, 1.5}, {2.0, 0.0, -0.25}, {2.0, 1.0, 0.0}, {0.0, 1.0, 1e-7}, {3.0, 1.0, 2.0}},
                 {{1, 2, 3, 4, 3, 0.6, -0.8}, {2, 5, 3, 3, 1, 1e-5, 2.0}, {3, 5, 4, 4, 0, 9.0, 9.0}});
  auto write = [&](std::int32_t ahead, const char* out) {
    ConsoleIo console;
    Io& io = console.io();
    io.OpenUnit(8, out, "UNKNOWN", "FORMATTED");
    AvsState run;
    run.stepsAhead = ahead;
    if (ahead < 0) OpenAvsWorkFile(io, run);
    for (std::int32_t k = 1; k <= steps; ++k) {
      s.TIME = 3600.0 * k;
      s.P(1) = 0.001 * k;
      s.VXE(2) = -1e-6 * k;
      WriteAvsStep(io, s, run);
    }
    AssembleAvsFile(io, s, run);
    io.FlushAll();
    EXPECT_EQ(run.NAVS, steps);
    return console.Err();
  };
  // Steps 10000 and 10001 overflow their I4 field, reported on the unit each mode writes them to.
  const auto overflows = [](const std::string& reports, const std::string& unit) {
    const std::string line = "forrtl: error (63): output conversion error, " + unit + "\r\n";
    return reports == line + line;
  };
  EXPECT_TRUE(overflows(write(-1, "TWO"), "unit 30, file AVS.tmp"));
  EXPECT_TRUE(overflows(write(steps, "ONE"), "unit 8, file ONE"));
  const std::string one = ReadFile("ONE"), two = ReadFile("TWO");
  ASSERT_EQ(one.size(), two.size());
  EXPECT_TRUE(one == two);
  EXPECT_NE(two.find("\r\nstep****  0.3600360E+08   \r\n"), std::string::npos);
}

}  // namespace
}  // namespace seep
