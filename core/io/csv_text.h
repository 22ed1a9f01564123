// Tables as CSV: the plain CSV that scripts read (commas, points, no byte order mark), and the CSV that
// a spreadsheet in the user's locale opens in columns.
#pragma once

#include <string>
#include <string_view>

namespace seep {

struct CsvStyle {
  char separator = ',';
  char decimal = '.';
  bool mark = false;  // a UTF-8 byte order mark first, by which a spreadsheet knows the text is UTF-8
};

// The CSV a spreadsheet reads in a locale with the decimal mark `decimal` and the list separator
// `list`: a byte order mark, and `;` between fields wherever the decimal mark is a comma.
CsvStyle SpreadsheetCsv(char decimal, char list);

// True when the POSIX locale `name` ("de_DE.UTF-8", "fr_CA", "C") writes numbers with a decimal comma.
bool DecimalCommaLocale(std::string_view name);

// The byte order mark when the style has one: first in the table.
void StartCsv(std::string& out, const CsvStyle& style);

// A field: quoted, with its quotes doubled, when it holds the separator, a quote or a line break.
void AppendCsvField(std::string& out, std::string_view text, const CsvStyle& style = {});

// A number in the shortest digits that read back the same, with the style's decimal mark.
void AppendCsvNumber(std::string& out, double v, const CsvStyle& style);

// A CSV text of LF lines given a first column: `heading` on its first line (after a byte order mark),
// `value` on every other. No field of the text may hold a line break.
std::string WithFirstColumn(std::string_view csv, std::string_view heading, std::string_view value,
                            const CsvStyle& style = {});

}  // namespace seep
