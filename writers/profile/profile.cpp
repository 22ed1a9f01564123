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
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The field at a located point of the current step.
double FieldAt(const Store& s, const PointLocation& at, double y, PlotField field) {
  if (at.element == 0 || !IsActive(s, at.element)) return kNaN;
  switch (field) {
    case PlotField::kTotalHead:
    case PlotField::kPressureHead: {
      const double h =
          (NodeTotalHead(s, at.nodes[0]) * at.weights[0] + NodeTotalHead(s, at.nodes[1]) * at.weights[1]) +
          NodeTotalHead(s, at.nodes[2]) * at.weights[2];
      return field == PlotField::kTotalHead ? h : h - y;
    }
    case PlotField::kSpeed:
      return Speed(s.VXE(at.element), s.VYE(at.element));
    case PlotField::kGradient: {
      const ElementGradient g = HydraulicGradient(s, at.element);
      return g.ok ? g.Magnitude() : kNaN;
    }
  }
  return kNaN;
}

double Value(const ProfileRun& run, std::size_t step, std::size_t point) {
  return run.values[step * run.at.size() + point];
}

}  // namespace

void SetUpProfile(ProfileRun& run, const Store& s) {
  double total = 0.0;
  std::vector<double> ends{0.0};
  for (std::size_t k = 1; k < run.line.size(); ++k) {
    total += std::hypot(run.line[k].x - run.line[k - 1].x, run.line[k].y - run.line[k - 1].y);
    ends.push_back(total);
  }
  const ElementBins bins = BinElements(s);
  run.distance.clear();
  run.at.clear();
  run.located.clear();
  run.outside = 0;
  if (run.line.size() < 2) return;  // no line: no points
  std::size_t piece = 1;
  for (int k = 0; k < kProfilePoints; ++k) {
    const double d = total * k / (kProfilePoints - 1);
    while (piece + 1 < run.line.size() && d > ends[piece]) ++piece;
    const double length = ends[piece] - ends[piece - 1];
    const double f = length > 0.0 ? std::clamp((d - ends[piece - 1]) / length, 0.0, 1.0) : 0.0;
    const XY& a = run.line[piece - 1];
    const XY& b = run.line[piece];
    const XY p{a.x + f * (b.x - a.x), a.y + f * (b.y - a.y)};
    run.distance.push_back(d);
    run.at.push_back(p);
    run.located.push_back(LocatePoint(bins, s, p.x, p.y));
    if (run.located.back().element == 0 || !IsActive(s, run.located.back().element)) ++run.outside;
  }
}

void AddProfileStep(ProfileRun& run, const Store& s) {
  run.steps.push_back(s.ISTEP);
  run.times.push_back(s.TIME);
  for (std::size_t k = 0; k < run.at.size(); ++k)
    run.values.push_back(FieldAt(s, run.located[k], run.at[k].y, run.field));
}

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
      value.push_back(u.Show(q, Value(run, step, k)));
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
         " points evenly spaced along the line; \xE2\x80\x93: outside the active mesh\n";
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
                       u.Show(q, Value(run, step, k))}) {
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
      number(q, Value(run, step, k));
    }
    out += "]}";
  }
  out += run.steps.empty() ? "]\n}\n" : "\n  ]\n}\n";
}

void DrawProfileChart(std::string& svg, const ProfileRun& run, const Store& s) {
  HistoryChart chart;
  chart.field = run.field;
  chart.what = std::string(FieldName(run.field)) + " along the line";
  chart.axis = FieldName(run.field);
  chart.units = run.units;
  chart.quantity = FieldQuantity(run.field);
  chart.across = "Distance along the line";
  chart.acrossQuantity = Quantity::kLength;
  // The chart's lines are its steps; its "times" the distances.
  for (std::size_t step = 0; step < run.steps.size(); ++step) {
    chart.inside.push_back(static_cast<std::int32_t>(step + 1));
    chart.labels.push_back("step " + std::to_string(run.steps[step]) + ", time " +
                           TimeText(run.times[step], run.units));
  }
  for (double d : run.distance) chart.times.push_back(run.units.Show(Quantity::kLength, d));
  const Quantity q = FieldQuantity(run.field);
  for (std::size_t k = 0; k < run.at.size(); ++k) {
    for (std::size_t step = 0; step < run.steps.size(); ++step)
      chart.values.push_back(run.units.Show(q, Value(run, step, k)));
  }
  DrawHistoryChart(svg, chart, s);
}

}  // namespace seep
