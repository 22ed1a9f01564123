#include "core/io/plain_text.h"

#include <algorithm>

#include "core/io/number_text.h"

namespace seep {

void AppendShortest(std::string& out, double v) {
  AppendNumberText(out, v, 0);
}

std::string Readable(double v) {
  return NumberText(v);
}

void AppendJsonNumber(std::string& out, double v) {
  AppendNumberText(out, v, 0, kJsonNull);
}

void AppendColumns(std::string& out, const std::vector<std::vector<std::string>>& rows,
                   std::size_t leftColumn) {
  // The width of a cell in characters: its UTF-8 bytes that begin one.
  auto width = [](const std::string& cell) {
    return static_cast<std::size_t>(std::count_if(
        cell.begin(), cell.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  };
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string fill(widths[c] - width(row[c]), ' ');
      line += "  ";
      line += c == leftColumn ? row[c] + fill : fill + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
  }
}

}  // namespace seep
