// Small pieces of SVG text: numbers with only the digits a picture needs, escaped text, viridis colours.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace seep::svg {

// Appends x rounded to two decimals with no trailing zeros ("12.5", "-3", "0.07"); x is a picture
// coordinate, limited as Hundredths does.
void AppendCoordinate(std::string& out, double x);
// x rounded to hundredths, as an integer count of hundredths, for relative path steps; x beyond
// ±1e12 is taken as ±1e12 and NaN as 0.
std::int64_t Hundredths(double x);
void AppendHundredths(std::string& out, std::int64_t h);
// Appends x in the shortest digits that read back the same: plain decimals from 0.001 to 1e9 ("0.3",
// "180000"), the shorter form outside that ("2.5e-07").
void AppendValue(std::string& out, double x);
// Appends text for an element or attribute: &, <, >, " and ' escaped, every byte sequence that is not
// valid UTF-8 and every control character replaced by U+FFFD.
void AppendText(std::string& out, std::string_view text);
// The viridis colour at t in 0 ... 1 as "#rrggbb".
void AppendViridis(std::string& out, double t);

}  // namespace seep::svg
