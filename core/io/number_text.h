// Numbers as text for tables, messages and documents, written one way everywhere.
#pragma once

#include <string>
#include <string_view>

namespace seep {

// Appends v in `digits` significant digits, the shorter of fixed and exponent notation without
// trailing zeros (as %g), or with `digits` 0 in the shortest digits that read back the same value. A
// value that is not finite is written as `notFinite`; when that is empty, as "nan", "inf" or "-inf".
void AppendNumberText(std::string& out, double v, int digits = 6, std::string_view notFinite = {});
std::string NumberText(double v, int digits = 6, std::string_view notFinite = {});

// What each kind of document writes for a value that is not finite.
inline constexpr std::string_view kJsonNull = "null";
inline constexpr std::string_view kEnDash = "\xE2\x80\x93";  // an empty cell of an HTML table

}  // namespace seep
