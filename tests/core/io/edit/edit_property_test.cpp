// Properties of real fields for random values: exact width, asterisks exactly when the form is wider than
// the field, and otherwise a text that reads back to within half a unit of its last digit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "core/io/edit/exponent.h"
#include "core/io/edit/fixed.h"
#include "core/io/edit/integer.h"
#include "core/io/edit/list_real.h"

namespace seep {
namespace {

// Random doubles: half arbitrary bit patterns (any exponent, subnormals), half spread over 1e-300..1e300.
double RandomValue(std::mt19937_64& rng) {
  if (rng() % 2 == 0) {
    double x = std::bit_cast<double>(rng());
    return std::isfinite(x) ? x : 0.0;
  }
  const double e = std::uniform_real_distribution<double>(-300.0, 300.0)(rng);
  return (rng() % 2 == 0 ? 1 : -1) * std::pow(10.0, e);
}

// Reading a field back rounds it to long double; an exact half-unit error may gain that much.
long double Slack(double x) {
  return std::fabs(static_cast<long double>(x)) * 0x1p-60L;
}

bool AllStars(const std::string& s) {
  return s.find_first_not_of('*') == std::string::npos;
}

// The value of an edited field; Fortran leaves out the E of a three-digit exponent.
long double ReadBack(std::string s) {
  const std::size_t sign = s.find_first_of("+-", s.find_first_not_of(" -"));
  if (sign != std::string::npos && s[sign - 1] != 'E') s.insert(sign, "E");
  return std::strtold(s.c_str(), nullptr);
}

TEST(EditExponentProperty, WidthAsterisksAndReadBack) {
  std::mt19937_64 rng(20240607);
  for (int i = 0; i < 200000; ++i) {
    const double x = RandomValue(rng);
    const int d = 1 + static_cast<int>(rng() % 16);
    const int k = static_cast<int>(rng() % 2);
    const int w = d + 3 + static_cast<int>(rng() % 8);  // from too narrow to roomy
    std::string field(static_cast<std::size_t>(w + kEditSlack) + 4, '#');
    const bool fits = EditExponent(field.data(), x, w, d, k);
    ASSERT_EQ(field.substr(static_cast<std::size_t>(w + kEditSlack)), "####");
    field.resize(static_cast<std::size_t>(w));

    const int needed = (std::signbit(x) ? 1 : 0) + (k == 1 ? 2 : 1) + d + 4;
    ASSERT_EQ(fits, needed <= w) << field;
    if (!fits) {
      ASSERT_TRUE(AllStars(field)) << field;
      continue;
    }
    // The form: [-][0].ddd or [-]d.ddd, then a 4-character exponent.
    const std::size_t point = field.find('.');
    ASSERT_NE(point, std::string::npos) << field;
    const char* tail = field.c_str() + w - 4;
    const int exponent = *tail == 'E' ? std::atoi(tail + 1) : std::atoi(tail);
    if (x != 0) {
      const char lead = k == 1 ? field[point - 1] : field[point + 1];
      ASSERT_TRUE(lead >= '1' && lead <= '9') << field << " is not normalised";
    }
    const long double unit = std::pow(10.0L, exponent - d);
    const long double error = std::fabs(ReadBack(field) - static_cast<long double>(x));
    ASSERT_LE(error, unit * 0.5L + Slack(x)) << field << " for " << x;
  }
}

TEST(EditFixedProperty, WidthAsterisksAndReadBack) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 100000; ++i) {
    const double x =
        (rng() % 2 == 0 ? 1 : -1) * std::pow(10.0, std::uniform_real_distribution<double>(-4.0, 12.0)(rng));
    const int d = static_cast<int>(rng() % 6);
    const int w = 1 + static_cast<int>(rng() % 16);
    std::string field(static_cast<std::size_t>(w + kEditSlack) + 4, '#');
    const bool fits = EditFixed(field.data(), x, w, d, 0);
    ASSERT_EQ(field.substr(static_cast<std::size_t>(w + kEditSlack)), "####");
    field.resize(static_cast<std::size_t>(w));
    // The shortest form: sign, integer digits (none below 1 unless d is 0), point, d decimals; the C
    // library's exact rounding tells the integer digits.
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.*f", d, std::fabs(x));
    const std::string integer = std::string(digits).substr(0, std::string(digits).find('.'));
    const int intDigits = integer == "0" ? (d == 0 ? 1 : 0) : static_cast<int>(integer.size());
    ASSERT_EQ(fits, (x < 0 ? 1 : 0) + intDigits + 1 + d <= w) << field << " for " << x;
    if (!fits) {
      ASSERT_TRUE(AllStars(field)) << field;
      continue;
    }
    ASSERT_EQ(field.size() - field.find('.') - 1, static_cast<std::size_t>(d)) << field;
    const long double error = std::fabs(std::strtold(field.c_str(), nullptr) - static_cast<long double>(x));
    ASSERT_LE(error, std::pow(10.0L, -d) * 0.5L + Slack(x)) << field << " for " << x;
  }
}

TEST(EditListRealProperty, ReadsBackToSignificantDigits) {
  std::mt19937_64 rng(11);
  for (int i = 0; i < 100000; ++i) {
    const bool single = rng() % 2 == 0;
    double x = RandomValue(rng);
    if (single) x = static_cast<float>(x);
    if (!std::isfinite(x) || x == 0) continue;
    char buf[kListDoubleWidth + kEditSlack];
    const int w = EditListReal(buf, x, single);
    const std::string field(buf, static_cast<std::size_t>(w));
    const long double back = std::strtold(field.c_str(), nullptr);
    // s significant digits in fixed form, s + 1 in exponent form: half a unit of the 7th / 15th digit
    // bounds both.
    const int s = single ? 7 : 15;
    const long double magnitude =
        std::pow(10.0L, std::floor(std::log10(std::fabs(static_cast<long double>(x)))));
    ASSERT_LE(std::fabs(back - x), magnitude * std::pow(10.0L, 1 - s) * 0.5L + Slack(x)) << field;
  }
}

}  // namespace
}  // namespace seep
