// The INTERP set-up (prompt, point-data file, location) and step lines, in-process on unit 8.
#include "writers/interp/interp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/io_harness.h"
#include "support/step_fixture.h"

namespace seep {
namespace {

using test::CrLf;
using test::MakeStore;
using test::SplitRecords;

const std::string kHeader = "         X,             Y,             H,             P";

struct InterpRun {
  std::string console;  // console output
  std::string file;     // unit 8
  std::string failure;  // report line of a failure, or "no failure"
};

// Sets up from the point-data file PTS, which holds `points`, and writes `steps` steps.
InterpRun SetUpAndWrite(Store& s, const std::string& points, int steps = 1) {
  InterpRun r;
  const test::Written w = test::Capture(
      [&](Io& io) {
        test::WriteFile("PTS", points);
        r.failure = test::FailureLine([&] {
          SetUpInterp(io, s, "PTS");
          for (int step = 0; step < steps; ++step) WriteInterpStep(io, s);
        });
      },
      test::Unit8::kOnFile, "PTS\n");
  r.console = w.out;
  r.file = w.file;
  return r;
}

// One unit square, counterclockwise; total head 1 on the bottom nodes, 2 on the top ones.
Store UnitSquare() {
  return MakeStore({{0, 0, 1.0}, {1, 0, 1.0}, {1, 1, 1.0}, {0, 1, 1.0}}, {{1, 2, 3, 4, 1}}, "", 0.5);
}

TEST(InterpSetUp, ReadsTheCountAndOnePointPerRead) {
  Store s = UnitSquare();
  // The rest of a line after what a read needs is skipped; a read goes on into the next lines while
  // values are missing; a slash leaves the missing value at 0; D introduces an exponent.
  const InterpRun r =
      SetUpAndWrite(s, "4 points follow\r\n1.5, 2.5, 99\r\n\r\n4\r\n-5\r\n9 /\r\n1e1 2D0\r\n");
  EXPECT_EQ(r.failure, "no failure");
  EXPECT_EQ(r.console, "");  // the dialogue asks for the file, not the set-up
  ASSERT_EQ(s.NPT, 4);
  const std::vector<double> xp = {s.XP(1), s.XP(2), s.XP(3), s.XP(4)},
                            yp = {s.YP(1), s.YP(2), s.YP(3), s.YP(4)};
  EXPECT_EQ(xp, (std::vector<double>{1.5, 4.0, 9.0, 10.0}));
  EXPECT_EQ(yp, (std::vector<double>{2.5, -5.0, 0.0, 2.0}));
}

TEST(InterpStep, NoPointsGiveTheTimeAndHeaderLinesOnly) {
  for (const char* count : {"0", "-3"}) {
    SCOPED_TRACE(count);
    Store s = UnitSquare();
    const InterpRun r = SetUpAndWrite(s, std::string(count) + "\r\n1 2\r\n", 2);
    EXPECT_EQ(r.failure, "no failure");
    const std::string step = CrLf({" TIME,  0.500000000000000     ", kHeader});
    EXPECT_EQ(r.file, step + step);
  }
}

// Points in no element take nothing from any node: H is 0 and the pressure head is -Y.
TEST(InterpStep, PointsInNoElementGiveZeroHeadAndMinusY) {
  Store s = UnitSquare();
  const InterpRun r = SetUpAndWrite(s, "3\r\n1 2\r\n-0.5 -0.25\r\n0.5 0.5\r\n");
  EXPECT_EQ(r.failure, "no failure");
  EXPECT_EQ(s.IPN(1, 1), 0);
  EXPECT_EQ(r.file, CrLf({" TIME,  0.500000000000000     ", kHeader,
                          "   0.10000E+01,   0.20000E+01,   0.00000E+00,  -0.20000E+01",
                          "  -0.50000E+00,  -0.25000E+00,   0.00000E+00,   0.25000E+00",
                          "   0.50000E+00,   0.50000E+00,   0.15000E+01,   0.10000E+01"}));
}

// The count is not taken as room to reserve: a file claiming the largest count with three points
// is read to its end and fails there.
TEST(InterpSetUp, CountBeyondThePointsOfTheFileEndsWithEndOfFileOnUnit50) {
  Store s = UnitSquare();
  const InterpRun r = SetUpAndWrite(s, "2147483647\r\n1 2\r\n3 4\r\n5 6\r\n");
  EXPECT_EQ(r.failure, "forrtl: severe (24): end-of-file during read, unit 50, file PTS");
  EXPECT_EQ(s.XP.Size(), 3);
  EXPECT_EQ(r.file, "");
}

// More points than the usual table holds are all read, located and written.
TEST(InterpStep, MorePointsThanTheUsualTableAreAllWritten) {
  Store s = MakeStore({{0, 0, 1.0}, {4000, 0, 1.0}, {4000, 1, 1.0}, {0, 1, 1.0}}, {{1, 2, 3, 4, 1}}, "", 0.5);
  std::string points = "3000\r\n";
  for (int i = 1; i <= 3000; ++i) points += std::to_string(i) + " 0.5\r\n";
  const InterpRun r = SetUpAndWrite(s, points);
  EXPECT_EQ(r.failure, "no failure");
  const std::vector<std::string> lines = SplitRecords(r.file);
  ASSERT_EQ(lines.size(), 3002u);
  EXPECT_EQ(lines[2], "   0.10000E+01,   0.50000E+00,   0.15000E+01,   0.10000E+01");
  EXPECT_EQ(lines[3001], "   0.30000E+04,   0.50000E+00,   0.15000E+01,   0.10000E+01");
}

}  // namespace
}  // namespace seep
