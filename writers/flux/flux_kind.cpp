#include "writers/flux/flux_kind.h"

#include <string>
#include <vector>

#include "core/io/replace.h"
#include "writers/draw/flow_rate_chart.h"
#include "writers/flux/flux.h"

namespace seep {
namespace {

// The sections cut by the active mesh once, for every step.
void SetUp(WriterCall& w) {
  FluxRun& run = w.Own<FluxRun>();
  run.sections = w.choices.sections;
  SetUpFlux(run, w.s);
}

// The table in the style asked for, to the output; the chart, whole, beside it.
void Finish(WriterCall& w) {
  const FluxRun& run = w.Own<FluxRun>();
  std::string text;
  switch (w.choices.table) {
    case TableStyle::kAligned:
      WriteFluxTable(text, run);
      break;
    case TableStyle::kCsv:
      WriteFluxCsv(text, run);
      break;
    case TableStyle::kSpreadsheet:
      WriteFluxCsv(text, run, w.choices.spreadsheet);
      break;
    case TableStyle::kJson:
      WriteFluxJson(text, run, w.choices.resultName);
      break;
  }
  w.io.PutRecords(kOutputUnit, text);
  if (w.choices.chart.empty()) return;
  std::vector<std::string> names;
  for (const Section& section : run.sections) names.push_back(section.name);
  std::vector<double> net;
  net.reserve(run.flows.size());
  for (const SectionFlow& f : run.flows) net.push_back(f.net);
  std::string svg;
  DrawFlowRateChart(svg, w.s, names, run.times, net);
  WriteWholeFile(w.choices.chart, svg);
}

// Sections that miss the active mesh, and pieces whose element has no finite velocity: a line each.
std::string LeftOut(const WriterCall& w) {
  const FluxRun& run = w.Own<FluxRun>();
  std::string text;
  for (std::size_t k = 0; k < run.sections.size(); ++k) {
    if (run.cuts[k].outside > 0.0 && run.cuts[k].outside >= run.cuts[k].length)
      text += "section " + run.sections[k].name + " lies wholly outside the active mesh\n";
  }
  if (run.skipped > 0) {
    text += std::to_string(run.skipped) + (run.skipped == 1 ? " piece" : " pieces") +
            " of sections left out of the flow rates (velocity not finite)\n";
  }
  return text;
}

}  // namespace

constexpr OutputKind kFlowRatesKind{
    .command = "flux",
    .name = "table",
    .extension = ".txt",
    .description = "flow rates through sections per step: aligned text, CSV or JSON",
    .takes = kTakesSteps,
    .leftOutOfInput = true,
    .state = StateOf<FluxRun>(),
    .setUp = SetUp,
    .selectedStep = [](WriterCall& w) { AddFluxStep(w.Own<FluxRun>(), w.s); },
    .finish = Finish,
    .leftOut = LeftOut,
    .written =
        [](const WriterCall& w, const std::string& output) {
          return w.choices.chart.empty() ? output : output + " and " + w.choices.chart;
        },
};

}  // namespace seep
