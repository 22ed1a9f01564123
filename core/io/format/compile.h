// Formats compiled once, when the program is built.
//
//   inline constexpr auto kNodeLine = CompileFormat("(1P E12.4 6(',' 1P E12.4))");
//
// CompileFormat is consteval: a malformed format stops the build (the compiler's message names the
// fault), and the running program never parses. A compiled format serves two roads:
//
//   - the interpreted road (core/io/statement/interpreted.cpp) walks the flat list of items with its
//     groups, repeat counts and reversion, for any output list;
//   - the compiled road (core/io/statement/compiled.h) runs the CompiledLine: the format's first pass,
//     every repeat group and count written out, each data edit descriptor one step with its field and
//     the fast routine its row made for it (an E field's layout, an I field's routine). A statement of
//     numbers and texts that the first pass covers in one record, which is every data line of the output
//     files, takes this road and never looks at groups, counts or reversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "core/io/format/descriptors.h"
#include "core/io/format/parse.h"

namespace seep {

// One step of a compiled line: its literal characters, which are written whenever the step is reached
// (items left or not), then its action: a field (a data edit descriptor, taking the next item), the end
// of a record (slash) or the end of the format. nX columns are folded in: into the literal when a literal
// follows them, into `pad` when a field follows them (they become blanks only if the field is written),
// and dropped before a slash or the end, where they would add nothing.
struct CompiledStep {
  std::uint16_t text = 0;   // first literal character in CompiledLine::text
  std::uint8_t length = 0;  // literal characters
  std::uint8_t pad = 0;     // blanks before the field
  Field field;              // op: a data edit descriptor, kSlash or kEnd
  CompiledField fast;       // the fast routine the descriptor's row made for the field
};

inline constexpr int kMaxLineSteps = 64;
inline constexpr int kMaxLineText = 256;
inline constexpr int kLineTextSpare = 16;  // readable characters after every literal

struct CompiledLine {
  std::array<CompiledStep, kMaxLineSteps> steps{};
  std::array<char, kMaxLineText + kLineTextSpare> text{};
  int fields = 0;   // steps that take an item
  int longest = 0;  // characters of the longest record the line writes
  // The compiled road is open: the first pass is one record, short enough to compile, without A of no
  // width and without nX wider than kLineTextSpare; step i is the field of item i.
  bool oneRecord = false;
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
  CompiledLine line;

  constexpr FormatView View() const { return {items.data(), text.data(), reversion, reversionHasData}; }
};

// Compiles the first pass of a parsed format (items up to kEnd) into `line`; leaves oneRecord false
// when the pass needs more than kMaxLineSteps steps or kMaxLineText literal characters, or holds an A
// without width (whose record length only the item tells).
class LineCompiler {
 public:
  constexpr LineCompiler(const char* pool, CompiledLine& line) : pool_(pool), line_(line) {}

  constexpr bool Literal(const FormatItem& f) {
    for (; pad_ > 0; --pad_) {
      if (!Append(' ')) return false;
    }
    for (int i = 0; i < f.length; ++i) {
      if (!Append(pool_[f.text + i])) return false;
    }
    return true;
  }
  constexpr bool Skip(int n) {
    pad_ += n;
    return true;
  }
  // A without width has no fixed length.
  constexpr bool Data(const Field& f) { return f.width != 0 && Emit(f); }
  constexpr bool Slash() { return Emit({FormatOp::kSlash}); }
  constexpr int End() {
    if (!Emit({FormatOp::kEnd})) return -1;
    line_.fields = fields_;
    line_.longest = longest_;
    line_.oneRecord = true;
    for (int i = 0; i < steps_; ++i) {
      const CompiledStep& step = line_.steps[static_cast<std::size_t>(i)];
      if (step.field.op == FormatOp::kSlash || step.pad > kLineTextSpare) line_.oneRecord = false;
    }
    return -1;
  }

 private:
  constexpr bool Append(char c) {
    if (textLength_ >= kMaxLineText || textLength_ - literalStart_ >= 255) return false;
    line_.text[static_cast<std::size_t>(textLength_++)] = c;
    ++record_;
    return true;
  }
  // A step: the literal gathered since the last one, then the field, slash or end.
  constexpr bool Emit(const Field& f) {
    if (steps_ >= kMaxLineSteps) return false;
    CompiledStep& step = line_.steps[static_cast<std::size_t>(steps_++)];
    step.text = static_cast<std::uint16_t>(literalStart_);
    step.length = static_cast<std::uint8_t>(textLength_ - literalStart_);
    literalStart_ = textLength_;
    step.field = f;
    if (IsDataEdit(f.op)) {
      if (pad_ > 255) return false;
      step.pad = static_cast<std::uint8_t>(pad_);
      step.fast = RowOf(f.op).compile(f);
      record_ += pad_ + f.width;
      ++fields_;
    }
    pad_ = 0;  // nX before a slash or the end adds nothing
    if (f.op == FormatOp::kSlash || f.op == FormatOp::kEnd) {
      if (record_ > longest_) longest_ = record_;
      record_ = 0;
    }
    return true;
  }

  const char* pool_;
  CompiledLine& line_;
  int steps_ = 0;
  int textLength_ = 0;
  int literalStart_ = 0;  // the current step's literal is text[literalStart_, textLength_)
  int pad_ = 0;           // nX columns not yet written
  int record_ = 0;        // characters of the current record so far
  int longest_ = 0;
  int fields_ = 0;
};

namespace format_detail {

// Not constexpr on purpose: calling one of these during CompileFormat stops the build, and the
// compiler's message names the fault. One per FormatError, in its order.
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

inline constexpr void (*kBuildStops[])() = {
    nullptr,
    &FormatTextIsMalformed_NoOpeningParenthesis,
    &FormatTextIsMalformed_UnbalancedParentheses,
    &FormatTextIsMalformed_TextAfterClosingParenthesis,
    &FormatTextIsMalformed_UnterminatedLiteral,
    &FormatTextIsMalformed_UnknownDescriptor,
    &FormatTextIsMalformed_MissingWidth,
    &FormatTextIsMalformed_MissingDigits,
    &FormatTextIsMalformed_ZeroNotAllowed,
    &FormatTextIsMalformed_NumberTooLarge,
    &FormatTextIsMalformed_CountWithoutDescriptor,
    &FormatTextIsMalformed_OnlyScaleFactors0Pand1P,
    &FormatTextIsMalformed_GroupsNestedTooDeep,
    &FormatTextIsMalformed_MissingSeparator,
    &FormatTextIsMalformed_MisplacedComma,
    &FormatTextIsMalformed_TooLong,
};
static_assert(std::size(kBuildStops) == static_cast<std::size_t>(FormatError::kTooLong) + 1,
              "one build stop per FormatError");

constexpr void Reject(FormatError e) {
  if (e != FormatError::kNone) kBuildStops[static_cast<std::size_t>(e)]();
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
  LineCompiler compiler(f.text.data(), f.line);
  WalkFormat(f.items.data(), compiler);
  return f;
}

}  // namespace seep
