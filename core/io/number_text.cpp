#include "core/io/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace seep {

void AppendNumberText(std::string& out, double v, int digits, std::string_view notFinite) {
  if (!std::isfinite(v)) {
    if (!notFinite.empty()) {
      out += notFinite;
    } else {
      out += std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf";
    }
    return;
  }
  char buffer[64];
  const auto end =
      digits > 0 ? std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, digits).ptr
                 : std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  out.append(buffer, end);
}

std::string NumberText(double v, int digits, std::string_view notFinite) {
  std::string text;
  AppendNumberText(text, v, digits, notFinite);
  return text;
}

namespace {

// Decimals that write `step` exactly (to a part in a million), at most 12.
int DecimalsOf(double step) {
  step = std::fabs(step);
  for (int d = 0; d < 12; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled) return d;
  }
  return 12;
}

void AppendFixed(std::string& out, double v, int decimals) {
  char buffer[400];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  out.append(buffer, end.ec == std::errc{} ? end.ptr : buffer);
}

// Drops the trailing zeros (and then the point) that every text of `cells` has in its fraction; a
// cell in exponent notation loses them before its "e".
void DropCommonZeros(std::vector<std::string>& cells, const std::vector<char>& number) {
  for (;;) {
    bool all = true, any = false;
    for (std::size_t k = 0; k < cells.size() && all; ++k) {
      if (!number[k]) continue;
      const std::string& c = cells[k];
      const std::size_t end = std::min(c.find('e'), c.size());
      const std::size_t point = c.find('.');
      all = point != std::string::npos && point < end && end > point + 1 && c[end - 1] == '0';
      any = true;
    }
    if (!all || !any) break;
    for (std::size_t k = 0; k < cells.size(); ++k) {
      if (!number[k]) continue;
      std::string& c = cells[k];
      const std::size_t end = std::min(c.find('e'), c.size());
      c.erase(end - 1, 1);
    }
  }
  // Every fraction emptied at once (the cells have the same decimals): the points go too.
  for (std::size_t k = 0; k < cells.size(); ++k) {
    if (!number[k]) continue;
    std::string& c = cells[k];
    const std::size_t end = std::min(c.find('e'), c.size());
    if (end > 0 && c[end - 1] == '.') c.erase(end - 1, 1);
  }
}

}  // namespace

ScaleText ScaleLabels(std::span<const double> values, double step) {
  ScaleText scale;
  double most = 0.0;
  for (double v : values) {
    if (std::isfinite(v)) most = std::max(most, std::fabs(v));
  }
  if (!(step > 0.0) || !std::isfinite(step)) step = most > 0.0 ? most : 1.0;
  int decimals = DecimalsOf(step);
  double unit = 1.0;
  if (most >= 1e6 || decimals > 4) {
    // Within the normal range, so that the unit neither underflows to 0 nor overflows.
    scale.exponent = std::clamp(static_cast<int>(std::floor(std::log10(step) + 1e-9)), -307, 307);
    unit = std::pow(10.0, scale.exponent);
    decimals = DecimalsOf(step / unit);
  }
  for (double v : values) {
    std::string text;
    if (!std::isfinite(v)) {
      AppendNumberText(text, v);
    } else {
      double shown = v / unit;
      if (std::fabs(v) < 1e-9 * step) shown = 0.0;  // no "-0" for a level that sums to a tiny rest
      AppendFixed(text, shown, decimals);
    }
    scale.labels.push_back(std::move(text));
  }
  return scale;
}

std::string ExponentText(int exponent) {
  if (exponent == 0) return {};
  static constexpr const char* kSuperscript[] = {
      "\xE2\x81\xB0", "\xC2\xB9",     "\xC2\xB2",     "\xC2\xB3",     "\xE2\x81\xB4",
      "\xE2\x81\xB5", "\xE2\x81\xB6", "\xE2\x81\xB7", "\xE2\x81\xB8", "\xE2\x81\xB9"};
  std::string note =
      "\xC3\x97"
      "10";                                  // ×10
  if (exponent < 0) note += "\xE2\x81\xBB";  // superscript minus
  const std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
  for (char d : digits) note += kSuperscript[d - '0'];
  return note;
}

std::vector<std::string> ColumnText(std::span<const double> values, int digits, std::string_view notFinite) {
  digits = std::clamp(digits, 1, 17);
  double most = 0.0;
  for (double v : values) {
    if (std::isfinite(v)) most = std::max(most, std::fabs(v));
  }
  const bool fixed = most == 0.0 || (most >= 1e-2 && most < 1e7);
  const int decimals =
      most == 0.0 ? 0 : std::max(0, digits - 1 - static_cast<int>(std::floor(std::log10(most))));
  std::vector<std::string> cells;
  std::vector<char> number;
  cells.reserve(values.size());
  for (double v : values) {
    std::string text;
    number.push_back(std::isfinite(v) ? 1 : 0);
    if (!std::isfinite(v)) {
      AppendNumberText(text, v, digits, notFinite);
    } else if (fixed) {
      AppendFixed(text, v, decimals);
      if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    } else if (v == 0.0) {
      text = "0";  // a plain zero among exponents
      number.back() = 0;
    } else {
      char buffer[64];
      const auto end =
          std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, digits - 1).ptr;
      text.assign(buffer, end);
    }
    cells.push_back(std::move(text));
  }
  DropCommonZeros(cells, number);
  return cells;
}

}  // namespace seep
