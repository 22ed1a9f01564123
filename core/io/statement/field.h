// Editing one field of an output statement, and one element of a list-directed record: the entry
// points that both roads of a statement use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/io/edit/integer.h"
#include "core/io/edit/list_real.h"
#include "core/io/format/descriptors.h"
#include "core/io/units.h"

namespace seep {

// The field of one data edit descriptor for one element, by the descriptor's row: its routine writes
// FieldWidth(f, v) characters at `out` (room for them and kEditSlack more); false when the field
// overflowed (asterisks). A value of a kind the descriptor does not edit (I and a real or a text, E or F
// and an integer or a text, A and a number) fails with error 61.
bool EditField(Io& io, int unit, char* out, const Field& f, const EditValue& v);

inline EditValue IntegerValue(std::int32_t v) {
  EditValue e;
  e.kind = EditValue::kInteger;
  e.integer = v;
  return e;
}
inline EditValue RealValue(double x, bool single = false) {
  EditValue e;
  e.kind = EditValue::kReal;
  e.single = single;
  e.real = x;
  return e;
}
inline EditValue TextValue(const char* text, std::int32_t length) {
  EditValue e;
  e.kind = EditValue::kText;
  e.text = text;
  e.length = length;
  return e;
}
inline EditValue TextValue(std::string_view text) {
  return TextValue(text.data(), static_cast<std::int32_t>(text.size()));
}

// ---- List-directed records ----
//
// Records of at most kListWidth columns: integers in 12 columns, 4-byte reals in 15, 8-byte reals in 24,
// texts as they are, the first text of a record after one blank.

// Columns the element takes in the record; `leadingBlank`: no text in the record yet.
inline std::size_t ListFieldWidth(const EditValue& v, bool leadingBlank) {
  switch (v.kind) {
    case EditValue::kInteger:
      return kListIntegerWidth;
    case EditValue::kReal:
      return v.single ? kListSingleWidth : kListDoubleWidth;
    case EditValue::kText:
      break;
  }
  return static_cast<std::size_t>(v.length) + (leadingBlank ? 1 : 0);
}

// Writes the element at `p` (room for its width and kEditSlack more) and returns the end.
inline char* PutListField(char* p, const EditValue& v, bool& leadingBlank) {
  switch (v.kind) {
    case EditValue::kInteger:
      EditListInteger(p, v.integer);
      return p + kListIntegerWidth;
    case EditValue::kReal:
      return p + EditListReal(p, v.real, v.single);
    case EditValue::kText:
      break;
  }
  if (leadingBlank) {
    *p++ = ' ';
    leadingBlank = false;
  }
  // An empty text may have no data at all.
  if (v.length != 0) std::memcpy(p, v.text, static_cast<std::size_t>(v.length));
  return p + v.length;
}

}  // namespace seep
