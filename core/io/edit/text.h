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

}  // namespace seep
