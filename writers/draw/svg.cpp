#include "writers/draw/svg.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "core/io/xml_text.h"

namespace seep::svg {
namespace {

// Viridis (public domain) sampled at 33 evenly spaced points, 8-bit RGB.
constexpr std::array<std::array<std::uint8_t, 3>, 33> kViridis = {{
    {68, 1, 84},    {71, 13, 96},   {72, 24, 106},  {72, 35, 116},  {71, 45, 123},  {69, 55, 129},
    {66, 64, 134},  {62, 73, 137},  {59, 82, 139},  {55, 91, 141},  {51, 99, 141},  {47, 107, 142},
    {44, 114, 142}, {41, 122, 142}, {38, 130, 142}, {35, 137, 142}, {33, 145, 140}, {31, 151, 139},
    {31, 159, 136}, {33, 166, 133}, {39, 173, 129}, {49, 181, 123}, {61, 188, 116}, {76, 194, 108},
    {92, 200, 99},  {110, 206, 88}, {129, 211, 77}, {149, 216, 64}, {170, 220, 50}, {192, 223, 37},
    {213, 226, 26}, {234, 229, 26}, {253, 231, 37},
}};

}  // namespace

std::int64_t Hundredths(double x) {
  // A coordinate far off the picture (or not a number, from a damaged mesh) is pinned, so that the
  // relative steps between corners never overflow.
  constexpr double kFar = 1e12;
  if (!(x > -kFar)) x = std::isnan(x) ? 0.0 : -kFar;
  if (x > kFar) x = kFar;
  return std::llround(x * 100.0);
}

void AppendHundredths(std::string& out, std::int64_t h) {
  if (h < 0) {
    out += '-';
    h = -h;
  }
  char digits[24];
  const auto whole = std::to_chars(digits, digits + sizeof digits, h / 100);
  out.append(digits, whole.ptr);
  const int cents = static_cast<int>(h % 100);
  if (cents != 0) {
    out += '.';
    out += static_cast<char>('0' + cents / 10);
    if (cents % 10 != 0) out += static_cast<char>('0' + cents % 10);
  }
}

void AppendCoordinate(std::string& out, double x) {
  AppendHundredths(out, Hundredths(x));
}

void AppendValue(std::string& out, double x) {
  if (x == 0.0) x = 0.0;  // no "-0"
  char digits[32];
  // Plain decimals over the range that reads well so ("180000", "0.0025"), else the shorter of the two.
  const double a = std::fabs(x);
  const bool plain = a >= 1e-3 && a < 1e9;
  const auto end = plain ? std::to_chars(digits, digits + sizeof digits, x, std::chars_format::fixed)
                         : std::to_chars(digits, digits + sizeof digits, x);
  out.append(digits, end.ptr);
}

void AppendText(std::string& out, std::string_view text) {
  AppendXmlText(out, text);
}

void AppendViridis(std::string& out, double t) {
  t = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0) * static_cast<double>(kViridis.size() - 1);
  const std::size_t i = std::min(static_cast<std::size_t>(t), kViridis.size() - 2);
  const double f = t - static_cast<double>(i);
  static constexpr char kHex[] = "0123456789abcdef";
  out += '#';
  for (int k = 0; k < 3; ++k) {
    const double v = kViridis[i][k] + f * (kViridis[i + 1][k] - kViridis[i][k]);
    const int byte = std::clamp(static_cast<int>(std::lround(v)), 0, 255);
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  }
}

}  // namespace seep::svg
