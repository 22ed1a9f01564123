#include "writers/safety/safety.h"

#include <cmath>

#include "core/io/csv_text.h"
#include "core/io/plain_text.h"
#include "core/io/xml_text.h"

namespace seep {
namespace {

bool HasCritical(const SafetyRun& run) {
  return std::isfinite(run.criticalGradient);
}

template <typename Row>
const Row& RowOf(const std::vector<Row>& rows, std::size_t lines, std::size_t row, std::size_t k) {
  return rows[row * lines + k];
}

// A figure for people: "-" for one that is not a number.
std::string Shown(double v) {
  return std::isfinite(v) ? Readable(v) : std::string("-");
}

std::string Plural(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void AppendLines(std::string& out, const char* key, const std::vector<Section>& lines,
                 const std::vector<SectionCut>& cuts, const MeasureUnits& units) {
  auto length = [&](double v) { AppendJsonNumber(out, units.Show(Quantity::kLength, v)); };
  out += "  \"";
  out += key;
  out += "\": [";
  for (std::size_t k = 0; k < lines.size(); ++k) {
    out += k == 0 ? "\n    {\"name\": " : ",\n    {\"name\": ";
    AppendJsonString(out, lines[k].name);
    out += ", \"points\": [";
    for (std::size_t i = 0; i < lines[k].points.size(); ++i) {
      out += i == 0 ? "[" : ", [";
      length(lines[k].points[i].x);
      out += ", ";
      length(lines[k].points[i].y);
      out += ']';
    }
    out += "], \"length\": ";
    length(cuts[k].length);
    out += ", \"outside\": ";
    length(cuts[k].outside);
    out += '}';
  }
  out += lines.empty() ? "],\n" : "\n  ],\n";
}

// `"key": value` after a comma and a blank.
void AppendField(std::string& out, const char* key, double v) {
  out += ", \"";
  out += key;
  out += "\": ";
  AppendJsonNumber(out, v);
}

}  // namespace

std::string SafetyLeftOut(const SafetyRun& run) {
  std::int64_t elements = 0, pieces = 0, nodes = 0;
  for (const ExitGradient& e : run.exitRows) elements += e.leftOut;
  for (const Uplift& u : run.upliftRows) pieces += u.leftOut;
  for (const WaterBalance& b : run.balances) nodes += b.leftOut;
  std::string parts;
  auto add = [&parts](std::int64_t n, std::string text) {
    if (n == 0) return;
    parts += (parts.empty() ? "" : ", ") + text;
  };
  add(elements, Plural(elements, "element", "elements") + " of exit faces (no gradient)");
  add(pieces, Plural(pieces, "piece", "pieces") + " of bases (no pressure head)");
  add(nodes, Plural(nodes, "node", "nodes") + " of the balance (Q)");
  if (parts.empty()) return {};
  return "left out for a value that is not a number, summed over the steps: " + parts;
}

void WriteSafetyTable(std::string& out, const SafetyRun& run) {
  const MeasureUnits& units = run.units;
  // A figure in the unit shown, for people; "-" for one that is not a number.
  auto shown = [&units](Quantity q, double v) { return Shown(units.Show(q, v)); };
  const std::string L = units.Name(Quantity::kLength), T = units.Name(Quantity::kTime),
                    Q = units.Name(Quantity::kFlow), A = units.Name(Quantity::kArea),
                    F = units.Name(Quantity::kForce);
  // A row of units under each row of headings when the units are stated; else a note says "model units".
  auto unitRow = [&units](std::vector<std::vector<std::string>>& rows, std::vector<std::string> names) {
    if (units.stated) rows.push_back(std::move(names));
  };
  std::vector<std::vector<std::string>> rows = {{"line", "kind", "length", "outside"}};
  unitRow(rows, {"", "", L, L});
  auto lines = [&](const std::vector<Section>& named, const std::vector<SectionCut>& cuts, const char* kind) {
    for (std::size_t k = 0; k < named.size(); ++k) {
      rows.push_back({named[k].name, kind, shown(Quantity::kLength, cuts[k].length),
                      shown(Quantity::kLength, cuts[k].outside)});
    }
  };
  lines(run.exits, run.exitCuts, "exit");
  lines(run.uplifts, run.upliftCuts, "base");
  lines(run.sections, run.sectionCuts, "section");
  if (rows.size() > (units.stated ? 2u : 1u)) {
    AppendColumns(out, rows, 0);
    out += '\n';
  }
  auto time = [&](std::size_t r) { return shown(Quantity::kTime, run.times[r]); };
  const bool critical = HasCritical(run);
  if (!run.exits.empty()) {
    rows = {{"step", "time", "exit face", "i max", "element", "at", "corner", "i mean"}};
    if (critical) rows[0].insert(rows[0].end(), {"FS max", "FS mean"});
    unitRow(rows, {"", T, "", "", "", L, "", ""});
    for (std::size_t r = 0; r < run.steps.size(); ++r) {
      for (std::size_t k = 0; k < run.exits.size(); ++k) {
        const ExitGradient& e = RowOf(run.exitRows, run.exits.size(), r, k);
        const bool any = e.maxElement != 0;
        rows.push_back({std::to_string(run.steps[r]), time(r), run.exits[k].name, Shown(e.maxGradient),
                        any ? std::to_string(e.maxElement) : "-",
                        any ? shown(Quantity::kLength, e.maxX) + "," + shown(Quantity::kLength, e.maxY) : "-",
                        e.maxAtCorner ? "yes" : "no", Shown(e.meanGradient)});
        if (critical) {
          rows.back().push_back(Shown(FactorOfSafety(run.criticalGradient, e.maxGradient)));
          rows.back().push_back(Shown(FactorOfSafety(run.criticalGradient, e.meanGradient)));
        }
      }
    }
    AppendColumns(out, rows, 2);
    out += '\n';
  }
  if (!run.uplifts.empty()) {
    rows = {{"step", "time", "base", "integral P", "force", "acts at", "P < 0 over"}};
    unitRow(rows, {"", T, "", A, F, L, L});
    for (std::size_t r = 0; r < run.steps.size(); ++r) {
      for (std::size_t k = 0; k < run.uplifts.size(); ++k) {
        const Uplift& u = RowOf(run.upliftRows, run.uplifts.size(), r, k);
        rows.push_back({std::to_string(run.steps[r]), time(r), run.uplifts[k].name,
                        shown(Quantity::kArea, u.integralP), shown(Quantity::kForce, u.force),
                        shown(Quantity::kLength, u.actsAt), shown(Quantity::kLength, u.lengthNegative)});
      }
    }
    AppendColumns(out, rows, 2);
    out += '\n';
  }
  rows = {{"step", "time", "inflow", "outflow", "net", "error"}};
  unitRow(rows, {"", T, Q, Q, Q, ""});
  for (std::size_t r = 0; r < run.steps.size(); ++r) {
    const WaterBalance& b = run.balances[r];
    rows.push_back({std::to_string(run.steps[r]), time(r), shown(Quantity::kFlow, b.inflow),
                    shown(Quantity::kFlow, b.outflow), shown(Quantity::kFlow, b.net), Shown(b.error)});
  }
  AppendColumns(out, rows, 99);
  out += '\n';
  if (!run.sections.empty()) {
    rows = {{"step", "time", "section", "nodal Q", "flux"}};
    unitRow(rows, {"", T, "", Q, Q});
    for (std::size_t r = 0; r < run.steps.size(); ++r) {
      for (std::size_t k = 0; k < run.sections.size(); ++k) {
        const SectionBalance& b = RowOf(run.sectionRows, run.sections.size(), r, k);
        rows.push_back({std::to_string(run.steps[r]), time(r), run.sections[k].name,
                        shown(Quantity::kFlow, b.nodalQ), shown(Quantity::kFlow, b.flux)});
      }
    }
    AppendColumns(out, rows, 2);
    out += '\n';
  }
  if (!units.stated) out += "  all figures in model units (the file's; state them with --file-units)\n";
  if (!run.exits.empty()) {
    out +=
        "  exit: i = -grad H along the normal to the left of the face's direction (upward for ground\n"
        "  drawn left to right); i max of the element with the largest, at its centre; i mean weighted by\n"
        "  length over the face; corner yes: that element touches a corner of the active mesh's boundary,\n"
        "  a singular point where i max grows as the mesh is refined: use i mean\n";
    if (critical) out += "  FS = ic / i with ic = " + Readable(run.criticalGradient) + "; - where i <= 0\n";
  }
  if (!run.uplifts.empty()) {
    out +=
        "  uplift: integral P = integral of the pressure head along the base (head x length), force =\n"
        "  gw x integral P with gw = " +
        Readable(run.gammaW) + ", acts at: distance along the base from its first point\n";
    out += units.stated ? "  force in kN per metre of thickness: gw taken in kN/m3, integral P in m2\n"
                        : "  force in kN per metre of thickness when gw is in kN/m3 and lengths in m\n";
  }
  out +=
      "  balance: nodal flows Q of the nodes of active elements; inflow: Q > 0, outflow: Q < 0,\n"
      "  error = |net| / inflow\n";
  if (!run.sections.empty()) {
    out +=
        "  sections: nodal Q = sum of Q of the nodes on the section; flux = the net flow rate across it,\n"
        "  to the right of its direction\n";
  }
}

void WriteSafetyCsv(std::string& out, const SafetyRun& run, const CsvStyle& style) {
  // With units stated, each heading of a figure with a unit names it: "time (min)", "Base_force (kN/m)".
  const MeasureUnits& units = run.units;
  auto heading = [&](std::string text, Quantity q) {
    out += style.separator;
    if (units.stated && q != Quantity::kNone) text += " (" + units.Name(q) + ")";
    AppendCsvField(out, text, style);
  };
  struct Part {
    const char* name;
    Quantity quantity;
  };
  auto columns = [&](const std::vector<Section>& lines, std::initializer_list<Part> parts) {
    for (const Section& line : lines) {
      for (const Part& part : parts) heading(line.name + part.name, part.quantity);
    }
  };
  const bool critical = HasCritical(run);
  StartCsv(out, style);
  out += "step";
  heading("time", Quantity::kTime);
  constexpr Quantity kNone = Quantity::kNone, kLength = Quantity::kLength, kFlow = Quantity::kFlow;
  if (critical) {
    columns(run.exits, {{"_max_gradient", kNone},
                        {"_max_element", kNone},
                        {"_max_x", kLength},
                        {"_max_y", kLength},
                        {"_max_at_corner", kNone},
                        {"_mean_gradient", kNone},
                        {"_factor_of_safety_max", kNone},
                        {"_factor_of_safety_mean", kNone}});
  } else {
    columns(run.exits, {{"_max_gradient", kNone},
                        {"_max_element", kNone},
                        {"_max_x", kLength},
                        {"_max_y", kLength},
                        {"_max_at_corner", kNone},
                        {"_mean_gradient", kNone}});
  }
  columns(run.uplifts, {{"_integral_p", Quantity::kArea},
                        {"_force", Quantity::kForce},
                        {"_acts_at", kLength},
                        {"_length_negative", kLength}});
  for (const char* name : {"inflow", "outflow", "net"}) heading(name, kFlow);
  heading("error", kNone);
  columns(run.sections, {{"_nodal_q", kFlow}, {"_flux", kFlow}});
  out += '\n';
  auto number = [&](Quantity q, double v) {
    out += style.separator;
    AppendCsvNumber(out, units.Show(q, v), style);
  };
  auto count = [&](std::int64_t n) {
    out += style.separator;
    out += std::to_string(n);
  };
  for (std::size_t r = 0; r < run.steps.size(); ++r) {
    out += std::to_string(run.steps[r]);
    number(Quantity::kTime, run.times[r]);
    for (std::size_t k = 0; k < run.exits.size(); ++k) {
      const ExitGradient& e = RowOf(run.exitRows, run.exits.size(), r, k);
      number(kNone, e.maxGradient);
      count(e.maxElement);
      number(kLength, e.maxX);
      number(kLength, e.maxY);
      count(e.maxAtCorner ? 1 : 0);
      number(kNone, e.meanGradient);
      if (critical) {
        number(kNone, FactorOfSafety(run.criticalGradient, e.maxGradient));
        number(kNone, FactorOfSafety(run.criticalGradient, e.meanGradient));
      }
    }
    for (std::size_t k = 0; k < run.uplifts.size(); ++k) {
      const Uplift& u = RowOf(run.upliftRows, run.uplifts.size(), r, k);
      number(Quantity::kArea, u.integralP);
      number(Quantity::kForce, u.force);
      number(kLength, u.actsAt);
      number(kLength, u.lengthNegative);
    }
    const WaterBalance& b = run.balances[r];
    for (double v : {b.inflow, b.outflow, b.net}) number(kFlow, v);
    number(kNone, b.error);
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionBalance& sb = RowOf(run.sectionRows, run.sections.size(), r, k);
      number(kFlow, sb.nodalQ);
      number(kFlow, sb.flux);
    }
    out += '\n';
  }
}

void WriteSafetyJson(std::string& out, const SafetyRun& run, const std::string& file) {
  const bool critical = HasCritical(run);
  const MeasureUnits& units = run.units;
  out += "{\n  \"file\": ";
  AppendJsonString(out, file);
  if (units.stated) {
    out += ",\n  \"units\": {";
    for (const auto& [key, q] : {std::pair{"length", Quantity::kLength}, std::pair{"time", Quantity::kTime},
                                 std::pair{"flow", Quantity::kFlow}, std::pair{"area", Quantity::kArea},
                                 std::pair{"force", Quantity::kForce}}) {
      out += q == Quantity::kLength ? "\"" : ", \"";
      out += key;
      out += "\": ";
      AppendJsonString(out, units.Name(q));
    }
    out += '}';
  }
  out += ",\n  \"critical_gradient\": ";
  AppendJsonNumber(out, run.criticalGradient);
  out += ",\n  \"unit_weight_water\": ";
  AppendJsonNumber(out, run.gammaW);
  out += ",\n";
  AppendLines(out, "exit_faces", run.exits, run.exitCuts, units);
  AppendLines(out, "bases", run.uplifts, run.upliftCuts, units);
  AppendLines(out, "sections", run.sections, run.sectionCuts, units);
  // `"key": value` in the unit shown, after a comma and a blank.
  auto field = [&](const char* key, Quantity q, double v) { AppendField(out, key, units.Show(q, v)); };
  out += "  \"steps\": [";
  for (std::size_t r = 0; r < run.steps.size(); ++r) {
    out += r == 0 ? "\n    {\"step\": " : ",\n    {\"step\": ";
    out += std::to_string(run.steps[r]);
    out += ", \"time\": ";
    AppendJsonNumber(out, units.Show(Quantity::kTime, run.times[r]));
    out += ",\n     \"exit\": [";
    for (std::size_t k = 0; k < run.exits.size(); ++k) {
      const ExitGradient& e = RowOf(run.exitRows, run.exits.size(), r, k);
      out += k == 0 ? "{\"name\": " : ", {\"name\": ";
      AppendJsonString(out, run.exits[k].name);
      AppendField(out, "max_gradient", e.maxGradient);
      out += ", \"max_element\": " + (e.maxElement != 0 ? std::to_string(e.maxElement) : std::string("null"));
      out += ", \"max_at\": ";
      if (e.maxElement != 0) {
        out += '[';
        AppendJsonNumber(out, units.Show(Quantity::kLength, e.maxX));
        out += ", ";
        AppendJsonNumber(out, units.Show(Quantity::kLength, e.maxY));
        out += ']';
      } else {
        out += "null";
      }
      out += e.maxAtCorner ? ", \"max_at_corner\": true" : ", \"max_at_corner\": false";
      AppendField(out, "mean_gradient", e.meanGradient);
      if (critical) {
        AppendField(out, "factor_of_safety_max", FactorOfSafety(run.criticalGradient, e.maxGradient));
        AppendField(out, "factor_of_safety_mean", FactorOfSafety(run.criticalGradient, e.meanGradient));
      }
      out += '}';
    }
    out += "],\n     \"uplift\": [";
    for (std::size_t k = 0; k < run.uplifts.size(); ++k) {
      const Uplift& u = RowOf(run.upliftRows, run.uplifts.size(), r, k);
      out += k == 0 ? "{\"name\": " : ", {\"name\": ";
      AppendJsonString(out, run.uplifts[k].name);
      field("integral_p", Quantity::kArea, u.integralP);
      field("force", Quantity::kForce, u.force);
      field("acts_at", Quantity::kLength, u.actsAt);
      field("length_negative", Quantity::kLength, u.lengthNegative);
      out += '}';
    }
    const WaterBalance& b = run.balances[r];
    out += "],\n     \"balance\": {\"inflow\": ";
    AppendJsonNumber(out, units.Show(Quantity::kFlow, b.inflow));
    field("outflow", Quantity::kFlow, b.outflow);
    field("net", Quantity::kFlow, b.net);
    AppendField(out, "error", b.error);
    out += "},\n     \"sections\": [";
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionBalance& sb = RowOf(run.sectionRows, run.sections.size(), r, k);
      out += k == 0 ? "{\"name\": " : ", {\"name\": ";
      AppendJsonString(out, run.sections[k].name);
      field("nodal_q", Quantity::kFlow, sb.nodalQ);
      field("flux", Quantity::kFlow, sb.flux);
      out += '}';
    }
    out += "]}";
  }
  out += run.steps.empty() ? "]\n}\n" : "\n  ]\n}\n";
}

}  // namespace seep
