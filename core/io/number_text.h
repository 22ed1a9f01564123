// Numbers as text for tables, messages and documents, written one way everywhere.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace seep {

// Appends v in `digits` significant digits, the shorter of fixed and exponent notation without
// trailing zeros (as %g), or with `digits` 0 in the shortest digits that read back the same value. A
// value that is not finite is written as `notFinite`; when that is empty, as "nan", "inf" or "-inf".
void AppendNumberText(std::string& out, double v, int digits = 6, std::string_view notFinite = {});
std::string NumberText(double v, int digits = 6, std::string_view notFinite = {});

// Labels of round values along one scale (the ticks of an axis, the levels of a colour bar), all in
// one notation: plain decimals, as many as the step needs, or, for values too large or too small to
// read so, the same decimals of value / 10^exponent with the exponent shown once by the scale's title.
struct ScaleText {
  std::vector<std::string> labels;  // one per value
  int exponent = 0;                 // 0: plain
};
ScaleText ScaleLabels(std::span<const double> values, double step);
// "×10⁻⁵" for the title of a scale labelled with that exponent; empty for 0.
std::string ExponentText(int exponent);

// The cells of one table column: every value with the same count of decimals (fixed, when the column's
// largest magnitude reads well so) or the same digits of exponent notation, so that right-aligned they
// line up; `digits` significant digits for the column's largest value. A value that is not finite is
// written as `notFinite`.
std::vector<std::string> ColumnText(std::span<const double> values, int digits = 5,
                                    std::string_view notFinite = {});

// What each kind of document writes for a value that is not finite.
inline constexpr std::string_view kJsonNull = "null";
inline constexpr std::string_view kEnDash = "\xE2\x80\x93";  // an empty cell of an HTML table

}  // namespace seep
