// Editing one field of an output statement, and one element of a list-directed record: the entry
// points that both roads of a statement use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "core/io/edit/integer.h"
#include "core/io/edit/list_real.h"
#include "core/io/failure.h"
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

// Columns an element takes in the record; for a text, `leadingBlank` says whether no text stands in the
// record yet.
inline std::size_t ListFieldWidth(std::int32_t, bool) {
  return kListIntegerWidth;
}
inline std::size_t ListFieldWidth(double, bool) {
  return kListDoubleWidth;
}
inline std::size_t ListFieldWidth(float, bool) {
  return kListSingleWidth;
}
inline std::size_t ListFieldWidth(std::string_view text, bool leadingBlank) {
  return text.size() + (leadingBlank ? 1 : 0);
}

// Writes an element at `p` (room for its width and kEditSlack more) and returns the end.
inline char* PutListField(char* p, std::int32_t v, bool&) {
  EditListInteger(p, v);
  return p + kListIntegerWidth;
}
inline char* PutListField(char* p, double x, bool&) {
  return p + EditListReal(p, x, false);
}
inline char* PutListField(char* p, float x, bool&) {
  return p + EditListReal(p, static_cast<double>(x), true);
}
inline char* PutListField(char* p, std::string_view text, bool& leadingBlank) {
  if (leadingBlank) {
    *p++ = ' ';
    leadingBlank = false;
  }
  if (!text.empty()) std::memcpy(p, text.data(), text.size());  // an empty text may have no data at all
  return p + text.size();
}

// The same for an element of the interpreted road.
template <class Routine>
auto OnListElement(const EditValue& v, Routine&& routine) {
  switch (v.kind) {
    case EditValue::kInteger:
      return routine(v.integer);
    case EditValue::kReal:
      return v.single ? routine(static_cast<float>(v.real)) : routine(v.real);
    case EditValue::kText:
      break;
  }
  return routine(std::string_view(v.text, static_cast<std::size_t>(v.length)));
}
inline std::size_t ListFieldWidth(const EditValue& v, bool leadingBlank) {
  return OnListElement(v, [&](auto x) { return ListFieldWidth(x, leadingBlank); });
}
inline char* PutListField(char* p, const EditValue& v, bool& leadingBlank) {
  return OnListElement(v, [&](auto x) { return PutListField(p, x, leadingBlank); });
}

}  // namespace seep
