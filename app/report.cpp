#include "app/report.h"

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "app/text.h"
#include "core/io/platform.h"

#ifndef SEEPCONV_VERSION
#define SEEPCONV_VERSION "0.0.0"
#endif

namespace seep {

std::string QuotedArgument(std::string_view arg, bool cmd) {
  const bool plain = !arg.empty() && arg.find_first_not_of(
                                         "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                         "0123456789-_./:=,+%@") == std::string_view::npos;
  if (plain || (cmd && !arg.empty() &&
                arg.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                      "0123456789-_./:=,+@\\") == std::string_view::npos))
    return std::string(arg);
  if (!cmd) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }
  // Double quotes, as the C runtime splits a Windows command line: backslashes before a quote (and at
  // the end) doubled, a quote itself after a backslash.
  std::string quoted = "\"";
  std::size_t slashes = 0;
  for (char c : arg) {
    if (c == '"') quoted.append(slashes + 1, '\\');
    slashes = c == '\\' ? slashes + 1 : 0;
    quoted += c;
  }
  quoted.append(slashes, '\\');
  return quoted + "\"";
}

namespace {

double Low(const Range& r) {
  return r.count > 0 ? r.min : ReportStep::kNone;
}

double High(const Range& r) {
  return r.count > 0 ? r.max : ReportStep::kNone;
}

std::vector<ReportFact> Facts(const ResultSummary& r, std::string_view date, std::size_t drawn,
                              const MeasureUnits& units) {
  std::vector<ReportFact> facts;
  facts.push_back({"File", r.file + " (" + Bytes(r.bytes) + ")"});
  facts.push_back({"Report made", std::string(date)});
  facts.push_back({"Nodes", std::to_string(r.nodes)});
  facts.push_back({"Elements", std::to_string(r.elements) + ": " + std::to_string(r.quadrilaterals) +
                                   " quadrilaterals, " + std::to_string(r.triangles) + " triangles; " +
                                   std::to_string(r.active) + " active, " + std::to_string(r.inactive) +
                                   " inactive"});
  std::string materials;
  for (const auto& [mat, count] : r.materials) {
    if (!materials.empty()) materials += ", ";
    materials +=
        std::to_string(mat) + " (" + std::to_string(count) + (count == 1 ? " element)" : " elements)");
  }
  facts.push_back({"Materials", materials.empty() ? "none active" : materials});
  if (r.x.count > 0) {
    auto length = [&units](double v) { return Number(units.Show(Quantity::kLength, v)); };
    facts.push_back({"Bounds", "x " + length(r.x.min) + " to " + length(r.x.max) + ", y " + length(r.y.min) +
                                   " to " + length(r.y.max) + " " + units.Name(Quantity::kLength)});
  }
  facts.push_back({"Steps", std::to_string(r.steps.size()) + ", " + std::to_string(drawn) + " drawn"});
  return facts;
}

}  // namespace

std::optional<ReportPlan> PlanReport(const ResultSummary& summary, const StepSelection* steps,
                                     std::string_view stepsText, std::string_view date,
                                     const MeasureUnits& units, std::span<const std::string_view> args,
                                     std::string& error) {
  ReportPlan plan;
  plan.title = summary.title;
  plan.version = SEEPCONV_VERSION;
  plan.commandLine = "seepconv";
  for (std::string_view a : args) plan.commandLine += " " + QuotedArgument(a, CommandLinesForCmd());
  std::vector<std::int32_t> numbers;
  for (std::size_t k = 0; k < summary.steps.size(); ++k) {
    const StepSummary& st = summary.steps[k];
    ReportStep row;
    row.number = st.number;
    row.time = st.time;
    row.pMin = Low(st.pressureHead), row.pMax = High(st.pressureHead);
    row.hMin = Low(st.totalHead), row.hMax = High(st.totalHead);
    row.speedMin = Low(st.speed), row.speedMax = High(st.speed);
    if (st.gradient.element != 0) row.gradientMax = st.gradient.magnitude;
    // The last step of a whole file is `last`; a damaged file has no last step yet.
    const bool last = k + 1 == summary.steps.size() && !summary.damage;
    row.drawn = steps != nullptr && steps->Selects(st.number, last);
    plan.steps.push_back(row);
    numbers.push_back(st.number);
  }
  if (steps == nullptr) ChooseDefaultSteps(plan.steps);
  std::size_t drawn = 0;
  for (const ReportStep& row : plan.steps) drawn += row.drawn ? 1 : 0;
  if (steps != nullptr && drawn == 0 && !summary.steps.empty()) {
    error = "no step matches --steps " + std::string(stepsText) + "; the file has steps " +
            DescribeSteps(numbers);
    return std::nullopt;
  }
  plan.facts = Facts(summary, date, drawn, units);
  return plan;
}

std::string ReportDate() {
  std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    const long long given = std::strtoll(epoch, &end, 10);
    if (end != nullptr && *end == '\0') now = static_cast<std::time_t>(given);
  }
  const std::tm* utc = std::gmtime(&now);
  char text[32] = "";
  if (utc != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", utc);
  return text;
}

}  // namespace seep
