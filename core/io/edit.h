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

// The general engine alone, without the fast paths: the reference the fast paths are tested against.
namespace edit_general {
bool EditInteger(char* out, std::int32_t value, int w);
bool EditExponent(char* out, double x, int w, int d, int scale);
int EditListReal(char* out, double x, bool single);
}  // namespace edit_general

}  // namespace seep
