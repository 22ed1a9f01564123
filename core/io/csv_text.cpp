#include "core/io/csv_text.h"

#include <algorithm>
#include <array>

#include "core/io/number_text.h"

namespace seep {

CsvStyle SpreadsheetCsv(char decimal, char list) {
  CsvStyle style;
  style.mark = true;
  if (decimal == ',') {
    style.decimal = ',';
    style.separator = list == ',' || list == '\0' ? ';' : list;
  } else if (list != '\0' && list != decimal) {
    style.separator = list;
  }
  return style;
}

bool DecimalCommaLocale(std::string_view name) {
  // The languages whose usual locales write 1,5 (the territories below excepted).
  constexpr std::array<std::string_view, 47> kCommaLanguages{
      "af", "az", "be", "bg", "bs", "ca", "cs", "da", "de", "el", "es", "et", "eu", "fi", "fo", "fr",
      "gl", "hr", "hu", "hy", "id", "is", "it", "ka", "kk", "ky", "lt", "lv", "mk", "mn", "nb", "nl",
      "nn", "no", "pl", "pt", "ro", "ru", "sk", "sl", "sq", "sr", "sv", "tr", "uk", "uz", "vi"};
  constexpr std::array<std::string_view, 6> kPointTerritories{"de_CH", "de_LI", "it_CH",
                                                              "es_MX", "es_US", "es_PR"};
  const std::string_view locale = name.substr(0, name.find_first_of(".@"));
  const std::string_view language = locale.substr(0, locale.find('_'));
  if (std::find(kPointTerritories.begin(), kPointTerritories.end(), locale) != kPointTerritories.end())
    return false;
  return std::find(kCommaLanguages.begin(), kCommaLanguages.end(), language) != kCommaLanguages.end();
}

void StartCsv(std::string& out, const CsvStyle& style) {
  if (style.mark) out += "\xEF\xBB\xBF";
}

void AppendCsvField(std::string& out, std::string_view text, const CsvStyle& style) {
  if (text.find_first_of("\"\r\n") == std::string_view::npos &&
      text.find(style.separator) == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendCsvNumber(std::string& out, double v, const CsvStyle& style) {
  const std::size_t start = out.size();
  AppendNumberText(out, v, 0);
  if (style.decimal != '.')
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '.', style.decimal);
}

std::string WithFirstColumn(std::string_view csv, std::string_view heading, std::string_view value,
                            const CsvStyle& style) {
  std::string out;
  std::string field;
  AppendCsvField(field, value, style);
  field += style.separator;
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  if (csv.starts_with(kMark)) {
    out += kMark;
    csv.remove_prefix(kMark.size());
  }
  for (bool first = true; !csv.empty(); first = false) {
    const std::size_t end = std::min(csv.find('\n'), csv.size() - 1) + 1;
    if (first) {
      AppendCsvField(out, heading, style);
      out += style.separator;
    } else {
      out += field;
    }
    out += csv.substr(0, end);
    csv.remove_prefix(end);
  }
  return out;
}

}  // namespace seep
