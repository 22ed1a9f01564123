// Numbers and names in the plain-text outputs that people and scripts read (aligned tables, CSV, JSON),
// which end their lines with LF and need no legacy field. JSON strings and CSV fields:
// AppendJsonString and AppendCsvField of core/io/xml_text.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace seep {

// The shortest digits that read back the same (NumberText's); "nan", "inf" and "-inf".
void AppendShortest(std::string& out, double v);
// Six significant digits for people.
std::string Readable(double v);
// A JSON number, or null for one that is not finite.
void AppendJsonNumber(std::string& out, double v);
// Rows of cells printed in columns as wide as their widest cell, two blanks apart, trailing blanks cut;
// column `leftColumn` aligned left, the others right.
void AppendColumns(std::string& out, const std::vector<std::vector<std::string>>& rows,
                   std::size_t leftColumn);

}  // namespace seep
