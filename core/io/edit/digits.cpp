#include "core/io/edit/digits.h"

#include <charconv>
#include <string_view>

namespace seep {
namespace edit_detail {

// Up to this many significant digits, rounding the shortest round-trip decimal of a double gives the
// same digits as rounding its exact value, except when the shortest decimal lies exactly halfway. Why:
// were a rounding boundary B (p + 1 digits, ending in 5) between the value and its shortest decimal S, B
// would lie in the value's round-trip interval; it cannot be shorter than S, nor as long and closer
// (std::to_chars picks the closest of the shortest); and if it is longer, S has at most p digits and
// |S - B| is at least 5 * 10^(-p-1) relative, wider than the interval (2^-52 relative for normal
// doubles; subnormals have wider intervals and always take the exact path) for p <= 15.
constexpr int kShortestDigits = 15;

// The callers pass the digits' place in the field, so they are stored once and never moved.
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

}  // namespace edit_detail

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
    edit_detail::Stars(out, w);
    return false;
  }
  edit_detail::Blanks(out, w - length);
  std::memcpy(out + (w - length), text.data(), text.size());
  return true;
}

}  // namespace seep
