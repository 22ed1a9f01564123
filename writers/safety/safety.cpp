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
                 const std::vector<SectionCut>& cuts) {
  out += "  \"";
  out += key;
  out += "\": [";
  for (std::size_t k = 0; k < lines.size(); ++k) {
    out += k == 0 ? "\n    {\"name\": " : ",\n    {\"name\": ";
    AppendJsonString(out, lines[k].name);
    out += ", \"points\": [";
    for (std::size_t i = 0; i < lines[k].points.size(); ++i) {
      out += i == 0 ? "[" : ", [";
      AppendJsonNumber(out, lines[k].points[i].x);
      out += ", ";
      AppendJsonNumber(out, lines[k].points[i].y);
      out += ']';
    }
    out += "], \"length\": ";
    AppendJsonNumber(out, cuts[k].length);
    out += ", \"outside\": ";
    AppendJsonNumber(out, cuts[k].outside);
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
  std::vector<std::vector<std::string>> rows = {{"line", "kind", "length", "outside"}};
  auto lines = [&rows](const std::vector<Section>& named, const std::vector<SectionCut>& cuts,
                       const char* kind) {
    for (std::size_t k = 0; k < named.size(); ++k)
      rows.push_back({named[k].name, kind, Readable(cuts[k].length), Readable(cuts[k].outside)});
  };
  lines(run.exits, run.exitCuts, "exit");
  lines(run.uplifts, run.upliftCuts, "base");
  lines(run.sections, run.sectionCuts, "section");
  if (rows.size() > 1) {
    AppendColumns(out, rows, 0);
    out += '\n';
  }
  const bool critical = HasCritical(run);
  if (!run.exits.empty()) {
    rows = {{"step", "time", "exit face", "i max", "element", "at", "corner", "i mean"}};
    if (critical) rows[0].insert(rows[0].end(), {"FS max", "FS mean"});
    for (std::size_t r = 0; r < run.steps.size(); ++r) {
      for (std::size_t k = 0; k < run.exits.size(); ++k) {
        const ExitGradient& e = RowOf(run.exitRows, run.exits.size(), r, k);
        const bool any = e.maxElement != 0;
        rows.push_back({std::to_string(run.steps[r]), Readable(run.times[r]), run.exits[k].name,
                        Shown(e.maxGradient), any ? std::to_string(e.maxElement) : "-",
                        any ? Readable(e.maxX) + "," + Readable(e.maxY) : "-", e.maxAtCorner ? "yes" : "no",
                        Shown(e.meanGradient)});
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
    for (std::size_t r = 0; r < run.steps.size(); ++r) {
      for (std::size_t k = 0; k < run.uplifts.size(); ++k) {
        const Uplift& u = RowOf(run.upliftRows, run.uplifts.size(), r, k);
        rows.push_back({std::to_string(run.steps[r]), Readable(run.times[r]), run.uplifts[k].name,
                        Readable(u.integralP), Readable(u.force), Shown(u.actsAt),
                        Readable(u.lengthNegative)});
      }
    }
    AppendColumns(out, rows, 2);
    out += '\n';
  }
  rows = {{"step", "time", "inflow", "outflow", "net", "error"}};
  for (std::size_t r = 0; r < run.steps.size(); ++r) {
    const WaterBalance& b = run.balances[r];
    rows.push_back({std::to_string(run.steps[r]), Readable(run.times[r]), Readable(b.inflow),
                    Readable(b.outflow), Readable(b.net), Shown(b.error)});
  }
  AppendColumns(out, rows, 99);
  out += '\n';
  if (!run.sections.empty()) {
    rows = {{"step", "time", "section", "nodal Q", "flux"}};
    for (std::size_t r = 0; r < run.steps.size(); ++r) {
      for (std::size_t k = 0; k < run.sections.size(); ++k) {
        const SectionBalance& b = RowOf(run.sectionRows, run.sections.size(), r, k);
        rows.push_back({std::to_string(run.steps[r]), Readable(run.times[r]), run.sections[k].name,
                        Readable(b.nodalQ), Readable(b.flux)});
      }
    }
    AppendColumns(out, rows, 2);
    out += '\n';
  }
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
  const bool critical = HasCritical(run);
  const char separator = style.separator;
  StartCsv(out, style);
  out += "step";
  out += separator;
  out += "time";
  auto columns = [&](const std::vector<Section>& lines, std::initializer_list<const char*> parts) {
    for (const Section& line : lines) {
      for (const char* part : parts) {
        out += separator;
        AppendCsvField(out, line.name + part, style);
      }
    }
  };
  if (critical) {
    columns(run.exits, {"_max_gradient", "_max_element", "_max_x", "_max_y", "_max_at_corner",
                        "_mean_gradient", "_factor_of_safety_max", "_factor_of_safety_mean"});
  } else {
    columns(run.exits,
            {"_max_gradient", "_max_element", "_max_x", "_max_y", "_max_at_corner", "_mean_gradient"});
  }
  columns(run.uplifts, {"_integral_p", "_force", "_acts_at", "_length_negative"});
  for (const char* column : {"inflow", "outflow", "net", "error"}) {
    out += separator;
    out += column;
  }
  columns(run.sections, {"_nodal_q", "_flux"});
  out += '\n';
  auto number = [&](double v) {
    out += separator;
    AppendCsvNumber(out, v, style);
  };
  auto whole = [&](std::int64_t n) {
    out += separator;
    out += std::to_string(n);
  };
  for (std::size_t r = 0; r < run.steps.size(); ++r) {
    out += std::to_string(run.steps[r]);
    number(run.times[r]);
    for (std::size_t k = 0; k < run.exits.size(); ++k) {
      const ExitGradient& e = RowOf(run.exitRows, run.exits.size(), r, k);
      number(e.maxGradient);
      whole(e.maxElement);
      number(e.maxX);
      number(e.maxY);
      whole(e.maxAtCorner ? 1 : 0);
      number(e.meanGradient);
      if (critical) {
        number(FactorOfSafety(run.criticalGradient, e.maxGradient));
        number(FactorOfSafety(run.criticalGradient, e.meanGradient));
      }
    }
    for (std::size_t k = 0; k < run.uplifts.size(); ++k) {
      const Uplift& u = RowOf(run.upliftRows, run.uplifts.size(), r, k);
      for (double v : {u.integralP, u.force, u.actsAt, u.lengthNegative}) number(v);
    }
    const WaterBalance& b = run.balances[r];
    for (double v : {b.inflow, b.outflow, b.net, b.error}) number(v);
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionBalance& sb = RowOf(run.sectionRows, run.sections.size(), r, k);
      number(sb.nodalQ);
      number(sb.flux);
    }
    out += '\n';
  }
}

void WriteSafetyJson(std::string& out, const SafetyRun& run, const std::string& file) {
  const bool critical = HasCritical(run);
  out += "{\n  \"file\": ";
  AppendJsonString(out, file);
  out += ",\n  \"critical_gradient\": ";
  AppendJsonNumber(out, run.criticalGradient);
  out += ",\n  \"unit_weight_water\": ";
  AppendJsonNumber(out, run.gammaW);
  out += ",\n";
  AppendLines(out, "exit_faces", run.exits, run.exitCuts);
  AppendLines(out, "bases", run.uplifts, run.upliftCuts);
  AppendLines(out, "sections", run.sections, run.sectionCuts);
  out += "  \"steps\": [";
  for (std::size_t r = 0; r < run.steps.size(); ++r) {
    out += r == 0 ? "\n    {\"step\": " : ",\n    {\"step\": ";
    out += std::to_string(run.steps[r]);
    out += ", \"time\": ";
    AppendJsonNumber(out, run.times[r]);
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
        AppendJsonNumber(out, e.maxX);
        out += ", ";
        AppendJsonNumber(out, e.maxY);
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
      AppendField(out, "integral_p", u.integralP);
      AppendField(out, "force", u.force);
      AppendField(out, "acts_at", u.actsAt);
      AppendField(out, "length_negative", u.lengthNegative);
      out += '}';
    }
    const WaterBalance& b = run.balances[r];
    out += "],\n     \"balance\": {\"inflow\": ";
    AppendJsonNumber(out, b.inflow);
    AppendField(out, "outflow", b.outflow);
    AppendField(out, "net", b.net);
    AppendField(out, "error", b.error);
    out += "},\n     \"sections\": [";
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      const SectionBalance& sb = RowOf(run.sectionRows, run.sections.size(), r, k);
      out += k == 0 ? "{\"name\": " : ", {\"name\": ";
      AppendJsonString(out, run.sections[k].name);
      AppendField(out, "nodal_q", sb.nodalQ);
      AppendField(out, "flux", sb.flux);
      out += '}';
    }
    out += "]}";
  }
  out += run.steps.empty() ? "]\n}\n" : "\n  ]\n}\n";
}

}  // namespace seep
