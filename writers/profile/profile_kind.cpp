#include "writers/profile/profile_kind.h"

#include <string>

#include "core/io/replace.h"
#include "writers/draw/profile_chart.h"
#include "writers/profile/profile.h"

namespace seep {
namespace {

constexpr TableWriters<ProfileRun> kProfileTables{WriteProfileTable, WriteProfileCsv, WriteProfileJson};

// The line is the choices' one section; its points are placed and located once, for every step.
void SetUp(WriterCall& w) {
  ProfileRun& run = w.Own<ProfileRun>();
  run.line = w.choices.sections.empty() ? std::vector<XY>{} : w.choices.sections.front().points;
  run.field = w.choices.field;
  run.atCrossings = w.choices.atCrossings;
  run.units = w.choices.units;
  SetUpProfile(run, w.s);
}

// The table in the style asked for, to the output; the chart, whole, beside it.
void Finish(WriterCall& w) {
  const ProfileRun& run = w.Own<ProfileRun>();
  PutTable(w, run, kProfileTables);
  if (w.choices.chart.empty()) return;
  std::string svg;
  DrawProfileChart(svg, run, w.s);
  WriteWholeFile(w.choices.chart, svg);
}

// Points of the line outside the active mesh: one line.
std::string LeftOut(const WriterCall& w) {
  const ProfileRun& run = w.Own<ProfileRun>();
  if (run.outside == 0) return {};
  return std::to_string(run.outside) + " of the " + std::to_string(run.at.size()) +
         " points of the line lie outside the active mesh: no value there\n";
}

}  // namespace

constexpr OutputKind kProfileKind{
    .command = "profile",
    .name = "table",
    .extension = ".txt",
    .description = "the field along a line per step: aligned text, CSV or JSON",
    .takes = kTakesSteps | kTakesField,
    .leftOutOfInput = true,
    .state = StateOf<ProfileRun>(),
    .setUp = SetUp,
    .selectedStep = [](WriterCall& w) { AddProfileStep(w.Own<ProfileRun>(), w.s); },
    .finish = Finish,
    .leftOut = LeftOut,
    .written = TableAndChart,
};

}  // namespace seep
