// The fast rounding behind the E fields of the output files, and the planned E fields in two steps.
//
// A value is scaled by a power of ten into an integer of exactly the digits wanted, in double
// arithmetic, and its digits come from integer arithmetic. Whenever that road cannot vouch for the
// result (a value near a rounding boundary, outside the range of the tables, a subnormal, infinity or
// NaN) it declines, and the general engine of core/io/edit.cpp edits the field.
//
// A planned E field (FieldPlan) is edited in two steps: RoundPlanned takes the value to its digits and
// exponent, PutPlanned places them in the field. The line runner of core/io/write.h rounds every planned
// field of a record before it places any, so that the roundings, independent of each other, overlap in
// the processor instead of each waiting behind the stores of the field before it.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/io/edit.h"

namespace seep {
namespace fast {

static_assert(std::endian::native == std::endian::little,
              "digit words are stored least significant byte first");

// The value rounded to p significant digits: `digits` holds exactly p digits (10^(p-1) <= digits <
// 10^p), and the value is about d0.d1d2... times 10^exponent.
struct Decimal {
  std::uint64_t digits;
  int exponent;
};

inline constexpr std::array<std::uint64_t, 20> kPow10Int = [] {
  std::array<std::uint64_t, 20> t{};
  std::uint64_t x = 1;
  for (std::uint64_t& v : t) {
    v = x;
    x *= 10;
  }
  return t;
}();

// 10^k for kPow10Min <= k <= kPow10Max. Up to 10^22 the powers are exact; 10^23 ... 10^44 are products of
// two exact powers and 10^-1 ... 10^-22 quotients 1 / 10^j, so each is the double nearest to 10^k (one
// correctly rounded operation, which the compiler carries out in IEEE arithmetic). Below 10^-22 the
// quotient of a rounded power is within two units in the last place; those entries only pick a decade.
inline constexpr int kPow10Min = -44;
inline constexpr int kPow10Max = 44;
inline constexpr std::array<double, kPow10Max - kPow10Min + 1> kPow10 = [] {
  std::array<double, kPow10Max - kPow10Min + 1> t{};
  double x = 1.0;
  for (int k = 0; k <= 22; ++k) {
    t[k - kPow10Min] = x;
    x *= 10.0;
  }
  for (int k = 23; k <= kPow10Max; ++k) t[k - kPow10Min] = t[22 - kPow10Min] * t[k - 22 - kPow10Min];
  for (int k = 1; k <= -kPow10Min; ++k) t[-k - kPow10Min] = 1.0 / t[k - kPow10Min];
  return t;
}();
constexpr double Pow10(int k) {
  return kPow10[k - kPow10Min];
}

// Scale factors 10^k used to scale a value: those that are the nearest doubles to 10^k.
inline constexpr int kScaleMin = -22;
inline constexpr int kScaleMax = kPow10Max;

// The most significant digits the double-arithmetic rounding handles, and its safety margin.
//
// Why the margin is safe. Take a > 0 with decade e and k = p - 1 - e, so that a * 10^k lies in
// [10^(p-1), 10^p] up to the error below. The table gives 10^k (1 + d1) and the product is rounded once
// more, so y = a 10^k (1 + d1)(1 + d2) with |d1|, |d2| <= 2^-53 (d1 = 0 for 0 <= k <= 22); even with
// a power two units off, |y - a 10^k| < 3.4e-16 * 10^p <= 3.4e-8 for p <= 8. The distance f from y to
// the nearest integer is computed exactly. If 1/2 - |f| exceeds the margin 2^-20 (about 9.5e-7, over 25
// times the error bound), no half-integer lies between y and the exact a 10^k, nor on it: both round to
// the same integer, and the exact value is no tie. Otherwise the value is declined.
inline constexpr int kShortDigits = 8;
inline constexpr double kMargin = 0x1p-20;

// floor(binaryExponent * log10(2)) for |binaryExponent| <= 1100: the decade of a value in [2^b, 2^(b+1))
// is this or one more.
constexpr int DecadeOfBinaryExponent(int b) {
  return (b * 78913) >> 18;
}

inline int BinaryExponent(std::uint64_t bits) {
  return static_cast<int>((bits >> 52) & 0x7FF) - 1023;
}

// What the fast roundings return when they decline a value.
inline constexpr int kDeclined = std::numeric_limits<int>::min();

// Rounds a > 0 to p <= kShortDigits significant digits in double arithmetic; the exponent is kDeclined
// when the result cannot be vouched for (see kMargin) or a lies outside the scale table's range.
// Subnormals, infinity and NaN fall outside that range.
inline Decimal RoundShort(double a, int p) {
  int e = DecadeOfBinaryExponent(BinaryExponent(std::bit_cast<std::uint64_t>(a)));
  const int k = p - 1 - e;
  if (k - 1 < kScaleMin || k > kScaleMax) return {0, kDeclined};
  // The decade is e + 1 when a >= 10^(e+1). The table's 10^(e+1) may be off by a unit in the last place;
  // a value caught on the wrong side of it lies within that unit of the power, scales to 10^(p-1) or 10^p
  // within 2^-52 relative, far from any rounding boundary, and the carry below puts it right.
  const int up = a >= Pow10(e + 1) ? 1 : 0;
  e += up;
  const double y = a * Pow10(k - up);
  // Adding 2^52 rounds y (below 10^8) to the nearest integer, which the sum's low mantissa bits then
  // hold; y less that integer is exact. y >= 10^(p-1) (1 - 2^-51), so the integer has p digits or is
  // 10^p.
  const double shifted = y + 0x1p52;
  const double fraction = y - (shifted - 0x1p52);  // in [-1/2, 1/2]
  if (std::fabs(fraction) >= 0.5 - kMargin) return {0, kDeclined};
  const std::uint64_t n = std::bit_cast<std::uint64_t>(shifted) & ((std::uint64_t{1} << 52) - 1);
  if (n >= kPow10Int[static_cast<std::size_t>(p)]) return {kPow10Int[static_cast<std::size_t>(p - 1)], e + 1};
  return {n, e};
}

inline void Store8(char* p, std::uint64_t v) {
  std::memcpy(p, &v, 8);
}

inline constexpr std::uint64_t kAsciiZeros = 0x3030303030303030;

// "00" ... "99" as 2-character words, the first digit in the lower byte.
inline constexpr std::array<std::uint16_t, 100> kPairWords = [] {
  std::array<std::uint16_t, 100> t{};
  for (int i = 0; i < 100; ++i)
    t[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(('0' + i / 10) | ('0' + i % 10) << 8);
  return t;
}();

// The eight decimal digits of n < 10^8 as characters, leading zeros included, the first digit in the
// lowest byte (so that a store writes them in reading order): four pairs from a table. The three
// quotients are independent of each other, and the divisions by constants become multiplications.
inline std::uint64_t DigitWord(std::uint32_t n) {
  const std::uint32_t q6 = n / 1000000;
  const std::uint32_t q4 = n / 10000;
  const std::uint32_t q2 = n / 100;
  return kPairWords[q6] | static_cast<std::uint64_t>(kPairWords[q4 - 100 * q6]) << 16 |
         static_cast<std::uint64_t>(kPairWords[q2 - 100 * q4]) << 32 |
         static_cast<std::uint64_t>(kPairWords[n - 100 * q2]) << 48;
}

// "E-99" ... "E+99", the exponent parts of E fields for exponents -99 to 99, as 4-character words.
inline constexpr std::array<std::uint32_t, 199> kExponentWords = [] {
  std::array<std::uint32_t, 199> t{};
  for (int e = -99; e <= 99; ++e) {
    const int a = e < 0 ? -e : e;
    const std::uint32_t sign = e < 0 ? '-' : '+';
    const std::uint32_t tens = static_cast<std::uint32_t>('0' + a / 10);
    const std::uint32_t units = static_cast<std::uint32_t>('0' + a % 10);
    t[static_cast<std::size_t>(e + 99)] = 'E' | sign << 8 | tens << 16 | units << 24;
  }
  return t;
}();

}  // namespace fast

// The value of a planned E field rounded to the plan's digits, its exponent as written (one more than
// the decade for scale 0); the exponent is fast::kDeclined when the plan does not cover the value (its
// sign, the fast rounding's range or margin). Zero has zero digits and exponent 0.
inline fast::Decimal RoundPlanned(double x, const FieldPlan& plan) {
  const unsigned negative = static_cast<unsigned>(std::bit_cast<std::uint64_t>(x) >> 63);
  // An unplanned field has signs 0 and declines every value here.
  if (negative >= plan.signs) return {0, fast::kDeclined};
  const double a = std::fabs(x);
  fast::Decimal r = fast::RoundShort(a, plan.digits);
  if (r.exponent == fast::kDeclined) [[unlikely]] {
    if (a != 0) return r;
    r = {0, plan.scale == 1 ? 0 : -1};  // zero lies outside the scale range
  }
  r.exponent += plan.scale == 1 ? 0 : 1;
  return r;
}

// With k = p - 1 - e within kScaleMin + 1 ... kScaleMax and p <= 7, RoundShort's decade lies in
// -44 ... 29 and the exponent as written in -44 ... 30, all of which kExponentWords covers.
static_assert(7 - 1 - (fast::kScaleMin + 1) + 2 + 1 <= 99 && 1 - 1 - fast::kScaleMax >= -99);

// Writes the field of a value that RoundPlanned accepted: blanks, the sign and the optional zero from the
// plan, the point and the digits (d0.d1d2... for scale 1, .d1d2... for scale 0), the exponent. Uses 16
// characters at `out`.
inline void PutPlanned(char* out, double x, fast::Decimal r, const FieldPlan& plan) {
  const unsigned negative = static_cast<unsigned>(std::bit_cast<std::uint64_t>(x) >> 63);
  std::memset(out, ' ', 16);
  std::memcpy(out + plan.prefixColumn, &plan.prefix[negative], 2);
  // The p digits in the lowest p bytes.
  const std::uint64_t digits =
      fast::DigitWord(static_cast<std::uint32_t>(r.digits)) >> (8 * (8 - plan.digits));
  const std::uint64_t text =
      plan.scale == 1 ? (digits & 0xFF) | std::uint64_t{'.'} << 8 | (digits >> 8) << 16 : '.' | digits << 8;
  fast::Store8(out + plan.column, text);
  std::memcpy(out + plan.width - 4, &fast::kExponentWords[static_cast<std::size_t>(r.exponent + 99)], 4);
}

// Iw by its planned routine (declared in core/io/edit.h), defined here so that a line of constant
// format can take it inline.
template <int W>
bool EditIntegerAs(char* out, std::int32_t value) {
  const std::uint32_t m =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  constexpr std::uint64_t kLimit = fast::kPow10Int[W < 8 ? W : 8];
  if (m >= kLimit) return false;
  // Eight digit characters, the leading zeros turned into blanks (a '0' less 0x10 is a blank), the
  // minus sign in the blank before the first digit. Zero keeps its last digit.
  const std::uint64_t text = fast::DigitWord(m);
  const int zeros = std::min(std::countr_zero(text - fast::kAsciiZeros) / 8, 7);
  const int negative = value < 0 ? 1 : 0;
  if (negative + 8 - zeros > (W < 8 ? W : 8)) return false;
  std::uint64_t field = text - (0x1010101010101010 & ((std::uint64_t{1} << (8 * zeros)) - 1));
  field ^= (std::uint64_t{' ' ^ '-'} * static_cast<std::uint64_t>(negative)) << ((8 * zeros - 8) & 63);
  if constexpr (W >= 8) {
    std::memset(out, ' ', 8);
    fast::Store8(out + (W - 8), field);
  } else {
    fast::Store8(out, field >> (8 * (8 - W)));  // the bytes dropped are blanks, since the value fits
  }
  return true;
}

}  // namespace seep
