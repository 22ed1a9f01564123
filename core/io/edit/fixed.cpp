#include "core/io/edit/fixed.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "core/io/edit/digits.h"

namespace seep {
namespace {

using namespace edit_detail;

// Room for a fixed form whose integer part has at most kMaxEditWidth + 1 digits.
constexpr int kFixedBuffer = 2 * kMaxEditWidth + 16;

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

}  // namespace seep
