// Reals in list-directed output.
//
// The general routine (edit_general::EditListReal) rounds with std::to_chars; the fast one, for both
// widths, takes the digits from fast::RoundShort (4-byte reals) or from 128-bit integer arithmetic
// (8-byte reals) and declines what it cannot vouch for. Both give the same characters.
#pragma once

namespace seep {

inline constexpr int kListWidth = 80;  // columns of a list-directed record
inline constexpr int kListSingleWidth = 15;
inline constexpr int kListDoubleWidth = 24;

// A real in the list-directed G style: 15 columns and 7 significant digits for a 4-byte real (pass its
// exact value), 24 columns and 15 significant digits for an 8-byte real. A value whose magnitude,
// rounded to s significant digits, lies in [0.1, 10^s) is written in fixed form with s significant
// digits, right-justified in w - e - 2 columns and followed by e + 2 blanks (e exponent digits: 2 or 3);
// zero and every other value as d.ddd...E+ee with s digits after the point. Returns the width written.
int EditListReal(char* out, double x, bool single);

namespace edit_general {
int EditListReal(char* out, double x, bool single);
}  // namespace edit_general

}  // namespace seep
