#include "writers/report/report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string_view>
#include <utility>

#include "core/io/replace.h"
#include "core/model/locate.h"
#include "core/model/triangles.h"
#include "writers/draw/flow_rate_chart.h"
#include "writers/draw/profile_chart.h"
#include "writers/draw/svg.h"
#include "writers/report/html.h"
#include "writers/report/report_page.h"

namespace seep {
namespace {

// The steps drawn by default besides the last one.
constexpr std::size_t kMoreDefaultSteps = 11;

// ---------------------------------------------------------------------------------------------------
// Tables.

// The steps table: the figures of `seepconv info`.
struct StepRow {
  std::size_t position;
  const ReportStep* step;
};

// clang-format off
constexpr std::array<html::Column<StepRow>, 9> kStepColumns{{
    {"#", [](const StepRow& r) { return std::to_string(r.position + 1); }},
    {"Step", [](const StepRow& r) { return std::to_string(r.step->number); }},
    {"Time", nullptr, [](const StepRow& r) { return r.step->time; }, Quantity::kTime},
    {"P min", nullptr, [](const StepRow& r) { return r.step->pMin; }, Quantity::kLength},
    {"P max", nullptr, [](const StepRow& r) { return r.step->pMax; }, Quantity::kLength},
    {"H min", nullptr, [](const StepRow& r) { return r.step->hMin; }, Quantity::kLength},
    {"H max", nullptr, [](const StepRow& r) { return r.step->hMax; }, Quantity::kLength},
    {"V max", nullptr, [](const StepRow& r) { return r.step->speedMax; }, Quantity::kSpeed},
    {"i max", nullptr, [](const StepRow& r) { return r.step->gradientMax; }, Quantity::kNone},
}};
// clang-format on

std::string RowId(std::size_t position) {
  return "row-" + std::to_string(position + 1);
}

// The points table: where each point lies and its heads at the last step.
struct PointRow {
  std::int32_t number;
  double x, y;
  std::int32_t element;  // 0: outside the mesh
  double h;              // total head at the last step
};

// clang-format off
constexpr std::array<html::Column<PointRow>, 6> kPointColumns{{
    {"Point", [](const PointRow& r) { return std::to_string(r.number); }},
    {"x", nullptr, [](const PointRow& r) { return r.x; }, Quantity::kLength},
    {"y", nullptr, [](const PointRow& r) { return r.y; }, Quantity::kLength},
    {"Element", [](const PointRow& r) {
       return r.element != 0 ? std::to_string(r.element) : std::string("outside the mesh");
     }},
    {"H, last step", nullptr, [](const PointRow& r) { return r.element != 0 ? r.h : ReportStep::kNone; }, Quantity::kLength},
    {"P, last step", nullptr, [](const PointRow& r) { return r.element != 0 ? r.h - r.y : ReportStep::kNone; }, Quantity::kLength},
}};
// clang-format on

// ---------------------------------------------------------------------------------------------------
// The document, top to bottom.

void Head(std::string& out, const ReportState& run) {
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html::Open(out, "meta",
             {{"http-equiv", "Content-Security-Policy"}, {"content", report_page::kContentPolicy}});
  out += "\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  std::string title = run.plan.title.empty() ? std::string("Result file") : run.plan.title;
  title += " \xE2\x80\x94 seepconv report";
  html::Element(out, "title", title);
  out += "\n<style>\n";
  out += report_page::kScreenStyle;
  out += run.style;
  out += "</style>\n</head>\n<body>\n";
}

void Header(std::string& out, const ReportState& run) {
  out += "<header>\n";
  html::Element(out, "h1",
                run.plan.title.empty() ? std::string_view("Result file") : std::string_view(run.plan.title));
  out += "\n<table class=\"facts\">\n";
  for (const ReportFact& f : run.plan.facts) {
    out += "<tr>";
    html::Element(out, "th", f.label);
    html::Element(out, "td", f.value);
    out += "</tr>\n";
  }
  out += "</table>\n</header>\n";
}

// The slider and the pictures, the last one shown; the parts that every picture shares once, out of
// sight, for the pictures to use.
void Pictures(std::string& out, const ReportState& run) {
  out += "<section class=\"pictures\">\n<h2>";
  html::Text(out, FieldName(run.options.field));
  out += "</h2>\n";
  if (run.drawn == 0) {
    out += "<p class=\"note\">No step drawn.</p>\n</section>\n";
    return;
  }
  const std::string last = std::to_string(run.drawn - 1);
  out +=
      "<div class=\"controls\">"
      "<button type=\"button\" id=\"previous\" title=\"Previous step (left arrow)\">\xE2\x97\x80</button>"
      "<button type=\"button\" id=\"play\">\xE2\x96\xB6 Play</button>"
      "<button type=\"button\" id=\"next\" title=\"Next step (right arrow)\">\xE2\x96\xB6</button>";
  html::Open(out, "input",
             {{"type", "range"},
              {"id", "slider"},
              {"min", "0"},
              {"max", last},
              {"value", last},
              {"step", "1"},
              {"aria-label", "Step"}});
  out += "<span id=\"shown\"></span></div>\n";
  out += "<svg class=\"shared\" aria-hidden=\"true\"><defs>\n";
  out += run.constant;
  out += "</defs></svg>\n";
  out += run.pictures;
  out += "</section>\n";
}

void StepsTable(std::string& out, const ReportState& run) {
  std::vector<StepRow> rows;
  rows.reserve(run.plan.steps.size());
  for (std::size_t k = 0; k < run.plan.steps.size(); ++k) rows.push_back({k, &run.plan.steps[k]});
  out += "<section class=\"steps\">\n<h2>Steps</h2>\n";
  html::Table<StepRow>(
      out, kStepColumns, rows, [](std::size_t k) { return RowId(k); }, "", &run.options.units);
  out +=
      "<p class=\"note\">P pressure head, H total head (P + Y), V element speed, i hydraulic gradient "
      "(magnitude); extremes of the finite values.</p>\n</section>\n";
}

void Points(std::string& out, const ReportState& run, const Store& s) {
  if (!run.points) return;
  out += "<section class=\"points\">\n<h2>Points</h2>\n<figure class=\"chart\">\n";
  std::string chart;
  DrawHistoryChart(chart, run.chart, s);
  // Inline in the page, the picture needs no XML declaration.
  const std::size_t begin = chart.find("<svg");
  out.append(chart, begin == std::string::npos ? 0 : begin);
  out += "</figure>\n";
  std::vector<PointRow> rows;
  for (std::int32_t i = 1; i <= s.NPT; ++i) {
    const auto k = static_cast<std::size_t>(i - 1);
    rows.push_back({i, s.XP(i), s.YP(i), k < run.pointElements.size() ? run.pointElements[k] : 0,
                    k < run.pointHeads.size() ? run.pointHeads[k] : ReportStep::kNone});
  }
  html::Table<PointRow>(
      out, kPointColumns, rows, [](std::size_t) { return std::string(); }, "", &run.options.units);
  out += "</section>\n";
}

// The flow through each section, step by step, as `seepconv flux` gives it: one row per step (net,
// to the right, to the left).
struct FlowRow {
  std::int32_t step;
  double time;
  const SectionFlow* flow;
};

// clang-format off
constexpr std::array<html::Column<FlowRow>, 5> kFlowColumns{{
    {"Step", [](const FlowRow& r) { return std::to_string(r.step); }},
    {"Time", nullptr, [](const FlowRow& r) { return r.time; }, Quantity::kTime},
    {"Net", nullptr, [](const FlowRow& r) { return r.flow->net; }, Quantity::kFlow},
    {"Right", nullptr, [](const FlowRow& r) { return r.flow->right; }, Quantity::kFlow},
    {"Left", nullptr, [](const FlowRow& r) { return r.flow->left; }, Quantity::kFlow},
}};
// clang-format on

// The chart of the net flow rates against time and a table per section.
void Sections(std::string& out, const ReportState& run, const Store& s) {
  const std::vector<Section>& sections = run.options.sections;
  if (sections.empty()) return;
  out += "<section class=\"sections\">\n<h2>Sections</h2>\n<figure class=\"chart\">\n";
  std::vector<std::string> names;
  std::vector<double> net;
  for (const Section& section : sections) names.push_back(section.name);
  for (const SectionFlow& f : run.flows) net.push_back(f.net);
  std::string chart;
  DrawFlowRateChart(chart, s, names, run.times, net, run.options.units);
  const std::size_t begin = chart.find("<svg");
  out.append(chart, begin == std::string::npos ? 0 : begin);
  out += "</figure>\n";
  std::vector<FlowRow> rows;
  for (std::size_t k = 0; k < sections.size(); ++k) {
    out += "<h3>";
    html::Text(out, sections[k].name);
    out += "</h3>\n<p class=\"note\">Length ";
    const MeasureUnits& units = run.options.units;
    const std::string length = " " + units.Name(Quantity::kLength);
    html::Element(out, "span", html::Number(units.Show(Quantity::kLength, run.mesh.cuts[k].length)) + length,
                  {{"class", "num"}});
    out += ", outside the active mesh ";
    html::Element(out, "span", html::Number(units.Show(Quantity::kLength, run.mesh.cuts[k].outside)) + length,
                  {{"class", "num"}});
    out +=
        "; flow rate per unit thickness, net, to the right of the direction from one point to the next, "
        "and to the left.</p>\n";
    rows.clear();
    for (std::size_t row = 0; row < run.times.size(); ++row) {
      const std::int32_t number = row < run.plan.steps.size() ? run.plan.steps[row].number : 0;
      rows.push_back({number, run.times[row], &run.flows[row * sections.size() + k]});
    }
    html::Table<FlowRow>(
        out, kFlowColumns, rows, [](std::size_t) { return std::string(); }, "flows", &run.options.units);
  }
  out += "</section>\n";
}

// The head of a safety table: its headings and, under them, the unit of each (empty for none; "model
// units" when the file's are not stated), as html::Table writes them.
void SafetyHead(std::string& out, const MeasureUnits& units,
                const std::vector<std::pair<std::string_view, Quantity>>& columns) {
  out += "<thead><tr>";
  for (const auto& [heading, q] : columns) html::Element(out, "th", heading);
  out += "</tr>\n<tr class=\"units\">";
  for (const auto& [heading, q] : columns) html::Element(out, "th", units.Name(q));
  out += "</tr></thead>\n<tbody>\n";
}

// The safety figures step by step: a table per exit face (largest and mean exit gradient, the factors
// of safety with a critical gradient, the smallest factor of the report marked), per base (the uplift)
// and of the balance of the nodal flows, as `seepconv safety` gives them, in the same units.
void Safety(std::string& out, const ReportState& run) {
  const SafetyRun& f = run.safety;
  if (f.exits.empty() && f.uplifts.empty()) return;
  const MeasureUnits& units = f.units;
  auto shown = [&units](Quantity q, double v) { return html::Number(units.Show(q, v)); };
  const bool critical = std::isfinite(f.criticalGradient);
  // The smallest factor of safety of every face and step, max or mean.
  double least = std::numeric_limits<double>::infinity();
  for (const ExitGradient& e : f.exitRows) {
    for (double i : {e.maxGradient, e.meanGradient}) {
      const double fs = FactorOfSafety(f.criticalGradient, i);
      if (std::isfinite(fs)) least = std::min(least, fs);
    }
  }
  auto row = [&out](std::initializer_list<std::string> cells) {
    out += "<tr>";
    for (const std::string& c : cells) html::Element(out, "td", c);
    out += "</tr>\n";
  };
  constexpr Quantity kNone = Quantity::kNone, kLength = Quantity::kLength, kTime = Quantity::kTime,
                     kFlow = Quantity::kFlow;
  out += "<section class=\"safety\">\n<h2>Safety</h2>\n";
  for (std::size_t k = 0; k < f.exits.size(); ++k) {
    out += "<h3>Exit face ";
    html::Text(out, f.exits[k].name);
    out += "</h3>\n<table class=\"exit\">\n";
    std::vector<std::pair<std::string_view, Quantity>> columns = {
        {"Step", kNone}, {"Time", kTime},   {"i max", kNone}, {"Element", kNone},
        {"At", kLength}, {"Corner", kNone}, {"i mean", kNone}};
    if (critical) columns.insert(columns.end(), {{"FS max", kNone}, {"FS mean", kNone}});
    SafetyHead(out, units, columns);
    for (std::size_t r = 0; r < f.steps.size(); ++r) {
      const ExitGradient& e = f.exitRows[r * f.exits.size() + k];
      const bool any = e.maxElement != 0;
      out += "<tr>";
      for (const std::string& c :
           {std::to_string(f.steps[r]), shown(kTime, f.times[r]), html::Number(e.maxGradient),
            any ? std::to_string(e.maxElement) : std::string("-"),
            any ? shown(kLength, e.maxX) + ", " + shown(kLength, e.maxY) : std::string("-"),
            std::string(e.maxAtCorner ? "yes" : "no"), html::Number(e.meanGradient)})
        html::Element(out, "td", c);
      if (critical) {
        for (double i : {e.maxGradient, e.meanGradient}) {
          const double fs = FactorOfSafety(f.criticalGradient, i);
          if (fs == least) {
            html::Element(out, "td", html::Number(fs), {{"class", "least"}});
          } else {
            html::Element(out, "td", html::Number(fs));
          }
        }
      }
      out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n";
  }
  for (std::size_t k = 0; k < f.uplifts.size(); ++k) {
    out += "<h3>Base ";
    html::Text(out, f.uplifts[k].name);
    out += "</h3>\n<table class=\"uplift\">\n";
    SafetyHead(out, units,
               {{"Step", kNone},
                {"Time", kTime},
                {"Integral of P", Quantity::kArea},
                {"Force", Quantity::kForce},
                {"Acts at", kLength},
                {"P < 0 over", kLength}});
    for (std::size_t r = 0; r < f.steps.size(); ++r) {
      const Uplift& u = f.upliftRows[r * f.uplifts.size() + k];
      row({std::to_string(f.steps[r]), shown(kTime, f.times[r]), shown(Quantity::kArea, u.integralP),
           shown(Quantity::kForce, u.force), shown(kLength, u.actsAt), shown(kLength, u.lengthNegative)});
    }
    out += "</tbody>\n</table>\n";
  }
  out += "<h3>Balance of the nodal flows</h3>\n<table class=\"balance\">\n";
  SafetyHead(out, units,
             {{"Step", kNone},
              {"Time", kTime},
              {"Inflow", kFlow},
              {"Outflow", kFlow},
              {"Net", kFlow},
              {"Error", kNone}});
  for (std::size_t r = 0; r < f.steps.size(); ++r) {
    const WaterBalance& b = f.balances[r];
    row({std::to_string(f.steps[r]), shown(kTime, f.times[r]), shown(kFlow, b.inflow),
         shown(kFlow, b.outflow), shown(kFlow, b.net), html::Number(b.error)});
  }
  out +=
      "</tbody>\n</table>\n<p class=\"note\">Exit gradient i: &minus;grad H along the normal to the left of "
      "the face's direction (upward for ground drawn left to right); i max of the element with the largest, "
      "at its centre; corner yes: that element touches a corner of the active mesh, where i max grows as "
      "the mesh is refined, and i mean, weighted by length over the face, is the figure to use.";
  if (critical)
    out += " FS = ic / i with ic = " + html::Number(f.criticalGradient) + "; the smallest is marked.";
  out +=
      " Uplift: the integral of the pressure head P along the base, the force &gamma;w times it with "
      "&gamma;w = " +
      html::Number(f.gammaW) +
      (units.stated ? " kN/m\xC2\xB3, in kN per metre of thickness,"
                    : " (kN per metre of thickness when "
                      "&gamma;w is in kN/m\xC2\xB3 and "
                      "lengths in metres),") +
      " acting at the distance given from the base's first point. Balance: nodal flows Q of the nodes of "
      "active elements; error = |net| / inflow.</p>\n</section>\n";
}

// The profile along the line: a chart of the field against the distance, a line per drawn step, as
// `seepconv profile` draws it, and a table of the points with the value of the last drawn step.
struct ProfileRow {
  double distance, x, y, value;
};

void Profile(std::string& out, const ReportState& run, const Store& s) {
  const ProfileRun& p = run.profile;
  if (p.line.empty() || p.steps.empty()) return;
  out += "<section class=\"profile\">\n<h2>Profile along the line</h2>\n<figure class=\"chart\">\n";
  std::string chart;
  DrawProfileChart(chart, p, s);
  const std::size_t begin = chart.find("<svg");
  out.append(chart, begin == std::string::npos ? 0 : begin);
  out += "</figure>\n";
  std::vector<ProfileRow> rows;
  const std::size_t last = p.steps.size() - 1;
  for (std::size_t k = 0; k < p.at.size(); ++k)
    rows.push_back({p.distance[k], p.at[k].x, p.at[k].y, ProfileValue(p, last, k)});
  const std::string heading = std::string(FieldName(p.field)) + ", step " + std::to_string(p.steps[last]);
  const std::array<html::Column<ProfileRow>, 4> columns{{
      {"Distance", nullptr, [](const ProfileRow& r) { return r.distance; }, Quantity::kLength},
      {"x", nullptr, [](const ProfileRow& r) { return r.x; }, Quantity::kLength},
      {"y", nullptr, [](const ProfileRow& r) { return r.y; }, Quantity::kLength},
      {heading, nullptr, [](const ProfileRow& r) { return r.value; }, FieldQuantity(p.field)},
  }};
  html::Table<ProfileRow>(
      out, columns, rows, [](std::size_t) { return std::string(); }, "profile", &run.options.units);
  out += p.atCrossings
             ? "<p class=\"note\">The line's ends and every point where it crosses an element edge."
             : "<p class=\"note\">" + std::to_string(p.at.size()) + " points evenly spaced along the line.";
  out +=
      " Heads interpolated in the triangle that holds each point; speed and gradient of the element there; "
      "a dash outside the active mesh.</p>\n</section>\n";
}

void Footer(std::string& out, const ReportState& run) {
  out += "<footer>\n<p>Made by seepconv ";
  html::Text(out, run.plan.version);
  out += " with <code>";
  html::Text(out, run.plan.commandLine);
  out += "</code></p>\n</footer>\n";
}

}  // namespace

void ChooseDefaultSteps(std::vector<ReportStep>& steps) {
  const std::size_t n = steps.size();
  if (n == 0) return;
  for (std::size_t k = 0; k <= kMoreDefaultSteps; ++k) {
    const std::size_t at =
        n <= kMoreDefaultSteps + 1
            ? std::min(k, n - 1)
            : static_cast<std::size_t>(std::llround(static_cast<double>(k) * static_cast<double>(n - 1) /
                                                    static_cast<double>(kMoreDefaultSteps)));
    steps[at].drawn = true;
  }
}

LevelRange RunLevels(const std::vector<ReportStep>& steps, PlotField field) {
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (const ReportStep& st : steps) {
    if (!st.drawn) continue;
    std::array<double, 2> range{st.hMin, st.hMax};
    if (field == PlotField::kPressureHead) range = {st.pMin, st.pMax};
    if (field == PlotField::kSpeed) range = {st.speedMin, st.speedMax};
    if (field == PlotField::kGradient) range = {0.0, st.gradientMax};
    for (double v : range) {
      if (!std::isfinite(v)) continue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (!(hi >= lo)) return {0.0, 0.0};
  return {lo, hi};
}

void SetUpReport(ReportState& run, const Store& s) {
  run.options.levels = RunLevels(run.plan.steps, run.options.field);
  run.style.clear();
  // In the units shown, as DrawStepPictureParts takes the levels.
  AppendPictureStyle(run.style, PictureLevels(run.options, 0.0, 0.0));
  run.next = 0;
  run.drawn = 0;
  run.mesh = PictureMeshOf(s, run.options);
  if (!run.safety.exits.empty() || !run.safety.uplifts.empty()) SetUpSafety(run.safety, s);
  if (!run.profile.line.empty()) SetUpProfile(run.profile, s);
  if (!run.points) return;
  SetUpHistory(
      run.chart, s,
      run.options.field == PlotField::kPressureHead ? PlotField::kPressureHead : PlotField::kTotalHead,
      run.options.units);
  const ElementBins bins = BinElements(s);
  run.pointElements.assign(static_cast<std::size_t>(std::max(s.NPT, 0)), 0);
  run.pointHeads.assign(run.pointElements.size(), ReportStep::kNone);
  for (std::int32_t i = 1; i <= s.NPT; ++i) {
    if (i <= s.IPN.Rows() && s.IPN(i, 1) != 0) {
      run.pointElements[static_cast<std::size_t>(i - 1)] = LocatePoint(bins, s, s.XP(i), s.YP(i)).element;
    }
  }
}

void AddReportStep(ReportState& run, Store& s) {
  const std::size_t position = run.next++;
  if (!run.mesh.cuts.empty()) {
    run.times.push_back(s.TIME);
    for (const SectionCut& cut : run.mesh.cuts) run.flows.push_back(FlowAcross(s, cut));
  }
  if (!run.safety.exits.empty() || !run.safety.uplifts.empty()) AddSafetyStep(run.safety, s);
  if (run.points) {
    AddHistoryStep(run.chart, s);
    for (std::int32_t i : run.chart.inside)
      run.pointHeads[static_cast<std::size_t>(i - 1)] = PointTotalHead(s, i);
  }
  if (position >= run.plan.steps.size() || !run.plan.steps[position].drawn) return;
  if (!run.profile.line.empty()) AddProfileStep(run.profile, s);

  PlotWarnings w;
  DrawStepPictureParts(run.parts, s, run.mesh, run.options, run.drawn == 0, w);
  AddPlotWarnings(run.warnings, w);
  if (run.drawn == 0) {
    run.constant += "<g id=\"section\">\n";
    run.constant += run.parts.section;
    run.constant += "</g>\n<g id=\"frame\">\n";
    run.constant += run.parts.frame;
    run.constant += "</g>\n";
  }

  const std::string step = std::to_string(s.ISTEP), time = TimeText(s.TIME, run.options.units);
  std::string caption = "Step " + step + ", time " + time;
  std::string& out = run.pictures;
  html::Open(out, "figure",
             {{"class", "step"}, {"data-step", step}, {"data-time", time}, {"data-row", RowId(position)}});
  html::Element(out, "figcaption", caption);
  out += "\n<svg";
  const StepPictureParts& p = run.parts;
  std::string size = "0 0 ";
  svg::AppendCoordinate(size, p.width);
  size += ' ';
  svg::AppendCoordinate(size, p.height);
  out += " viewBox=\"" + size + "\" role=\"img\">\n";
  html::Element(out, "title", caption);
  out += "\n";
  out += p.bands;
  if (p.plotWidth > 0.0) out += "<use href=\"#section\"/>\n";
  out += p.lines;
  if (p.plotWidth > 0.0) out += "<use href=\"#frame\"/>\n";
  out += p.title;
  out += "</svg>\n</figure>\n";
  ++run.drawn;
}

void WriteReport(ReportState& run, const Store& s) {
  // The last picture is the one shown when the page opens.
  const std::size_t shown = run.pictures.rfind("<figure class=\"step\"");
  if (shown != std::string::npos) run.pictures.replace(shown, 20, "<figure class=\"step shown\"");
  std::string& out = run.html;
  out.clear();
  out.reserve(run.pictures.size() + run.constant.size() + 64 * 1024);
  Head(out, run);
  Header(out, run);
  Pictures(out, run);
  StepsTable(out, run);
  Safety(out, run);
  Points(out, run, s);
  Sections(out, run, s);
  Profile(out, run, s);
  Footer(out, run);
  out += "<script>";
  out += report_page::kScript;
  out += "</script>\n</body>\n</html>\n";
  WriteWholeFile(run.target, out);
  run.bytesWritten = out.size();
}

std::string ReportWarnings(const ReportState& run) {
  std::string text = DescribeLeftOut(run.warnings, run.chart, "left out of the chart");
  if (run.profile.outside > 0) {
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += std::to_string(run.profile.outside) + " of the " + std::to_string(run.profile.at.size()) +
            " points of the profile's line lie outside the active mesh: no value there";
  }
  return text;
}

}  // namespace seep
