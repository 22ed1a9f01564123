// The compiled road of an output statement: a formatted statement whose items are numbers and texts
// and whose format's CompiledLine is one record pairs item i with step i; a list-directed statement of
// numbers and texts that fits one record. Both are built directly in the unit's buffer, each field
// edited from its argument as it is, with no item list in between. Whatever the fast routine of a step
// declines goes to EditField, as on the interpreted road.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "core/io/edit/exponent.h"
#include "core/io/edit/text.h"
#include "core/io/failure.h"
#include "core/io/format/compile.h"
#include "core/io/statement/field.h"
#include "core/io/units.h"

namespace seep::statement_detail {

// Room asked for behind a record: its CR LF, the edit routines' scratch, the 16-character copies.
inline constexpr std::size_t kRecordSpare = 2 + kEditSlack + kLineTextSpare;

// The value an argument is edited from: the number itself (a 4-byte real for E and F fields as its
// exact double), or the text.
template <class T>
auto ArgumentValue(const T& x) {
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

// A step's literal characters: one 16-character copy for the short ones (the line's text has
// kLineTextSpare readable characters after each, the record kRecordSpare room behind it).
inline char* PutStepLiteral(char* p, const CompiledLine& line, const CompiledStep& step) {
  const char* text = line.text.data() + step.text;
  if (step.length <= kLineTextSpare) {
    std::memcpy(p, text, kLineTextSpare);
  } else {
    std::memcpy(p, text, step.length);
  }
  return p + step.length;
}

// The rounding of a compiled E field, taken before any field of the record is placed; the other fields
// have none (their exponent says declined).
inline fast::Decimal RoundStep(const CompiledStep& step, double x) {
  return RoundCompiled(x, step.fast.exponent);
}
inline fast::Decimal RoundStep(const CompiledStep& step, float x) {
  return RoundCompiled(static_cast<double>(x), step.fast.exponent);
}
inline fast::Decimal RoundStep(const CompiledStep&, std::int32_t) {
  return {0, fast::kDeclined};
}
inline fast::Decimal RoundStep(const CompiledStep&, std::string_view) {
  return {0, fast::kDeclined};
}

// The field of a step: a compiled E field from its rounding, an I field by its fast routine, an A field
// in place, and whatever these decline by EditField.
inline bool EditStep(Io& io, int unit, char* p, const CompiledStep& step, double x, const fast::Decimal& r) {
  if (r.exponent != fast::kDeclined) {
    PutCompiled(p, x, r, step.fast.exponent);
    return true;
  }
  return EditField(io, unit, p, step.field, RealValue(x));
}
inline bool EditStep(Io& io, int unit, char* p, const CompiledStep& step, float x, const fast::Decimal& r) {
  return EditStep(io, unit, p, step, static_cast<double>(x), r);
}
inline bool EditStep(Io& io, int unit, char* p, const CompiledStep& step, std::int32_t v,
                     const fast::Decimal&) {
  if (step.fast.integer && EditIntegerFast(p, v, step.field.width)) return true;
  return EditField(io, unit, p, step.field, IntegerValue(v));
}
inline bool EditStep(Io& io, int unit, char* p, const CompiledStep& step, std::string_view text,
                     const fast::Decimal&) {
  if (step.fast.text) {
    // The record keeps kEditSlack characters of scratch behind every field.
    static_assert(kShortTextWidth <= static_cast<std::size_t>(kEditSlack));
    if (step.field.width <= kShortTextWidth) {
      EditShortText(p, text.data(), text.size(), step.field.width);
    } else {
      EditText(p, text.data(), text.size(), step.field.width);
    }
    return true;
  }
  return EditField(io, unit, p, step.field, TextValue(text));
}

template <class... Values>
void RunCompiledLine(Io& io, Unit& u, int unit, const CompiledLine& line, const Values&... values) {
  // Every compiled E field is rounded first: the roundings do not depend on each other, nor on where
  // the fields go.
  fast::Decimal rounded[sizeof...(Values) + 1];
  {
    std::size_t i = 0;
    ((rounded[i] = RoundStep(line.steps[i], values), ++i), ...);
    static_cast<void>(i);
  }
  char* p = io.RecordRoom(u, static_cast<std::size_t>(line.longest) + kRecordSpare);
  const CompiledStep* step = line.steps.data();
  const fast::Decimal* r = rounded;
  bool fits = true;
  [[maybe_unused]] auto field = [&](const auto& value) {
    p = PutStepLiteral(p, line, *step);
    if (step->pad != 0) {
      std::memset(p, ' ', kLineTextSpare);  // at most kLineTextSpare columns on the compiled road
      p += step->pad;
    }
    if (!EditStep(io, unit, p, *step, value, *r)) fits = false;
    p += step->field.width;
    ++step;
    ++r;
  };
  (field(values), ...);
  // The literal before the field that finds no item, or at the end of the format.
  p = PutStepLiteral(p, line, *step);
  io.CommitRecord(u, p);
  if (!fits) io.Warn(kErrOutputConversion, unit);
}

// A list-directed statement in one record; false (nothing written) when its elements need more than one.
template <class... Values>
bool RunCompiledList(Io& io, int unit, const Values&... values) {
  bool leadingBlank = true;
  std::size_t width = 0;
  ((width += ListFieldWidth(values, leadingBlank),
    leadingBlank = leadingBlank && !std::is_same_v<Values, std::string_view>),
   ...);
  if (width > static_cast<std::size_t>(kListWidth)) return false;
  Unit* u = io.OutputUnit(unit);
  if (u == nullptr) return false;
  char* p = io.RecordRoom(*u, static_cast<std::size_t>(kListWidth) + kRecordSpare);
  leadingBlank = true;
  ((p = PutListField(p, values, leadingBlank)), ...);
  io.CommitRecord(*u, p);
  return true;
}

}  // namespace seep::statement_detail
