// The INTERP time history through the real program, compared with a file worked out by hand.
#include <gtest/gtest.h>

#include <string>

#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

// Seven nodes, three elements, two steps:
//   element 1: quadrilateral 1 2 3 4 over (0, 0) - (2, 2), inactive (MAT 0);
//   element 2: triangle 2 5 3 (L = K) with node 5 at (4, 0);
//   element 3: triangle 5 6 7 with nodes 6 at (12, 0) and 7 at (8, -4), clockwise.
void WriteFixture(const Scratch& dir) {
  ResultFile f;
  f.Header("INTERP CASE", {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {4, 0}, {12, 0}, {8, -4}},
           {{1, 2, 3, 4, 0}, {2, 5, 3, 3, 1}, {5, 6, 7, 7, 2}});
  f.Step(1, 0.5, {{0, 1.0, 0}, {0, 2.0, 0}, {0, 3.0, 0}, {0, 4.0, 0}, {0, 5.0, 0}, {0, 7.0, 0}, {0, 8.0, 0}},
         {{0, 0}, {0, 0}, {0, 0}});
  f.Step(2, 3600.0,
         {{0, -1.0, 0}, {0, 0.25, 0}, {0, 0.5, 0}, {0, 1.5, 0}, {0, -0.5, 0}, {0, 0.0, 0}, {0, 0.0, 0}},
         {{0, 0}, {0, 0}, {0, 0}});
  f.WriteTo(dir.Path("R.DAT"));
  // On the diagonal 1-3 of the quadrilateral; on node 2; inside the triangle; inside the clockwise
  // triangle only. A third value on a line is skipped.
  dir.Write("PTS.DAT", "4\r\n0.5 0.5\r\n2.0,0.0\r\n3 .5\r\n10. -1. 99.\r\n");
}

// Total heads H = P + Y at the nodes: step 1: 1, 2, 5, 6, 5, 7, 4; step 2: -1, 0.25, 2.5, 3.5, -0.5, 0, -4.
// Point (0.5, 0.5): sub-triangle 1 2 3 of element 1, weights 0.75, 0, 0.25.
// Point (2, 0): node 2, first a corner of element 1 (weights 0, 1, 0 on 1 2 3).
// Point (3, 0.5): element 2, weights 0.25, 0.5, 0.25 on 2 5 3.
// Point (10, -1): only in the clockwise element: H = 0, P = 0 - (-1).
const std::string kExpected = CrLf({
    " TIME,  0.500000000000000     ",
    "         X,             Y,             H,             P",
    "   0.50000E+00,   0.50000E+00,   0.20000E+01,   0.15000E+01",
    "   0.20000E+01,   0.00000E+00,   0.20000E+01,   0.20000E+01",
    "   0.30000E+01,   0.50000E+00,   0.42500E+01,   0.37500E+01",
    "   0.10000E+02,  -0.10000E+01,   0.00000E+00,   0.10000E+01",
    " TIME,   3600.00000000000     ",
    "         X,             Y,             H,             P",
    "   0.50000E+00,   0.50000E+00,  -0.12500E+00,  -0.62500E+00",
    "   0.20000E+01,   0.00000E+00,   0.25000E+00,   0.25000E+00",
    "   0.30000E+01,   0.50000E+00,   0.43750E+00,  -0.62500E-01",
    "   0.10000E+02,  -0.10000E+01,   0.00000E+00,   0.10000E+01",
});

TEST(InterpRun, TimeHistoryOfEveryStepMatchesTheFileWorkedOutByHand) {
  Scratch dir;
  WriteFixture(dir);
  const RunResult r = dir.Run(
      DialogueAnswers::AtMenu().MenuFor("interp").Output("OUT.INT").Points("PTS.DAT").Selection("-1"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(r.files.count("OUT.INT"));
  EXPECT_EQ(r.files.at("OUT.INT"), kExpected);
  // The point-data prompt comes after the output file name and before the time-step question.
  EXPECT_NE(r.out.find("   INPUT Output File Name\r\n"
                       "  \r\n"
                       "   INPUT File Name of POINT DATA\r\n"
                       "  Input your interest\tNo. OF TIME STEP\r\n"),
            std::string::npos);
  EXPECT_EQ(r.files.at("PTS.DAT"), "4\r\n0.5 0.5\r\n2.0,0.0\r\n3 .5\r\n10. -1. 99.\r\n");
}

// The time-step selection does not apply to the time history.
TEST(InterpRun, EveryStepIsWrittenWhateverTheSelection) {
  for (const char* selection : {"0", "2", "5"}) {
    SCOPED_TRACE(selection);
    Scratch dir;
    WriteFixture(dir);
    const RunResult r = dir.Run(
        DialogueAnswers::AtMenu().MenuFor("interp").Output("OUT.INT").Points("PTS.DAT").Selection(selection));
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(r.files.count("OUT.INT"));
    EXPECT_EQ(r.files.at("OUT.INT"), kExpected);
  }
}

// A missing point-data file is created empty, and reading its count meets the end of the file.
TEST(InterpRun, MissingPointFileIsCreatedEmptyAndTheRunEndsWithEndOfFile) {
  Scratch dir;
  WriteFixture(dir);
  const RunResult r = dir.Run(
      DialogueAnswers::AtMenu().MenuFor("interp").Output("OUT.INT").Points("NOPE.DAT").Selection("-1"));
  EXPECT_EQ(r.status, 24);
  EXPECT_EQ(r.err, "forrtl: severe (24): end-of-file during read, unit 50, file NOPE.DAT\r\n");
  ASSERT_TRUE(r.files.count("NOPE.DAT"));
  EXPECT_EQ(r.files.at("NOPE.DAT"), "");
  EXPECT_EQ(r.files.at("OUT.INT"), "");
  EXPECT_EQ(r.out.find("No. OF TIME STEP"), std::string::npos);
  EXPECT_EQ(r.out.find("NORMAL TERMINATION"), std::string::npos);
}

}  // namespace
}  // namespace seep::test
