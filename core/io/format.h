// Formats in Fortran notation, compiled once when the program is built.
//
//   inline constexpr auto kNodeLine = CompileFormat("(1P E12.4 6(',' 1P E12.4))");
//
// CompileFormat is consteval: a malformed format stops the build, and the running program only walks a
// flat list of items. Recognised items: Iw, Aw, A, Ew.d, Fw.d, kP (k = 0 or 1), nX, literals in
// apostrophes (a doubled apostrophe inside stands for one), the slash, repeat counts in front of a
// descriptor or a slash (20A4, 3E12.6, 2/) and nested repeat groups n( ... ). Blanks and commas
// separate items; no separator is needed after kP, around a slash, after an opening or before a closing
// parenthesis. Letters may be written in either case.
//
// Layout of the compiled list: the outer parentheses are not stored; a group is a kOpen item and a
// kClose item that know each other's index; the list ends with kEnd. When items remain at kEnd,
// processing resumes at `reversion`: the kOpen of the last top-level group, or 0 when there is none.
//
// Besides the list, the compiler unrolls the format's first pass (from its start to kEnd, every repeat
// group and repeat count written out) into a straight LineProgram, when that pass is short. A statement
// whose items all find their descriptor in the first pass, which is the case for every line of the output
// files, runs that program and never looks at groups, counts or reversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/io/edit.h"

namespace seep {

enum class FormatOp : std::uint8_t {
  kEnd,
  kInteger,   // Iw
  kText,      // Aw, or A (width 0: the item's own length)
  kExponent,  // Ew.d
  kFixed,     // Fw.d
  kLiteral,   // 'text'
  kSkip,      // nX
  kScale,     // kP
  kSlash,     // /
  kOpen,      // n(
  kClose,     // )
};

struct FormatItem {
  FormatOp op = FormatOp::kEnd;
  std::int8_t scale = 0;     // kScale: k
  std::uint16_t repeat = 1;  // data descriptors, slash, kOpen: how many times
  std::uint16_t width =
      0;  // field width; nX: n; literal: start in the text pool; kOpen/kClose: the partner's index
  std::uint16_t digits = 0;  // Ew.d, Fw.d: d; literal: length
};

inline constexpr bool IsDataEdit(FormatOp op) {
  return op == FormatOp::kInteger || op == FormatOp::kText || op == FormatOp::kExponent ||
         op == FormatOp::kFixed;
}

// Limits that the interpreter relies on.
inline constexpr int kMaxFormatDepth = 8;       // nested groups inside the outer parentheses
inline constexpr int kMaxFieldWidth = 255;      // w of every descriptor, n of nX
inline constexpr int kMaxRepeat = 32767;        // repeat counts
inline constexpr int kMaxCheckedLength = 1024;  // longest text CheckFormat accepts

// One step of an unrolled first pass: its literal characters, which are written whenever the step is
// reached (items left or not), then its action: a field (a data edit descriptor, taking the next item),
// the end of a record (slash) or the end of the format. nX columns are folded in: into the literal when
// a literal follows them, into `pad` when a field follows them (they become blanks only if the field is
// written), and dropped before a slash or the end, where they would add nothing.
struct LineStep {
  std::uint16_t text = 0;         // first literal character in LineProgram::text
  std::uint8_t length = 0;        // literal characters
  std::uint8_t pad = 0;           // blanks before the field
  FormatOp op = FormatOp::kEnd;   // kInteger, kText, kExponent, kFixed, kSlash or kEnd
  std::int8_t scale = 0;          // the scale factor in force at this field
  std::uint8_t width = 0;         // w
  std::uint8_t digits = 0;        // d
  FieldPlan plan;                 // Ew.d: its layout, when planned
  IntegerEdit integer = nullptr;  // Iw: its routine, when planned
};

inline constexpr int kMaxLineSteps = 64;
inline constexpr int kMaxLineText = 256;
inline constexpr int kLineTextSpare = 16;  // readable characters after every literal

struct LineProgram {
  std::array<LineStep, kMaxLineSteps> steps{};
  std::array<char, kMaxLineText + kLineTextSpare> text{};
  int fields = 0;       // steps that take an item
  int longest = 0;      // characters of the longest record the program writes
  bool usable = false;  // false when the first pass is too long to unroll or has an A without width
  // One record, no nX wider than kLineTextSpare: step i is the field of item i, and the statement's
  // items can be edited straight from the arguments.
  bool straight = false;
};

// What the interpreter reads, whatever the capacity of the compiled format.
struct FormatView {
  const FormatItem* items;
  const char* text;  // literal characters, apostrophes already undoubled
  int reversion;
  bool reversionHasData;  // the part from `reversion` to the end holds a data edit descriptor
};

template <std::size_t N>
struct Format {
  std::array<FormatItem, N> items{};
  std::array<char, N> text{};
  int count = 0;  // items before kEnd
  int reversion = 0;
  bool reversionHasData = false;
  LineProgram line;

  constexpr FormatView View() const { return {items.data(), text.data(), reversion, reversionHasData}; }
};

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
      if (!add({FormatOp::kClose, 0, 1, static_cast<std::uint16_t>(partner), 0})) {
        return fail(FormatError::kTooLong);
      }
      items[partner].width = static_cast<std::uint16_t>(count - 1);
      ++pos;
      needSeparator = true;
      separated = false;
      atGroupStart = false;
      continue;
    }
    if (c == '/') {
      // A slash separates by itself, so no blank or comma is needed on either side.
      if (!add({FormatOp::kSlash, 0, 1, 0, 0})) return fail(FormatError::kTooLong);
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
      if (!add({FormatOp::kLiteral, 0, 1, static_cast<std::uint16_t>(start),
                static_cast<std::uint16_t>(poolLength - start)})) {
        return fail(FormatError::kTooLong);
      }
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
      if (!add({FormatOp::kScale, static_cast<std::int8_t>(repeat), 1, 0, 0})) {
        return fail(FormatError::kTooLong);
      }
      ++pos;
      needSeparator = false;  // 1PE12.4 is one scale factor and one descriptor
      continue;
    }
    if (hasCount && d == 'X') {
      if (repeat == 0) return fail(FormatError::kZeroNotAllowed);
      if (repeat > kMaxFieldWidth) return fail(FormatError::kNumberTooLarge);
      if (!add({FormatOp::kSkip, 0, 1, static_cast<std::uint16_t>(repeat), 0})) {
        return fail(FormatError::kTooLong);
      }
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
      if (!add({FormatOp::kOpen, 0, static_cast<std::uint16_t>(repeat), 0, 0})) {
        return fail(FormatError::kTooLong);
      }
      ++pos;
      needSeparator = false;
      atGroupStart = true;
      continue;
    }
    if (d == '/') {
      if (!add({FormatOp::kSlash, 0, static_cast<std::uint16_t>(repeat), 0, 0})) {
        return fail(FormatError::kTooLong);
      }
      ++pos;
      needSeparator = false;
      continue;
    }

    FormatItem item{FormatOp::kEnd, 0, static_cast<std::uint16_t>(repeat), 0, 0};
    switch (d) {
      case 'I':
        item.op = FormatOp::kInteger;
        break;
      case 'A':
        item.op = FormatOp::kText;
        break;
      case 'E':
        item.op = FormatOp::kExponent;
        break;
      case 'F':
        item.op = FormatOp::kFixed;
        break;
      default:
        return fail(hasCount ? FormatError::kCountWithoutDescriptor : FormatError::kUnknownDescriptor);
    }
    ++pos;
    const int w = number(kMaxFieldWidth);
    if (w == -2) return fail(FormatError::kNumberTooLarge);
    if (w == 0) return fail(FormatError::kZeroNotAllowed);
    if (w < 0 && item.op != FormatOp::kText) return fail(FormatError::kMissingWidth);
    item.width = static_cast<std::uint16_t>(w < 0 ? 0 : w);
    if (item.op == FormatOp::kExponent || item.op == FormatOp::kFixed) {
      if (pos >= n || s[pos] != '.') return fail(FormatError::kMissingDigits);
      ++pos;
      const int digits = number(kMaxFieldWidth);
      if (digits == -2) return fail(FormatError::kNumberTooLarge);
      if (digits < 0) return fail(FormatError::kMissingDigits);
      if (digits == 0 && item.op == FormatOp::kExponent) return fail(FormatError::kZeroNotAllowed);
      item.digits = static_cast<std::uint16_t>(digits);
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

// Unrolls the first pass of a parsed format (items up to kEnd) into `line`; leaves it unusable when the
// pass needs more than kMaxLineSteps steps or kMaxLineText literal characters, or holds an A without
// width (whose record length only the item tells).
constexpr void Unroll(const FormatItem* items, const char* pool, LineProgram& line) {
  GroupWalk groups;
  int scale = 0;
  int steps = 0;
  int textLength = 0;
  int literalStart = 0;  // the current step's literal is text[literalStart, textLength)
  int pad = 0;           // nX columns not yet written
  int record = 0;        // characters of the current record so far
  int longest = 0;
  int fields = 0;

  auto append = [&](char c) {
    if (textLength >= kMaxLineText || textLength - literalStart >= 255) return false;
    line.text[static_cast<std::size_t>(textLength++)] = c;
    ++record;
    return true;
  };
  auto emit = [&](FormatOp op, const FormatItem& f) {
    if (steps >= kMaxLineSteps) return false;
    LineStep& step = line.steps[static_cast<std::size_t>(steps++)];
    step.text = static_cast<std::uint16_t>(literalStart);
    step.length = static_cast<std::uint8_t>(textLength - literalStart);
    literalStart = textLength;
    step.op = op;
    if (IsDataEdit(op)) {
      if (pad > 255) return false;
      step.pad = static_cast<std::uint8_t>(pad);
      step.scale = static_cast<std::int8_t>(scale);
      step.width = static_cast<std::uint8_t>(f.width);
      step.digits = static_cast<std::uint8_t>(f.digits);
      if (op == FormatOp::kExponent) step.plan = PlanExponent(f.width, f.digits, scale);
      if (op == FormatOp::kInteger) step.integer = PlanInteger(f.width);
      record += pad + f.width;
      ++fields;
    }
    pad = 0;
    if (op == FormatOp::kSlash || op == FormatOp::kEnd) {
      if (record > longest) longest = record;
      record = 0;
    }
    return true;
  };

  for (int pc = 0;;) {
    const FormatItem& f = items[pc];
    switch (f.op) {
      case FormatOp::kLiteral:
        for (; pad > 0; --pad) {
          if (!append(' ')) return;
        }
        for (int i = 0; i < f.digits; ++i) {
          if (!append(pool[f.width + i])) return;
        }
        ++pc;
        break;
      case FormatOp::kSkip:
        pad += f.width;
        ++pc;
        break;
      case FormatOp::kScale:
        scale = f.scale;
        ++pc;
        break;
      case FormatOp::kInteger:
      case FormatOp::kText:
      case FormatOp::kExponent:
      case FormatOp::kFixed:
        if (f.op == FormatOp::kText && f.width == 0) return;
        for (int r = 0; r < f.repeat; ++r) {
          if (!emit(f.op, f)) return;
        }
        ++pc;
        break;
      case FormatOp::kSlash:
        for (int r = 0; r < f.repeat; ++r) {
          if (!emit(FormatOp::kSlash, f)) return;
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
        if (!emit(FormatOp::kEnd, f)) return;
        line.fields = fields;
        line.longest = longest;
        line.usable = true;
        line.straight = true;
        for (int i = 0; i < steps; ++i) {
          const LineStep& step = line.steps[static_cast<std::size_t>(i)];
          if (step.op == FormatOp::kSlash || step.pad > kLineTextSpare) line.straight = false;
        }
        return;
    }
  }
}

// Not constexpr on purpose: calling one of these during CompileFormat stops the build, and the
// compiler's message names the fault.
inline void FormatTextIsMalformed_NoOpeningParenthesis() {}
inline void FormatTextIsMalformed_UnbalancedParentheses() {}
inline void FormatTextIsMalformed_TextAfterClosingParenthesis() {}
inline void FormatTextIsMalformed_UnterminatedLiteral() {}
inline void FormatTextIsMalformed_UnknownDescriptor() {}
inline void FormatTextIsMalformed_MissingWidth() {}
inline void FormatTextIsMalformed_MissingDigits() {}
inline void FormatTextIsMalformed_ZeroNotAllowed() {}
inline void FormatTextIsMalformed_NumberTooLarge() {}
inline void FormatTextIsMalformed_CountWithoutDescriptor() {}
inline void FormatTextIsMalformed_OnlyScaleFactors0Pand1P() {}
inline void FormatTextIsMalformed_GroupsNestedTooDeep() {}
inline void FormatTextIsMalformed_MissingSeparator() {}
inline void FormatTextIsMalformed_MisplacedComma() {}
inline void FormatTextIsMalformed_TooLong() {}

constexpr void Reject(FormatError e) {
  switch (e) {
    case FormatError::kNone:
      break;
    case FormatError::kNoOpeningParenthesis:
      FormatTextIsMalformed_NoOpeningParenthesis();
      break;
    case FormatError::kUnbalancedParentheses:
      FormatTextIsMalformed_UnbalancedParentheses();
      break;
    case FormatError::kTextAfterFormat:
      FormatTextIsMalformed_TextAfterClosingParenthesis();
      break;
    case FormatError::kUnterminatedLiteral:
      FormatTextIsMalformed_UnterminatedLiteral();
      break;
    case FormatError::kUnknownDescriptor:
      FormatTextIsMalformed_UnknownDescriptor();
      break;
    case FormatError::kMissingWidth:
      FormatTextIsMalformed_MissingWidth();
      break;
    case FormatError::kMissingDigits:
      FormatTextIsMalformed_MissingDigits();
      break;
    case FormatError::kZeroNotAllowed:
      FormatTextIsMalformed_ZeroNotAllowed();
      break;
    case FormatError::kNumberTooLarge:
      FormatTextIsMalformed_NumberTooLarge();
      break;
    case FormatError::kCountWithoutDescriptor:
      FormatTextIsMalformed_CountWithoutDescriptor();
      break;
    case FormatError::kUnsupportedScale:
      FormatTextIsMalformed_OnlyScaleFactors0Pand1P();
      break;
    case FormatError::kNestedTooDeep:
      FormatTextIsMalformed_GroupsNestedTooDeep();
      break;
    case FormatError::kMissingSeparator:
      FormatTextIsMalformed_MissingSeparator();
      break;
    case FormatError::kMisplacedComma:
      FormatTextIsMalformed_MisplacedComma();
      break;
    case FormatError::kTooLong:
      FormatTextIsMalformed_TooLong();
      break;
  }
}

}  // namespace format_detail

// Compiles a format text at build time; a malformed text does not compile.
template <std::size_t N>
consteval Format<N> CompileFormat(const char (&text)[N]) {
  Format<N> f;
  const format_detail::ParseResult r =
      format_detail::Parse(std::string_view(text, N - 1), f.items.data(), static_cast<int>(N), f.text.data());
  format_detail::Reject(r.error);
  f.count = r.count;
  f.reversion = r.reversion;
  f.reversionHasData = r.reversionHasData;
  format_detail::Unroll(f.items.data(), f.text.data(), f.line);
  return f;
}

// The verdict on a format text without stopping the build; for checks and tests.
constexpr FormatError CheckFormat(std::string_view text) {
  if (text.size() >= kMaxCheckedLength) return FormatError::kTooLong;
  std::array<FormatItem, kMaxCheckedLength> items{};
  std::array<char, kMaxCheckedLength> pool{};
  return format_detail::Parse(text, items.data(), kMaxCheckedLength, pool.data()).error;
}

}  // namespace seep
