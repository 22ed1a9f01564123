#include "app/info.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/convert.h"
#include "app/text.h"
#include "core/io/csv_text.h"
#include "core/io/failure.h"
#include "core/io/number_text.h"
#include "core/io/platform.h"
#include "core/io/units.h"
#include "core/io/xml_text.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "core/reader/step_reader.h"

namespace seep {
namespace {

void SummariseMesh(const Store& s, ResultSummary& r) {
  r.title = TrimmedTitle(s);
  r.nodes = s.NUMNP;
  r.elements = s.NUMEL;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    r.x.Take(s.X(n));
    r.y.Take(s.Y(n));
  }
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    ++(IsTriangle(s, e) ? r.triangles : r.quadrilaterals);
    if (IsActive(s, e)) {
      ++r.active;
      ++r.materials[s.ELEM(e, kMAT)];
    } else {
      ++r.inactive;
    }
  }
}

// Per node n at n − 1: 1 when it is a corner of an active element. A node of inactive elements alone
// (inside a cutoff, say) carries whatever the analysis left there, not a head of the flow.
std::vector<std::uint8_t> NodesOfActiveElements(const Store& s) {
  std::vector<std::uint8_t> active(static_cast<std::size_t>(std::max(s.NUMNP, 0)), 0);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e)) continue;
    for (int k = kI; k <= kL; ++k) {
      if (IsNode(s, s.ELEM(e, k))) active[static_cast<std::size_t>(s.ELEM(e, k) - 1)] = 1;
    }
  }
  return active;
}

// The step's ranges: heads over the nodes of active elements, speeds over every element.
StepSummary SummariseStep(const Store& s, const std::vector<std::uint8_t>& activeNodes) {
  StepSummary st;
  st.number = s.ISTEP;
  st.time = s.TIME;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    if (activeNodes[static_cast<std::size_t>(n - 1)] == 0) continue;
    const double p = s.P(n), h = s.P(n) + s.Y(n);
    st.pressureHead.Take(p);
    st.totalHead.Take(h);
    if (!std::isfinite(p) || !std::isfinite(h)) ++st.nonFinite;
  }
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const double v = Speed(s.VXE(e), s.VYE(e));
    st.speed.Take(v);
    if (!std::isfinite(v)) ++st.nonFinite;
  }
  st.gradient = FindLargestGradient(s);
  return st;
}

// ---- Human output ----

std::string Cell(const Range& r, bool max, double factor) {
  return r.count == 0 ? "-" : Number((max ? r.max : r.min) * factor);
}

void Line(std::string& out, const std::string& label, const std::string& text) {
  std::string line = label;
  line.resize(std::max<std::size_t>(line.size() + 1, 11), ' ');
  line += text;
  line += '\n';
  out += line;
}

// The largest gradient's magnitude (0), element (1) or centre (2); "-" when no element has one.
std::string GradientCells(const LargestGradient& g, int part, double length) {
  if (g.element == 0) return "-";
  if (part == 0) return Number(g.magnitude);
  if (part == 1) return std::to_string(g.element);
  std::string at(1, '(');
  at.append(Number(g.cx * length)).append(", ").append(Number(g.cy * length)).append(1, ')');
  return at;
}

// ---- JSON ----

std::string JsonNumber(double v) {
  return NumberText(v, 0, kJsonNull);
}

std::string JsonRange(const Range& r, double factor) {
  if (r.count == 0) return "null";
  return std::string("[")
      .append(JsonNumber(r.min * factor))
      .append(", ")
      .append(JsonNumber(r.max * factor))
      .append("]");
}

}  // namespace

ResultSummary SummariseResultFile(const std::string& path) {
  ResultSummary r;
  r.file = ShownName(path);
  std::error_code ec;
  r.bytesRead = path == kStandardInput || !std::filesystem::is_regular_file(NativePath(path), ec);
  if (!r.bytesRead) r.bytes = std::filesystem::file_size(NativePath(path), ec);
  if (ec) r.bytes = 0;
  auto io = std::make_unique<Io>(stdin, stdout, stderr);  // the console is not used
  auto s = std::make_unique<Store>();
  OpenResultFile(*io, path, r.file);
  result::RecordPlace place;
  try {
    result::ReadHeader(*io, *s, &place);
    r.headerRead = true;
    SummariseMesh(*s, r);
    const std::vector<std::uint8_t> activeNodes = NodesOfActiveElements(*s);
    // The steps come as they come to every conversion: the next one read while this one is summed.
    result::StepReader steps(*io, *s);
    while (steps.Next(*s, &place)) r.steps.push_back(SummariseStep(*s, activeNodes));
  } catch (const IoFailure& failure) {
    const std::int64_t step = r.headerRead ? static_cast<std::int64_t>(r.steps.size()) + 1 : 0;
    r.damage = ResultSummary::Damage{place.record, step, failure.number,
                                     result::DescribeDamage(failure.number, place, step)};
    r.notResultFile = !r.headerRead && std::string_view(place.record) == "H1";
    if (!r.headerRead) SummariseMesh(*s, r);  // what the header gave before the damage
  }
  if (r.bytesRead) r.bytes = io->Position(result::kUnit);
  return r;
}

void PrintSummary(std::string& out, const ResultSummary& r, const MeasureUnits& units) {
  const double L = units.Factor(Quantity::kLength), T = units.Factor(Quantity::kTime),
               V = units.Factor(Quantity::kSpeed);
  Line(out, "File", r.file + " (" + Bytes(r.bytes) + (r.bytesRead ? " read)" : ")"));
  Line(out, "Title", r.title);
  Line(out, "Nodes", std::to_string(r.nodes));
  Line(out, "Elements",
       std::to_string(r.elements) + ": " + std::to_string(r.quadrilaterals) + " quadrilaterals, " +
           std::to_string(r.triangles) + " triangles; " + std::to_string(r.active) + " active, " +
           std::to_string(r.inactive) + " inactive");
  std::string materials;
  for (const auto& [mat, count] : r.materials) {
    if (!materials.empty()) materials += ", ";
    materials +=
        std::to_string(mat) + " (" + std::to_string(count) + (count == 1 ? " element)" : " elements)");
  }
  Line(out, "Materials", materials.empty() ? "none active" : materials);
  if (r.x.count > 0) {
    Line(out, "Bounds",
         "x " + Number(r.x.min * L) + " to " + Number(r.x.max * L) + ", y " + Number(r.y.min * L) + " to " +
             Number(r.y.max * L) + (units.stated ? " " + units.Name(Quantity::kLength) : std::string()));
  }
  Line(out, "Steps", std::to_string(r.steps.size()));

  if (!r.steps.empty()) {
    const std::vector<std::string> heads = {"#",     "step",  "time",  "P min",   "P max", "H min",
                                            "H max", "V max", "i max", "element", "at"};
    std::vector<std::vector<std::string>> rows;
    rows.reserve(r.steps.size());
    for (std::size_t i = 0; i < r.steps.size(); ++i) {
      const StepSummary& st = r.steps[i];
      rows.push_back({std::to_string(i + 1), std::to_string(st.number), Number(st.time * T),
                      Cell(st.pressureHead, false, L), Cell(st.pressureHead, true, L),
                      Cell(st.totalHead, false, L), Cell(st.totalHead, true, L), Cell(st.speed, true, V),
                      GradientCells(st.gradient, 0, L), GradientCells(st.gradient, 1, L),
                      GradientCells(st.gradient, 2, L)});
    }
    if (units.stated) {
      const std::string l = units.Name(Quantity::kLength);
      rows.insert(rows.begin(),
                  {"", "", units.Name(Quantity::kTime), l, l, l, l, units.Name(Quantity::kSpeed), "", "", l});
    }
    std::vector<std::size_t> widths(heads.size());
    for (std::size_t c = 0; c < heads.size(); ++c) {
      widths[c] = heads[c].size();
      for (const auto& row : rows) widths[c] = std::max(widths[c], row[c].size());
    }
    auto print = [&](const std::vector<std::string>& row) {
      std::string line;
      for (std::size_t c = 0; c < row.size(); ++c) {
        line += std::string(widths[c] - row[c].size() + 2, ' ');
        line += row[c];
      }
      line += '\n';
      out += line;
    };
    out += "\n";
    print(heads);
    for (const auto& row : rows) print(row);
    out +=
        "\n  P pressure head, H total head (P + Y), V element speed; extremes of the finite values;\n"
        "  i hydraulic gradient -grad H, the largest of the active elements, at that element's centre\n";
    if (!units.stated) out += "  all figures in model units (the file's; state them with --file-units)\n";
  }
  std::int64_t nonFinite = 0;
  for (const StepSummary& st : r.steps) nonFinite += st.nonFinite;
  if (nonFinite > 0) {
    Line(out, "Warning",
         std::to_string(nonFinite) + " values are NaN or infinite (left out of the extremes)");
  }
  // The step with the most active elements without a gradient, and their causes.
  const LargestGradient* most = nullptr;
  for (const StepSummary& st : r.steps) {
    if (most == nullptr || st.gradient.degenerate > most->degenerate) most = &st.gradient;
  }
  if (most != nullptr && most->degenerate > 0) {
    const std::int64_t n = most->degenerate;
    Line(out, "Warning",
         std::to_string(n) + (n == 1 ? " active element has" : " active elements have") +
             " no hydraulic gradient (" + DescribeGradientLacks(most->lacks) + ")");
  }
  if (r.damage) Line(out, "Damaged", r.damage->what + " (" + std::to_string(r.damage->number) + ")");
}

void PrintSummaryJson(std::string& out, const ResultSummary& r, const MeasureUnits& units) {
  const double L = units.Factor(Quantity::kLength), T = units.Factor(Quantity::kTime),
               V = units.Factor(Quantity::kSpeed);
  std::string j = "{\n";
  j += "  \"file\": " + JsonString(r.file) + ",\n";
  if (units.stated) {
    j += "  \"units\": {\"length\": " + JsonString(units.Name(Quantity::kLength)) +
         ", \"time\": " + JsonString(units.Name(Quantity::kTime)) + "},\n";
  }
  j += "  \"bytes\": " + std::to_string(r.bytes) + ",\n";
  j += "  \"title\": " + JsonString(r.title) + ",\n";
  j += "  \"nodes\": " + std::to_string(r.nodes) + ",\n";
  j += "  \"elements\": " + std::to_string(r.elements) + ",\n";
  j += "  \"quadrilaterals\": " + std::to_string(r.quadrilaterals) + ",\n";
  j += "  \"triangles\": " + std::to_string(r.triangles) + ",\n";
  j += "  \"active\": " + std::to_string(r.active) + ",\n";
  j += "  \"inactive\": " + std::to_string(r.inactive) + ",\n";
  j += "  \"materials\": {";
  bool first = true;
  for (const auto& [mat, count] : r.materials) {
    j += (first ? "" : ", ") + std::string("\"") + std::to_string(mat) + "\": " + std::to_string(count);
    first = false;
  }
  j += "},\n";
  j += "  \"bounds\": {\"x\": " + JsonRange(r.x, L) + ", \"y\": " + JsonRange(r.y, L) + "},\n";
  j += "  \"step_count\": " + std::to_string(r.steps.size()) + ",\n";
  j += "  \"steps\": [";
  for (std::size_t i = 0; i < r.steps.size(); ++i) {
    const StepSummary& st = r.steps[i];
    j += i == 0 ? "\n" : ",\n";
    j += "    {\"step\": " + std::to_string(st.number) + ", \"time\": " + JsonNumber(st.time * T) +
         ", \"pressure_head\": " + JsonRange(st.pressureHead, L) +
         ", \"total_head\": " + JsonRange(st.totalHead, L) +
         ", \"max_speed\": " + (st.speed.count ? JsonNumber(st.speed.max * V) : "null") +
         ", \"non_finite\": " + std::to_string(st.nonFinite) + ", \"largest_gradient\": " +
         (st.gradient.element == 0
              ? std::string("null")
              : "{\"magnitude\": " + JsonNumber(st.gradient.magnitude) +
                    ", \"element\": " + std::to_string(st.gradient.element) + ", \"centre\": [" +
                    JsonNumber(st.gradient.cx * L) + ", " + JsonNumber(st.gradient.cy * L) + "]}") +
         ", \"no_gradient\": " + std::to_string(st.gradient.degenerate) + "}";
  }
  j += r.steps.empty() ? "],\n" : "\n  ],\n";
  if (r.damage) {
    j += "  \"damage\": {\"record\": " + JsonString(r.damage->record) +
         ", \"step\": " + std::to_string(r.damage->step) +
         ", \"error\": " + std::to_string(r.damage->number) + ", \"message\": " + JsonString(r.damage->what) +
         "}\n";
  } else {
    j += "  \"damage\": null\n";
  }
  j += "}\n";
  out += j;
}

void PrintSummaryCsvHeader(std::string& out, const MeasureUnits& units, const CsvStyle& style) {
  StartCsv(out, style);
  const std::size_t start = out.size();
  if (!units.stated) {
    out +=
        "file,title,nodes,elements,active,steps,last_step,last_time,p_min,p_max,h_min,h_max,largest_gradient,"
        "largest_gradient_step,largest_gradient_element,damage\n";
  } else {
    const std::string t = " (" + units.Name(Quantity::kTime) + ")",
                      l = " (" + units.Name(Quantity::kLength) + ")";
    out += "file,title,nodes,elements,active,steps,last_step,last_time" + t + ",p_min" + l + ",p_max" + l +
           ",h_min" + l + ",h_max" + l +
           ",largest_gradient,largest_gradient_step,largest_gradient_element,damage\n";
  }
  std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), ',', style.separator);
}

void PrintSummaryCsvRow(std::string& out, const ResultSummary& r, const MeasureUnits& units,
                        const CsvStyle& style) {
  const double L = units.Factor(Quantity::kLength);
  Range p, h;
  const StepSummary* steepest = nullptr;
  for (const StepSummary& st : r.steps) {
    for (const Range* from : {&st.pressureHead, &st.totalHead}) {
      Range& to = from == &st.pressureHead ? p : h;
      if (from->count > 0) {
        to.Take(from->min);
        to.Take(from->max);
      }
    }
    if (st.gradient.element != 0 &&
        (steepest == nullptr || st.gradient.magnitude > steepest->gradient.magnitude))
      steepest = &st;
  }
  auto field = [&](std::string_view text) {
    out += style.separator;
    AppendCsvField(out, text, style);
  };
  auto count = [&](std::int64_t n, bool known) {
    out += style.separator;
    if (known) out += std::to_string(n);
  };
  auto number = [&](double v, bool known) {
    out += style.separator;
    if (known) AppendCsvNumber(out, v, style);
  };
  AppendCsvField(out, r.file, style);
  field(r.title);
  for (const std::int64_t n : {std::int64_t{r.nodes}, std::int64_t{r.elements}, std::int64_t{r.active},
                               static_cast<std::int64_t>(r.steps.size())})
    count(n, true);
  count(r.steps.empty() ? 0 : r.steps.back().number, !r.steps.empty());
  number(r.steps.empty() ? 0.0 : units.Show(Quantity::kTime, r.steps.back().time), !r.steps.empty());
  number(p.min * L, p.count > 0);
  number(p.max * L, p.count > 0);
  number(h.min * L, h.count > 0);
  number(h.max * L, h.count > 0);
  number(steepest != nullptr ? steepest->gradient.magnitude : 0.0, steepest != nullptr);
  count(steepest != nullptr ? steepest->number : 0, steepest != nullptr);
  count(steepest != nullptr ? steepest->gradient.element : 0, steepest != nullptr);
  field(r.damage ? r.damage->what : std::string());
  out += '\n';
}

}  // namespace seep
