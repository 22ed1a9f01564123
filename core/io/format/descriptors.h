// The data edit descriptors, one row each: everything the parser, the compiler of a format, the
// interpreter and the compiled road need to know about a descriptor.
//
// Adding a descriptor: its FormatOp before kEnd, its row in kDescriptors, its routine in core/io/edit/.
// A descriptor without its row does not compile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/io/edit/exponent.h"
#include "core/io/edit/fixed.h"
#include "core/io/edit/integer.h"
#include "core/io/edit/text.h"

namespace seep {

// The items of a format: the data edit descriptors first, one row each in kDescriptors, then the
// control items, which the parser, the compiler and the interpreter handle themselves.
enum class FormatOp : std::uint8_t {
  kInteger,   // Iw
  kText,      // Aw, or A (width 0: the item's own length)
  kExponent,  // Ew.d
  kFixed,     // Fw.d
  kEnd,       // the end of the format
  kLiteral,   // 'text'
  kSkip,      // nX
  kScale,     // kP
  kSlash,     // /
  kOpen,      // n(
  kClose,     // )
};

inline constexpr int kDataDescriptors = static_cast<int>(FormatOp::kEnd);

constexpr bool IsDataEdit(FormatOp op) {
  return static_cast<int>(op) < kDataDescriptors;
}

// One element of an output list as a field receives it.
struct EditValue {
  enum Kind : std::uint8_t { kInteger, kReal, kText } kind = kInteger;
  bool single = false;  // a 4-byte real (its exact value is in `real`)
  std::int32_t integer = 0;
  std::int32_t length = 0;  // text
  double real = 0;
  const char* text = nullptr;
};

// A data edit descriptor as it applies to one field: the descriptor, w, d and the scale factor in force.
struct Field {
  FormatOp op = FormatOp::kEnd;
  std::int8_t scale = 0;
  std::uint8_t width = 0;
  std::uint8_t digits = 0;
};

// What a compiled format keeps of a field besides the descriptor: the fast routine made for it when the
// format is compiled, if the descriptor has one.
struct CompiledField {
  ExponentLayout exponent;  // Ew.d
  bool integer = false;     // Iw: the fast routine takes the field (EditIntegerFast)
  bool text = false;        // Aw: the text is placed in the field as it is
};

// How a descriptor takes its d: not at all (Iw, Aw), d >= 1 (Ew.d), d >= 0 (Fw.d).
enum class Digits : std::uint8_t { kNone, kPositive, kAny };

struct DescriptorRow {
  FormatOp op;
  char letter;  // upper case; the parser accepts either case
  bool widthOptional;
  Digits digits;
  unsigned accepts;  // bit EditValue::Kind of every kind of value it edits; others fail with error 61
  // Writes the field at `out` (room for its width + kEditSlack); false when it overflowed.
  bool (*edit)(char* out, const Field& f, const EditValue& v);
  // The fast routine for the field, made when the format is compiled (an empty CompiledField when the
  // descriptor has none).
  CompiledField (*compile)(const Field& f);
};

inline constexpr unsigned Accepts(EditValue::Kind kind) {
  return 1u << kind;
}

inline constexpr std::array<DescriptorRow, kDataDescriptors> kDescriptors = {{
    {FormatOp::kInteger, 'I', false, Digits::kNone, Accepts(EditValue::kInteger),
     [](char* out, const Field& f, const EditValue& v) { return EditInteger(out, v.integer, f.width); },
     [](const Field& f) {
       return CompiledField{{}, f.width >= 1 && f.width <= kFastIntegerWidth};
     }},
    {FormatOp::kText, 'A', true, Digits::kNone, Accepts(EditValue::kText),
     [](char* out, const Field& f, const EditValue& v) {
       const std::size_t n = static_cast<std::size_t>(v.length);
       EditText(out, v.text, n, f.width == 0 ? n : f.width);
       return true;
     },
     [](const Field&) {
       return CompiledField{{}, false, true};
     }},
    {FormatOp::kExponent, 'E', false, Digits::kPositive, Accepts(EditValue::kReal),
     [](char* out, const Field& f, const EditValue& v) {
       return EditExponent(out, v.real, f.width, f.digits, f.scale);
     },
     [](const Field& f) {
       return CompiledField{CompileExponent(f.width, f.digits, f.scale), false};
     }},
    {FormatOp::kFixed, 'F', false, Digits::kAny, Accepts(EditValue::kReal),
     [](char* out, const Field& f, const EditValue& v) {
       return EditFixed(out, v.real, f.width, f.digits, f.scale);
     },
     [](const Field&) { return CompiledField{}; }},
}};

// A missing row leaves a row of zeros (no letter, no kind of value) at the end of the table; a row without
// its compile routine stops the build where CompileFormat calls it.
constexpr bool EveryDescriptorHasItsRow() {
  for (int i = 0; i < kDataDescriptors; ++i) {
    const DescriptorRow& row = kDescriptors[static_cast<std::size_t>(i)];
    if (static_cast<int>(row.op) != i || row.letter < 'A' || row.letter > 'Z' || row.accepts == 0) {
      return false;
    }
  }
  return true;
}
static_assert(EveryDescriptorHasItsRow(),
              "every data edit descriptor needs its row in kDescriptors, in order");

constexpr const DescriptorRow& RowOf(FormatOp op) {
  return kDescriptors[static_cast<std::size_t>(op)];
}

// The row of a descriptor letter (upper case), or -1. (An index: a build with sanitizers cannot compare
// the address of a row with null in a constant expression.)
constexpr int RowOfLetter(char letter) {
  for (int i = 0; i < kDataDescriptors; ++i) {
    if (kDescriptors[static_cast<std::size_t>(i)].letter == letter) return i;
  }
  return -1;
}

// Characters a field takes: its width, or the text's own length for A without width.
constexpr std::size_t FieldWidth(const Field& f, const EditValue& v) {
  return f.width == 0 && v.kind == EditValue::kText ? static_cast<std::size_t>(v.length) : f.width;
}

}  // namespace seep
