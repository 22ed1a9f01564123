// The fast edit routines against the general ones, character for character, for the fields
// that fill the output files: 1PE12.4, 1PE12.5, 1PE13.6, E14.5, E15.7 (doubles, and floats widened to
// double), the list-directed 4-byte and 8-byte reals, and I5, I7, I8, I12.
//
// Values: random bit patterns, values spread evenly in magnitude, the doubles nearest to the halfway
// points between two roundings and their neighbours, exact halfway values, powers of ten and their
// neighbours, subnormals and the ends of the range. Each value goes through the five E fields (fast and
// compiled) and both list-directed widths. SEEPCONV_SAMENESS_COUNT sets how many values the random
// families draw (bench/sameness.sh runs hundreds of millions); the default keeps the suite quick.
#include <gtest/gtest.h>

#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "core/io/edit/exponent.h"
#include "core/io/edit/fixed.h"
#include "core/io/edit/integer.h"
#include "core/io/edit/list_real.h"
#include "core/io/edit/text.h"

namespace seep {
namespace {

struct Descriptor {
  int w, d, scale;
};
constexpr Descriptor kHotDescriptors[] = {{12, 4, 1}, {12, 5, 1}, {13, 6, 1}, {14, 5, 0}, {15, 7, 0}};

std::uint64_t SamenessCount() {
  const char* text = std::getenv("SEEPCONV_SAMENESS_COUNT");
  if (text == nullptr || *text == '\0') return 200000;
  return std::strtoull(text, nullptr, 10);
}

// With SEEPCONV_SAMENESS_COUNT set, each family says how many values it compared (bench/sameness.sh
// adds them up).
void Report(const char* family, std::uint64_t values) {
  if (std::getenv("SEEPCONV_SAMENESS_COUNT") == nullptr) return;
  std::printf("[ sameness ] %s: %llu values\n", family, static_cast<unsigned long long>(values));
}

std::string Hex(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%a (%.17g)", x, x);
  return buf;
}

// Compares one value in every hot E descriptor and in both list-directed widths; false after the
// first difference, which it reports.
bool SameFields(double x) {
  char fast[64 + kEditSlack];
  char general[64 + kEditSlack];
  for (const Descriptor& f : kHotDescriptors) {
    const bool a = EditExponent(fast, x, f.w, f.d, f.scale);
    const bool b = edit_general::EditExponent(general, x, f.w, f.d, f.scale);
    const std::string fa(fast, static_cast<std::size_t>(f.w));
    const std::string fb(general, static_cast<std::size_t>(f.w));
    if (a != b || fa != fb) {
      ADD_FAILURE() << "E" << f.w << "." << f.d << " scale " << f.scale << " of " << Hex(x) << ": fast \""
                    << fa << "\", general \"" << fb << "\"";
      return false;
    }
    if (EditCompiled(fast, x, CompileExponent(f.w, f.d, f.scale)) &&
        std::string(fast, static_cast<std::size_t>(f.w)) != fb) {
      ADD_FAILURE() << "compiled E" << f.w << "." << f.d << " scale " << f.scale << " of " << Hex(x) << ": \""
                    << std::string(fast, static_cast<std::size_t>(f.w)) << "\", general \"" << fb << "\"";
      return false;
    }
  }
  for (const bool single : {false, true}) {
    const double v = single ? static_cast<double>(static_cast<float>(x)) : x;
    if (single && std::isinf(v) && !std::isinf(x)) continue;  // not a 4-byte real
    const int wa = EditListReal(fast, v, single);
    const int wb = edit_general::EditListReal(general, v, single);
    const std::string fa(fast, static_cast<std::size_t>(wa));
    const std::string fb(general, static_cast<std::size_t>(wb));
    if (fa != fb) {
      ADD_FAILURE() << (single ? "4-byte" : "8-byte") << " list real " << Hex(v) << ": fast \"" << fa
                    << "\", general \"" << fb << "\"";
      return false;
    }
  }
  return true;
}

// Both signs of x and, for the 4-byte paths, x as the float nearest to it.
bool SameFieldsBothSigns(double x) {
  return SameFields(x) && SameFields(-x) && SameFields(static_cast<double>(static_cast<float>(x)));
}

// The double nearest to digits.5 times 10^exponent, through the C library's correctly rounded reading.
double NearestToHalfway(std::uint64_t digits, int exponent) {
  char text[64];
  std::snprintf(text, sizeof text, "%" PRIu64 "5e%d", digits, exponent - 1);
  return std::strtod(text, nullptr);
}

TEST(EditFastPath, RandomBitPatterns) {
  std::mt19937_64 rng(1);
  const std::uint64_t n = SamenessCount();
  for (std::uint64_t i = 0; i < n; ++i) {
    const double x = std::bit_cast<double>(rng());
    if (!SameFields(x)) return;
  }
  Report("random bit patterns", n);
}

TEST(EditFastPath, ValuesSpreadInMagnitude) {
  std::mt19937_64 rng(2);
  std::uniform_real_distribution<double> exponent(-40.0, 40.0);
  const std::uint64_t n = SamenessCount();
  for (std::uint64_t i = 0; i < n; ++i) {
    if (!SameFieldsBothSigns(std::pow(10.0, exponent(rng)))) return;
  }
  Report("spread in magnitude", 3 * n);
}

// Values next to the boundary between two roundings to p digits, for p from 4 to 17 (the E fields round
// to 4 to 7 digits, the list-directed reals to 7, 8, 15 and 16): the double nearest to the halfway point
// and the doubles up to three steps either side.
TEST(EditFastPath, NeighboursOfRoundingBoundaries) {
  std::mt19937_64 rng(3);
  const std::uint64_t n = SamenessCount() / 7;
  for (std::uint64_t i = 0; i < n; ++i) {
    const int p = 4 + static_cast<int>(rng() % 14);
    const std::uint64_t low = p == 1 ? 1 : static_cast<std::uint64_t>(std::pow(10.0, p - 1));
    const std::uint64_t digits = low + rng() % (9 * low);
    const int exponent = static_cast<int>(rng() % 90) - 45 - (p - 1);
    double x = NearestToHalfway(digits, exponent);
    for (int step = 0; step < 3; ++step) x = std::nextafter(x, 0.0);
    for (int step = 0; step < 7; ++step) {
      if (!SameFieldsBothSigns(x)) return;
      x = std::nextafter(x, std::numeric_limits<double>::infinity());
    }
  }
  Report("next to rounding boundaries", 21 * n);
}

// Values exactly halfway between two roundings (odd multiples of a power of two with few digits), which
// the general routines round to even.
TEST(EditFastPath, ExactHalfwayValues) {
  std::mt19937_64 rng(4);
  const std::uint64_t n = SamenessCount() / 4;
  for (std::uint64_t i = 0; i < n; ++i) {
    const double odd = static_cast<double>(2 * (rng() % 100000000) + 1);
    const int shift = static_cast<int>(rng() % 40);
    if (!SameFieldsBothSigns(std::ldexp(odd, -shift))) return;
  }
  Report("exact halfway values", 3 * n);
}

TEST(EditFastPath, PowersOfTenAndTheirNeighbours) {
  for (int k = -330; k <= 310; ++k) {
    char text[16];
    std::snprintf(text, sizeof text, "1e%d", k);
    double x = std::strtod(text, nullptr);
    for (int step = 0; step < 4; ++step) x = std::nextafter(x, 0.0);
    for (int step = 0; step < 9; ++step) {
      if (!SameFieldsBothSigns(x)) return;
      x = std::nextafter(x, std::numeric_limits<double>::infinity());
    }
  }
}

TEST(EditFastPath, ZerosSubnormalsAndTheEndsOfTheRange) {
  using L = std::numeric_limits<double>;
  using F = std::numeric_limits<float>;
  const double values[] = {0.0,
                           L::denorm_min(),
                           2 * L::denorm_min(),
                           L::min() / 3,
                           std::nextafter(L::min(), 0.0),
                           L::min(),
                           std::nextafter(L::min(), 1.0),
                           L::max(),
                           std::nextafter(L::max(), 0.0),
                           L::infinity(),
                           L::quiet_NaN(),
                           F::denorm_min(),
                           F::min(),
                           F::max(),
                           1e-40,
                           1e-37,
                           9.9999995e-6,
                           9.99999999999999e22,
                           1e44,
                           1e45,
                           0.09999999999999999,
                           0.1,
                           0.9999999999999999,
                           99999.5,
                           999999.5,
                           9999999.5,
                           99999999.5,
                           1e15,
                           1e16,
                           9999999999999999.0};
  for (const double x : values) {
    if (!SameFieldsBothSigns(x)) return;
  }
  std::mt19937_64 rng(5);
  for (int i = 0; i < 100000; ++i) {
    // Subnormal bit patterns, and values within a few hundred binary exponents of either end.
    const std::uint64_t mantissa = rng() & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t exponent = i % 2 == 0 ? rng() % 300 : 0x7FE - rng() % 300;
    if (!SameFieldsBothSigns(std::bit_cast<double>(exponent << 52 | mantissa))) return;
  }
}

// Every layout a compiled E field can have: widths up to 16, 1 to 7 significant digits, both scale factors,
// values of both signs that fit, that need the optional zero, that do not fit, with one- to three-digit
// exponents.
TEST(EditFastPath, CompiledLayoutsOfEveryWidth) {
  const double values[] = {0.0,     1.0,   1.23456789, 9.9999999, 0.5, 1e-99,
                           9.99e99, 1e100, 1e-100,     123456.0,  7e-5};
  char compiled[64 + kEditSlack];
  char general[64 + kEditSlack];
  for (int w = 1; w <= 16; ++w) {
    for (int d = 1; d <= 7; ++d) {
      for (int scale = 0; scale <= 1; ++scale) {
        const ExponentLayout layout = CompileExponent(w, d, scale);
        for (const double v : values) {
          for (const double x : {v, -v}) {
            const bool fits = edit_general::EditExponent(general, x, w, d, scale);
            if (!EditCompiled(compiled, x, layout)) continue;
            EXPECT_TRUE(fits);
            EXPECT_EQ(std::string(compiled, static_cast<std::size_t>(w)),
                      std::string(general, static_cast<std::size_t>(w)))
                << "E" << w << "." << d << " scale " << scale << " of " << x;
          }
        }
      }
    }
  }
}

TEST(EditFastPath, FloatsWidenedToDouble) {
  std::mt19937_64 rng(6);
  const std::uint64_t n = SamenessCount();
  for (std::uint64_t i = 0; i < n; ++i) {
    const float f = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    if (!SameFields(static_cast<double>(f))) return;
  }
  Report("floats widened to double", n);
}

TEST(EditFastPath, Integers) {
  std::mt19937_64 rng(7);
  const int widths[] = {5, 7, 8, 12, 1, 2, 3, 4, 6, 9, 10, 11};
  auto same = [&](std::int32_t v) {
    for (const int w : widths) {
      char fast[32 + kEditSlack];
      char general[32 + kEditSlack];
      const bool a = EditInteger(fast, v, w);
      const bool b = edit_general::EditInteger(general, v, w);
      const std::string fa(fast, static_cast<std::size_t>(w));
      const std::string fb(general, static_cast<std::size_t>(w));
      if (a != b || fa != fb) {
        ADD_FAILURE() << "I" << w << " of " << v << ": fast \"" << fa << "\", general \"" << fb << "\"";
        return false;
      }
    }
    return true;
  };
  for (std::int64_t power = 1; power <= 1000000000; power *= 10) {
    for (std::int64_t delta = -2; delta <= 2; ++delta) {
      for (const std::int64_t sign : {1, -1}) {
        if (!same(static_cast<std::int32_t>(sign * (power + delta)))) return;
      }
    }
  }
  for (const std::int32_t v : {0, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max(), -99999999, -10000000}) {
    if (!same(v)) return;
  }
  const std::uint64_t n = SamenessCount();
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint64_t r = rng();
    // Every digit count equally often, both signs.
    const std::int64_t magnitude =
        static_cast<std::int64_t>((r >> 8) % static_cast<std::uint64_t>(std::pow(10, r % 10)));
    if (!same(static_cast<std::int32_t>(r & 0x10 ? -magnitude : magnitude))) return;
  }
  Report("integers", n);
}

// A text field of every width up to the short limit against texts of every length around it: shorter
// (blanks before), as long, longer (cut on the right), and the empty text. The characters after the
// field are scratch; those before it stay.
TEST(EditFastPath, ShortTexts) {
  const std::string text = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGH";
  for (std::size_t w = 1; w <= kShortTextWidth; ++w) {
    for (std::size_t n = 0; n <= w + 8 && n <= text.size(); ++n) {
      std::string fast(4 + w + kShortTextWidth, '#');
      std::string general(4 + w + kShortTextWidth, '#');
      EditShortText(fast.data() + 4, text.data(), n, w);
      EditText(general.data() + 4, text.data(), n, w);
      ASSERT_EQ(fast.substr(0, 4 + w), general.substr(0, 4 + w)) << "A" << w << " of " << n << " characters";
    }
  }
}

}  // namespace
}  // namespace seep
