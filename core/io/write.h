// Text output: formatted (by a compiled format) and list-directed.
//
//   WriteFormatted(io, 8, kNodeLine, X(n), Y(n), P(n), H, VX, VY, V);
//   WriteList(io, 8, " LA,TIME ", ISTEP, TIME);
//
// Items: std::int32_t, double (8-byte real), float (4-byte real, edited from its exact value), texts
// (anything that converts to std::string_view, written with its own length; a char array counts up to its
// first NUL), std::span of std::int32_t, double or float (one item per element), and TextArray for an
// array of fixed-length texts. Each statement writes whole records through Io::PutRecord.
//
// Formatted output runs the format against the items: a data edit descriptor takes the next item; when
// the items run out, literals and slashes up to the next data edit descriptor are still written and the
// statement ends; at the end of the format with items left the record ends and processing resumes at
// the last top-level group (with its repeat count) or at the start. The scale factor holds for the rest
// of the statement. nX moves the column without writing, so skipped columns become blanks only when
// something is written after them. The last record is always written, even when empty.
//
// List-directed output fills records of at most 80 columns: integers in 12 columns, 4-byte reals in 15,
// 8-byte reals in 24 (G style, see EditListReal), texts as they are, the first text of a record after one
// blank. A number or text that does not fit the columns left begins the next record; texts are never
// split. A statement without items writes one blank.
//
// Failures: a field too narrow for its value is filled with asterisks, the statement completes, and one
// warning (error 63) follows per statement. A format whose reversion part has no data edit descriptor
// while items remain: error 105. An item of the wrong type for its descriptor (I and a real or a text,
// E or F and an integer or a text, A and a number): error 61.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/io/edit.h"
#include "core/io/failure.h"
#include "core/io/format.h"
#include "core/io/planned.h"
#include "core/io/units.h"

namespace seep {

// `count` texts of `length` characters each, back to back from `data` (the title as 20 words of 4).
struct TextArray {
  const char* data;
  int count;
  int length;
};

namespace write_detail {

enum class ItemKind : std::uint8_t {
  kInteger,
  kDouble,
  kSingle,
  kText,
  kIntegers,
  kDoubles,
  kSingles,
  kTexts
};

// One item of an output list, as the interpreter receives it.
struct Item {
  ItemKind kind;
  std::int32_t count;   // text: its length; arrays: number of elements
  std::int32_t length;  // text array: length of each text
  union {
    std::int32_t integer;
    double real;
    float single;
    const char* text;
    const std::int32_t* integers;
    const double* doubles;
    const float* singles;
  };
};

template <class T>
inline constexpr bool kUnsupportedItem = false;

template <class T>
Item MakeItem(const T& x) {
  Item item{};
  if constexpr (std::is_same_v<T, std::int32_t>) {
    item.kind = ItemKind::kInteger;
    item.integer = x;
  } else if constexpr (std::is_same_v<T, double>) {
    item.kind = ItemKind::kDouble;
    item.real = x;
  } else if constexpr (std::is_same_v<T, float>) {
    item.kind = ItemKind::kSingle;
    item.single = x;
  } else if constexpr (std::is_same_v<T, TextArray>) {
    item.kind = ItemKind::kTexts;
    item.text = x.data;
    item.count = x.count;
    item.length = x.length;
  } else if constexpr (std::is_array_v<T> &&
                       std::is_same_v<std::remove_cv_t<std::remove_extent_t<T>>, char>) {
    // A string literal, or a fixed char buffer that need not end with NUL.
    item.kind = ItemKind::kText;
    item.text = x;
    const char* nul = std::char_traits<char>::find(x, std::extent_v<T>, '\0');
    item.count = static_cast<std::int32_t>(nul != nullptr ? nul - x : std::extent_v<T>);
  } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
    const std::string_view s = x;
    item.kind = ItemKind::kText;
    item.text = s.data();
    item.count = static_cast<std::int32_t>(s.size());
  } else if constexpr (std::is_convertible_v<const T&, std::span<const std::int32_t>>) {
    const std::span<const std::int32_t> s = x;
    item.kind = ItemKind::kIntegers;
    item.integers = s.data();
    item.count = static_cast<std::int32_t>(s.size());
  } else if constexpr (std::is_convertible_v<const T&, std::span<const double>>) {
    const std::span<const double> s = x;
    item.kind = ItemKind::kDoubles;
    item.doubles = s.data();
    item.count = static_cast<std::int32_t>(s.size());
  } else if constexpr (std::is_convertible_v<const T&, std::span<const float>>) {
    const std::span<const float> s = x;
    item.kind = ItemKind::kSingles;
    item.singles = s.data();
    item.count = static_cast<std::int32_t>(s.size());
  } else {
    static_assert(kUnsupportedItem<T>,
                  "output items are std::int32_t, double, float, texts, spans of those numbers, TextArray");
  }
  return item;
}

// An item that gives exactly one element: a number or a text, not an array.
template <class T>
inline constexpr bool kScalarItem = std::is_same_v<T, std::int32_t> || std::is_same_v<T, double> ||
                                    std::is_same_v<T, float> ||
                                    std::is_convertible_v<const T&, std::string_view> ||
                                    (std::is_array_v<T> &&
                                     std::is_same_v<std::remove_cv_t<std::remove_extent_t<T>>, char>);

void WriteFormattedItems(Io& io, int unit, const FormatView& format, const Item* items, int count);
void WriteListItems(Io& io, int unit, const Item* items, int count);

// ---- Statements edited straight from their arguments ----
//
// The lines of the output files: a formatted statement whose items are numbers and texts and whose
// format's first pass is one straight record (LineProgram::straight) pairs item i with step i; a
// list-directed statement of numbers and texts that fits one record. Both are written in place in the
// unit's buffer, each field edited from its argument as it is, with no item list in between.

// Room asked for behind a record: its CR LF, the edit routines' scratch, the 16-character copies.
inline constexpr std::size_t kRecordSpare = 2 + kEditSlack + kLineTextSpare;

// The value an argument is edited from: the number itself (a 4-byte real for E and F fields as its
// exact double), or the text.
template <class T>
auto FieldValue(const T& x) {
  if constexpr (std::is_same_v<T, std::int32_t> || std::is_same_v<T, double> || std::is_same_v<T, float>) {
    return x;
  } else if constexpr (std::is_array_v<T>) {
    std::size_t n = 0;  // up to the first NUL, or the whole buffer
    while (n < std::extent_v<T> && x[n] != '\0') ++n;
    return std::string_view(x, n);
  } else {
    return std::string_view(x);
  }
}

// A step's literal characters: one 16-character copy for the short ones (the program's text has
// kLineTextSpare readable characters after each, the record kRecordSpare room behind it).
inline char* PutStepLiteral(char* p, const LineProgram& line, const LineStep& step) {
  const char* text = line.text.data() + step.text;
  if (step.length <= kLineTextSpare) {
    std::memcpy(p, text, kLineTextSpare);
  } else {
    std::memcpy(p, text, step.length);
  }
  return p + step.length;
}

// The field of a step from an argument by the general routines; false when it overflowed. An argument
// of the wrong type for the descriptor fails with error 61.
bool EditStepField(Io& io, int unit, char* p, const LineStep& step, double x);
bool EditStepField(Io& io, int unit, char* p, const LineStep& step, std::int32_t v);
bool EditStepField(Io& io, int unit, char* p, const LineStep& step, std::string_view text);

// The rounding of a planned E field, taken before any field of the record is placed; the other
// fields have none (their exponent says declined).
inline fast::Decimal RoundStep(const LineStep& step, double x) {
  return RoundPlanned(x, step.plan);
}
inline fast::Decimal RoundStep(const LineStep& step, float x) {
  return RoundPlanned(static_cast<double>(x), step.plan);
}
inline fast::Decimal RoundStep(const LineStep&, std::int32_t) {
  return {0, fast::kDeclined};
}
inline fast::Decimal RoundStep(const LineStep&, std::string_view) {
  return {0, fast::kDeclined};
}

// The field of a step: a planned E field from its rounding, an I field by its planned routine, and
// whatever these decline by the general routines.
inline bool EditStep(Io& io, int unit, char* p, const LineStep& step, double x, const fast::Decimal& r) {
  if (r.exponent != fast::kDeclined) {
    PutPlanned(p, x, r, step.plan);
    return true;
  }
  return EditStepField(io, unit, p, step, x);
}
inline bool EditStep(Io& io, int unit, char* p, const LineStep& step, float x, const fast::Decimal& r) {
  return EditStep(io, unit, p, step, static_cast<double>(x), r);
}
inline bool EditStep(Io& io, int unit, char* p, const LineStep& step, std::int32_t v, const fast::Decimal&) {
  if (step.integer != nullptr && step.integer(p, v)) return true;
  return EditStepField(io, unit, p, step, v);
}
inline bool EditStep(Io& io, int unit, char* p, const LineStep& step, std::string_view text,
                     const fast::Decimal&) {
  return EditStepField(io, unit, p, step, text);
}

template <class... Values>
void RunStraightLine(Io& io, Unit& u, int unit, const LineProgram& line, const Values&... values) {
  // Every planned E field is rounded first: the roundings do not depend on each other, nor on where
  // the fields go.
  fast::Decimal rounded[sizeof...(Values) + 1];
  {
    std::size_t i = 0;
    ((rounded[i] = RoundStep(line.steps[i], values), ++i), ...);
    static_cast<void>(i);
  }
  char* p = io.RecordRoom(u, static_cast<std::size_t>(line.longest) + kRecordSpare);
  const LineStep* step = line.steps.data();
  const fast::Decimal* r = rounded;
  bool fits = true;
  [[maybe_unused]] auto field = [&](const auto& value) {
    p = PutStepLiteral(p, line, *step);
    if (step->pad != 0) {
      std::memset(p, ' ', kLineTextSpare);  // at most kLineTextSpare columns in a straight program
      p += step->pad;
    }
    if (!EditStep(io, unit, p, *step, value, *r)) fits = false;
    p += step->width;
    ++step;
    ++r;
  };
  (field(values), ...);
  // The literal before the field that finds no item, or at the end of the format.
  p = PutStepLiteral(p, line, *step);
  io.CommitRecord(u, p);
  if (!fits) io.Warn(kErrOutputConversion, unit);
}

// List-directed fields: an integer, an 8-byte or a 4-byte real, or a text (after one blank when it is
// the first text of the record).
inline std::size_t ListFieldWidth(std::int32_t, bool&) {
  return kListIntegerWidth;
}
inline std::size_t ListFieldWidth(double, bool&) {
  return kListDoubleWidth;
}
inline std::size_t ListFieldWidth(float, bool&) {
  return kListSingleWidth;
}
inline std::size_t ListFieldWidth(std::string_view text, bool& leadingBlank) {
  const std::size_t blank = leadingBlank ? 1 : 0;
  leadingBlank = false;
  return text.size() + blank;
}
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

template <class... Values>
bool RunOneRecordList(Io& io, int unit, const Values&... values) {
  bool leadingBlank = true;
  const std::size_t width = (ListFieldWidth(values, leadingBlank) + ...);
  if (width > static_cast<std::size_t>(kListWidth)) return false;
  Unit* u = io.OutputUnit(unit);
  if (u == nullptr) return false;
  char* p = io.RecordRoom(*u, static_cast<std::size_t>(kListWidth) + kRecordSpare);
  leadingBlank = true;
  ((p = PutListField(p, values, leadingBlank)), ...);
  io.CommitRecord(*u, p);
  return true;
}

}  // namespace write_detail

template <std::size_t N, class... Items>
void WriteFormatted(Io& io, int unit, const Format<N>& fmt, const Items&... items) {
  if constexpr ((write_detail::kScalarItem<Items> && ...)) {
    if (fmt.line.straight && static_cast<int>(sizeof...(Items)) <= fmt.line.fields) {
      if (Unit* u = io.OutputUnit(unit)) {
        write_detail::RunStraightLine(io, *u, unit, fmt.line, write_detail::FieldValue(items)...);
        return;
      }
    }
  }
  const write_detail::Item list[sizeof...(Items) + 1] = {write_detail::MakeItem(items)...,
                                                         write_detail::Item{}};
  write_detail::WriteFormattedItems(io, unit, fmt.View(), list, static_cast<int>(sizeof...(Items)));
}

template <class... Items>
void WriteList(Io& io, int unit, const Items&... items) {
  if constexpr (sizeof...(Items) > 0 && (write_detail::kScalarItem<Items> && ...)) {
    if (write_detail::RunOneRecordList(io, unit, write_detail::FieldValue(items)...)) return;
  }
  const write_detail::Item list[sizeof...(Items) + 1] = {write_detail::MakeItem(items)...,
                                                         write_detail::Item{}};
  write_detail::WriteListItems(io, unit, list, static_cast<int>(sizeof...(Items)));
}

}  // namespace seep
