#include "core/io/text_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "core/io/failure.h"

namespace seep {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool EndsValue(char c) {
  return IsBlank(c) || c == ',' || c == '/';
}

// An optional sign and one or more decimal digits, within the 4-byte range.
bool ParseInt4(std::string_view s, std::int32_t& out) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  std::int64_t v = 0;
  for (char c : s) {
    if (!IsDigit(c)) return false;
    v = v * 10 + (c - '0');
    if (v > std::int64_t{1} << 31) return false;
  }
  if (negative) v = -v;
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  out = static_cast<std::int32_t>(v);
  return true;
}

// An optional sign, digits with an optional point (at least one digit), and an optional exponent
// introduced by E or D in either case. Returns the text in the form strtod reads, or false.
bool RealText(std::string_view s, std::string& text) {
  text.clear();
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') text += '-';
    ++i;
  }
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) text += s[i++], ++digits;
  if (i < s.size() && s[i] == '.') {
    text += s[i++];
    while (i < s.size() && IsDigit(s[i])) text += s[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    text += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) text += s[i++];
    std::size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) text += s[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

template <class Real>
bool ParseReal(std::string_view s, Real& out) {
  std::string text;
  if (!RealText(s, text)) return false;
  Real v{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec == std::errc{} && end == text.data() + text.size()) {
    out = v;
    return true;
  }
  // Out of range: strtod gives the underflowed value, or an infinity for an overflow, which is refused.
  const double d = std::strtod(text.c_str(), nullptr);
  const Real r = static_cast<Real>(d);
  if (std::isinf(r)) return false;
  out = r;
  return true;
}

void Assign(Io& io, int unit, const ListTarget& target, std::string_view value) {
  bool ok = false;
  switch (target.kind) {
    case ListTarget::kInt4:
      ok = ParseInt4(value, *static_cast<std::int32_t*>(target.item));
      break;
    case ListTarget::kReal8:
      ok = ParseReal(value, *static_cast<double*>(target.item));
      break;
    case ListTarget::kReal4:
      ok = ParseReal(value, *static_cast<float*>(target.item));
      break;
  }
  if (!ok) io.Fail(kErrInputConversion, unit);
}

}  // namespace

std::string_view UnreadableEncoding(std::string_view text) {
  if (text.starts_with("\xFF\xFE")) return "UTF-16 (little-endian)";
  if (text.starts_with("\xFE\xFF")) return "UTF-16 (big-endian)";
  return {};
}

void ReadFormatted(Io& io, int unit, std::span<char> field) {
  const std::string_view record = io.GetRecord(unit);
  const std::size_t n = std::min(record.size(), field.size());
  std::memcpy(field.data(), record.data(), n);
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
}

void ReadListItems(Io& io, int unit, std::span<const ListTarget> items) {
  std::size_t next = 0;
  if (items.empty()) {
    io.GetRecord(unit);
    return;
  }
  std::string_view rec = io.GetRecord(unit);
  std::size_t pos = 0;
  // True after a value until its separating comma has been passed; a comma met while false is a null.
  bool valueSeen = false;
  while (next < items.size()) {
    while (pos < rec.size() && IsBlank(rec[pos])) ++pos;
    if (pos == rec.size()) {
      rec = io.GetRecord(unit);
      pos = 0;
      continue;
    }
    const char c = rec[pos];
    if (c == '/') return;
    if (c == ',') {
      ++pos;
      if (valueSeen) {
        valueSeen = false;
      } else {
        ++next;  // null value: the item keeps its value
      }
      continue;
    }
    std::size_t end = pos;
    while (end < rec.size() && !EndsValue(rec[end])) ++end;
    const std::string_view token = rec.substr(pos, end - pos);
    pos = end;
    valueSeen = true;
    const std::size_t star = token.find('*');
    if (star == std::string_view::npos) {
      Assign(io, unit, items[next++], token);
      continue;
    }
    // r*value: r copies of the value; r*: r null values.
    const std::string_view count = token.substr(0, star);
    std::int32_t r = 0;
    if (count.empty() || !std::all_of(count.begin(), count.end(), IsDigit) || !ParseInt4(count, r) ||
        r <= 0) {
      io.Fail(kErrListSyntax, unit);
    }
    const std::string_view value = token.substr(star + 1);
    const std::size_t copies = std::min<std::size_t>(static_cast<std::size_t>(r), items.size() - next);
    for (std::size_t k = 0; k < copies; ++k, ++next) {
      if (!value.empty()) Assign(io, unit, items[next], value);
    }
  }
}

}  // namespace seep
