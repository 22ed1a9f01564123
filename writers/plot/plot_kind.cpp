#include "writers/plot/plot_kind.h"

#include "core/model/locate.h"
#include "core/reader/point_file.h"
#include "writers/plot/picture_files.h"

namespace seep {
namespace {

// The picture choices of the run: the field by its name, the mesh edges, the arrows, the flow lines and
// the sections.
void TakePictureChoices(WriterCall& w) {
  PictureState& run = w.Own<PictureState>();
  run.target = w.choices.ONAME;
  run.numbered = w.choices.numbered;
  run.options = PictureOptionsOf(w.choices);
}

std::uint64_t PictureBytes(const WriterCall& w) {
  return w.Own<PictureState>().bytesWritten;
}

std::string PictureLeftOut(const WriterCall& w) {
  return PictureWarnings(w.Own<PictureState>());
}

}  // namespace

constexpr OutputKind kStepPicturesKind{
    .command = "plot",
    .name = "pictures",
    .extension = ".svg",
    .description = "the field of a step as an SVG picture",
    .takes = kTakesSteps | kTakesField | kTakesDrawing,
    .ownFiles = true,
    .filePerStep = true,
    .state = StateOf<PictureState>(),
    .setUp =
        [](WriterCall& w) {
          TakePictureChoices(w);
          PictureState& run = w.Own<PictureState>();
          run.mesh = PictureMeshOf(w.s, run.options);
        },
    .selectedStep = [](WriterCall& w) { WriteStepPictureFile(w.Own<PictureState>(), w.s); },
    .finish = [](WriterCall& w) { FinishStepPictureFiles(w.Own<PictureState>()); },
    .leftOut = PictureLeftOut,
    .written = [](const WriterCall& w,
                  const std::string&) { return PictureFilesWritten(w.Own<PictureState>()); },
    .bytesOwn = PictureBytes,
};

constexpr OutputKind kHistoryChartKind{
    .command = "plot",
    .name = "history",
    .extension = ".svg",
    .description = "heads at points against time, SVG",
    .takes = kTakesSteps | kNeedsPoints | kTakesField,
    .ownFiles = true,
    .state = StateOf<PictureState>(),
    .setUp =
        [](WriterCall& w) {
          TakePictureChoices(w);
          ReadPointFile(w.io, w.s, w.choices.PNAME);
          LocatePoints(w.s);
          SetUpHistoryFile(w.Own<PictureState>(), w.s);
        },
    .historyStep = [](WriterCall& w) { AddHistoryFileStep(w.Own<PictureState>(), w.s); },
    .finish = [](WriterCall& w) { WriteHistoryFile(w.Own<PictureState>(), w.s); },
    .leftOut = PictureLeftOut,
    .bytesOwn = PictureBytes,
};

}  // namespace seep
