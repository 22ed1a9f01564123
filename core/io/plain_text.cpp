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
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string fill(widths[c] - row[c].size(), ' ');
      line += "  ";
      line += c == leftColumn ? row[c] + fill : fill + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
  }
}

}  // namespace seep
