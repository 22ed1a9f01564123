// Parsing a format text in Fortran notation into a flat list of items.
//
// Recognised items: the data edit descriptors of kDescriptors (Iw, Aw, A, Ew.d, Fw.d), kP (k = 0 or 1),
// nX, literals in apostrophes (a doubled apostrophe inside stands for one), the slash, repeat counts in
// front of a descriptor or a slash (20A4, 3E12.6, 2/) and nested repeat groups n( ... ). Blanks and
// commas separate items; no separator is needed after kP, around a slash, after an opening or before a
// closing parenthesis. Letters may be written in either case.
//
// Layout of the list: the outer parentheses are not stored; a group is a kOpen item and a kClose item
// that know each other's index; the list ends with kEnd. When items remain at kEnd, processing resumes
// at `reversion`: the kOpen of the last top-level group, or 0 when there is none.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/io/format/descriptors.h"

namespace seep {

// One item of a parsed format.
struct FormatItem {
  FormatOp op = FormatOp::kEnd;
  std::int8_t scale = 0;      // kScale: k
  std::uint16_t repeat = 1;   // data edit descriptors, slash, kOpen: how many times
  std::uint8_t width = 0;     // data edit descriptors: w (0 for A without width)
  std::uint8_t digits = 0;    // data edit descriptors: d
  std::uint8_t columns = 0;   // kSkip: n
  std::uint16_t partner = 0;  // kOpen, kClose: the index of the other parenthesis
  std::uint16_t text = 0;     // kLiteral: its first character in the format's text pool
  std::uint16_t length = 0;   // kLiteral: its characters
};

// Limits that the interpreter relies on.
inline constexpr int kMaxFormatDepth = 8;             // nested groups inside the outer parentheses
inline constexpr int kMaxFieldWidth = kMaxEditWidth;  // w and d of every descriptor, n of nX
inline constexpr int kMaxRepeat = 32767;              // repeat counts
inline constexpr int kMaxCheckedLength = 1024;        // longest text CheckFormat accepts

enum class FormatError : std::uint8_t {
  kNone,
  kNoOpeningParenthesis,
  kUnbalancedParentheses,
  kTextAfterFormat,
  kUnterminatedLiteral,
  kUnknownDescriptor,
  kMissingWidth,
  kMissingDigits,
  kZeroNotAllowed,
  kNumberTooLarge,
  kCountWithoutDescriptor,
  kUnsupportedScale,
  kNestedTooDeep,
  kMissingSeparator,
  kMisplacedComma,
  kTooLong,
};

namespace format_detail {

struct ParseResult {
  FormatError error = FormatError::kNone;
  int position = 0;  // where the error was found
  int count = 0;
  int reversion = 0;
  bool reversionHasData = false;
};

constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
constexpr char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Parses `s` into items[0, capacity) and pool[0, capacity). Capacity must exceed s.size(): every item
// but kEnd takes at least one character of the text, and the outer parentheses take two.
constexpr ParseResult Parse(std::string_view s, FormatItem* items, int capacity, char* pool) {
  ParseResult r;
  const int n = static_cast<int>(s.size());
  int pos = 0;
  int count = 0;
  int poolLength = 0;
  int open[kMaxFormatDepth + 1] = {};
  int depth = 0;  // groups open inside the outer parentheses
  int lastTopGroup = -1;
  bool needSeparator = false;  // the last item must be followed by a blank or comma before the next one
  bool separated = false;
  bool afterComma = false;
  bool atGroupStart = true;

  auto fail = [&](FormatError e) {
    r.error = e;
    r.position = pos;
    return r;
  };
  // Reads an unsigned number at pos; -1 when no digit is there.
  auto number = [&](int limit) -> int {
    if (pos >= n || !IsDigit(s[pos])) return -1;
    long v = 0;
    while (pos < n && IsDigit(s[pos])) {
      v = v * 10 + (s[pos] - '0');
      if (v > limit) return -2;
      ++pos;
    }
    return static_cast<int>(v);
  };
  auto add = [&](FormatItem item) {
    if (count + 1 >= capacity) return false;
    items[count++] = item;
    return true;
  };

  while (pos < n && IsBlank(s[pos])) ++pos;
  if (pos >= n || s[pos] != '(') return fail(FormatError::kNoOpeningParenthesis);
  ++pos;

  for (;;) {
    while (pos < n && IsBlank(s[pos])) {
      separated = true;
      ++pos;
    }
    if (pos >= n) return fail(FormatError::kUnbalancedParentheses);
    const char c = Upper(s[pos]);

    if (c == ',') {
      if (atGroupStart || afterComma) return fail(FormatError::kMisplacedComma);
      afterComma = true;
      separated = true;
      ++pos;
      continue;
    }
    if (c == ')') {
      if (afterComma) return fail(FormatError::kMisplacedComma);
      if (depth == 0) {
        ++pos;
        while (pos < n && IsBlank(s[pos])) ++pos;
        if (pos != n) return fail(FormatError::kTextAfterFormat);
        break;
      }
      const int partner = open[--depth];
      FormatItem close{FormatOp::kClose};
      close.partner = static_cast<std::uint16_t>(partner);
      if (!add(close)) return fail(FormatError::kTooLong);
      items[partner].partner = static_cast<std::uint16_t>(count - 1);
      ++pos;
      needSeparator = true;
      separated = false;
      atGroupStart = false;
      continue;
    }
    if (c == '/') {
      // A slash separates by itself, so no blank or comma is needed on either side.
      if (!add({FormatOp::kSlash})) return fail(FormatError::kTooLong);
      ++pos;
      needSeparator = false;
      afterComma = false;
      atGroupStart = false;
      continue;
    }
    if (needSeparator && !separated) return fail(FormatError::kMissingSeparator);
    afterComma = false;
    atGroupStart = false;
    separated = false;

    if (c == '\'') {
      const int start = poolLength;
      ++pos;
      for (;;) {
        if (pos >= n) return fail(FormatError::kUnterminatedLiteral);
        if (s[pos] == '\'') {
          if (pos + 1 < n && s[pos + 1] == '\'') {
            pool[poolLength++] = '\'';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        pool[poolLength++] = s[pos++];
      }
      FormatItem literal{FormatOp::kLiteral};
      literal.text = static_cast<std::uint16_t>(start);
      literal.length = static_cast<std::uint16_t>(poolLength - start);
      if (!add(literal)) return fail(FormatError::kTooLong);
      needSeparator = true;
      continue;
    }

    const int countStart = pos;
    int repeat = number(kMaxRepeat);
    if (repeat == -2) return fail(FormatError::kNumberTooLarge);
    const bool hasCount = repeat >= 0;
    if (pos >= n) return fail(FormatError::kUnbalancedParentheses);
    const char d = Upper(s[pos]);

    if (hasCount && d == 'P') {
      if (repeat > 1) {
        pos = countStart;
        return fail(FormatError::kUnsupportedScale);
      }
      FormatItem scale{FormatOp::kScale};
      scale.scale = static_cast<std::int8_t>(repeat);
      if (!add(scale)) return fail(FormatError::kTooLong);
      ++pos;
      needSeparator = false;  // 1PE12.4 is one scale factor and one descriptor
      continue;
    }
    if (hasCount && d == 'X') {
      if (repeat == 0) return fail(FormatError::kZeroNotAllowed);
      if (repeat > kMaxFieldWidth) return fail(FormatError::kNumberTooLarge);
      FormatItem skip{FormatOp::kSkip};
      skip.columns = static_cast<std::uint8_t>(repeat);
      if (!add(skip)) return fail(FormatError::kTooLong);
      ++pos;
      needSeparator = true;
      continue;
    }
    if (d == 'P' || d == 'X') return fail(FormatError::kMissingWidth);
    if (hasCount && repeat == 0) return fail(FormatError::kZeroNotAllowed);
    if (!hasCount) repeat = 1;

    if (d == '(') {
      if (depth == kMaxFormatDepth) return fail(FormatError::kNestedTooDeep);
      if (depth == 0) lastTopGroup = count;
      open[depth++] = count;
      FormatItem group{FormatOp::kOpen};
      group.repeat = static_cast<std::uint16_t>(repeat);
      if (!add(group)) return fail(FormatError::kTooLong);
      ++pos;
      needSeparator = false;
      atGroupStart = true;
      continue;
    }
    if (d == '/') {
      FormatItem slash{FormatOp::kSlash};
      slash.repeat = static_cast<std::uint16_t>(repeat);
      if (!add(slash)) return fail(FormatError::kTooLong);
      ++pos;
      needSeparator = false;
      continue;
    }

    const int rowIndex = RowOfLetter(d);
    if (rowIndex < 0) {
      return fail(hasCount ? FormatError::kCountWithoutDescriptor : FormatError::kUnknownDescriptor);
    }
    const DescriptorRow* row = &kDescriptors[static_cast<std::size_t>(rowIndex)];
    FormatItem item{row->op};
    item.repeat = static_cast<std::uint16_t>(repeat);
    ++pos;
    const int w = number(kMaxFieldWidth);
    if (w == -2) return fail(FormatError::kNumberTooLarge);
    if (w == 0) return fail(FormatError::kZeroNotAllowed);
    if (w < 0 && !row->widthOptional) return fail(FormatError::kMissingWidth);
    item.width = static_cast<std::uint8_t>(w < 0 ? 0 : w);
    if (row->digits != Digits::kNone) {
      if (pos >= n || s[pos] != '.') return fail(FormatError::kMissingDigits);
      ++pos;
      const int digits = number(kMaxFieldWidth);
      if (digits == -2) return fail(FormatError::kNumberTooLarge);
      if (digits < 0) return fail(FormatError::kMissingDigits);
      if (digits == 0 && row->digits == Digits::kPositive) return fail(FormatError::kZeroNotAllowed);
      item.digits = static_cast<std::uint8_t>(digits);
    }
    if (!add(item)) return fail(FormatError::kTooLong);
    needSeparator = true;
  }

  if (depth != 0) return fail(FormatError::kUnbalancedParentheses);
  items[count] = FormatItem{};
  r.count = count;
  r.reversion = lastTopGroup < 0 ? 0 : lastTopGroup;
  for (int i = r.reversion; i < count; ++i) {
    if (IsDataEdit(items[i].op)) r.reversionHasData = true;
  }
  return r;
}

// Repeat groups being walked, innermost last: where each opened and how many passes it has left.
struct GroupWalk {
  struct Pass {
    int open;
    int remaining;
  };
  Pass stack[kMaxFormatDepth] = {};
  int depth = 0;

  // At a group's opening parenthesis: the next item is its first.
  constexpr int Open(int pc, int repeat) {
    stack[depth++] = {pc, repeat};
    return pc + 1;
  }
  // At a group's closing parenthesis: its first item again while passes remain, else the item after.
  constexpr int Close(int pc) {
    if (--stack[depth - 1].remaining > 0) return stack[depth - 1].open + 1;
    --depth;
    return pc + 1;
  }
};

}  // namespace format_detail

// Walks a parsed format from its first item, for the compiler of its first pass and for the interpreter
// alike. Repeat groups, repeat counts and the scale factor are handled here; the visitor gets, in order:
//   bool Literal(const FormatItem&)  a literal
//   bool Skip(int n)                 nX
//   bool Data(const Field&)          one data edit descriptor, once per repetition, with the scale in force
//   bool Slash()                     the end of a record, once per repetition
//   int End()                        the end of the format: where to go on (the reversion point), or -1
// and stops the walk by returning false (or -1 from End).
template <class Visitor>
constexpr void WalkFormat(const FormatItem* items, Visitor& visitor) {
  format_detail::GroupWalk groups;
  int scale = 0;
  for (int pc = 0;;) {
    const FormatItem& f = items[pc];
    switch (f.op) {
      case FormatOp::kLiteral:
        if (!visitor.Literal(f)) return;
        ++pc;
        break;
      case FormatOp::kSkip:
        if (!visitor.Skip(f.columns)) return;
        ++pc;
        break;
      case FormatOp::kScale:
        scale = f.scale;
        ++pc;
        break;
      case FormatOp::kSlash:
        for (int r = 0; r < f.repeat; ++r) {
          if (!visitor.Slash()) return;
        }
        ++pc;
        break;
      case FormatOp::kOpen:
        pc = groups.Open(pc, f.repeat);
        break;
      case FormatOp::kClose:
        pc = groups.Close(pc);
        break;
      case FormatOp::kEnd:
        pc = visitor.End();
        if (pc < 0) return;
        break;
      default: {  // a data edit descriptor
        const Field field{f.op, static_cast<std::int8_t>(scale), f.width, f.digits};
        for (int r = 0; r < f.repeat; ++r) {
          if (!visitor.Data(field)) return;
        }
        ++pc;
        break;
      }
    }
  }
}

// The verdict on a format text without stopping the build; for checks and tests.
constexpr FormatError CheckFormat(std::string_view text) {
  if (text.size() >= kMaxCheckedLength) return FormatError::kTooLong;
  std::array<FormatItem, kMaxCheckedLength> items{};
  std::array<char, kMaxCheckedLength> pool{};
  return format_detail::Parse(text, items.data(), kMaxCheckedLength, pool.data()).error;
}

}  // namespace seep
