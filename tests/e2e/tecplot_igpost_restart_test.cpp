// TECPLOT, igPOST and restart files through the real program and its dialogue, for the step
// selections all, last and one step number. The expected files are worked out by hand from the layout
// of each file for the mesh below.
#include <gtest/gtest.h>

#include <string>

#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

// Seven nodes; element 1 is a quadrilateral (MAT 1), element 2 a triangle stored with L = K (MAT 2),
// element 3 an inactive triangle (MAT 0) that alone touches node 7.
//         7
//        / \           .
//   4 - 5 - 6
//   | 1 | 2/|
//   1 - 2 - 3
// Step 3 at time 0 and step 7 at time 3600; step 7 has every P raised by 1.5, Q doubled and the
// velocities of the active elements doubled.
ResultFile SmallMesh() {
  ResultFile f;
  f.Header("SEEPAGE TEST MESH",
           {{0.0, 0.0}, {2.0, 0.0}, {4.0, 0.0}, {0.0, 2.5}, {2.0, 2.5}, {4.0, 2.5}, {3.0, 5.0}},
           {{1, 2, 5, 4, 1}, {2, 3, 6, 6, 2}, {5, 6, 7, 7, 0}});
  f.Step(3, 0.0,
         {{1, 2.5, 0.5},
          {0, 2.25, 0.0},
          {0, -0.5, -0.00125},
          {-1, 0.0, 0.0},
          {0, -2.25, 0.0},
          {0, -2.5, 1250.0},
          {2, 1250.0, 3600.0}},
         {{0.75, -1.0}, {-2.25, 3.0}, {1250.0, 3600.0}});
  f.Step(7, 3600.0,
         {{1, 4.0, 1.0},
          {0, 3.75, 0.0},
          {0, 1.0, -0.0025},
          {-1, 1.5, 0.0},
          {0, -0.75, 0.0},
          {0, -1.0, 2500.0},
          {2, 1251.5, 7200.0}},
         {{1.5, -2.0}, {-4.5, 6.0}, {1250.0, 3600.0}});
  return f;
}

const std::string kTitle = "SEEPAGE TEST MESH                                                               ";

// Nodal velocities: nodes 1, 4 and 5 take element 1's, nodes 3 and 6 element 2's, node 2 the mean of
// both, node 7 none. H = Y + P.
const std::string kTecplotStep3 = CrLf({
    "TITTLE = \"TIME=  0.0000E+00 " + kTitle + "\"",
    R"(VARIABLES = "X","Y","P","H","VX","VY","V")",
    "ZONE N=     7, E=     2, F=FEPOINT",
    "  0.0000E+00,  0.0000E+00,  2.5000E+00,  2.5000E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00",
    "  2.0000E+00,  0.0000E+00,  2.2500E+00,  2.2500E+00, -7.5000E-01,  1.0000E+00,  1.2500E+00",
    "  4.0000E+00,  0.0000E+00, -5.0000E-01, -5.0000E-01, -2.2500E+00,  3.0000E+00,  3.7500E+00",
    "  0.0000E+00,  2.5000E+00,  0.0000E+00,  2.5000E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00",
    "  2.0000E+00,  2.5000E+00, -2.2500E+00,  2.5000E-01,  7.5000E-01, -1.0000E+00,  1.2500E+00",
    "  4.0000E+00,  2.5000E+00, -2.5000E+00,  0.0000E+00, -2.2500E+00,  3.0000E+00,  3.7500E+00",
    "  3.0000E+00,  5.0000E+00,  1.2500E+03,  1.2550E+03,  0.0000E+00,  0.0000E+00,  0.0000E+00",
    "    1,    2,    5,    4",
    "    2,    3,    6,    6",
});

const std::string kTecplotStep7 = CrLf({
    "TITTLE = \"TIME=  3.6000E+03 " + kTitle + "\"",
    R"(VARIABLES = "X","Y","P","H","VX","VY","V")",
    "ZONE N=     7, E=     2, F=FEPOINT",
    "  0.0000E+00,  0.0000E+00,  4.0000E+00,  4.0000E+00,  1.5000E+00, -2.0000E+00,  2.5000E+00",
    "  2.0000E+00,  0.0000E+00,  3.7500E+00,  3.7500E+00, -1.5000E+00,  2.0000E+00,  2.5000E+00",
    "  4.0000E+00,  0.0000E+00,  1.0000E+00,  1.0000E+00, -4.5000E+00,  6.0000E+00,  7.5000E+00",
    "  0.0000E+00,  2.5000E+00,  1.5000E+00,  4.0000E+00,  1.5000E+00, -2.0000E+00,  2.5000E+00",
    "  2.0000E+00,  2.5000E+00, -7.5000E-01,  1.7500E+00,  1.5000E+00, -2.0000E+00,  2.5000E+00",
    "  4.0000E+00,  2.5000E+00, -1.0000E+00,  1.5000E+00, -4.5000E+00,  6.0000E+00,  7.5000E+00",
    "  3.0000E+00,  5.0000E+00,  1.2515E+03,  1.2565E+03,  0.0000E+00,  0.0000E+00,  0.0000E+00",
    "    1,    2,    5,    4",
    "    2,    3,    6,    6",
});

// Centroids: element 1 (0 + 2 + 2 + 0) / 4 and (0 + 0 + 2.5 + 2.5) / 4; element 2 (2 + 4 + 4) / 3
// and (0 + 0 + 2.5) / 3.
const std::string kIgpostStep3 = CrLf({
    "TIME=  0.0000E+00",
    "TITTLE= \"" + kTitle + "\"",
    "ZONE N=     7, E=     2, M=    2,NV= 6 ,EV= 5",
    R"(NVARIABLES = "SW","X","Y","P","H","VX","VY","V","Q")",
    " 0,  0.0000E+00,  0.0000E+00,  2.5000E+00,  2.5000E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00,  "
    "5.0000E-01",
    " 0,  2.0000E+00,  0.0000E+00,  2.2500E+00,  2.2500E+00, -7.5000E-01,  1.0000E+00,  1.2500E+00,  "
    "0.0000E+00",
    " 0,  4.0000E+00,  0.0000E+00, -5.0000E-01, -5.0000E-01, -2.2500E+00,  3.0000E+00,  3.7500E+00, "
    "-1.2500E-03",
    " 0,  0.0000E+00,  2.5000E+00,  0.0000E+00,  2.5000E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00,  "
    "0.0000E+00",
    " 0,  2.0000E+00,  2.5000E+00, -2.2500E+00,  2.5000E-01,  7.5000E-01, -1.0000E+00,  1.2500E+00,  "
    "0.0000E+00",
    " 0,  4.0000E+00,  2.5000E+00, -2.5000E+00,  0.0000E+00, -2.2500E+00,  3.0000E+00,  3.7500E+00,  "
    "1.2500E+03",
    " 0,  3.0000E+00,  5.0000E+00,  1.2500E+03,  1.2550E+03,  0.0000E+00,  0.0000E+00,  0.0000E+00,  "
    "3.6000E+03",
    R"(EVARIABLES = "SW","I","J","K","L","P","X","Y","VX","VY","V")",
    " 0,    1,    2,    5,    4,    1,  1.0000E+00,  1.2500E+00,  7.5000E-01, -1.0000E+00,  1.2500E+00",
    " 0,    2,    3,    6,    6,    2,  3.3333E+00,  8.3333E-01, -2.2500E+00,  3.0000E+00,  3.7500E+00",
});

const std::string kIgpostStep7 = CrLf({
    "TIME=  3.6000E+03",
    "TITTLE= \"" + kTitle + "\"",
    "ZONE N=     7, E=     2, M=    2,NV= 6 ,EV= 5",
    R"(NVARIABLES = "SW","X","Y","P","H","VX","VY","V","Q")",
    " 0,  0.0000E+00,  0.0000E+00,  4.0000E+00,  4.0000E+00,  1.5000E+00, -2.0000E+00,  2.5000E+00,  "
    "1.0000E+00",
    " 0,  2.0000E+00,  0.0000E+00,  3.7500E+00,  3.7500E+00, -1.5000E+00,  2.0000E+00,  2.5000E+00,  "
    "0.0000E+00",
    " 0,  4.0000E+00,  0.0000E+00,  1.0000E+00,  1.0000E+00, -4.5000E+00,  6.0000E+00,  7.5000E+00, "
    "-2.5000E-03",
    " 0,  0.0000E+00,  2.5000E+00,  1.5000E+00,  4.0000E+00,  1.5000E+00, -2.0000E+00,  2.5000E+00,  "
    "0.0000E+00",
    " 0,  2.0000E+00,  2.5000E+00, -7.5000E-01,  1.7500E+00,  1.5000E+00, -2.0000E+00,  2.5000E+00,  "
    "0.0000E+00",
    " 0,  4.0000E+00,  2.5000E+00, -1.0000E+00,  1.5000E+00, -4.5000E+00,  6.0000E+00,  7.5000E+00,  "
    "2.5000E+03",
    " 0,  3.0000E+00,  5.0000E+00,  1.2515E+03,  1.2565E+03,  0.0000E+00,  0.0000E+00,  0.0000E+00,  "
    "7.2000E+03",
    R"(EVARIABLES = "SW","I","J","K","L","P","X","Y","VX","VY","V")",
    " 0,    1,    2,    5,    4,    1,  1.0000E+00,  1.2500E+00,  1.5000E+00, -2.0000E+00,  2.5000E+00",
    " 0,    2,    3,    6,    6,    2,  3.3333E+00,  8.3333E-01, -4.5000E+00,  6.0000E+00,  7.5000E+00",
});

// Head style 1: the head column is the total head Y + P.
const std::string kRestartTotalStep3 = CrLf({
    "  LA,TIME            3  0.000000000000000E+000",
    "    1,    1,  0.0000E+00,  0.0000E+00,  2.5000E+00,  5.0000E-01",
    "    2,    0,  2.0000E+00,  0.0000E+00,  2.2500E+00,  0.0000E+00",
    "    3,    0,  4.0000E+00,  0.0000E+00, -5.0000E-01, -1.2500E-03",
    "    4,   -1,  0.0000E+00,  2.5000E+00,  2.5000E+00,  0.0000E+00",
    "    5,    0,  2.0000E+00,  2.5000E+00,  2.5000E-01,  0.0000E+00",
    "    6,    0,  4.0000E+00,  2.5000E+00,  0.0000E+00,  1.2500E+03",
    "    7,    2,  3.0000E+00,  5.0000E+00,  1.2550E+03,  3.6000E+03",
});

const std::string kRestartTotalStep7 = CrLf({
    "  LA,TIME            7   3600.00000000000     ",
    "    1,    1,  0.0000E+00,  0.0000E+00,  4.0000E+00,  1.0000E+00",
    "    2,    0,  2.0000E+00,  0.0000E+00,  3.7500E+00,  0.0000E+00",
    "    3,    0,  4.0000E+00,  0.0000E+00,  1.0000E+00, -2.5000E-03",
    "    4,   -1,  0.0000E+00,  2.5000E+00,  4.0000E+00,  0.0000E+00",
    "    5,    0,  2.0000E+00,  2.5000E+00,  1.7500E+00,  0.0000E+00",
    "    6,    0,  4.0000E+00,  2.5000E+00,  1.5000E+00,  2.5000E+03",
    "    7,    2,  3.0000E+00,  5.0000E+00,  1.2565E+03,  7.2000E+03",
});

// Head style 0: the head column is the pressure head P.
const std::string kRestartPressureStep3 = CrLf({
    "  LA,TIME            3  0.000000000000000E+000",
    "    1,    1,  0.0000E+00,  0.0000E+00,  2.5000E+00,  5.0000E-01",
    "    2,    0,  2.0000E+00,  0.0000E+00,  2.2500E+00,  0.0000E+00",
    "    3,    0,  4.0000E+00,  0.0000E+00, -5.0000E-01, -1.2500E-03",
    "    4,   -1,  0.0000E+00,  2.5000E+00,  0.0000E+00,  0.0000E+00",
    "    5,    0,  2.0000E+00,  2.5000E+00, -2.2500E+00,  0.0000E+00",
    "    6,    0,  4.0000E+00,  2.5000E+00, -2.5000E+00,  1.2500E+03",
    "    7,    2,  3.0000E+00,  5.0000E+00,  1.2500E+03,  3.6000E+03",
});

struct Case {
  const char* name;
  const char* kind;
  HeadStyle head;  // asked after the restart answer only
  const char* selection;
  const std::string* first;  // expected blocks in file order; nullptr: none
  const std::string* second;
};

class TecplotIgpostRestartRun : public testing::TestWithParam<Case> {};

TEST_P(TecplotIgpostRestartRun, OutputFileMatchesTheHandWorkedFile) {
  const Case& c = GetParam();
  Scratch dir;
  SmallMesh().WriteTo(dir.Path("R.DAT"));
  const RunResult r = dir.Run(DialogueAnswers::Conversion(c.kind, "OUT.TXT", c.selection, c.head));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(r.files.count("OUT.TXT"));
  const std::string expected = (c.first ? *c.first : "") + (c.second ? *c.second : "");
  EXPECT_EQ(r.files.at("OUT.TXT"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, TecplotIgpostRestartRun,
    testing::Values(
        Case{"TecplotAll", "tecplot", {}, "-1", &kTecplotStep3, &kTecplotStep7},
        Case{"TecplotLast", "tecplot", {}, "0", &kTecplotStep7, nullptr},
        Case{"TecplotStep3", "tecplot", {}, "3", &kTecplotStep3, nullptr},
        Case{"TecplotNoSuchStep", "tecplot", {}, "5", nullptr, nullptr},
        Case{"IgpostAll", "igpost", {}, "-1", &kIgpostStep3, &kIgpostStep7},
        Case{"IgpostLast", "igpost", {}, "0", &kIgpostStep7, nullptr},
        Case{"IgpostStep3", "igpost", {}, "3", &kIgpostStep3, nullptr},
        Case{"IgpostNoSuchStep", "igpost", {}, "5", nullptr, nullptr},
        Case{"RestartTotalHeadAll", "restart", HeadStyle::kTotal, "-1", &kRestartTotalStep3,
             &kRestartTotalStep7},
        Case{"RestartTotalHeadLast", "restart", HeadStyle::kTotal, "0", &kRestartTotalStep7, nullptr},
        Case{"RestartTotalHeadStep3", "restart", HeadStyle::kTotal, "3", &kRestartTotalStep3, nullptr},
        Case{"RestartPressureHeadStep3", "restart", HeadStyle::kPressure, "3", &kRestartPressureStep3,
             nullptr},
        Case{"RestartNoSuchStep", "restart", HeadStyle::kTotal, "5", nullptr, nullptr}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace seep::test
