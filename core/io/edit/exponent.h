// Ew.d with scale factor 0 or 1: three routines that give the same characters.
//
//   - edit_general::EditExponent: the general routine, digits from std::to_chars, any width.
//   - EditExponent: the fast routine for fields of up to 8 significant digits and at most kEditSlack
//     leading blanks, digits from fast::RoundShort; what it declines goes to the general routine.
//   - the compiled E field: the layout of a field depends only on its descriptor and on the value's
//     sign, so for the E fields of a compiled format it is worked out once, at build time
//     (CompileExponent), and editing a value only places its characters. RoundCompiled takes the value
//     to its digits and exponent, PutCompiled places them: the compiled road rounds every E field of a
//     record before it places any, so that the roundings, independent of each other, overlap in the
//     processor instead of each waiting behind the stores of the field before it. What the layout does
//     not cover is declined, and the caller edits the field with EditExponent.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/io/edit/digits.h"

namespace seep {

// Scale 0: [-][0].d1...dd followed by the exponent, the "0" only when the field has room for it. Scale
// 1: [-]d0.d1...dd followed by the exponent. The exponent is E+dd or E-dd, or +ddd / -ddd without the
// letter beyond 99. Zero has zero digits and exponent 0. A negative zero keeps its minus sign. Requires
// d >= 1. Asterisks (and false) when the field is too narrow.
bool EditExponent(char* out, double x, int w, int d, int scale);

namespace edit_general {
bool EditExponent(char* out, double x, int w, int d, int scale);
}  // namespace edit_general

// The layout of a compiled E field.
struct ExponentLayout {
  std::uint8_t signs = 0;  // 0: no layout; 1: laid out for positive values only; 2: for both signs
  std::uint8_t width = 0;
  std::uint8_t digits = 0;        // significant digits p
  std::uint8_t scale = 0;         // 0 or 1
  std::uint8_t column = 0;        // where the point (scale 0) or the first digit (scale 1) goes
  std::uint8_t prefixColumn = 0;  // where the two characters before `column` go
  std::uint16_t prefix[2] = {};   // those two characters for a positive and for a negative value
};

// Lays out Ew.d with scale factor 0 or 1; fields wider than 16 or of more than 7 significant digits get
// no layout.
constexpr ExponentLayout CompileExponent(int w, int d, int scale) {
  ExponentLayout f;
  const int p = scale == 1 ? d + 1 : d;
  const int length = (scale == 1 ? 2 : 1) + d + 4;  // without sign and optional zero
  if (scale < 0 || scale > 1 || p < 1 || p > 7 || w > 16 || length > w) return f;
  f.width = static_cast<std::uint8_t>(w);
  f.digits = static_cast<std::uint8_t>(p);
  f.scale = static_cast<std::uint8_t>(scale);
  const int column = w - length;
  f.column = static_cast<std::uint8_t>(column);
  f.signs = length + 1 <= w ? 2 : 1;
  // The characters at column - 2 and column - 1: blanks, the minus sign, the optional zero before the
  // point (scale 0, when the field has room for it).
  for (int negative = 0; negative <= 1; ++negative) {
    char before[2] = {' ', ' '};
    if (scale == 1) {
      if (negative == 1) before[1] = '-';
    } else if (length + negative < w) {
      before[1] = '0';
      if (negative == 1) before[0] = '-';
    } else if (negative == 1) {
      before[1] = '-';
    }
    // Near the left edge the pair starts at column 0 and its second character lands where the point or
    // the first digit is written afterwards.
    const char first = column >= 2 ? before[0] : before[1];
    const char second = column >= 2 ? before[1] : ' ';
    f.prefix[negative] = static_cast<std::uint16_t>(static_cast<unsigned char>(first) |
                                                    static_cast<unsigned char>(second) << 8);
  }
  f.prefixColumn = static_cast<std::uint8_t>(column >= 2 ? column - 2 : 0);
  return f;
}

// The value of a compiled E field rounded to the layout's digits, its exponent as written (one more than
// the decade for scale 0); the exponent is fast::kDeclined when the layout does not cover the value (its
// sign, the fast rounding's range or margin). Zero has zero digits and exponent 0.
inline fast::Decimal RoundCompiled(double x, const ExponentLayout& layout) {
  const unsigned negative = static_cast<unsigned>(std::bit_cast<std::uint64_t>(x) >> 63);
  // A field without layout has signs 0 and declines every value here.
  if (negative >= layout.signs) return {0, fast::kDeclined};
  const double a = std::fabs(x);
  fast::Decimal r = fast::RoundShort(a, layout.digits);
  if (r.exponent == fast::kDeclined) [[unlikely]] {
    if (a != 0) return r;
    r = {0, layout.scale == 1 ? 0 : -1};  // zero lies outside the scale range
  }
  r.exponent += layout.scale == 1 ? 0 : 1;
  return r;
}

// With k = p - 1 - e within kScaleMin + 1 ... kScaleMax and p <= 7, RoundShort's decade lies in
// -44 ... 29 and the exponent as written in -44 ... 30, all of which kExponentWords covers.
static_assert(7 - 1 - (fast::kScaleMin + 1) + 2 + 1 <= 99 && 1 - 1 - fast::kScaleMax >= -99);

// Writes the field of a value that RoundCompiled accepted: blanks, the sign and the optional zero from
// the layout, the point and the digits (d0.d1d2... for scale 1, .d1d2... for scale 0), the exponent.
// Uses 16 characters at `out`.
inline void PutCompiled(char* out, double x, fast::Decimal r, const ExponentLayout& layout) {
  const unsigned negative = static_cast<unsigned>(std::bit_cast<std::uint64_t>(x) >> 63);
  std::memset(out, ' ', 16);
  std::memcpy(out + layout.prefixColumn, &layout.prefix[negative], 2);
  // The p digits in the lowest p bytes.
  const std::uint64_t digits = fast::ShortDigits(r.digits, layout.digits);
  const std::uint64_t text =
      layout.scale == 1 ? (digits & 0xFF) | std::uint64_t{'.'} << 8 | (digits >> 8) << 16 : '.' | digits << 8;
  fast::Store8(out + layout.column, text);
  std::memcpy(out + layout.width - 4, &fast::kExponentWords[static_cast<std::size_t>(r.exponent + 99)], 4);
}

// Both steps at once (16 + kEditSlack characters of room at `out`); false when the layout declines,
// having written nothing the caller's EditExponent does not overwrite.
inline bool EditCompiled(char* out, double x, const ExponentLayout& layout) {
  const fast::Decimal r = RoundCompiled(x, layout);
  if (r.exponent == fast::kDeclined) return false;
  PutCompiled(out, x, r, layout);
  return true;
}

}  // namespace seep
