#include "writers/safety/safety_kind.h"

#include <string>

#include "writers/safety/safety.h"

namespace seep {
namespace {

constexpr TableWriters<SafetyRun> kSafetyTables{WriteSafetyTable, WriteSafetyCsv, WriteSafetyJson};

// The lines cut by the active mesh once, for every step; an exit face or base that misses the active
// mesh is refused before anything is written.
void SetUp(WriterCall& w) {
  SafetyRun& run = w.Own<SafetyRun>();
  run.exits = w.choices.exits;
  run.uplifts = w.choices.bases;
  run.sections = w.choices.sections;
  run.criticalGradient = w.choices.criticalGradient;
  run.gammaW = w.choices.gammaW;
  run.units = w.choices.units;
  SetUpSafety(run, w.s);
  if (std::string outside = LineOutsideMesh(run); !outside.empty()) throw InputRefused{std::move(outside)};
}

void Finish(WriterCall& w) {
  PutTable(w, w.Own<SafetyRun>(), kSafetyTables);
}

// Flow sections that miss the active mesh, and values that are not numbers: a line each.
std::string LeftOut(const WriterCall& w) {
  const SafetyRun& run = w.Own<SafetyRun>();
  std::string text;
  for (std::size_t k = 0; k < run.sections.size(); ++k) {
    if (run.sectionCuts[k].pieces.empty())
      text += "section " + run.sections[k].name + " lies wholly outside the active mesh\n";
  }
  if (const std::string values = SafetyLeftOut(run); !values.empty()) text += values + "\n";
  return text;
}

}  // namespace

constexpr OutputKind kSafetyKind{
    .command = "safety",
    .name = "table",
    .extension = ".txt",
    .description = "exit gradients, uplift and the water balance per step: aligned text, CSV or JSON",
    .takes = kTakesSteps,
    .leftOutOfInput = true,
    .state = StateOf<SafetyRun>(),
    .setUp = SetUp,
    .selectedStep = [](WriterCall& w) { AddSafetyStep(w.Own<SafetyRun>(), w.s); },
    .finish = Finish,
    .leftOut = LeftOut,
};

}  // namespace seep
