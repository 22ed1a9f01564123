#include "app/flux.h"

#include <memory>

#include "app/convert.h"
#include "core/io/failure.h"
#include "core/io/replace.h"
#include "core/io/units.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "writers/flux/flux.h"
#include "writers/draw/flow_rate_chart.h"

namespace seep {
namespace {

void Fail(Messages& messages, const std::string& file, const IoFailure& failure) {
  messages.Failure(file, PlainWords(failure), failure.number);
}

}  // namespace

int RunFlux(const FluxRequest& r, std::FILE* out, Messages& messages) {
  auto io = std::make_unique<Io>(stdin, stdout, stderr);  // the console is not used
  auto s = std::make_unique<Store>();
  FluxRun run;
  run.sections = r.sections;
  std::vector<std::int32_t> seen;
  result::RecordPlace place;
  const std::string shown = ShownName(r.result);  // "standard input" for "-"
  if (r.result != kStandardInput) ProtectInput(r.result, "the result file");
  try {
    if (r.result == kStandardInput) {
      result::OpenStream(*io, stdin, shown);
    } else {
      result::Open(*io, r.result);
    }
  } catch (const IoFailure& failure) {
    Fail(messages, shown, failure);
    return 1;
  }
  try {
    result::ReadHeader(*io, *s, &place);
    SetUpFlux(run, *s);
    while (result::ReadStep(*io, *s, &place)) {
      seen.push_back(s->ISTEP);
      if (r.steps.Takes(s->ISTEP, result::AtEnd(*io))) AddFluxStep(run, *s);
    }
  } catch (const IoFailure& failure) {
    const std::int64_t step = static_cast<std::int64_t>(seen.size()) + (place.record[0] == 'S' ? 1 : 0);
    messages.Failure(shown, result::DescribeDamage(failure.number, place, step), failure.number);
    return 1;
  }
  if (run.steps.empty()) {
    messages.Failure(shown, "no step matches --steps " + r.stepsText + "; the file has " +
                                (seen.empty() ? std::string("no steps") : "steps " + DescribeSteps(seen)));
    return 1;
  }

  std::string text;
  switch (r.format) {
    case FluxFormat::kTable:
      WriteFluxTable(text, run);
      break;
    case FluxFormat::kCsv:
      WriteFluxCsv(text, run);
      break;
    case FluxFormat::kJson:
      WriteFluxJson(text, run, shown);
      break;
  }
  // Each output made whole under a temporary name, or written directly to a device or pipe; never over
  // an input of the run.
  auto write = [&messages](const std::string& target, std::string_view bytes) {
    try {
      WriteWholeFile(target, bytes);
      return true;
    } catch (const IoFailure& failure) {
      Fail(messages, target, failure);
    } catch (const OutputRefused& refused) {
      messages.Failure(refused.file, refused.what);
    }
    return false;
  };
  if (r.output.empty()) {
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
      messages.Failure("standard output", "write error", kErrWrite);
      return 1;
    }
  } else if (!write(r.output, text)) {
    return 1;
  }
  if (!r.chart.empty()) {
    std::vector<std::string> names;
    for (const Section& section : run.sections) names.push_back(section.name);
    std::vector<double> net;
    net.reserve(run.flows.size());
    for (const SectionFlow& f : run.flows) net.push_back(f.net);
    std::string svg;
    DrawFlowRateChart(svg, *s, names, run.times, net);
    if (!write(r.chart, svg)) return 1;
  }
  for (std::size_t k = 0; k < run.sections.size(); ++k) {
    if (run.cuts[k].outside > 0.0 && run.cuts[k].outside >= run.cuts[k].length) {
      messages.Warning(shown, "section " + run.sections[k].name + " lies wholly outside the active mesh");
    }
  }
  if (run.skipped > 0) {
    messages.Warning(shown, std::to_string(run.skipped) + (run.skipped == 1 ? " piece" : " pieces") +
                                " of sections left out of the flow rates (velocity not finite)");
  }
  return 0;
}

}  // namespace seep
