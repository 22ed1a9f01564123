#include "core/io/number_text.h"

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

}  // namespace seep
