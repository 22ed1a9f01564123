// Restart steps written in-process to unit 8, compared byte for byte.
#include "writers/restart/restart.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/e2e.h"
#include "support/step_fixture.h"

namespace seep {
namespace {

using test::Capture;
using test::CrLf;
using test::MakeStore;
using test::Unit8;

std::string Steps(Store& s, std::int32_t ihead) {
  const test::Written w = Capture([&](Io& io) { WriteRestartStep(io, s, ihead); }, Unit8::kOnFile);
  EXPECT_EQ(w.err, "");
  return w.file;
}

// Without nodes a step is its header line alone: 46 characters, the text's own blanks kept.
struct HeaderCase {
  std::int32_t istep;
  double time;
  const char* line;
};

TEST(RestartStep, HeaderLineOfAStepWithoutNodes) {
  const HeaderCase cases[] = {
      {3, 3600.0, "  LA,TIME            3   3600.00000000000     "},
      {0, 0.0, "  LA,TIME            0  0.000000000000000E+000"},
      {-12, 0.5, "  LA,TIME          -12  0.500000000000000     "},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.line);
    // The element's corners name nodes that do not exist; the restart data never looks at elements.
    Store s = MakeStore({}, {{1, 0, -4, 7, 1}}, "", c.time, c.istep);
    EXPECT_EQ(Steps(s, 1), CrLf({c.line}));
  }
}

// The head is P + ihead * Y for any head style: pressure head, total head, and other factors.
TEST(RestartStep, HeadStyleIsTheFactorOfTheElevation) {
  const struct {
    std::int32_t ihead;
    const char* head;
  } cases[] = {{0, "-5.0000E-01"}, {1, " 2.0000E+00"}, {2, " 4.5000E+00"}, {-1, "-3.0000E+00"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ihead);
    Store s = MakeStore({{15.0, 2.5, -0.5, 0.0, 0}}, {}, "", 0.0, 1);
    EXPECT_EQ(Steps(s, c.ihead),
              CrLf({"  LA,TIME            1  0.000000000000000E+000",
                    std::string("    1,    0,  1.5000E+01,  2.5000E+00, ") + c.head + ",  0.0000E+00"}));
  }
}

// Two steps: each has its own header followed by the node lines of its own values; node codes are
// copied as they are, elements (here with damaged corners) play no part.
TEST(RestartStep, EachStepWritesItsHeaderAndEveryNode) {
  Store s = MakeStore(
      {{0.0, 0.0, 2.5, 0.5, 0}, {15.0, 2.0, -0.325, 0.0, -1}, {-1250.0, 3600.0, 0.0, -0.00125, 44444}},
      {{1, 2, 0, 0, 1}, {3, -2, 9, 9, 0}}, "", 3600.0, 3);
  const test::Written w = Capture(
      [&](Io& io) {
        WriteRestartStep(io, s, 0);
        s.ISTEP = 4;
        s.TIME = 7200.0;
        s.P(1) = 0.0;
        WriteRestartStep(io, s, 0);
      },
      Unit8::kOnFile);
  EXPECT_EQ(w.file, CrLf({"  LA,TIME            3   3600.00000000000     ",
                          "    1,    0,  0.0000E+00,  0.0000E+00,  2.5000E+00,  5.0000E-01",
                          "    2,   -1,  1.5000E+01,  2.0000E+00, -3.2500E-01,  0.0000E+00",
                          "    3,44444, -1.2500E+03,  3.6000E+03,  0.0000E+00, -1.2500E-03",
                          "  LA,TIME            4   7200.00000000000     ",
                          "    1,    0,  0.0000E+00,  0.0000E+00,  0.0000E+00,  5.0000E-01",
                          "    2,   -1,  1.5000E+01,  2.0000E+00, -3.2500E-01,  0.0000E+00",
                          "    3,44444, -1.2500E+03,  3.6000E+03,  0.0000E+00, -1.2500E-03"}));
  EXPECT_EQ(w.err, "");
}

}  // namespace
}  // namespace seep
