#include "core/io/edit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/io/format.h"
#include "core/io/planned.h"

namespace seep {
namespace {

// Room for d.ddd...e-324 with up to kMaxFieldWidth digits.
constexpr int kScientificBuffer = kMaxFieldWidth + 16;
// Room for a fixed form whose integer part has fewer than kMaxFieldWidth + 2 digits.
constexpr int kFixedBuffer = 2 * kMaxFieldWidth + 16;

void Stars(char* out, int w) {
  std::memset(out, '*', static_cast<std::size_t>(w));
}
void Blanks(char* out, int n) {
  std::memset(out, ' ', static_cast<std::size_t>(n));
}
// Blanks over at least the first n characters: one fixed-size store for a narrow field.
void BlankField(char* out, int n) {
  if (n <= kEditSlack) {
    std::memset(out, ' ', kEditSlack);
  } else {
    Blanks(out, n);
  }
}

// Up to this many significant digits, rounding the shortest round-trip decimal of a double gives the
// same digits as rounding its exact value, except when the shortest decimal lies exactly halfway. Why:
// were a rounding boundary B (p + 1 digits, ending in 5) between the value and its shortest decimal S, B
// would lie in the value's round-trip interval; it cannot be shorter than S, nor as long and closer
// (std::to_chars picks the closest of the shortest); and if it is longer, S has at most p digits and
// |S - B| is at least 5 * 10^(-p-1) relative, wider than the interval (2^-52 relative for normal
// doubles; subnormals have wider intervals and always take the exact path) for p <= 15.
constexpr int kShortestDigits = 15;

// Rounds a finite, nonzero magnitude to `sig` significant digits, exactly, ties to even. The digits go
// to digits[0, sig), and digits[sig] may be overwritten; the result is the decimal exponent of the first
// digit (a is about d0.d1d2... times 10 to that power). The callers pass the digits' place in the field,
// so they are stored once and never moved.
int RoundSignificant(double a, int sig, char* digits) {
  char buf[kScientificBuffer];
  if (sig <= kShortestDigits && a >= std::numeric_limits<double>::min()) {
    // The shortest decimal, "d.ddde+XX" with up to 17 digits, is cheaper to produce than the exact
    // expansion.
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    const bool threeDigits = r.ptr[-4] != 'e';
    const char* ep = r.ptr - (threeDigits ? 5 : 4);  // the 'e'
    int e = (ep[2] - '0') * 10 + (ep[3] - '0');
    if (threeDigits) e = e * 10 + (ep[4] - '0');
    e = ep[1] == '-' ? -e : e;
    const int length = ep == buf + 1 ? 1 : static_cast<int>(ep - buf) - 1;
    // Byte by byte: a wide load of bytes just stored by to_chars would wait for the stores to retire.
    digits[0] = buf[0];
    const int take = length <= sig ? length : sig + 1;
    for (int i = 1; i < take; ++i) digits[i] = buf[i + 1];
    if (length <= sig) {
      for (int i = length; i < sig; ++i) digits[i] = '0';
      return e;
    }
    // The shortest decimal ends in a nonzero digit, so digits beyond a 5 make it more than halfway.
    const char next = digits[sig];
    if (next != '5' || length > sig + 1) {
      digits[sig - 1] = static_cast<char>(digits[sig - 1] + (next >= '5' ? 1 : 0));
      if (digits[sig - 1] > '9') [[unlikely]] {
        int i = sig - 1;
        while (i >= 0 && digits[i] > '8') digits[i--] = '0';
        if (i < 0) {
          digits[0] = '1';
          ++e;
        } else {
          ++digits[i];
        }
      }
      return e;
    }
    // Exactly halfway in its shortest form: only the exact value can tell.
  }
  const std::to_chars_result r =
      std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, sig - 1);
  const char* p = buf;
  digits[0] = *p++;
  if (sig > 1) {
    std::memcpy(digits + 1, p + 1, static_cast<std::size_t>(sig - 1));
    p += sig;
  }
  ++p;  // 'e'
  const bool negative = *p++ == '-';
  int e = 0;
  while (p < r.ptr) e = e * 10 + (*p++ - '0');
  return negative ? -e : e;
}

// "00" "01" ... "99".
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> t{};
  for (int i = 0; i < 100; ++i) {
    t[2 * i] = static_cast<char>('0' + i / 10);
    t[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return t;
}();

// Writes the two decimal digits of 0 <= n <= 99.
void PutPair(char* p, int n) {
  std::memcpy(p, kDigitPairs.data() + 2 * n, 2);
}

// Number of decimal digits of m.
int DigitCount(std::uint32_t m) {
  static constexpr std::uint32_t kPowers[] = {10u,      100u,      1000u,      10000u,     100000u,
                                              1000000u, 10000000u, 100000000u, 1000000000u};
  int n = 1;
  while (n < 10 && m >= kPowers[n - 1]) ++n;
  return n;
}

// Writes the exponent part of an E field, 4 characters: E+dd, or +ddd beyond 99.
void PutExponent(char* p, int e) {
  const char sign = e < 0 ? '-' : '+';
  const int a = std::abs(e);
  if (a <= 99) {
    p[0] = 'E';
    p[1] = sign;
  } else {
    p[0] = sign;
    p[1] = static_cast<char>('0' + a / 100);
  }
  PutPair(p + 2, a % 100);
}

// 10^k for 0 <= k <= 308, near enough for the "integer part wider than the field" test.
double Power10(int k) {
  static const auto table = [] {
    struct Table {
      double v[309];
    } t{};
    double x = 1.0;
    for (int i = 0; i <= 308; ++i) {
      t.v[i] = x;
      x *= 10.0;
    }
    return t;
  }();
  return table.v[k];
}

// ---- Fast paths ----
//
// The fields that fill the output files (E fields of 4 to 8 significant digits, list-directed reals,
// integers below 10^8) take a road without std::to_chars: the value is scaled by a power of ten into an
// integer of exactly the digits wanted, and the digits come from integer arithmetic. Whenever that road
// cannot vouch for the result (a value near a rounding boundary, outside the range of the tables, a
// subnormal, infinity or NaN) it declines and the general engine above writes the field, so the bytes
// are those of the exact rounding in every case.

using fast::BinaryExponent;
using fast::DecadeOfBinaryExponent;
using fast::Decimal;
using fast::DigitWord;
using fast::kAsciiZeros;
using fast::kDeclined;
using fast::kExponentWords;
using fast::kPairWords;
using fast::kPow10Int;
using fast::kPow10Max;
using fast::kPow10Min;
using fast::kShortDigits;
using fast::Pow10;
using fast::RoundShort;
using fast::Store8;

// The decade of a > 0 before rounding, e with 10^e <= a < 10^(e+1), up to one next to a power of ten
// (where the table's power is off by its rounding) and outside the table's range. The list-directed
// reals use it only to skip a rounding whose result could not be used, and err to the safe side there.
int DecadeOf(double a) {
  const int e = DecadeOfBinaryExponent(BinaryExponent(std::bit_cast<std::uint64_t>(a)));
  if (e + 1 < kPow10Min || e + 1 > kPow10Max) return e;
  return e + (a >= Pow10(e + 1) ? 1 : 0);
}

#ifdef __SIZEOF_INT128__
__extension__ using Uint128 = unsigned __int128;

// 5^k for 0 <= k <= 27, the powers that fit 64 bits.
constexpr std::array<std::uint64_t, 28> kPow5 = [] {
  std::array<std::uint64_t, 28> t{};
  std::uint64_t x = 1;
  for (std::uint64_t& v : t) {
    v = x;
    x *= 5;
  }
  return t;
}();

// Rounds a > 0 to p <= 16 significant digits exactly, in 128-bit integers: with a = m 2^(b-52), the scaled
// value a 10^k is m 5^k / 2^s for s = 52 - b - k, and m 5^k < 2^53 2^63 is held whole. The quotient and
// remainder give the digits and the exact position against one half. Declines exact ties (the general
// engine rounds those to even), scale factors beyond 5^27 and below 10^1, and s <= 0.
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
// Without a 128-bit integer every wide value takes the general engine.
Decimal RoundWide(double, int) {
  return {0, kDeclined};
}
#endif

// The p <= 8 digits of n < 10^p in the lowest p bytes.
std::uint64_t ShortDigits(std::uint64_t n, int p) {
  return DigitWord(static_cast<std::uint32_t>(n)) >> (8 * (8 - p));
}

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

void PutExponentWord(char* p, int e) {
  if (e >= -99 && e <= 99) {
    std::memcpy(p, &kExponentWords[static_cast<std::size_t>(e + 99)], 4);
  } else {
    PutExponent(p, e);
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

// ---- The general engine ----

namespace edit_general {

bool EditInteger(char* out, std::int32_t value, int w) {
  std::uint32_t m = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  const int length = (value < 0 ? 1 : 0) + DigitCount(m);
  if (length > w) {
    Stars(out, w);
    return false;
  }
  BlankField(out, w);
  char* p = out + w;
  while (m >= 100) {
    p -= 2;
    PutPair(p, static_cast<int>(m % 100));
    m /= 100;
  }
  if (m >= 10) {
    p -= 2;
    PutPair(p, static_cast<int>(m));
  } else {
    *--p = static_cast<char>('0' + m);
  }
  if (value < 0) *--p = '-';
  return true;
}

bool EditExponent(char* out, double x, int w, int d, int scale) {
  if (!std::isfinite(x)) [[unlikely]]
    return EditNonFinite(out, x, w);
  const bool negative = std::signbit(x);
  // Sign, mantissa ("d0." and d digits, or "." and d digits), exponent.
  const int length = (negative ? 1 : 0) + (scale == 1 ? 2 : 1) + d + 4;
  if (length > w) {
    Stars(out, w);
    return false;
  }
  const bool zero = scale != 1 && length < w;
  const int lead = w - length - (zero ? 1 : 0);
  BlankField(out, lead);
  char* p = out + lead;
  *p = '-';  // kept only for a negative value; otherwise the next character goes here
  p += negative ? 1 : 0;
  *p = '0';
  p += zero ? 1 : 0;
  // The digits go where they are shown: after the point for scale 0; for scale 1 the first digit is
  // then moved in front of the point.
  char* const digits = p + 1;
  const int sig = scale == 1 ? d + 1 : d;
  int e = 0;
  if (x == 0) {
    std::memset(digits, '0', static_cast<std::size_t>(sig));
  } else {
    e = RoundSignificant(std::fabs(x), sig, digits);
    if (scale != 1) ++e;  // 0.d1d2... form
  }
  if (scale == 1) {
    p[0] = digits[0];
    p[1] = '.';
    PutExponent(p + 2 + d, e);
  } else {
    p[0] = '.';
    PutExponent(p + 1 + d, e);
  }
  return true;
}

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

// ---- The routines, fast path first ----

template bool EditIntegerAs<1>(char*, std::int32_t);
template bool EditIntegerAs<2>(char*, std::int32_t);
template bool EditIntegerAs<3>(char*, std::int32_t);
template bool EditIntegerAs<4>(char*, std::int32_t);
template bool EditIntegerAs<5>(char*, std::int32_t);
template bool EditIntegerAs<6>(char*, std::int32_t);
template bool EditIntegerAs<7>(char*, std::int32_t);
template bool EditIntegerAs<8>(char*, std::int32_t);
template bool EditIntegerAs<9>(char*, std::int32_t);
template bool EditIntegerAs<10>(char*, std::int32_t);
template bool EditIntegerAs<11>(char*, std::int32_t);
template bool EditIntegerAs<12>(char*, std::int32_t);

bool EditInteger(char* out, std::int32_t value, int w) {
  const IntegerEdit planned = PlanInteger(w);
  if (planned != nullptr && planned(out, value)) return true;
  return edit_general::EditInteger(out, value, w);
}

bool EditNonFinite(char* out, double x, int w) {
  std::string_view text;
  if (std::isnan(x)) {
    text = "NaN";
  } else if (!std::signbit(x)) {
    text = w >= 8 ? "Infinity" : "Inf";
  } else {
    text = w >= 9 ? "-Infinity" : "-Inf";
  }
  const int length = static_cast<int>(text.size());
  if (length > w) {
    Stars(out, w);
    return false;
  }
  Blanks(out, w - length);
  std::memcpy(out + (w - length), text.data(), text.size());
  return true;
}

bool EditPlanned(char* out, double x, const FieldPlan& plan) {
  const Decimal r = RoundPlanned(x, plan);
  if (r.exponent == kDeclined) return false;
  PutPlanned(out, x, r, plan);
  return true;
}

bool EditExponent(char* out, double x, int w, int d, int scale) {
  // The layout of edit_general::EditExponent, for fields that fit with at most kEditSlack leading
  // blanks; the rest (asterisks, very wide fields) and every value the fast rounding declines take the
  // general engine.
  const int p = scale == 1 ? d + 1 : d;
  const bool negative = std::signbit(x);
  const int length = (negative ? 1 : 0) + (scale == 1 ? 2 : 1) + d + 4;
  const bool zero = scale != 1 && length < w;
  const int lead = w - length - (zero ? 1 : 0);
  if (p <= kShortDigits && lead >= 0 && lead <= kEditSlack) {
    const double a = std::fabs(x);
    // Zero has zero digits and exponent 0.
    const Decimal r = a == 0 ? Decimal{0, scale == 1 ? 0 : -1} : RoundShort(a, p);
    if (r.exponent != kDeclined) {
      std::memset(out, ' ', kEditSlack);
      char* q = out + lead;
      *q = '-';
      q += negative ? 1 : 0;
      *q = '0';
      q += zero ? 1 : 0;
      const std::uint64_t digits = ShortDigits(r.digits, p);
      if (scale == 1) {
        q[0] = static_cast<char>(digits);
        q[1] = '.';
        Store8(q + 2, digits >> 8);
        PutExponentWord(q + 2 + d, r.exponent);
      } else {
        q[0] = '.';
        Store8(q + 1, digits);
        PutExponentWord(q + 1 + d, r.exponent + 1);
      }
      return true;
    }
  }
  return edit_general::EditExponent(out, x, w, d, scale);
}

bool EditFixed(char* out, double x, int w, int d, int scale) {
  if (!std::isfinite(x)) return EditNonFinite(out, x, w);
  const bool negative = std::signbit(x);
  const double a = std::fabs(x);
  // An integer part of w or more digits never fits, whatever the rounding.
  if (w - scale <= 308 && a >= Power10(w - scale)) {
    Stars(out, w);
    return false;
  }
  char buf[kFixedBuffer];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, d + scale);
  // buf holds "iii.fff" (or "iii" when the precision is 0); with scale 1 the point moves one place right.
  const char* point = static_cast<const char*>(std::memchr(buf, '.', static_cast<std::size_t>(r.ptr - buf)));
  const char* intEnd = point != nullptr ? point : r.ptr;
  const char* frac = point != nullptr ? point + 1 : r.ptr;
  if (scale == 1) {
    // "iii.f fff": the first decimal joins the integer part. The buffer is rewritten in place.
    buf[intEnd - buf] = *frac;
    ++intEnd;
    ++frac;
  }
  const char* intBegin = buf;
  while (intBegin < intEnd && *intBegin == '0') ++intBegin;
  const int intDigits = static_cast<int>(intEnd - intBegin);
  const int length = (negative ? 1 : 0) + intDigits + 1 + d;
  const bool zero = intDigits == 0 && (d == 0 || length < w);
  if (length + (zero && d == 0 ? 1 : 0) > w) {
    Stars(out, w);
    return false;
  }
  char* p = out;
  const int lead = w - length - (zero ? 1 : 0);
  Blanks(p, lead);
  p += lead;
  if (negative) *p++ = '-';
  if (zero) *p++ = '0';
  std::memcpy(p, intBegin, static_cast<std::size_t>(intDigits));
  p += intDigits;
  *p++ = '.';
  std::memcpy(p, frac, static_cast<std::size_t>(d));
  return true;
}

void EditListInteger(char* out, std::int32_t value) {
  if (!EditIntegerAs<kListIntegerWidth>(out, value)) edit_general::EditInteger(out, value, kListIntegerWidth);
}

int EditListReal(char* out, double x, bool single) {
  if (single ? EditListSingle(out, x) : EditListDouble(out, x))
    return single ? kListSingleWidth : kListDoubleWidth;
  return edit_general::EditListReal(out, x, single);
}

}  // namespace seep
