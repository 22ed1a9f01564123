// Text input: names read with the A descriptor and list-directed numbers.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/io/units.h"

namespace seep {

// Reads the next record with the A descriptor into a blank-padded text field: the first field.size()
// characters of the record, blanks where the record is shorter. Also serves 100A1 into 100 characters.
void ReadFormatted(Io& io, int unit, std::span<char> field);

// The byte order mark that Windows editors put first in UTF-8 text.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The encoding that the byte order mark at the start of `text` names when the program cannot read
// text in it ("UTF-16 (little-endian)", "UTF-16 (big-endian)"); empty for any other start.
std::string_view UnreadableEncoding(std::string_view text);

// One item of a list-directed read.
struct ListTarget {
  enum Kind { kInt4, kReal8, kReal4 };
  Kind kind;
  void* item;
};
inline ListTarget ListItem(std::int32_t& v) {
  return {ListTarget::kInt4, &v};
}
inline ListTarget ListItem(double& v) {
  return {ListTarget::kReal8, &v};
}
inline ListTarget ListItem(float& v) {
  return {ListTarget::kReal4, &v};
}

// Reads values for the items from the next record on, continuing into further records while items
// remain; the rest of the last record read is skipped. Items that get a null value, or none before a
// slash, keep their values. Error 64 for a value that is not a number of its item's type, 59 for a
// malformed repeat count, 24 at the end of the file.
void ReadListItems(Io& io, int unit, std::span<const ListTarget> items);

template <class... Items>
void ReadList(Io& io, int unit, Items&... items) {
  const std::array<ListTarget, sizeof...(Items)> targets{ListItem(items)...};
  ReadListItems(io, unit, targets);
}

}  // namespace seep
