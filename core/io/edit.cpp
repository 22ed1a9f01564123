#include "core/io/edit.h"

#include <charconv>
#include <cmath>
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

// Up to this many significant digits, rounding the shortest round-trip decimal of a double gives the
// same digits as rounding its exact value, except when the shortest decimal lies exactly halfway. Why:
// were a rounding boundary B (p + 1 digits, ending in 5) between the value and its shortest decimal S, B
// would lie in the value's round-trip interval; it cannot be shorter than S, nor as long and closer
// (std::to_chars picks the closest of the shortest); and if it is longer, S has at most p digits and
// |S - B| is at least 5 * 10^(-p-1) relative, wider than the interval (2^-52 relative for normal
// doubles; subnormals have wider intervals and always take the exact path) for p <= 15.
constexpr int kShortestDigits = 15;

// Rounds a finite, nonzero magnitude to `sig` significant digits, exactly, ties to even. The digits go
// to digits[0, sig); the result is the decimal exponent of the first digit (a is about d0.d1d2... times 10
// to that power).
int RoundSignificant(double a, int sig, char* digits) {
  char buf[kScientificBuffer];
  if (sig <= kShortestDigits && a >= std::numeric_limits<double>::min()) {
    // The shortest decimal is cheaper to produce than the exact expansion.
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    char mantissa[20];
    int length = 0;
    const char* p = buf;
    mantissa[length++] = *p++;
    if (*p == '.') {
      for (++p; *p != 'e'; ++p) mantissa[length++] = *p;
    }
    ++p;  // 'e'
    const bool negative = *p++ == '-';
    int e = 0;
    while (p < r.ptr) e = e * 10 + (*p++ - '0');
    if (negative) e = -e;
    if (length <= sig) {
      std::memcpy(digits, mantissa, static_cast<std::size_t>(length));
      std::memset(digits + length, '0', static_cast<std::size_t>(sig - length));
      return e;
    }
    // The shortest decimal ends in a nonzero digit, so digits beyond a 5 make it more than halfway.
    const char next = mantissa[sig];
    if (next != '5' || length > sig + 1) {
      std::memcpy(digits, mantissa, static_cast<std::size_t>(sig));
      if (next >= '5') {
        int i = sig - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
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

// Writes the exponent part of an E field, 4 characters: E+dd, or +ddd beyond 99.
char* PutExponent(char* p, int e) {
  const char sign = e < 0 ? '-' : '+';
  const int a = e < 0 ? -e : e;
  if (a <= 99) {
    *p++ = 'E';
    *p++ = sign;
  } else {
    *p++ = sign;
    *p++ = static_cast<char>('0' + a / 100);
  }
  *p++ = static_cast<char>('0' + a / 10 % 10);
  *p++ = static_cast<char>('0' + a % 10);
  return p;
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
  char buf[12];
  char* const end = buf + sizeof buf;
  char* p = end;
  std::uint32_t m = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    *--p = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  if (value < 0) *--p = '-';
  const int length = static_cast<int>(end - p);
  if (length > w) {
    Stars(out, w);
    return false;
  }
  Blanks(out, w - length);
  std::memcpy(out + (w - length), p, static_cast<std::size_t>(length));
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
  const int sig = scale == 1 ? d + 1 : d;
  char digits[kMaxFieldWidth + 2];
  int e = 0;
  if (x == 0) {
    std::memset(digits, '0', static_cast<std::size_t>(sig));
  } else {
    e = RoundSignificant(std::fabs(x), sig, digits);
    if (scale != 1) ++e;  // 0.d1d2... form
  }
  const bool zero = scale != 1 && length < w;
  const int lead = w - length - (zero ? 1 : 0);
  Blanks(out, lead);
  char* p = out + lead;
  if (negative) *p++ = '-';
  if (scale == 1) {
    *p++ = digits[0];
    *p++ = '.';
    std::memcpy(p, digits + 1, static_cast<std::size_t>(d));
  } else {
    if (zero) *p++ = '0';
    *p++ = '.';
    std::memcpy(p, digits, static_cast<std::size_t>(d));
  }
  PutExponent(p + d, e);
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
  char digits[18];
  char field[32];
  char* p = field;
  if (negative) *p++ = '-';

  if (a != 0) {
    const int e = RoundSignificant(a, s, digits);
    if (e >= -1 && e <= s - 1) {
      // Fixed form: e + 1 digits before the point (a "0" when there are none), the rest after it.
      if (e < 0) {
        *p++ = '0';
        *p++ = '.';
        std::memcpy(p, digits, static_cast<std::size_t>(s));
        p += s;
      } else {
        std::memcpy(p, digits, static_cast<std::size_t>(e + 1));
        p += e + 1;
        *p++ = '.';
        std::memcpy(p, digits + e + 1, static_cast<std::size_t>(s - e - 1));
        p += s - e - 1;
      }
      const int length = static_cast<int>(p - field);
      const int columns = w - expDigits - 2;
      Blanks(out, columns - length);
      std::memcpy(out + (columns - length), field, static_cast<std::size_t>(length));
      Blanks(out + columns, expDigits + 2);
      return w;
    }
  }

  // Exponent form: one digit, the point, s digits, E, sign, expDigits digits.
  int e = 0;
  if (a == 0) {
    std::memset(digits, '0', static_cast<std::size_t>(s + 1));
  } else {
    e = RoundSignificant(a, s + 1, digits);
  }
  *p++ = digits[0];
  *p++ = '.';
  std::memcpy(p, digits + 1, static_cast<std::size_t>(s));
  p += s;
  *p++ = 'E';
  *p++ = e < 0 ? '-' : '+';
  int m = e < 0 ? -e : e;
  for (int i = expDigits - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + m % 10);
    m /= 10;
  }
  p += expDigits;
  const int length = static_cast<int>(p - field);
  Blanks(out, w - length);
  std::memcpy(out + (w - length), field, static_cast<std::size_t>(length));
  return w;
}

}  // namespace seep
