#include "writers/flux/flux.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "core/io/csv_text.h"
#include "core/io/number_text.h"
#include "core/io/plain_text.h"
#include "core/io/xml_text.h"

namespace seep {

void SetUpFlux(FluxRun& run, const Store& s) {
  const ActiveTriangles mesh = SplitActiveElements(s);
  run.cuts.clear();
  for (const Section& section : run.sections) run.cuts.push_back(CutSection(mesh, section));
}

void AddFluxStep(FluxRun& run, const Store& s) {
  run.steps.push_back(s.ISTEP);
  run.times.push_back(s.TIME);
  for (const SectionCut& cut : run.cuts) {
    run.flows.push_back(FlowAcross(s, cut));
    run.skipped += run.flows.back().skipped;
  }
}

void WriteFluxTable(std::string& out, const FluxRun& run) {
  // Each column of figures in one notation with the same decimals, so that the columns line up.
  auto column = [](const std::vector<double>& values) { return ColumnText(values, 6); };
  const MeasureUnits& units = run.units;
  auto show = [&](Quantity q, double v) { return units.Show(q, v); };
  std::vector<double> lengths, outsides;
  for (const SectionCut& cut : run.cuts) {
    lengths.push_back(show(Quantity::kLength, cut.length));
    outsides.push_back(show(Quantity::kLength, cut.outside));
  }
  const std::vector<std::string> length = column(lengths), outside = column(outsides);
  const std::string L = units.Name(Quantity::kLength), T = units.Name(Quantity::kTime),
                    Q = units.Name(Quantity::kFlow);
  // A row of units under the headings when the units are stated; else the note below says "model units".
  std::vector<std::vector<std::string>> rows = {{"section", "length", "outside"}};
  if (units.stated) rows.push_back({"", L, L});
  for (std::size_t k = 0; k < run.sections.size(); ++k)
    rows.push_back({run.sections[k].name, length[k], outside[k]});
  AppendColumns(out, rows, 0);
  out += '\n';
  // A column of the pieces left out only when some were: the table of a whole solution stays as it was.
  const bool leftOut = run.skipped > 0;
  std::vector<double> times, nets, rights, lefts;
  for (std::size_t row = 0; row < run.steps.size(); ++row) {
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionFlow& f = FlowOf(run, row, k);
      times.push_back(show(Quantity::kTime, run.times[row]));
      nets.push_back(show(Quantity::kFlow, f.net));
      rights.push_back(show(Quantity::kFlow, f.right));
      lefts.push_back(show(Quantity::kFlow, f.left));
    }
  }
  const std::vector<std::string> time = column(times), net = column(nets), right = column(rights),
                                 left = column(lefts);
  rows = {{"step", "time", "section", "net", "right", "left"}};
  if (leftOut) rows[0].push_back("left out");
  if (units.stated) rows.push_back({"", T, "", Q, Q, Q});
  for (std::size_t row = 0, i = 0; row < run.steps.size(); ++row) {
    for (std::size_t k = 0; k < run.sections.size(); ++k, ++i) {
      rows.push_back(
          {std::to_string(run.steps[row]), time[i], run.sections[k].name, net[i], right[i], left[i]});
      if (leftOut) rows.back().push_back(std::to_string(FlowOf(run, row, k).skipped));
    }
  }
  AppendColumns(out, rows, 2);
  out += units.stated
             ? "\n  flow rate per unit thickness; right: to the right of the\n"
             : "\n  all figures in model units (the file's; state them with --file-units)\n"
               "  flow rate per unit thickness (velocity unit x length unit); right: to the right of the\n";
  out += "  direction from one point of the section to the next, left: the other way, net: both\n";
  if (leftOut) out += "  left out: pieces of the section in elements whose velocity is not finite\n";
}

void WriteFluxCsv(std::string& out, const FluxRun& run, const CsvStyle& style) {
  // With units stated, each heading names its unit: "time (h)", "S1_net (l/min/m)".
  const MeasureUnits& units = run.units;
  auto unit = [&](Quantity q) { return units.stated ? " (" + units.Name(q) + ")" : std::string(); };
  StartCsv(out, style);
  out += "step";
  out += style.separator;
  AppendCsvField(out, "time" + unit(Quantity::kTime), style);
  for (const Section& section : run.sections) {
    for (const char* part : {"_net", "_right", "_left", "_outside"}) {
      out += style.separator;
      AppendCsvField(out, section.name + part + unit(part[1] == 'o' ? Quantity::kLength : Quantity::kFlow),
                     style);
    }
    if (run.skipped > 0 || run.leftOutColumns) {
      out += style.separator;
      AppendCsvField(out, section.name + "_left_out", style);
    }
  }
  out += '\n';
  for (std::size_t row = 0; row < run.steps.size(); ++row) {
    out += std::to_string(run.steps[row]);
    out += style.separator;
    AppendCsvNumber(out, units.Show(Quantity::kTime, run.times[row]), style);
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionFlow& f = FlowOf(run, row, k);
      for (double v : {f.net, f.right, f.left}) {
        out += style.separator;
        AppendCsvNumber(out, units.Show(Quantity::kFlow, v), style);
      }
      out += style.separator;
      AppendCsvNumber(out, units.Show(Quantity::kLength, run.cuts[k].outside), style);
      if (run.skipped > 0 || run.leftOutColumns) {
        out += style.separator;
        out += std::to_string(f.skipped);
      }
    }
    out += '\n';
  }
}

void WriteFluxJson(std::string& out, const FluxRun& run, const std::string& file) {
  out += "{\n  \"file\": ";
  AppendJsonString(out, file);
  const MeasureUnits& units = run.units;
  if (units.stated) {
    out += ",\n  \"units\": {\"length\": ";
    AppendJsonString(out, units.Name(Quantity::kLength));
    out += ", \"time\": ";
    AppendJsonString(out, units.Name(Quantity::kTime));
    out += ", \"flow\": ";
    AppendJsonString(out, units.Name(Quantity::kFlow));
    out += '}';
  }
  auto length = [&](double v) { AppendJsonNumber(out, units.Show(Quantity::kLength, v)); };
  auto flow = [&](double v) { AppendJsonNumber(out, units.Show(Quantity::kFlow, v)); };
  out += ",\n  \"sections\": [";
  for (std::size_t k = 0; k < run.sections.size(); ++k) {
    const Section& section = run.sections[k];
    out += k == 0 ? "\n    {\"name\": " : ",\n    {\"name\": ";
    AppendJsonString(out, section.name);
    out += ", \"points\": [";
    for (std::size_t i = 0; i < section.points.size(); ++i) {
      out += i == 0 ? "[" : ", [";
      length(section.points[i].x);
      out += ", ";
      length(section.points[i].y);
      out += ']';
    }
    out += "], \"length\": ";
    length(run.cuts[k].length);
    out += ", \"outside\": ";
    length(run.cuts[k].outside);
    out += '}';
  }
  out += run.sections.empty() ? "],\n" : "\n  ],\n";
  out += "  \"steps\": [";
  for (std::size_t row = 0; row < run.steps.size(); ++row) {
    out += row == 0 ? "\n    {\"step\": " : ",\n    {\"step\": ";
    out += std::to_string(run.steps[row]);
    out += ", \"time\": ";
    AppendJsonNumber(out, units.Show(Quantity::kTime, run.times[row]));
    out += ", \"flows\": [";
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionFlow& f = FlowOf(run, row, k);
      out += k == 0 ? "{\"section\": " : ", {\"section\": ";
      AppendJsonString(out, run.sections[k].name);
      out += ", \"net\": ";
      flow(f.net);
      out += ", \"right\": ";
      flow(f.right);
      out += ", \"left\": ";
      flow(f.left);
      out += ", \"outside\": ";
      length(run.cuts[k].outside);
      if (run.skipped > 0) out += ", \"left_out\": " + std::to_string(f.skipped);
      out += '}';
    }
    out += "]}";
  }
  out += run.steps.empty() ? "],\n" : "\n  ],\n";
  out += "  \"skipped_pieces\": " + std::to_string(run.skipped) + "\n}\n";
}

}  // namespace seep
