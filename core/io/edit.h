// Editing of one output field: integers, reals and the list-directed number fields.
//
// Every routine first works out the characters of the field, then writes its width at `out`: leading
// blanks and the value, or, when the value does not fit, a field of asterisks (the routine then returns
// false). Digits are those of the exact stored value rounded to the nearest decimal (exact ties to even).
// The general engine takes them from std::to_chars and assembles the layout around them; the fields that
// fill the output files (E fields of up to 8 significant digits, list-directed reals, integers below
// 10^8) first try a fast path that scales the value by a power of ten and takes the digits from integer
// arithmetic, and leave to the general engine every value the fast path cannot vouch for. Both give the
// same characters. Nothing allocates.
#pragma once

#include <cstdint>

namespace seep {

// Every routine may use kEditSlack characters past the field as scratch, so that narrow fields are
// written with a few fixed-size stores: `out` must have room for w + kEditSlack characters, and what
// lands after out[w - 1] is to be overwritten by whatever follows the field.
inline constexpr int kEditSlack = 32;

// Iw: the decimal value right-justified, a minus sign for negatives, no plus sign.
bool EditInteger(char* out, std::int32_t value, int w);

// Ew.d with scale factor 0 or 1. Scale 0: [-][0].d1...dd followed by the exponent, the "0" only when the
// field has room for it. Scale 1: [-]d0.d1...dd followed by the exponent. The exponent is E+dd or E-dd,
// or +ddd / -ddd without the letter beyond 99. Zero has zero digits and exponent 0. A negative zero keeps
// its minus sign. Requires d >= 1.
bool EditExponent(char* out, double x, int w, int d, int scale);

// Fw.d: the value times 10^scale rounded to d decimals, [-][digits].[d decimals]. A value below 1 gets its
// "0" before the point when the field has room (always when d is 0, where it is the only digit).
bool EditFixed(char* out, double x, int w, int d, int scale);

// List-directed number fields.
inline constexpr int kListWidth = 80;
inline constexpr int kListIntegerWidth = 12;
inline constexpr int kListSingleWidth = 15;
inline constexpr int kListDoubleWidth = 24;

// I12.
void EditListInteger(char* out, std::int32_t value);
// A real in the list-directed G style: 15 columns and 7 significant digits for a 4-byte real (pass its
// exact value), 24 columns and 15 significant digits for an 8-byte real. A value whose magnitude,
// rounded to s significant digits, lies in [0.1, 10^s) is written in fixed form with s significant
// digits, right-justified in w - e - 2 columns and followed by e + 2 blanks (e exponent digits: 2 or 3);
// zero and every other value as d.ddd...E+ee with s digits after the point. Returns the width written.
int EditListReal(char* out, double x, bool single);

// NaN, Infinity, -Infinity right-justified in w columns; "Inf" and "-Inf" when the long form has no
// room; asterisks when even that does not fit. Used for every real field whose value is not finite.
bool EditNonFinite(char* out, double x, int w);

// ---- Fields laid out when the format is compiled ----
//
// The layout of an E field depends only on its descriptor and on the value's sign, so for the E fields
// of the output files it is worked out once, when the format is compiled (PlanExponent), and editing a
// value only places its characters (EditPlanned; RoundPlanned and PutPlanned in core/io/planned.h do the
// same in two steps). EditPlanned declines what the plan does not cover (a value that does not fit, a
// value the fast rounding declines); the caller then edits the field with EditExponent. Both give the
// same characters.
struct FieldPlan {
  std::uint8_t signs = 0;  // 0: not planned; 1: planned for positive values only; 2: for both signs
  std::uint8_t width = 0;
  std::uint8_t digits = 0;        // significant digits p
  std::uint8_t scale = 0;         // 0 or 1
  std::uint8_t column = 0;        // where the point (scale 0) or the first digit (scale 1) goes
  std::uint8_t prefixColumn = 0;  // where the two characters before `column` go
  std::uint16_t prefix[2] = {};   // those two characters for a positive and for a negative value
};

// Plans Ew.d with scale factor 0 or 1; fields wider than 16 or of more than 7 significant digits are
// not planned.
constexpr FieldPlan PlanExponent(int w, int d, int scale) {
  FieldPlan f;
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

// Edits x by a plan (16 + kEditSlack characters of room at `out`); false when it declines, having
// written nothing the caller's EditExponent does not overwrite.
bool EditPlanned(char* out, double x, const FieldPlan& plan);

// Iw planned the same way: one routine per width, false when it declines (a value that does not fit, or
// of more than 8 characters with its sign), having written nothing that EditInteger does not overwrite.
using IntegerEdit = bool (*)(char* out, std::int32_t value);
template <int W>
bool EditIntegerAs(char* out, std::int32_t value);

inline constexpr IntegerEdit kIntegerEdits[12] = {&EditIntegerAs<1>,  &EditIntegerAs<2>,  &EditIntegerAs<3>,
                                                  &EditIntegerAs<4>,  &EditIntegerAs<5>,  &EditIntegerAs<6>,
                                                  &EditIntegerAs<7>,  &EditIntegerAs<8>,  &EditIntegerAs<9>,
                                                  &EditIntegerAs<10>, &EditIntegerAs<11>, &EditIntegerAs<12>};

// The routine for Iw, or nullptr for widths beyond 12.
constexpr IntegerEdit PlanInteger(int w) {
  return w >= 1 && w <= 12 ? kIntegerEdits[w - 1] : nullptr;
}

// The general engine alone, without the fast paths: the reference the fast paths are tested against.
namespace edit_general {
bool EditInteger(char* out, std::int32_t value, int w);
bool EditExponent(char* out, double x, int w, int d, int scale);
int EditListReal(char* out, double x, bool single);
}  // namespace edit_general

}  // namespace seep
