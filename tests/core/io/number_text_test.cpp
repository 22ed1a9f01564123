// Numbers as pictures and tables show them: one notation per scale and per column.
#include "core/io/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace seep {
namespace {

struct ScaleCase {
  std::vector<double> values;
  double step;
  std::vector<std::string> labels;
  int exponent;
};

TEST(ScaleLabels, OneNotationPerScale) {
  const ScaleCase cases[] = {
      // The flow-rate chart's ticks: one common exponent, not "0.00015 / 0.000125 / 1e-04 / 7.5e-05".
      {{7.5e-5, 1e-4, 1.25e-4, 1.5e-4}, 2.5e-5, {"7.5", "10.0", "12.5", "15.0"}, -5},
      {{0.0, 2.5, 5.0, 7.5}, 2.5, {"0.0", "2.5", "5.0", "7.5"}, 0},
      {{-10.0, 0.0, 10.0}, 10.0, {"-10", "0", "10"}, 0},
      {{0.1 + 0.2 - 0.3, 0.1, 0.2}, 0.1, {"0.0", "0.1", "0.2"}, 0},  // no "-0", no 0.30000000000000004
      {{0.0, 2e6, 4e6}, 2e6, {"0", "2", "4"}, 6},
      {{0.001, 0.002}, 0.001, {"0.001", "0.002"}, 0},
      {{1e-5, 2e-5}, 1e-5, {"1", "2"}, -5},
  };
  for (const ScaleCase& c : cases) {
    const ScaleText text = ScaleLabels(c.values, c.step);
    EXPECT_EQ(text.labels, c.labels) << c.step;
    EXPECT_EQ(text.exponent, c.exponent) << c.step;
  }
  EXPECT_EQ(ExponentText(0), "");
  EXPECT_EQ(ExponentText(-5),
            "\xC3\x97"
            "10\xE2\x81\xBB\xE2\x81\xB5");
  EXPECT_EQ(ExponentText(12),
            "\xC3\x97"
            "10\xC2\xB9\xC2\xB2");
}

struct ColumnCase {
  std::vector<double> values;
  std::vector<std::string> cells;
};

TEST(ColumnText, SameDigitsDownAColumn) {
  const double nan = std::nan("");
  const ColumnCase cases[] = {
      // The report's tables mixed "7.3235e-05" with "0.000105467".
      {{7.3235e-05, 0.000105467}, {"7.3235e-05", "1.0547e-04"}},
      {{21600.0, 43200.0, 0.0}, {"21600", "43200", "0"}},
      {{0.5, 1.0, 1.5}, {"0.5", "1.0", "1.5"}},
      {{12.3456789, -0.5, nan}, {"12.346", "-0.500", "\xE2\x80\x93"}},
      {{-1e-9, 10.0}, {"0", "10"}},
      {{0.0, 0.0}, {"0", "0"}},
      {{3e7, 1.0}, {"3e+07", "1e+00"}},
      {{1.5e-5, 0.0, -2.25e-5}, {"1.50e-05", "0", "-2.25e-05"}},
  };
  for (const ColumnCase& c : cases) EXPECT_EQ(ColumnText(c.values, 5, kEnDash), c.cells);
}

}  // namespace
}  // namespace seep
