// Aw: text fields.
#pragma once

#include <cstddef>
#include <cstring>

namespace seep {

// w - n blanks and the n characters of the text, or its leftmost w characters when it is longer. `text`
// may be null when n is 0. (A without width is A with w = n.)
inline void EditText(char* out, const char* text, std::size_t n, std::size_t w) {
  if (w >= n) {
    std::memset(out, ' ', w - n);
    if (n != 0) std::memcpy(out + (w - n), text, n);
  } else {
    std::memcpy(out, text, w);
  }
}

namespace text_detail {

// Copies n <= 32 characters in two fixed-size copies that overlap, reading and writing only those n.
inline void CopyShort(char* to, const char* from, std::size_t n) {
  if (n >= 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

}  // namespace text_detail

// The field of EditText for w <= kShortTextWidth in fixed-size stores, for a place with room for
// w + kShortTextWidth characters (what lands after the field is scratch, to be overwritten).
inline constexpr std::size_t kShortTextWidth = 32;

inline void EditShortText(char* out, const char* text, std::size_t n, std::size_t w) {
  std::memset(out, ' ', kShortTextWidth);
  if (w >= n) {
    text_detail::CopyShort(out + (w - n), text, n);
  } else {
    text_detail::CopyShort(out, text, w);
  }
}

}  // namespace seep
