// Iw: integer fields, and the list-directed integer (I12).
//
// The general routine (edit_general::EditInteger) takes digits in pairs from the right. The fast one,
// EditIntegerAs<W>, one routine per width, writes a value of up to 8 characters with its sign in a few
// fixed-size stores; it declines the rest, having written nothing the general routine does not
// overwrite. A compiled format keeps the fast routine of each of its I fields (CompileInteger).
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/io/edit/digits.h"

namespace seep {

// Iw: the decimal value right-justified, a minus sign for negatives, no plus sign. Asterisks (and false)
// when it does not fit.
bool EditInteger(char* out, std::int32_t value, int w);

inline constexpr int kListIntegerWidth = 12;
// The list-directed integer: I12.
void EditListInteger(char* out, std::int32_t value);

// The fast routine of one width; false when it declines (a value that does not fit, or of more than 8
// characters with its sign).
using IntegerEdit = bool (*)(char* out, std::int32_t value);

template <int W>
bool EditIntegerAs(char* out, std::int32_t value) {
  const std::uint32_t m =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  constexpr std::uint64_t kLimit = fast::kPow10Int[W < 8 ? W : 8];
  if (m >= kLimit) return false;
  // Eight digit characters, the leading zeros turned into blanks (a '0' less 0x10 is a blank), the
  // minus sign in the blank before the first digit. Zero keeps its last digit.
  const std::uint64_t text = fast::DigitWord(m);
  const int zeros = std::min(std::countr_zero(text - fast::kAsciiZeros) / 8, 7);
  const int negative = value < 0 ? 1 : 0;
  if (negative + 8 - zeros > (W < 8 ? W : 8)) return false;
  std::uint64_t field = text - (0x1010101010101010 & ((std::uint64_t{1} << (8 * zeros)) - 1));
  field ^= (std::uint64_t{' ' ^ '-'} * static_cast<std::uint64_t>(negative)) << ((8 * zeros - 8) & 63);
  if constexpr (W >= 8) {
    std::memset(out, ' ', 8);
    fast::Store8(out + (W - 8), field);
  } else {
    fast::Store8(out, field >> (8 * (8 - W)));  // the bytes dropped are blanks, since the value fits
  }
  return true;
}

inline constexpr IntegerEdit kIntegerEdits[12] = {&EditIntegerAs<1>,  &EditIntegerAs<2>,  &EditIntegerAs<3>,
                                                  &EditIntegerAs<4>,  &EditIntegerAs<5>,  &EditIntegerAs<6>,
                                                  &EditIntegerAs<7>,  &EditIntegerAs<8>,  &EditIntegerAs<9>,
                                                  &EditIntegerAs<10>, &EditIntegerAs<11>, &EditIntegerAs<12>};

// The fast routine for Iw, or nullptr for widths beyond 12.
constexpr IntegerEdit CompileInteger(int w) {
  return w >= 1 && w <= 12 ? kIntegerEdits[w - 1] : nullptr;
}

namespace edit_general {
// Iw without the fast routine: the reference the fast one is tested against.
bool EditInteger(char* out, std::int32_t value, int w);
}  // namespace edit_general

}  // namespace seep
