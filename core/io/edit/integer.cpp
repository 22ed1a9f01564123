#include "core/io/edit/integer.h"

namespace seep {

using namespace edit_detail;

namespace edit_general {

bool EditInteger(char* out, std::int32_t value, int w) {
  std::uint32_t m = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  const int length = (value < 0 ? 1 : 0) + DigitCount(m);
  if (length > w) {
    Stars(out, w);
    return false;
  }
  BlankField(out, w);
  char* p = out + w;
  while (m >= 100) {
    p -= 2;
    PutPair(p, static_cast<int>(m % 100));
    m /= 100;
  }
  if (m >= 10) {
    p -= 2;
    PutPair(p, static_cast<int>(m));
  } else {
    *--p = static_cast<char>('0' + m);
  }
  if (value < 0) *--p = '-';
  return true;
}

}  // namespace edit_general

bool EditInteger(char* out, std::int32_t value, int w) {
  if (w >= 1 && w <= kFastIntegerWidth && EditIntegerFast(out, value, w)) return true;
  return edit_general::EditInteger(out, value, w);
}

void EditListInteger(char* out, std::int32_t value) {
  if (!EditIntegerFast(out, value, kListIntegerWidth))
    edit_general::EditInteger(out, value, kListIntegerWidth);
}

}  // namespace seep
