// The digits of a field's value, shared by every edit routine.
//
// Two roads to the digits of a real rounded to p significant digits, both exact (ties to even):
//   - the general one, RoundSignificant, takes them from std::to_chars;
//   - the fast one, fast::RoundShort, scales the value by a power of ten into an integer of exactly the
//     digits wanted, in double arithmetic, and takes them from integer arithmetic. Whenever it cannot
//     vouch for the result (a value near a rounding boundary, outside the range of the tables, a
//     subnormal, infinity or NaN) it declines, and the caller takes the general road.
// Besides: digit and exponent words for fixed-size stores, and the small pieces every field is built
// from (asterisks, blanks, the exponent part, the non-finite texts).
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace seep {

// Every edit routine may use kEditSlack characters past the field as scratch, so that narrow fields are
// written with a few fixed-size stores: `out` must have room for w + kEditSlack characters, and what
// lands after out[w - 1] is to be overwritten by whatever follows the field.
inline constexpr int kEditSlack = 32;

// NaN, Infinity, -Infinity right-justified in w columns; "Inf" and "-Inf" when the long form has no
// room; asterisks when even that does not fit. Used for every real field whose value is not finite.
bool EditNonFinite(char* out, double x, int w);

// The widest field, and the most digits after the point, that the routines edit.
inline constexpr int kMaxEditWidth = 255;

namespace edit_detail {

// Room for d.ddd...e-324 with up to kMaxEditWidth digits.
inline constexpr int kScientificBuffer = kMaxEditWidth + 16;

inline void Stars(char* out, int w) {
  std::memset(out, '*', static_cast<std::size_t>(w));
}
inline void Blanks(char* out, int n) {
  std::memset(out, ' ', static_cast<std::size_t>(n));
}
// Blanks over at least the first n characters: one fixed-size store for a narrow field.
inline void BlankField(char* out, int n) {
  if (n <= kEditSlack) {
    std::memset(out, ' ', kEditSlack);
  } else {
    Blanks(out, n);
  }
}

// "00" "01" ... "99".
inline constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> t{};
  for (int i = 0; i < 100; ++i) {
    t[2 * i] = static_cast<char>('0' + i / 10);
    t[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return t;
}();

// Writes the two decimal digits of 0 <= n <= 99.
inline void PutPair(char* p, int n) {
  std::memcpy(p, kDigitPairs.data() + 2 * n, 2);
}

// Number of decimal digits of m.
inline int DigitCount(std::uint32_t m) {
  static constexpr std::uint32_t kPowers[] = {10u,      100u,      1000u,      10000u,     100000u,
                                              1000000u, 10000000u, 100000000u, 1000000000u};
  int n = 1;
  while (n < 10 && m >= kPowers[n - 1]) ++n;
  return n;
}

// Writes the exponent part of an E field, 4 characters: E+dd, or +ddd beyond 99.
inline void PutExponent(char* p, int e) {
  const char sign = e < 0 ? '-' : '+';
  const int a = e < 0 ? -e : e;
  if (a <= 99) {
    p[0] = 'E';
    p[1] = sign;
  } else {
    p[0] = sign;
    p[1] = static_cast<char>('0' + a / 100);
  }
  PutPair(p + 2, a % 100);
}

// Rounds a finite, nonzero magnitude to `sig` significant digits, exactly, ties to even. The digits go
// to digits[0, sig), and digits[sig] may be overwritten; the result is the decimal exponent of the first
// digit (a is about d0.d1d2... times 10 to that power).
int RoundSignificant(double a, int sig, char* digits);

}  // namespace edit_detail

namespace fast {

static_assert(std::endian::native == std::endian::little,
              "digit words are stored least significant byte first");

// The value rounded to p significant digits: `digits` holds exactly p digits (10^(p-1) <= digits <
// 10^p), and the value is about d0.d1d2... times 10^exponent.
struct Decimal {
  std::uint64_t digits;
  int exponent;
};

// base^0 ... base^(N-1).
template <std::size_t N>
constexpr std::array<std::uint64_t, N> PowersOf(std::uint64_t base) {
  std::array<std::uint64_t, N> t{};
  std::uint64_t x = 1;
  for (std::uint64_t& v : t) {
    v = x;
    x *= base;
  }
  return t;
}

inline constexpr std::array<std::uint64_t, 20> kPow10Int = PowersOf<20>(10);

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
  // Both scalings are worked out beside the comparison, so that neither waits for it.
  const double below = a * Pow10(k);
  const double above = a * Pow10(k - 1);
  // The choice is made with a mask, not a branch: next to a power of ten, and in fields of mixed
  // magnitudes, which side a value falls on is not predictable.
  const std::uint64_t up = a >= Pow10(e + 1) ? 1 : 0;
  e += static_cast<int>(up);
  const std::uint64_t mask = 0 - up;
  const double y = std::bit_cast<double>((std::bit_cast<std::uint64_t>(above) & mask) |
                                         (std::bit_cast<std::uint64_t>(below) & ~mask));
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

// The decade of a > 0 before rounding, e with 10^e <= a < 10^(e+1), up to one next to a power of ten
// (where the table's power is off by its rounding) and outside the table's range.
inline int DecadeOf(double a) {
  const int e = DecadeOfBinaryExponent(BinaryExponent(std::bit_cast<std::uint64_t>(a)));
  if (e + 1 < kPow10Min || e + 1 > kPow10Max) return e;
  return e + (a >= Pow10(e + 1) ? 1 : 0);
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

// The p <= 8 digits of n < 10^p in the lowest p bytes.
inline std::uint64_t ShortDigits(std::uint64_t n, int p) {
  return DigitWord(static_cast<std::uint32_t>(n)) >> (8 * (8 - p));
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

// The exponent part of an E field: one word from the table, or the general form beyond 99.
inline void PutExponentWord(char* p, int e) {
  if (e >= -99 && e <= 99) {
    std::memcpy(p, &kExponentWords[static_cast<std::size_t>(e + 99)], 4);
  } else {
    edit_detail::PutExponent(p, e);
  }
}

}  // namespace fast
}  // namespace seep
