#include "core/io/edit/list_real.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/io/edit/digits.h"

namespace seep {
namespace {

using namespace edit_detail;
using namespace fast;

#ifdef __SIZEOF_INT128__
__extension__ using Uint128 = unsigned __int128;

// 5^k for 0 <= k <= 27, the powers that fit 64 bits.
constexpr std::array<std::uint64_t, 28> kPow5 = PowersOf<28>(5);

// Rounds a > 0 to p <= 16 significant digits exactly, in 128-bit integers: with a = m 2^(b-52), the scaled
// value a 10^k is m 5^k / 2^s for s = 52 - b - k, and m 5^k < 2^53 2^63 is held whole. The quotient and
// remainder give the digits and the exact position against one half. Declines exact ties (the general
// routine rounds those to even), scale factors beyond 5^27 and below 10^1, and s <= 0.
Decimal RoundWide(double a, int p) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(a);
  if ((bits >> 52) == 0) return {0, kDeclined};  // subnormal
  const int b = BinaryExponent(bits);
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  int e = DecadeOfBinaryExponent(b);
  int k = p - 1 - e;
  if (k < 1 || k > 27) return {0, kDeclined};
  Uint128 y = static_cast<Uint128>(m) * kPow5[static_cast<std::size_t>(k)];
  int s = 52 - b - k;
  if (s <= 0) return {0, kDeclined};
  if (static_cast<std::uint64_t>(y >> s) >= kPow10Int[static_cast<std::size_t>(p)]) {
    // a >= 10^(e+1), exactly: one decade up.
    ++e;
    --k;
    ++s;
    y = static_cast<Uint128>(m) * kPow5[static_cast<std::size_t>(k)];
  }
  std::uint64_t n = static_cast<std::uint64_t>(y >> s);
  const Uint128 fraction = y << (128 - s);  // the bits below the point, at the top
  const bool half = (fraction >> 127) != 0;
  const bool beyond = (fraction << 1) != 0;
  if (half && !beyond) return {0, kDeclined};
  n += half ? 1 : 0;
  if (n >= kPow10Int[static_cast<std::size_t>(p)]) return {kPow10Int[static_cast<std::size_t>(p - 1)], e + 1};
  return {n, e};
}
#else
// Without a 128-bit integer every wide value takes the general routine.
Decimal RoundWide(double, int) {
  return {0, kDeclined};
}
#endif

// Digits From ... P - 1 (counted from the left) of n < 10^P as characters, the first in the lowest byte:
// pairs from the table and, for an odd count, a single digit first. Every group comes from its own
// quotient n / 10^j, so that none waits for another.
template <int P, int From>
std::uint64_t DigitsFrom(std::uint32_t n) {
  constexpr int kCount = P - From;
  if constexpr (kCount <= 0) {
    return 0;
  } else {
    constexpr int kGroup = kCount % 2 == 1 ? 1 : 2;
    const std::uint32_t upTo = n / static_cast<std::uint32_t>(kPow10Int[kCount - kGroup]);
    const std::uint32_t before = From == 0 ? 0 : n / static_cast<std::uint32_t>(kPow10Int[kCount]);
    const std::uint32_t group = upTo - static_cast<std::uint32_t>(kGroup == 1 ? 10 : 100) * before;
    const std::uint64_t text = kGroup == 1 ? '0' + group : kPairWords[group];
    return text | DigitsFrom<P, From + kGroup>(n) << (8 * kGroup);
  }
}

// List-directed reals, the layout of edit_general::EditListReal with its columns fixed: the last of the
// s significant digits of the fixed form, and the letter E of the exponent form, stand in column
// w - e - 2 (e exponent digits). Both return false when the fast rounding declines the value.

// 4-byte real: 15 columns, s = 7, "d.dddddddE+ee" for the exponent form.
bool EditListSingle(char* out, double x) {
  const bool negative = std::signbit(x);
  const double a = std::fabs(x);
  // The fixed form needs the exponent -1 ... 6 after rounding to 7 digits, which can raise the decade
  // by one: a value of decade -2 ... 6 is rounded to 7 digits first, any other straight to 8.
  const int decade = a != 0 ? DecadeOf(a) : 0;
  const bool tryFixed = a != 0 && decade >= -2 && decade <= 6;
  Decimal r = tryFixed ? RoundShort(a, 7) : Decimal{0, 0};
  if (r.exponent == kDeclined) return false;
  std::memset(out, ' ', 16);
  if (tryFixed && r.exponent >= -1 && r.exponent <= 6) {
    const std::uint64_t digits = DigitsFrom<7, 0>(static_cast<std::uint32_t>(r.digits));
    if (r.exponent < 0) {
      // 0.ddddddd in columns 2 to 10.
      out[1] = negative ? '-' : ' ';
      out[2] = '0';
      out[3] = '.';
      Store8(out + 4, digits | std::uint64_t{' '} << 56);
    } else {
      // e + 1 digits, the point, the other 6 - e digits, in columns 3 to 10.
      const int cut = 8 * (r.exponent + 1);
      const std::uint64_t before = digits & ((std::uint64_t{1} << cut) - 1);
      out[2] = negative ? '-' : ' ';
      Store8(out + 3, before | std::uint64_t{'.'} << cut | (digits ^ before) << 8);
    }
    return true;
  }
  if (a != 0) {
    r = RoundShort(a, 8);
    if (r.exponent == kDeclined) return false;
  }
  // d.ddddddd in columns 2 to 10, the exponent in 11 to 14.
  const std::uint32_t n = static_cast<std::uint32_t>(r.digits);
  out[1] = negative ? '-' : ' ';
  out[2] = static_cast<char>('0' + n / 10000000);
  out[3] = '.';
  Store8(out + 4, DigitsFrom<8, 1>(n));
  std::memcpy(out + 11, &kExponentWords[static_cast<std::size_t>(r.exponent + 99)], 4);
  return true;
}

// 8-byte real: 24 columns, s = 15, "d.dddddddddddddddE+eee" for the exponent form. The digits stay in
// registers: reading them back from memory just after storing them at another offset would stall.
bool EditListDouble(char* out, double x) {
#ifdef __SIZEOF_INT128__
  const bool negative = std::signbit(x);
  const double a = std::fabs(x);
  // As for the 4-byte real: a value of decade -2 ... 14 is rounded to 15 digits first, any other
  // straight to 16.
  const int decade = a != 0 ? DecadeOf(a) : 0;
  const bool tryFixed = a != 0 && decade >= -2 && decade <= 14;
  Decimal r = tryFixed ? RoundWide(a, 15) : Decimal{0, 0};
  if (r.exponent == kDeclined) return false;
  std::memset(out, ' ', 32);
  if (tryFixed && r.exponent >= -1 && r.exponent <= 14) {
    // The 15 digits as one 128-bit word, the first in the lowest byte.
    const Uint128 digits =
        static_cast<Uint128>(DigitWord(static_cast<std::uint32_t>(r.digits / 100000000))) >> 8 |
        static_cast<Uint128>(DigitWord(static_cast<std::uint32_t>(r.digits % 100000000))) << 56;
    Uint128 text;
    char* at;
    if (r.exponent < 0) {
      // 0.ddddddddddddddd in columns 2 to 18.
      out[1] = negative ? '-' : ' ';
      out[2] = '0';
      out[3] = '.';
      text = digits | static_cast<Uint128>(' ') << 120;
      at = out + 4;
    } else {
      // e + 1 digits, the point, the other 14 - e digits, in columns 3 to 18.
      const int cut = 8 * (r.exponent + 1);
      const Uint128 before = digits & ((static_cast<Uint128>(1) << cut) - 1);
      out[2] = negative ? '-' : ' ';
      text = before | static_cast<Uint128>('.') << cut | (digits ^ before) << 8;
      at = out + 3;
    }
    Store8(at, static_cast<std::uint64_t>(text));
    Store8(at + 8, static_cast<std::uint64_t>(text >> 64));
    return true;
  }
  if (a != 0) {
    r = RoundWide(a, 16);
    if (r.exponent == kDeclined) return false;
  }
  // d.ddddddddddddddd in columns 2 to 18, the exponent E+0ee in 19 to 23 (|e| < 100 on this road).
  const std::uint64_t high = DigitWord(static_cast<std::uint32_t>(r.digits / 100000000));
  const std::uint64_t low = DigitWord(static_cast<std::uint32_t>(r.digits % 100000000));
  out[1] = negative ? '-' : ' ';
  out[2] = static_cast<char>(high);
  out[3] = '.';
  Store8(out + 4, high >> 8 | low << 56);
  Store8(out + 12, low >> 8);
  std::uint32_t word;
  std::memcpy(&word, &kExponentWords[static_cast<std::size_t>(r.exponent + 99)], 4);
  const std::uint64_t exponent = (word & 0xFFFF) | std::uint64_t{'0'} << 16 | std::uint64_t{word >> 16} << 24;
  Store8(out + 19, exponent);
  return true;
#else
  static_cast<void>(out);
  static_cast<void>(x);
  return false;
#endif
}

}  // namespace

namespace edit_general {

int EditListReal(char* out, double x, bool single) {
  const int w = single ? kListSingleWidth : kListDoubleWidth;
  if (!std::isfinite(x)) {
    EditNonFinite(out, x, w);
    return w;
  }
  const int s = single ? 7 : 15;
  const int expDigits = single ? 2 : 3;
  const bool negative = std::signbit(x);
  const double a = std::fabs(x);
  BlankField(out, w);
  // Both forms end their last s digits at the same column: in the fixed form e + 2 blanks follow them,
  // in the exponent form the letter E and the exponent. The digits are rounded straight into place.
  const int columns = w - expDigits - 2;
  char* const q = out + (columns - s);

  if (a != 0) {
    const int e = RoundSignificant(a, s, q);
    if (e >= -1 && e <= s - 1) {
      // Fixed form: e + 1 digits before the point (a "0" when there are none), the rest after it.
      char* first = q - 1;
      if (e < 0) {
        q[-1] = '.';
        first = q - 2;
        *first = '0';
      } else {
        for (int i = 0; i <= e; ++i) q[i - 1] = q[i];
        q[e] = '.';
      }
      if (negative) first[-1] = '-';
      out[columns] = ' ';  // the rounding may have used this column
      return w;
    }
  }

  // Exponent form: one digit, the point, s digits, E, sign, expDigits digits.
  int e = 0;
  if (a == 0) {
    std::memset(q - 1, '0', static_cast<std::size_t>(s + 1));
  } else {
    e = RoundSignificant(a, s + 1, q - 1);
  }
  q[-2] = q[-1];
  q[-1] = '.';
  if (negative) q[-3] = '-';
  char* p = out + columns;
  *p++ = 'E';
  *p++ = e < 0 ? '-' : '+';
  const int m = std::abs(e);
  if (expDigits == 3) *p++ = static_cast<char>('0' + m / 100);
  PutPair(p, m % 100);
  return w;
}

}  // namespace edit_general

int EditListReal(char* out, double x, bool single) {
  if (single ? EditListSingle(out, x) : EditListDouble(out, x))
    return single ? kListSingleWidth : kListDoubleWidth;
  return edit_general::EditListReal(out, x, single);
}

}  // namespace seep
