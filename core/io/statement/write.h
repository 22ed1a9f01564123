// Output statements: formatted (by a compiled format) and list-directed.
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
// Every statement takes one of two roads with the same records: the compiled road
// (core/io/statement/compiled.h) when its items are numbers and texts and the format's compiled line
// covers them in one record (a list: when they fit one record), else the interpreted road
// (core/io/statement/interpreted.cpp). The interpreted road edits every field through EditField
// (core/io/statement/field.h); the compiled road takes the fast routine that the descriptor's row made
// for the field when the format was compiled, and EditField for what that routine declines.
//
// Failures: a field too narrow for its value is filled with asterisks, the statement completes, and one
// warning (error 63) follows per statement. A format whose reversion part has no data edit descriptor
// while items remain: error 105. An item of the wrong type for its descriptor (I and a real or a text,
// E or F and an integer or a text, A and a number): error 61.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/io/format/compile.h"
#include "core/io/statement/compiled.h"
#include "core/io/units.h"

namespace seep {

// `count` texts of `length` characters each, back to back from `data` (the title as 20 words of 4).
struct TextArray {
  const char* data;
  int count;
  int length;
};

namespace statement_detail {

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

// The interpreted road.
void InterpretFormatted(Io& io, int unit, const FormatView& format, const Item* items, int count);
void InterpretList(Io& io, int unit, const Item* items, int count);

}  // namespace statement_detail

template <std::size_t N, class... Items>
void WriteFormatted(Io& io, int unit, const Format<N>& fmt, const Items&... items) {
  if constexpr ((statement_detail::kScalarItem<Items> && ...)) {
    if (fmt.line.oneRecord && static_cast<int>(sizeof...(Items)) <= fmt.line.fields) {
      if (Unit* u = io.OutputUnit(unit)) {
        statement_detail::RunCompiledLine(io, *u, unit, fmt.line, statement_detail::ArgumentValue(items)...);
        return;
      }
    }
  }
  const statement_detail::Item list[sizeof...(Items) + 1] = {statement_detail::MakeItem(items)...,
                                                             statement_detail::Item{}};
  statement_detail::InterpretFormatted(io, unit, fmt.View(), list, static_cast<int>(sizeof...(Items)));
}

template <class... Items>
void WriteList(Io& io, int unit, const Items&... items) {
  if constexpr (sizeof...(Items) > 0 && (statement_detail::kScalarItem<Items> && ...)) {
    if (statement_detail::RunCompiledList(io, unit, statement_detail::ArgumentValue(items)...)) return;
  }
  const statement_detail::Item list[sizeof...(Items) + 1] = {statement_detail::MakeItem(items)...,
                                                             statement_detail::Item{}};
  statement_detail::InterpretList(io, unit, list, static_cast<int>(sizeof...(Items)));
}

}  // namespace seep
