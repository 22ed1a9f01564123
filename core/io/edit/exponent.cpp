#include "core/io/edit/exponent.h"

namespace seep {

using namespace edit_detail;
using namespace fast;

namespace edit_general {

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

}  // namespace edit_general

bool EditExponent(char* out, double x, int w, int d, int scale) {
  // The layout of edit_general::EditExponent, for fields that fit with at most kEditSlack leading
  // blanks; the rest (asterisks, very wide fields) and every value the fast rounding declines take the
  // general routine.
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

}  // namespace seep
