#include "writers/flux/flux.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "core/io/csv_text.h"
#include "core/io/number_text.h"
#include "core/io/xml_text.h"

namespace seep {
namespace {

// Six significant digits for people.
std::string Readable(double v) {
  return NumberText(v);
}

void AppendJsonNumber(std::string& out, double v) {
  AppendNumberText(out, v, 0, kJsonNull);
}

// Rows of cells printed in columns as wide as their widest cell, two blanks apart; the columns in
// column `leftColumn` aligned left, the others right.
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

}  // namespace

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
  std::vector<std::vector<std::string>> rows = {{"section", "length", "outside"}};
  for (std::size_t k = 0; k < run.sections.size(); ++k) {
    rows.push_back({run.sections[k].name, Readable(run.cuts[k].length), Readable(run.cuts[k].outside)});
  }
  AppendColumns(out, rows, 0);
  out += '\n';
  rows = {{"step", "time", "section", "net", "right", "left"}};
  for (std::size_t row = 0; row < run.steps.size(); ++row) {
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionFlow& f = FlowOf(run, row, k);
      rows.push_back({std::to_string(run.steps[row]), Readable(run.times[row]), run.sections[k].name,
                      Readable(f.net), Readable(f.right), Readable(f.left)});
    }
  }
  AppendColumns(out, rows, 2);
  out +=
      "\n  flow rate per unit thickness (velocity unit x length unit); right: to the right of the\n"
      "  direction from one point of the section to the next, left: the other way, net: both\n";
}

void WriteFluxCsv(std::string& out, const FluxRun& run, const CsvStyle& style) {
  StartCsv(out, style);
  out += "step";
  out += style.separator;
  out += "time";
  for (const Section& section : run.sections) {
    for (const char* part : {"_net", "_right", "_left", "_outside"}) {
      out += style.separator;
      AppendCsvField(out, section.name + part, style);
    }
  }
  out += '\n';
  for (std::size_t row = 0; row < run.steps.size(); ++row) {
    out += std::to_string(run.steps[row]);
    out += style.separator;
    AppendCsvNumber(out, run.times[row], style);
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionFlow& f = FlowOf(run, row, k);
      for (double v : {f.net, f.right, f.left, run.cuts[k].outside}) {
        out += style.separator;
        AppendCsvNumber(out, v, style);
      }
    }
    out += '\n';
  }
}

void WriteFluxJson(std::string& out, const FluxRun& run, const std::string& file) {
  out += "{\n  \"file\": ";
  AppendJsonString(out, file);
  out += ",\n  \"sections\": [";
  for (std::size_t k = 0; k < run.sections.size(); ++k) {
    const Section& section = run.sections[k];
    out += k == 0 ? "\n    {\"name\": " : ",\n    {\"name\": ";
    AppendJsonString(out, section.name);
    out += ", \"points\": [";
    for (std::size_t i = 0; i < section.points.size(); ++i) {
      out += i == 0 ? "[" : ", [";
      AppendJsonNumber(out, section.points[i].x);
      out += ", ";
      AppendJsonNumber(out, section.points[i].y);
      out += ']';
    }
    out += "], \"length\": ";
    AppendJsonNumber(out, run.cuts[k].length);
    out += ", \"outside\": ";
    AppendJsonNumber(out, run.cuts[k].outside);
    out += '}';
  }
  out += run.sections.empty() ? "],\n" : "\n  ],\n";
  out += "  \"steps\": [";
  for (std::size_t row = 0; row < run.steps.size(); ++row) {
    out += row == 0 ? "\n    {\"step\": " : ",\n    {\"step\": ";
    out += std::to_string(run.steps[row]);
    out += ", \"time\": ";
    AppendJsonNumber(out, run.times[row]);
    out += ", \"flows\": [";
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionFlow& f = FlowOf(run, row, k);
      out += k == 0 ? "{\"section\": " : ", {\"section\": ";
      AppendJsonString(out, run.sections[k].name);
      out += ", \"net\": ";
      AppendJsonNumber(out, f.net);
      out += ", \"right\": ";
      AppendJsonNumber(out, f.right);
      out += ", \"left\": ";
      AppendJsonNumber(out, f.left);
      out += ", \"outside\": ";
      AppendJsonNumber(out, run.cuts[k].outside);
      out += '}';
    }
    out += "]}";
  }
  out += run.steps.empty() ? "],\n" : "\n  ],\n";
  out += "  \"skipped_pieces\": " + std::to_string(run.skipped) + "\n}\n";
}

}  // namespace seep
