#include "writers/profile/profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/io/csv_text.h"
#include "core/io/number_text.h"
#include "core/io/xml_text.h"
#include "core/model/gradient.h"
#include "writers/draw/plot.h"

namespace seep {

void WriteProfileTable(std::string& out, const ProfileRun& run) {
  const MeasureUnits& u = run.units;
  const Quantity q = FieldQuantity(run.field);
  // Each column in one notation: the figures of every row first.
  std::vector<double> time, distance, x, y, value;
  for (std::size_t step = 0; step < run.steps.size(); ++step) {
    for (std::size_t k = 0; k < run.at.size(); ++k) {
      time.push_back(u.Show(Quantity::kTime, run.times[step]));
      distance.push_back(u.Show(Quantity::kLength, run.distance[k]));
      x.push_back(u.Show(Quantity::kLength, run.at[k].x));
      y.push_back(u.Show(Quantity::kLength, run.at[k].y));
      value.push_back(u.Show(q, ProfileValue(run, step, k)));
    }
  }
  const std::vector<std::vector<std::string>> columns = {ColumnText(time, 6), ColumnText(distance, 6),
                                                         ColumnText(x, 6), ColumnText(y, 6),
                                                         ColumnText(value, 6, kEnDash)};
  std::vector<std::vector<std::string>> rows = {
      {"step", "time", "distance", "x", "y",
       std::string(kPlotFieldNames[static_cast<std::size_t>(run.field)])}};
  if (u.stated) {
    const std::string L = u.Name(Quantity::kLength);
    rows.push_back({"", u.Name(Quantity::kTime), L, L, L, u.Name(q)});
  }
  for (std::size_t step = 0, i = 0; step < run.steps.size(); ++step) {
    for (std::size_t k = 0; k < run.at.size(); ++k, ++i) {
      rows.push_back({std::to_string(run.steps[step]), columns[0][i], columns[1][i], columns[2][i],
                      columns[3][i], columns[4][i]});
    }
  }
  std::vector<std::size_t> widths(6, 0);
  auto width = [](const std::string& cell) {
    return static_cast<std::size_t>(std::count_if(
        cell.begin(), cell.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  };
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c)
      line += "  " + std::string(widths[c] - width(row[c]), ' ') + row[c];
    out += line;
    out += '\n';
  }
  out += u.stated ? "\n" : "\n  all figures in model units (the file's; state them with --file-units)\n";
  out += "  " + std::to_string(run.at.size()) +
         (run.atCrossings ? " points along the line: its ends and where it crosses an element edge; "
                          : " points evenly spaced along the line; ") +
         "\xE2\x80\x93: outside the active mesh\n";
}

void WriteProfileCsv(std::string& out, const ProfileRun& run, const CsvStyle& style) {
  const MeasureUnits& u = run.units;
  const Quantity q = FieldQuantity(run.field);
  auto unit = [&](Quantity of) {
    return u.stated && of != Quantity::kNone ? " (" + u.Name(of) + ")" : std::string();
  };
  StartCsv(out, style);
  out += "step";
  for (const std::string& column :
       {"time" + unit(Quantity::kTime), "distance" + unit(Quantity::kLength), "x" + unit(Quantity::kLength),
        "y" + unit(Quantity::kLength),
        std::string(kPlotFieldNames[static_cast<std::size_t>(run.field)]) + unit(q)}) {
    out += style.separator;
    AppendCsvField(out, column, style);
  }
  out += '\n';
  for (std::size_t step = 0; step < run.steps.size(); ++step) {
    for (std::size_t k = 0; k < run.at.size(); ++k) {
      out += std::to_string(run.steps[step]);
      for (double v : {u.Show(Quantity::kTime, run.times[step]), u.Show(Quantity::kLength, run.distance[k]),
                       u.Show(Quantity::kLength, run.at[k].x), u.Show(Quantity::kLength, run.at[k].y),
                       u.Show(q, ProfileValue(run, step, k))}) {
        out += style.separator;
        if (std::isfinite(v)) AppendCsvNumber(out, v, style);
      }
      out += '\n';
    }
  }
}

void WriteProfileJson(std::string& out, const ProfileRun& run, const std::string& file) {
  const MeasureUnits& u = run.units;
  const Quantity q = FieldQuantity(run.field);
  auto number = [&](Quantity of, double v) { AppendNumberText(out, u.Show(of, v), 0, kJsonNull); };
  out += "{\n  \"file\": ";
  AppendJsonString(out, file);
  out += ",\n  \"field\": ";
  AppendJsonString(out, kPlotFieldNames[static_cast<std::size_t>(run.field)]);
  if (u.stated) {
    out += ",\n  \"units\": {\"length\": ";
    AppendJsonString(out, u.Name(Quantity::kLength));
    out += ", \"time\": ";
    AppendJsonString(out, u.Name(Quantity::kTime));
    out += ", \"value\": ";
    AppendJsonString(out, u.Name(q));
    out += '}';
  }
  out += ",\n  \"line\": [";
  for (std::size_t k = 0; k < run.line.size(); ++k) {
    out += k == 0 ? "[" : ", [";
    number(Quantity::kLength, run.line[k].x);
    out += ", ";
    number(Quantity::kLength, run.line[k].y);
    out += ']';
  }
  out += "],\n  \"points\": [";
  for (std::size_t k = 0; k < run.at.size(); ++k) {
    out += k == 0 ? "\n    {\"distance\": " : ",\n    {\"distance\": ";
    number(Quantity::kLength, run.distance[k]);
    out += ", \"x\": ";
    number(Quantity::kLength, run.at[k].x);
    out += ", \"y\": ";
    number(Quantity::kLength, run.at[k].y);
    out += '}';
  }
  out += "\n  ],\n  \"steps\": [";
  for (std::size_t step = 0; step < run.steps.size(); ++step) {
    out += step == 0 ? "\n    {\"step\": " : ",\n    {\"step\": ";
    out += std::to_string(run.steps[step]);
    out += ", \"time\": ";
    number(Quantity::kTime, run.times[step]);
    out += ", \"values\": [";
    for (std::size_t k = 0; k < run.at.size(); ++k) {
      if (k > 0) out += ", ";
      number(q, ProfileValue(run, step, k));
    }
    out += "]}";
  }
  out += run.steps.empty() ? "]\n}\n" : "\n  ]\n}\n";
}

}  // namespace seep
