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

// One pass over a format text, item by item, left to right. Each routine below reads one kind of item
// at `pos` and returns kNone, or the error found with `pos` left where it was found.
class FormatParser {
 public:
  constexpr FormatParser(std::string_view s, FormatItem* items, int capacity, char* pool)
      : s_(s), n_(static_cast<int>(s.size())), items_(items), capacity_(capacity), pool_(pool) {}

  constexpr ParseResult Run() {
    // The opening parenthesis, blanks before it allowed.
    while (pos_ < n_ && IsBlank(s_[pos_])) ++pos_;
    if (pos_ >= n_ || s_[pos_] != '(') return Fail(FormatError::kNoOpeningParenthesis);
    ++pos_;
    for (;;) {
      SkipSeparatingBlanks();
      if (pos_ >= n_) return Fail(FormatError::kUnbalancedParentheses);
      const char c = Upper(s_[pos_]);
      if (c == ')' && depth_ == 0) return CloseFormat();
      FormatError e = FormatError::kNone;
      if (c == ',') {
        e = Comma();
      } else if (c == ')') {
        e = CloseGroup();
      } else if (c == '/') {
        e = Slash();
      } else {
        e = Item(c);
      }
      if (e != FormatError::kNone) return Fail(e);
    }
  }

 private:
  constexpr ParseResult Fail(FormatError e) {
    ParseResult r;
    r.error = e;
    r.position = pos_;
    return r;
  }

  // Reads an unsigned number at pos; -1 when no digit is there, -2 when it exceeds `limit`.
  constexpr int Number(int limit) {
    if (pos_ >= n_ || !IsDigit(s_[pos_])) return -1;
    long v = 0;
    while (pos_ < n_ && IsDigit(s_[pos_])) {
      v = v * 10 + (s_[pos_] - '0');
      if (v > limit) return -2;
      ++pos_;
    }
    return static_cast<int>(v);
  }

  // Appends an item, keeping one place free for kEnd; false when there is no room.
  constexpr bool Add(const FormatItem& item) {
    if (count_ + 1 >= capacity_) return false;
    items_[count_++] = item;
    return true;
  }

  constexpr void SkipSeparatingBlanks() {
    while (pos_ < n_ && IsBlank(s_[pos_])) {
      separated_ = true;
      ++pos_;
    }
  }

  constexpr FormatError Comma() {
    if (atGroupStart_ || afterComma_) return FormatError::kMisplacedComma;
    afterComma_ = true;
    separated_ = true;
    ++pos_;
    return FormatError::kNone;
  }

  // The closing outer parenthesis: only blanks may follow. The list is closed with kEnd and the
  // reversion point fixed.
  constexpr ParseResult CloseFormat() {
    if (afterComma_) return Fail(FormatError::kMisplacedComma);
    ++pos_;
    while (pos_ < n_ && IsBlank(s_[pos_])) ++pos_;
    if (pos_ != n_) return Fail(FormatError::kTextAfterFormat);
    items_[count_] = FormatItem{};
    ParseResult r;
    r.count = count_;
    r.reversion = lastTopGroup_ < 0 ? 0 : lastTopGroup_;
    for (int i = r.reversion; i < count_; ++i) {
      if (IsDataEdit(items_[i].op)) r.reversionHasData = true;
    }
    return r;
  }

  // The closing parenthesis of a group: it and its kOpen learn each other's index.
  constexpr FormatError CloseGroup() {
    if (afterComma_) return FormatError::kMisplacedComma;
    const int partner = open_[--depth_];
    FormatItem close{FormatOp::kClose};
    close.partner = static_cast<std::uint16_t>(partner);
    if (!Add(close)) return FormatError::kTooLong;
    items_[partner].partner = static_cast<std::uint16_t>(count_ - 1);
    ++pos_;
    needSeparator_ = true;
    separated_ = false;
    atGroupStart_ = false;
    return FormatError::kNone;
  }

  // A slash separates by itself, so no blank or comma is needed on either side.
  constexpr FormatError Slash() {
    if (!Add({FormatOp::kSlash})) return FormatError::kTooLong;
    ++pos_;
    needSeparator_ = false;
    afterComma_ = false;
    atGroupStart_ = false;
    return FormatError::kNone;
  }

  // Any other item: a literal, or an item with an optional count in front.
  constexpr FormatError Item(char c) {
    if (needSeparator_ && !separated_) return FormatError::kMissingSeparator;
    afterComma_ = false;
    atGroupStart_ = false;
    separated_ = false;
    return c == '\'' ? Literal() : Counted();
  }

  // A literal in apostrophes; a doubled apostrophe inside stands for one. Its text goes to the pool.
  constexpr FormatError Literal() {
    const int start = poolLength_;
    ++pos_;
    for (;;) {
      if (pos_ >= n_) return FormatError::kUnterminatedLiteral;
      if (s_[pos_] == '\'') {
        if (pos_ + 1 < n_ && s_[pos_ + 1] == '\'') {
          pool_[poolLength_++] = '\'';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      pool_[poolLength_++] = s_[pos_++];
    }
    FormatItem literal{FormatOp::kLiteral};
    literal.text = static_cast<std::uint16_t>(start);
    literal.length = static_cast<std::uint16_t>(poolLength_ - start);
    if (!Add(literal)) return FormatError::kTooLong;
    needSeparator_ = true;
    return FormatError::kNone;
  }

  // A number, then what it counts: kP and nX take it as their value, a group, a slash or a data edit
  // descriptor as a repeat count.
  constexpr FormatError Counted() {
    const int countStart = pos_;
    const int count = Number(kMaxRepeat);
    if (count == -2) return FormatError::kNumberTooLarge;
    const bool hasCount = count >= 0;
    if (pos_ >= n_) return FormatError::kUnbalancedParentheses;
    const char d = Upper(s_[pos_]);
    if (hasCount && d == 'P') return Scale(count, countStart);
    if (hasCount && d == 'X') return Skip(count);
    if (d == 'P' || d == 'X') return FormatError::kMissingWidth;
    if (hasCount && count == 0) return FormatError::kZeroNotAllowed;
    const int repeat = hasCount ? count : 1;
    if (d == '(') return OpenGroup(repeat);
    if (d == '/') return RepeatedSlash(repeat);
    return DataEdit(d, repeat, hasCount);
  }

  // kP: only 0 and 1 are supported; an error points at the number.
  constexpr FormatError Scale(int k, int countStart) {
    if (k > 1) {
      pos_ = countStart;
      return FormatError::kUnsupportedScale;
    }
    FormatItem scale{FormatOp::kScale};
    scale.scale = static_cast<std::int8_t>(k);
    if (!Add(scale)) return FormatError::kTooLong;
    ++pos_;
    needSeparator_ = false;  // 1PE12.4 is one scale factor and one descriptor
    return FormatError::kNone;
  }

  // nX: n columns left blank.
  constexpr FormatError Skip(int columns) {
    if (columns == 0) return FormatError::kZeroNotAllowed;
    if (columns > kMaxFieldWidth) return FormatError::kNumberTooLarge;
    FormatItem skip{FormatOp::kSkip};
    skip.columns = static_cast<std::uint8_t>(columns);
    if (!Add(skip)) return FormatError::kTooLong;
    ++pos_;
    needSeparator_ = true;
    return FormatError::kNone;
  }

  // The opening parenthesis of a repeat group; the last one at the top level is the reversion point.
  constexpr FormatError OpenGroup(int repeat) {
    if (depth_ == kMaxFormatDepth) return FormatError::kNestedTooDeep;
    if (depth_ == 0) lastTopGroup_ = count_;
    open_[depth_++] = count_;
    FormatItem group{FormatOp::kOpen};
    group.repeat = static_cast<std::uint16_t>(repeat);
    if (!Add(group)) return FormatError::kTooLong;
    ++pos_;
    needSeparator_ = false;
    atGroupStart_ = true;
    return FormatError::kNone;
  }

  // n/: n ends of record.
  constexpr FormatError RepeatedSlash(int repeat) {
    FormatItem slash{FormatOp::kSlash};
    slash.repeat = static_cast<std::uint16_t>(repeat);
    if (!Add(slash)) return FormatError::kTooLong;
    ++pos_;
    needSeparator_ = false;
    return FormatError::kNone;
  }

  // A data edit descriptor of kDescriptors: its letter, then w and .d as its row asks for them.
  constexpr FormatError DataEdit(char letter, int repeat, bool hasCount) {
    const int rowIndex = RowOfLetter(letter);
    if (rowIndex < 0)
      return hasCount ? FormatError::kCountWithoutDescriptor : FormatError::kUnknownDescriptor;
    const DescriptorRow& row = kDescriptors[static_cast<std::size_t>(rowIndex)];
    FormatItem item{row.op};
    item.repeat = static_cast<std::uint16_t>(repeat);
    ++pos_;
    const int w = Number(kMaxFieldWidth);
    if (w == -2) return FormatError::kNumberTooLarge;
    if (w == 0) return FormatError::kZeroNotAllowed;
    if (w < 0 && !row.widthOptional) return FormatError::kMissingWidth;
    item.width = static_cast<std::uint8_t>(w < 0 ? 0 : w);
    if (row.digits != Digits::kNone) {
      if (pos_ >= n_ || s_[pos_] != '.') return FormatError::kMissingDigits;
      ++pos_;
      const int digits = Number(kMaxFieldWidth);
      if (digits == -2) return FormatError::kNumberTooLarge;
      if (digits < 0) return FormatError::kMissingDigits;
      if (digits == 0 && row.digits == Digits::kPositive) return FormatError::kZeroNotAllowed;
      item.digits = static_cast<std::uint8_t>(digits);
    }
    if (!Add(item)) return FormatError::kTooLong;
    needSeparator_ = true;
    return FormatError::kNone;
  }

  std::string_view s_;
  int n_;
  FormatItem* items_;
  int capacity_;
  char* pool_;
  int pos_ = 0;
  int count_ = 0;
  int poolLength_ = 0;
  int open_[kMaxFormatDepth + 1] = {};  // the kOpen index of each group open
  int depth_ = 0;                       // groups open inside the outer parentheses
  int lastTopGroup_ = -1;
  bool needSeparator_ = false;  // the last item must be followed by a blank or comma before the next one
  bool separated_ = false;
  bool afterComma_ = false;
  bool atGroupStart_ = true;
};

// Parses `s` into items[0, capacity) and pool[0, capacity). Capacity must exceed s.size(): every item
// but kEnd takes at least one character of the text, and the outer parentheses take two.
constexpr ParseResult Parse(std::string_view s, FormatItem* items, int capacity, char* pool) {
  return FormatParser(s, items, capacity, pool).Run();
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
