// A few pieces of HTML text: elements with escaped text and attributes, and tables driven by a list of
// columns. Every text from the data goes through AppendXmlText, so that titles and names in a legacy
// code page come out as valid UTF-8.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/io/number_text.h"
#include "core/model/measure.h"

namespace seep::html {

struct Attr {
  std::string_view name, value;
};

// <tag name="value" ...>, the values escaped.
void Open(std::string& out, std::string_view tag, std::initializer_list<Attr> attrs = {});
void Close(std::string& out, std::string_view tag);
// <tag ...>text</tag>, the text escaped.
void Element(std::string& out, std::string_view tag, std::string_view text,
             std::initializer_list<Attr> attrs = {});
// The text escaped, on its own.
void Text(std::string& out, std::string_view text);

// A value in six significant digits, the shortest way ("0.25", "1.5e+06"); a dash for a value that is
// not finite.
std::string Number(double v);

// One column of a table: its heading and its cell of row r as text (escaped when written), or its value
// in row r: a column of values is written as one, in the same digits (ColumnText), a dash for a value
// that is not finite. With `units`, a row of the columns' units under the headings, and the values
// shown in them.
template <class Row>
struct Column {
  std::string_view heading;
  std::string (*cell)(const Row& row) = nullptr;
  double (*value)(const Row& row) = nullptr;
  Quantity quantity = Quantity::kNone;  // of the value, for its unit
};

// <table> with a head row of the columns' headings and one row per entry; `rowId(k)` names row k
// ("" for none) so that a script can find it.
template <class Row, class RowId>
void Table(std::string& out, std::span<const Column<Row>> columns, std::span<const Row> rows, RowId&& rowId,
           std::string_view cls = "", const MeasureUnits* units = nullptr) {
  if (cls.empty()) {
    Open(out, "table");
  } else {
    Open(out, "table", {{"class", cls}});
  }
  out += "\n<thead><tr>";
  for (const Column<Row>& c : columns) Element(out, "th", c.heading);
  if (units != nullptr) {
    // A row of units under the headings.
    out += "</tr>\n<tr class=\"units\">";
    for (const Column<Row>& c : columns)
      Element(out, "th", c.value != nullptr ? units->Name(c.quantity) : "");
  }
  out += "</tr></thead>\n<tbody>\n";
  std::vector<std::vector<std::string>> valueCells(columns.size());
  std::vector<double> values(rows.size());
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].value == nullptr) continue;
    const double factor = units != nullptr ? units->Factor(columns[c].quantity) : 1.0;
    for (std::size_t k = 0; k < rows.size(); ++k) values[k] = factor * columns[c].value(rows[k]);
    valueCells[c] = ColumnText(values, 5, kEnDash);
  }
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const std::string id = rowId(k);
    if (id.empty()) {
      Open(out, "tr");
    } else {
      Open(out, "tr", {{"id", id}});
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
      Element(out, "td", columns[c].value != nullptr ? valueCells[c][k] : columns[c].cell(rows[k]));
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
}

}  // namespace seep::html
