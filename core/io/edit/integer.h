// Iw: integer fields, and the list-directed integer (I12).
//
// The general routine (edit_general::EditInteger) takes digits in pairs from the right. The fast one,
// EditIntegerFast, writes a value of up to 8 characters with its sign in a few fixed-size stores; it
// declines the rest, having written nothing the general routine does not overwrite. A compiled format
// marks each I field the fast routine takes.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
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

// The fast routine, for 1 <= w <= kFastIntegerWidth: a value of up to 8 characters with its sign in a
// few fixed-size stores (room for w + kEditSlack characters at `out`); false when it declines (a value
// that does not fit, or of more than 8 characters with its sign), having written nothing the general
// routine does not overwrite. Inline, so that a compiled format's constant width folds into the code.
inline constexpr int kFastIntegerWidth = 12;

inline bool EditIntegerFast(char* out, std::int32_t value, int w) {
  const int room = w < 8 ? w : 8;
  const std::uint32_t m =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  if (m >= fast::kPow10Int[static_cast<std::size_t>(room)]) return false;
  // Eight digit characters, the leading zeros turned into blanks (a '0' less 0x10 is a blank), the
  // minus sign in the blank before the first digit. Zero keeps its last digit.
  const std::uint64_t text = fast::DigitWord(m);
  const int zeros = std::min(std::countr_zero(text - fast::kAsciiZeros) / 8, 7);
  const int negative = value < 0 ? 1 : 0;
  if (negative + 8 - zeros > room) return false;
  std::uint64_t field = text - (0x1010101010101010 & ((std::uint64_t{1} << (8 * zeros)) - 1));
  field ^= (std::uint64_t{' ' ^ '-'} * static_cast<std::uint64_t>(negative)) << ((8 * zeros - 8) & 63);
  if (w >= 8) {
    std::memset(out, ' ', 8);
    fast::Store8(out + (w - 8), field);
  } else {
    fast::Store8(out, field >> (8 * (8 - w)));  // the bytes dropped are blanks, since the value fits
  }
  return true;
}

namespace edit_general {
// Iw without the fast routine: the reference the fast one is tested against.
bool EditInteger(char* out, std::int32_t value, int w);
}  // namespace edit_general

}  // namespace seep
