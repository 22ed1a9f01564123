// FEMAP neutral files through the real program and its dialogue. The expected file is worked out by
// hand from the neutral file layout for the mesh and the two steps below. Besides the layout, the file
// shows equal extremes reporting the lower ID, an absolute maximum taken from the minimum, and vectors
// that are zero throughout.
#include <gtest/gtest.h>

#include <string>

#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

// Five nodes; element 1 a quadrilateral (MAT 1), element 2 a triangle stored with L = K (MAT 2),
// element 3 an inactive triangle stored with L = 0 (MAT 0).
//   4 ---- 3
//   |  1  /|\        .
//   1 ---- 2 5
// Node 5 sits at (0.1, -2.5): 0.1 shows the single-precision coordinate.
ResultFile SmallMesh() {
  ResultFile f;
  f.Header("FEMAP TEST MESH", {{0.0, 0.0}, {2.0, 0.0}, {2.0, 1.5}, {0.0, 1.5}, {0.1, -2.5}},
           {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 2}, {1, 2, 5, 0, 0}});
  f.Step(1, 0.5, {{0, 1.0, 0.0}, {0, 0.5, 0.0}, {0, -0.25, 0.125}, {0, -1.5, 0.0}, {0, 2.0, 0.0}},
         {{3.0, 4.0}, {6.0, -2.0}, {-3.0, 1.0}});
  f.Step(2, 3600.0, {{0, -5.0, 0.25}, {0, 2.0, 0.25}, {0, 2.0, 0.5}, {0, 0.0, 0.5}, {0, 1.0, 0.25}},
         {{1.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}});
  return f;
}

std::string Times(int n, const std::string& lines) {
  std::string s;
  for (int i = 0; i < n; ++i) s += lines;
  return s;
}

const std::string kFive = CrLf({" 0.,0.,0.,0.,0.,"});

const std::string kHeaderAndMaterial =
    CrLf({"   -1", "   100", "  ", " 4.5,", "   -1", "   -1", "   401", " 1,55,0,1,0,", "  ", " 0.,0.,0.,",
          " 0.,0.,0.,", " 0.,0.,0.,"}) +
    Times(4, kFive) + Times(3, CrLf({" 0.,"}) + kFive) + CrLf({" 0.,", " 0.,0.,0.,0.,"}) + Times(5, kFive) +
    CrLf({" 0.,", " 0.,0.,0.,0.,0.,", " 0.,0.,0.,", " 0.,0.,0.,0,0,", " 0,0,0,0,0,", " 0,0,0,0,0,0,",
          " 0.,0.,0.,", " 0.,0.,0.,0.,0.,", " 0.,0.,", " 0,0,0,0,", " 0,0,0,0,", "   -1"});

std::string Property(const char* first) {
  return CrLf({first, "  ", " 0,0,0,0,", " 45,"}) + Times(5, CrLf({" 0,0,0,0,0,0,0,0,"})) +
         CrLf({" 0,0,0,0,0,", " 93,"}) + Times(18, kFive) + CrLf({" 0.,0.,0.,"});
}

const std::string kElementTail =
    CrLf({" 0,0,0,0,0,0,0,0,0,0,", " 0.,0.,0.,", " 0.,0.,0.,", " 0.,0.,0.,", " 0,0,0,0,0,0,0,0,0,0,0,0,"});

// Properties 1 and 2 (the largest MAT is 2); all three elements; the group of elements 1 and 2.
const std::string kSetUp =
    kHeaderAndMaterial + CrLf({"   -1", "   402"}) + Property("    1,110,1,19,1,0,") +
    Property("    2,110,1,19,1,0,") +
    CrLf({
        "   -1",
        "   -1",
        "   403",
        "      1,0,0,1,46,0,0,0,0,0,0, 0.000000E+00, 0.000000E+00, 0.000000E+00",
        "      2,0,0,1,46,0,0,0,0,0,0, 2.000000E+00, 0.000000E+00, 0.000000E+00",
        "      3,0,0,1,46,0,0,0,0,0,0, 2.000000E+00, 1.500000E+00, 0.000000E+00",
        "      4,0,0,1,46,0,0,0,0,0,0, 0.000000E+00, 1.500000E+00, 0.000000E+00",
        "      5,0,0,1,46,0,0,0,0,0,0, 1.000000E-01,-2.500000E+00, 0.000000E+00",
        "   -1",
        "   -1",
        "   404",
        "           1 ,124,           1,19,           4,1,0,0,",
        "      1,      2,      3,      4,      0,      0,      0,      0,      0,      0,",
    }) +
    kElementTail +
    CrLf({
        "           2 ,124,           2,19,           2,1,0,0,",
        "      2,      5,      3,      0,      0,      0,      0,      0,      0,      0,",
    }) +
    kElementTail +
    CrLf({
        "           3 ,124,           0,19,           2,1,0,0,",
        "      1,      2,      5,      0,      0,      0,      0,      0,      0,      0,",
    }) +
    kElementTail +
    CrLf({"   -1", "   -1", "   408", "       20001 ,1", "ELEM-GROUP 0 ", " 0,0,0", " 0,0,0,0,0.,0.",
          " 0,0"}) +
    Times(6, CrLf({" 0,0", " 0.,0.,0.", " 0.,0.,0."})) +
    CrLf({" 38", " 21", "           1 ,0,1,1,", "           2 ,0,1,1,", " -1,-1,-1,-1,", " -1", " 15", " -1",
          "   -1"});

const std::string kZeros = " 0,0,0,0,0,0,0,0,0,0,";

// Step 1. Heads P + Y: 1, 0.5, 1.25, 0, -0.5. Nodal velocities by the FEMAP rule (every element at all
// four corners, corner 0 skipped): node 1 takes elements 1 and 3, node 2 elements 1, 2 and 3, node 3
// element 1 once and element 2 twice (L = K), node 4 element 1, node 5 elements 2 and 3:
//   VXN = 0, 2, 5, 3, 1.5;  VYN = 2.5, 1, 0, 4, -0.5;  magnitudes 2.5, √5, 5, 5, √2.5.
// Element magnitudes 5, √40 = 6.324555…, √10 = 3.162278….
const std::string kSet1 = CrLf({
    "   -1",
    "   450",
    "           1",
    " T=  5.0000E-01",
    " 0,0,",
    "  0.5000000    ",
    " 1,",
    "   ",
    "   -1",
    "   -1",
    "   451",
    "           1 ,10,1,",
    " Total Head",
    " -0.5000000       1.250000       1.250000    ",
    kZeros,
    kZeros,
    "           5 ,           3,6,7,",
    " 0,1,1,",
    "           1 ,   1.000000    ",
    "           2 ,  0.5000000    ",
    "           3 ,   1.250000    ",
    "           4 ,  0.0000000E+00",
    "           5 , -0.5000000    ",
    "          -1 ,  0.0000000E+00",
    "           1 ,11,1,",
    " Pressure Head",
    "  -1.500000       2.000000       2.000000    ",
    kZeros,
    kZeros,
    "           4 ,           5,6,7,",
    " 0,1,1,",
    "           1 ,   1.000000    ",
    "           2 ,  0.5000000    ",
    "           3 , -0.2500000    ",
    "           4 ,  -1.500000    ",
    "           5 ,   2.000000    ",
    "          -1 ,  0.0000000E+00",
    "           1 ,12,1,",
    " Q",
    "  0.0000000E+00  0.1250000      0.1250000    ",
    kZeros,
    kZeros,
    "           1 ,           3,6,7,",
    " 0,1,1,",
    "           1 ,  0.0000000E+00",
    "           2 ,  0.0000000E+00",
    "           3 ,  0.1250000    ",
    "           4 ,  0.0000000E+00",
    "           5 ,  0.0000000E+00",
    "          -1 ,  0.0000000E+00",
    "           1 ,13,1,",
    " Velocity(Node)",
    "   1.581139       5.000000       5.000000    ",
    " 14,15,0,0,0,0,0,0,0,0,",
    kZeros,
    "           5 ,           3,1,7,",
    " 0,1,1,",
    "           1 ,   2.50000000000000     ",
    "           2 ,   2.23606797749979     ",
    "           3 ,   5.00000000000000     ",
    "           4 ,   5.00000000000000     ",
    "           5 ,   1.58113883008419     ",
    "          -1 ,  0.000000000000000E+000",
    "           1 ,14,1,",
    " X Velocity(Node)",
    "  0.0000000E+00   5.000000       5.000000    ",
    " 14,0,0,0,0,0,0,0,0,0,",
    kZeros,
    "           1 ,           3,1,7,",
    " 0,1,1,",
    "           1 ,  0.000000000000000E+000",
    "           2 ,   2.00000000000000     ",
    "           3 ,   5.00000000000000     ",
    "           4 ,   3.00000000000000     ",
    "           5 ,   1.50000000000000     ",
    "          -1 ,  0.000000000000000E+000",
    "           1 ,15,1,",
    " Y Velocity(Node)",
    " -0.5000000       4.000000       4.000000    ",
    " 0,0,16,0,0,0,0,0,0,0,",
    kZeros,
    "           5 ,           4,1,7,",
    " 0,1,1,",
    "           1 ,   2.50000000000000     ",
    "           2 ,   1.00000000000000     ",
    "           3 ,  0.000000000000000E+000",
    "           4 ,   4.00000000000000     ",
    "           5 , -0.500000000000000     ",
    "          -1 ,  0.000000000000000E+000",
    "           1 ,70010,1,",
    " Velocity",
    "   3.162278       6.324555       6.324555    ",
    " 70011,70012,0,0,0,0,0,0,0,0,",
    kZeros,
    "           3 ,           2,1,8,",
    " 0,1,1,",
    "           1 ,   5.000000    ",
    "           2 ,   6.324555    ",
    "           3 ,   3.162278    ",
    "          -1 ,  0.0000000E+00",
    "           1 ,70011,1,",
    " X Velocity",
    "  -3.000000       6.000000       6.000000    ",
    " 70011,0,0,0,0,0,0,0,0,0,",
    kZeros,
    "           3 ,           2,1,8,",
    " 0,1,1,",
    "           1 ,   3.000000    ",
    "           2 ,   6.000000    ",
    "           3 ,  -3.000000    ",
    "          -1 ,  0.0000000E+00",
    "           1 ,70012,1,",
    " Y Velocity",
    "  -2.000000       4.000000       4.000000    ",
    " 70013,0,0,0,0,0,0,0,0,0,",
    kZeros,
    "           2 ,           1,1,8,",
    " 0,1,1,",
    "           1 ,   4.000000    ",
    "           2 ,  -2.000000    ",
    "           3 ,   1.000000    ",
    "          -1 ,  0.0000000E+00",
    "   -1",
});

// Step 2, written as set `id`. Heads P + Y: -5, 2, 3.5, 1.5, -1.5; pressure heads -5, 2, 2, 0, 1 (equal
// maxima at nodes 2 and 3 report node 2). Only element 1 moves, along X: VXN = 1/2, 1/3, 1/3, 1, 0 and VYN =
// 0.
std::string StepTwoSet(const std::string& id) {
  const std::string set = std::string(11, ' ') + id;  // I12
  return CrLf({
      "   -1",
      "   450",
      set,
      " T=  3.6000E+03",
      " 0,0,",
      "   3600.000    ",
      " 1,",
      "   ",
      "   -1",
      "   -1",
      "   451",
      set + " ,10,1,",
      " Total Head",
      "  -5.000000       3.500000       5.000000    ",
      kZeros,
      kZeros,
      "           1 ,           3,6,7,",
      " 0,1,1,",
      "           1 ,  -5.000000    ",
      "           2 ,   2.000000    ",
      "           3 ,   3.500000    ",
      "           4 ,   1.500000    ",
      "           5 ,  -1.500000    ",
      "          -1 ,  0.0000000E+00",
      set + " ,11,1,",
      " Pressure Head",
      "  -5.000000       2.000000       5.000000    ",
      kZeros,
      kZeros,
      "           1 ,           2,6,7,",
      " 0,1,1,",
      "           1 ,  -5.000000    ",
      "           2 ,   2.000000    ",
      "           3 ,   2.000000    ",
      "           4 ,  0.0000000E+00",
      "           5 ,   1.000000    ",
      "          -1 ,  0.0000000E+00",
      set + " ,12,1,",
      " Q",
      "  0.2500000      0.5000000      0.5000000    ",
      kZeros,
      kZeros,
      "           1 ,           3,6,7,",
      " 0,1,1,",
      "           1 ,  0.2500000    ",
      "           2 ,  0.2500000    ",
      "           3 ,  0.5000000    ",
      "           4 ,  0.5000000    ",
      "           5 ,  0.2500000    ",
      "          -1 ,  0.0000000E+00",
      set + " ,13,1,",
      " Velocity(Node)",
      "  0.0000000E+00   1.000000       1.000000    ",
      " 14,15,0,0,0,0,0,0,0,0,",
      kZeros,
      "           5 ,           4,1,7,",
      " 0,1,1,",
      "           1 ,  0.500000000000000     ",
      "           2 ,  0.333333333333333     ",
      "           3 ,  0.333333333333333     ",
      "           4 ,   1.00000000000000     ",
      "           5 ,  0.000000000000000E+000",
      "          -1 ,  0.000000000000000E+000",
      set + " ,14,1,",
      " X Velocity(Node)",
      "  0.0000000E+00   1.000000       1.000000    ",
      " 14,0,0,0,0,0,0,0,0,0,",
      kZeros,
      "           5 ,           4,1,7,",
      " 0,1,1,",
      "           1 ,  0.500000000000000     ",
      "           2 ,  0.333333333333333     ",
      "           3 ,  0.333333333333333     ",
      "           4 ,   1.00000000000000     ",
      "           5 ,  0.000000000000000E+000",
      "          -1 ,  0.000000000000000E+000",
      set + " ,15,1,",
      " Y Velocity(Node)",
      "  0.0000000E+00  0.0000000E+00  0.0000000E+00",
      " 0,0,16,0,0,0,0,0,0,0,",
      kZeros,
      "           1 ,           1,1,7,",
      " 0,1,1,",
      "           1 ,  0.000000000000000E+000",
      "           2 ,  0.000000000000000E+000",
      "           3 ,  0.000000000000000E+000",
      "           4 ,  0.000000000000000E+000",
      "           5 ,  0.000000000000000E+000",
      "          -1 ,  0.000000000000000E+000",
      set + " ,70010,1,",
      " Velocity",
      "  0.0000000E+00   1.000000       1.000000    ",
      " 70011,70012,0,0,0,0,0,0,0,0,",
      kZeros,
      "           2 ,           1,1,8,",
      " 0,1,1,",
      "           1 ,   1.000000    ",
      "           2 ,  0.0000000E+00",
      "           3 ,  0.0000000E+00",
      "          -1 ,  0.0000000E+00",
      set + " ,70011,1,",
      " X Velocity",
      "  0.0000000E+00   1.000000       1.000000    ",
      " 70011,0,0,0,0,0,0,0,0,0,",
      kZeros,
      "           2 ,           1,1,8,",
      " 0,1,1,",
      "           1 ,   1.000000    ",
      "           2 ,  0.0000000E+00",
      "           3 ,  0.0000000E+00",
      "          -1 ,  0.0000000E+00",
      set + " ,70012,1,",
      " Y Velocity",
      "  0.0000000E+00  0.0000000E+00  0.0000000E+00",
      " 70013,0,0,0,0,0,0,0,0,0,",
      kZeros,
      "           1 ,           1,1,8,",
      " 0,1,1,",
      "           1 ,  0.0000000E+00",
      "           2 ,  0.0000000E+00",
      "           3 ,  0.0000000E+00",
      "          -1 ,  0.0000000E+00",
      "   -1",
  });
}

TEST(FemapFile, TwoStepsMatchTheHandWorkedFile) {
  Scratch dir;
  SmallMesh().WriteTo(dir.Path("R.DAT"));
  const RunResult r = dir.Run(DialogueAnswers::Conversion("femap", "OUT.NEU", "-1"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(r.files.count("OUT.NEU"));
  const std::string expected = kSetUp + kSet1 + StepTwoSet("2");
  const std::string& actual = r.files.at("OUT.NEU");
  EXPECT_EQ(actual, expected);
  // On a mismatch, the first differing record is easier to read than the whole file.
  if (actual != expected) {
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const std::size_t line = actual.rfind('\n', at) == std::string::npos ? 0 : actual.rfind('\n', at) + 1;
    ADD_FAILURE() << "first difference at byte " << at << ", record starting \""
                  << actual.substr(line, actual.find('\r', line) - line) << "\"";
  }
}

// Set IDs count the sets written, not the steps of the result file.
TEST(FemapFile, SetIdsStartAtOneWhateverStepIsSelected) {
  Scratch dir;
  SmallMesh().WriteTo(dir.Path("R.DAT"));
  for (const char* selection : {"2", "0"}) {
    SCOPED_TRACE(selection);
    const RunResult r = dir.Run(DialogueAnswers::Conversion("femap", "OUT.NEU", selection));
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(r.files.count("OUT.NEU"));
    EXPECT_EQ(r.files.at("OUT.NEU"), kSetUp + StepTwoSet("1"));
  }
}

// Without a selected step the file ends with the group block.
TEST(FemapFile, NoSelectedStepLeavesTheSetUpOnly) {
  Scratch dir;
  SmallMesh().WriteTo(dir.Path("R.DAT"));
  const RunResult r = dir.Run(DialogueAnswers::Conversion("femap", "OUT.NEU", "5"));
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(r.files.count("OUT.NEU"));
  EXPECT_EQ(r.files.at("OUT.NEU"), kSetUp);
}

}  // namespace
}  // namespace seep::test
