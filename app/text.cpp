#include "app/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/io/number_text.h"
#include "core/io/xml_text.h"

namespace seep {
namespace {

std::string Fixed(double v, int digits) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, digits).ptr;
  return std::string(buffer, end);
}

}  // namespace

std::string TrimmedTitle(const Store& s) {
  std::string_view title(s.TITLE.data(), s.TITLE.size());
  while (!title.empty() && (title.back() == ' ' || title.back() == '\0')) title.remove_suffix(1);
  return std::string(title);
}

std::string Number(double v) {
  return NumberText(v);
}

std::string Bytes(std::uint64_t bytes) {
  const double b = static_cast<double>(bytes);
  if (bytes < 1000) return std::to_string(bytes) + " bytes";
  if (b < 1e6) return Fixed(b / 1e3, b < 1e4 ? 2 : 1) + " kB";
  if (b < 1e9) return Fixed(b / 1e6, b < 1e7 ? 2 : 1) + " MB";
  return Fixed(b / 1e9, b < 1e10 ? 2 : 1) + " GB";
}

std::string Seconds(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  if (seconds < 10) return Fixed(seconds, 2) + " s";
  if (seconds < 60) return Fixed(seconds, 1) + " s";
  const auto whole = static_cast<long long>(seconds);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld:%02lld", whole / 60, whole % 60);
  return buffer;
}

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

}  // namespace seep
