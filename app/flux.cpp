#include "app/flux.h"

#include <memory>

#include "core/io/failure.h"
#include "core/io/replace.h"
#include "core/io/units.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "writers/flux/flux.h"
#include "writers/plot/flow_rate_chart.h"

namespace seep {
namespace {

void Say(std::FILE* err, const std::string& file, const std::string& what) {
  const std::string line = "seepconv: " + file + ": " + what + "\n";
  std::fputs(line.c_str(), err);
  std::fflush(err);
}

void Warn(std::FILE* err, const std::string& file, const std::string& what) {
  const std::string line = "seepconv: warning: " + file + ": " + what + "\n";
  std::fputs(line.c_str(), err);
  std::fflush(err);
}

void Fail(std::FILE* err, const std::string& file, const IoFailure& failure) {
  Say(err, file, PlainWords(failure) + " (" + std::to_string(failure.number) + ")");
}

}  // namespace

int RunFlux(const FluxRequest& r, std::FILE* out, std::FILE* err) {
  auto io = std::make_unique<Io>(stdin, stdout, stderr);  // the console is not used
  auto s = std::make_unique<Store>();
  FluxRun run;
  run.sections = r.sections;
  std::vector<std::int32_t> seen;
  result::RecordPlace place;
  try {
    result::Open(*io, r.result);
  } catch (const IoFailure& failure) {
    Fail(err, r.result, failure);
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
    Say(err, r.result,
        result::DescribeDamage(failure.number, place, step) + " (" + std::to_string(failure.number) + ")");
    return 1;
  }
  if (run.steps.empty()) {
    Say(err, r.result,
        "no step matches --steps " + r.stepsText + "; the file has " +
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
      WriteFluxJson(text, run, r.result);
      break;
  }
  try {
    if (r.output.empty()) {
      if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
        Say(err, "standard output", "write error (38)");
        return 1;
      }
    } else {
      WriteOutputFile(r.output, text);
    }
  } catch (const IoFailure& failure) {
    Fail(err, r.output, failure);
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
    try {
      WriteOutputFile(r.chart, svg);
    } catch (const IoFailure& failure) {
      Fail(err, r.chart, failure);
      return 1;
    }
  }
  for (std::size_t k = 0; k < run.sections.size(); ++k) {
    if (run.cuts[k].outside > 0.0 && run.cuts[k].outside >= run.cuts[k].length) {
      Warn(err, r.result, "section " + run.sections[k].name + " lies wholly outside the active mesh");
    }
  }
  if (run.skipped > 0) {
    Warn(err, r.result,
         std::to_string(run.skipped) + (run.skipped == 1 ? " piece" : " pieces") +
             " of sections left out of the flow rates (velocity not finite)");
  }
  return 0;
}

}  // namespace seep
