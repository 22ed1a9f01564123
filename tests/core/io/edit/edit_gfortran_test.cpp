// Differential test against the Fortran runtime: gfortran writes the same values with the same edit
// descriptors, and every field must match byte for byte. Values travel to the Fortran program as exact
// bit patterns. Exact decimal ties (a stored value exactly halfway between two outputs) may round either
// way and are counted apart; any other difference fails.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/io/format/compile.h"
#include "core/io/statement/write.h"
#include "support/io_harness.h"

namespace seep {
namespace {

// Our formats and the same ones as gfortran reads them (gfortran ignores blanks in a format, so its
// items are separated by commas).
constexpr auto kRealLine =
    CompileFormat("(E12.6 '|' E14.5 '|' E15.7 '|' 1P E12.4 '|' E12.5 '|' E13.6 '|' 0P F12.0)");
constexpr const char* kFortranRealLine =
    "(E12.6,'|',E14.5,'|',E15.7,'|',1P,E12.4,'|',E12.5,'|',E13.6,'|',0P,F12.0)";
constexpr auto kIntegerLine = CompileFormat("(I5 '|' I8)");
constexpr const char* kFortranIntegerLine = "(I5,'|',I8)";

// Significant digits of each real field (0 marks F12.0, which rounds to an integer).
constexpr int kSignificant[] = {6, 5, 7, 5, 6, 7, 0};
constexpr const char* kRealNames[] = {"E12.6", "E14.5", "E15.7", "1PE12.4", "1PE12.5", "1PE13.6", "F12.0"};

constexpr int kRealCount = 110000;
constexpr int kIntegerCount = 100000;

std::string FortranProgram() {
  std::ostringstream f;
  f << "program diff\n"
       "  implicit none\n"
       "  integer(8) :: bits\n"
       "  integer :: i, ios\n"
       "  double precision :: x\n"
       "  real :: r\n"
       "  open(10, file='reals.txt', status='old', action='read')\n"
       "  open(20, file='reals.out', status='replace', action='write')\n"
       "  do\n"
       "    read(10, '(Z16)', iostat=ios) bits\n"
       "    if (ios /= 0) exit\n"
       "    x = transfer(bits, x)\n"
       "    r = real(x)\n"
       "    write(20, \""
    << kFortranRealLine
    << "\") x, x, x, x, x, x, x\n"
       "    write(20, \""
    << kFortranRealLine
    << "\") r, r, r, r, r, r, r\n"
       "  end do\n"
       "  close(20)\n"
       "  open(11, file='ints.txt', status='old', action='read')\n"
       "  open(21, file='ints.out', status='replace', action='write')\n"
       "  do\n"
       "    read(11, *, iostat=ios) i\n"
       "    if (ios /= 0) exit\n"
       "    write(21, \""
    << kFortranIntegerLine
    << "\") i, i\n"
       "  end do\n"
       "  close(21)\n"
       "end program diff\n";
  return f.str();
}

double Decimal(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

// Values from 1e-300 to 1e300 with both signs, plus the places where editing goes wrong: zeros, powers of
// ten and their neighbours, values next to a rounding boundary, exact binary fractions (some of them
// exact decimal ties), extremes, subnormals and arbitrary bit patterns.
std::vector<double> RealValues() {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> v = {
      0.0,     -0.0,     kInf,    -kInf,          std::numeric_limits<double>::quiet_NaN(),
      DBL_MIN, -DBL_MIN, DBL_MAX, -DBL_MAX,       std::numeric_limits<double>::denorm_min(),
      FLT_MAX, FLT_MIN,  1.0,     -1.23456789,    1.0e-120,
      0.5,     1.5,      2.5,     -99999999999.0, 99999999999.4};
  for (int e = -300; e <= 300; ++e) {
    const double p = Decimal("1e" + std::to_string(e));
    v.insert(v.end(), {p, -p, std::nextafter(p, 0.0), std::nextafter(p, kInf)});
  }
  std::mt19937_64 rng(20240611);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto sign = [&] { return rng() % 2 == 0 ? 1.0 : -1.0; };
  while (v.size() < kRealCount) {
    switch (rng() % 10) {
      case 0:
      case 1:
      case 2:
      case 3:
        v.push_back(sign() * std::pow(10.0, uniform(-300.0, 300.0)));
        break;
      case 4:
      case 5:
        v.push_back(sign() * std::pow(10.0, uniform(-6.0, 13.0)));
        break;
      case 6:
      case 7: {
        // m5 x 10^e with m of 4 to 8 digits: the nearest double (or float) to a decimal halfway point.
        const int digits = 4 + static_cast<int>(rng() % 5);
        const std::uint64_t low = static_cast<std::uint64_t>(std::pow(10.0, digits - 1));
        const std::uint64_t m = low + rng() % (9 * low);
        const int e = static_cast<int>(rng() % 61) - 30;
        const std::string text = std::to_string(m) + "5e" + std::to_string(e);
        double x = rng() % 3 == 0 ? static_cast<double>(std::strtof(text.c_str(), nullptr)) : Decimal(text);
        if (rng() % 4 == 0) x = std::nextafter(x, rng() % 2 == 0 ? 0.0 : kInf);
        v.push_back(sign() * x);
        break;
      }
      case 8: {
        // Odd multiples of 2^-j: short exact decimal expansions, often exactly halfway at some digit.
        const double m = static_cast<double>(2 * (rng() % (1u << 20)) + 1);
        v.push_back(sign() * std::ldexp(m, -static_cast<int>(rng() % 31)));
        break;
      }
      default:
        // Any bit pattern; every other one with a zero exponent field, a subnormal.
        v.push_back(std::bit_cast<double>(rng() % 2 == 0 ? rng() : rng() & 0x800fffffffffffffu));
        break;
    }
  }
  return v;
}

std::vector<std::int32_t> IntegerValues() {
  std::vector<std::int32_t> v = {0,         1,         -1,        9999,      -9999,        99999,
                                 -99999,    100000,    -10000,    9999999,   -9999999,     99999999,
                                 -10000000, 100000000, INT32_MAX, INT32_MIN, INT32_MIN + 1};
  std::mt19937_64 rng(99);
  while (v.size() < kIntegerCount) {
    const int digits = 1 + static_cast<int>(rng() % 10);
    const std::int64_t limit = static_cast<std::int64_t>(std::pow(10.0, digits));
    std::int64_t x = static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(limit));
    if (rng() % 2 == 0) x = -x;
    if (x >= INT32_MIN && x <= INT32_MAX) v.push_back(static_cast<std::int32_t>(x));
  }
  return v;
}

// True when |x| lies exactly halfway between two decimals of `significant` digits (0: between two
// integers), so that either rounding is a correct one.
bool IsExactTie(double x, int significant) {
  const double a = std::fabs(x);
  if (a == 0 || !std::isfinite(a)) return false;
  if (significant == 0) return std::fmod(a, 1.0) == 0.5;
  // 800 digits after the first hold the whole decimal expansion of any double.
  static char buf[900];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 800);
  std::string digits(1, buf[0]);
  for (const char* p = buf + 2; p < r.ptr && *p != 'e'; ++p) digits += *p;
  const std::size_t at = static_cast<std::size_t>(significant);
  return digits[at] == '5' && digits.find_first_not_of('0', at + 1) == std::string::npos;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = line.find('|', start);
    fields.push_back(line.substr(start, bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

TEST(EditAgainstGfortran, FieldsMatchTheFortranRuntime) {
#ifdef _WIN32
  GTEST_SKIP() << "builds and runs a gfortran program through a POSIX shell; the Linux build compares";
#endif
  if (std::system("command -v gfortran > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "gfortran is not installed: the comparison with the Fortran runtime is skipped";
  }
  test::Scratch dir(test::Scratch::kEnter);
  const std::vector<double> reals = RealValues();
  const std::vector<std::int32_t> integers = IntegerValues();
  {
    std::ofstream r("reals.txt"), i("ints.txt"), p("diff.f90");
    char hex[24];
    for (double x : reals) {
      std::snprintf(hex, sizeof hex, "%016llX",
                    static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(x)));
      r << hex << '\n';
    }
    for (std::int32_t n : integers) i << n << '\n';
    p << FortranProgram();
  }
  ASSERT_EQ(std::system("gfortran -O1 -o diff diff.f90 > build.log 2>&1"), 0) << test::ReadFile("build.log");
  ASSERT_EQ(std::system("./diff > run.log 2>&1"), 0) << test::ReadFile("run.log");

  test::ConsoleIo console;
  for (double x : reals) {
    WriteFormatted(console.io(), kConsoleOut, kRealLine, x, x, x, x, x, x, x);
    const float r = static_cast<float>(x);
    WriteFormatted(console.io(), kConsoleOut, kRealLine, r, r, r, r, r, r, r);
  }
  for (std::int32_t n : integers) WriteFormatted(console.io(), kConsoleOut, kIntegerLine, n, n);
  console.io().FlushAll();
  const std::vector<std::string> ours = test::SplitRecords(console.Out());
  const std::vector<std::string> theirs = test::SplitRecords(test::ReadFile("reals.out"), "\n");
  const std::vector<std::string> theirIntegers = test::SplitRecords(test::ReadFile("ints.out"), "\n");
  ASSERT_EQ(theirs.size(), 2 * reals.size());
  ASSERT_EQ(theirIntegers.size(), integers.size());
  ASSERT_EQ(ours.size(), theirs.size() + theirIntegers.size());

  int ties[7] = {};
  int differences = 0;
  long fields = 0;
  long tiesSeen = 0;
  for (std::size_t i = 0; i < theirs.size(); ++i) {
    const double x = i % 2 == 0 ? reals[i / 2] : static_cast<double>(static_cast<float>(reals[i / 2]));
    const std::vector<std::string> a = Fields(ours[i]), b = Fields(theirs[i]);
    ASSERT_EQ(a.size(), 7u) << ours[i];
    ASSERT_EQ(b.size(), 7u) << theirs[i];
    for (int f = 0; f < 7; ++f, ++fields) {
      const bool tie = IsExactTie(x, kSignificant[f]);
      tiesSeen += tie ? 1 : 0;
      if (a[f] == b[f]) continue;
      if (tie) {
        ++ties[f];
      } else if (++differences <= 20) {
        ADD_FAILURE() << kRealNames[f] << (i % 2 == 0 ? " of the double " : " of the float ") << x
                      << " (bits " << std::hex << std::bit_cast<std::uint64_t>(x) << std::dec << "): ours \""
                      << a[f] << "\", gfortran \"" << b[f] << "\"";
      }
    }
  }
  for (std::size_t i = 0; i < theirIntegers.size(); ++i, fields += 2) {
    if (ours[theirs.size() + i] != theirIntegers[i] && ++differences <= 20) {
      ADD_FAILURE() << "I5|I8 of " << integers[i] << ": ours \"" << ours[theirs.size() + i]
                    << "\", gfortran \"" << theirIntegers[i] << "\"";
    }
  }
  EXPECT_EQ(differences, 0);
  std::string tieReport;
  for (int f = 0; f < 7; ++f) tieReport += std::string(" ") + kRealNames[f] + " " + std::to_string(ties[f]);
  std::printf(
      "[ compared ] %ld fields of %zu reals (as double and float) and %zu integers; %ld exact ties, "
      "of them rounded differently:%s\n",
      fields, reals.size(), integers.size(), tiesSeen, tieReport.c_str());
}

}  // namespace
}  // namespace seep
