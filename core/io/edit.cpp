#include "core/io/edit.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/io/format.h"

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

}  // namespace

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
  EditInteger(out, value, kListIntegerWidth);
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

}  // namespace seep
