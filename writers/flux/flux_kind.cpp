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
  run.units = w.choices.units;
  run.leftOutColumns = w.choices.studyTable != nullptr;
  SetUpFlux(run, w.s);
}

// The table in the style asked for, to the output; the chart, whole, beside it.
void Finish(WriterCall& w) {
  const FluxRun& run = w.Own<FluxRun>();
  PutTable(w, run, TableWriters<FluxRun>{WriteFluxTable, WriteFluxCsv, WriteFluxJson});
  if (w.choices.chart.empty()) return;
  std::vector<std::string> names;
  for (const Section& section : run.sections) names.push_back(section.name);
  std::vector<double> net;
  net.reserve(run.flows.size());
  for (const SectionFlow& f : run.flows) net.push_back(f.net);
  std::string svg;
  DrawFlowRateChart(svg, w.s, names, run.times, net, w.choices.units);
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
    // Per section: its pieces left out and the steps they were left out in.
    std::string where;
    for (std::size_t k = 0; k < run.sections.size(); ++k) {
      std::int64_t pieces = 0;
      std::vector<std::int32_t> steps;
      for (std::size_t row = 0; row < run.steps.size(); ++row) {
        pieces += FlowOf(run, row, k).skipped;
        if (FlowOf(run, row, k).skipped > 0) steps.push_back(run.steps[row]);
      }
      if (pieces == 0) continue;
      where += (where.empty() ? ": " : "; ") + run.sections[k].name + " " + std::to_string(pieces) +
               (steps.size() == 1 ? " in step " : " in steps ");
      if (steps.size() <= 5) {
        for (std::size_t i = 0; i < steps.size(); ++i)
          where += (i == 0 ? "" : ", ") + std::to_string(steps[i]);
      } else {
        where += std::to_string(steps.front()) + " to " + std::to_string(steps.back()) + " (" +
                 std::to_string(steps.size()) + ")";
      }
    }
    text += std::to_string(run.skipped) + (run.skipped == 1 ? " piece" : " pieces") +
            " of sections left out of the flow rates (velocity not finite)" + where + "\n";
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
    .written = TableAndChart,
};

}  // namespace seep
