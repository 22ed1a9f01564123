#include "writers/report/report_kind.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "core/io/failure.h"
#include "core/model/locate.h"
#include "core/reader/point_file.h"
#include "writers/report/report.h"

namespace seep {
namespace {

// The plan of the first pass, the picture choices and the points, then the levels of the run.
void SetUp(WriterCall& w) {
  ReportState& run = w.Own<ReportState>();
  run.target = w.choices.ONAME;
  if (w.choices.report != nullptr) run.plan = *w.choices.report;
  run.options = PictureOptionsOf(w.choices);
  run.points = !w.choices.PNAME.empty();
  if (run.points) {
    // The point-data file is an input here: a missing one is not made empty, as the dialogue's would be.
    if (std::error_code ec; !std::filesystem::exists(w.choices.PNAME, ec))
      throw IoFailure{kErrFileNotFound, 50, w.choices.PNAME};
    ReadPointFile(w.io, w.s, w.choices.PNAME);
    LocatePoints(w.s);
  }
  run.safety.exits = w.choices.exits;
  run.safety.uplifts = w.choices.bases;
  run.safety.criticalGradient = w.choices.criticalGradient;
  run.safety.gammaW = w.choices.gammaW;
  run.safety.units = w.choices.units;
  run.profile.line = w.choices.profile;
  run.profile.field = w.choices.field;
  run.profile.atCrossings = w.choices.atCrossings;
  run.profile.units = w.choices.units;
  SetUpReport(run, w.s);
  if (std::string outside = LineOutsideMesh(run.safety); !outside.empty())
    throw InputRefused{std::move(outside)};
}

}  // namespace

constexpr OutputKind kReportKind{
    .command = "report",
    .name = "html",
    .extension = ".html",
    .description = "one HTML file: pictures with a time slider, the steps table, heads at points",
    .takes = kTakesSteps | kTakesField | kTakesDrawing,
    .ownFiles = true,
    .state = StateOf<ReportState>(),
    .setUp = SetUp,
    .historyStep = [](WriterCall& w) { AddReportStep(w.Own<ReportState>(), w.s); },
    .finish = [](WriterCall& w) { WriteReport(w.Own<ReportState>(), w.s); },
    .leftOut = [](const WriterCall& w) { return ReportWarnings(w.Own<ReportState>()); },
    .written =
        [](const WriterCall& w, const std::string&) {
          const ReportState& report = w.Own<ReportState>();
          return report.target + " (" + std::to_string(report.drawn) +
                 (report.drawn == 1 ? " picture)" : " pictures)");
        },
    .bytesOwn = [](const WriterCall& w) { return w.Own<ReportState>().bytesWritten; },
};

}  // namespace seep
