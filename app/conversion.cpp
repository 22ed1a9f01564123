#include "app/conversion.h"

#include <array>

#include "core/model/locate.h"
#include "core/reader/point_file.h"
#include "core/reader/result_file.h"
#include "writers/igpost/igpost.h"
#include "writers/interp/interp.h"
#include "writers/restart/restart.h"
#include "writers/tecplot/tecplot.h"
#include "writers/vtu/vtu.h"

namespace seep {
namespace {

// Node numbers in I5 fields: restart node lines, TECPLOT and igPOST zone lines and corners.
constexpr std::int32_t kI5 = 99999;
// FEMAP node IDs and corners, MicroAVS element numbers and corners in I7.
constexpr std::int32_t kI7 = 9999999;

// clang-format off
constexpr std::array kKinds{
    OutputKind{.name = "restart", .ITYPE = kRestart, .extension = ".rst",
               .description = "restart data set for the analysis package",
               .reach = {kI5, 0, false, "I5"},
               .selectedStep = [](Conversion& c) { WriteRestartStep(c.io, c.s, c.run.IHEAD); }},
    OutputKind{.name = "tecplot", .ITYPE = kTecplot, .extension = ".tec",
               .description = "TECPLOT ASCII data, one FEPOINT zone per step",
               .reach = {kI5, kI5, true, "I5"},
               .selectedStep = [](Conversion& c) { WriteTecplotZone(c.io, c.s); }},
    OutputKind{.name = "femap", .ITYPE = kFemap, .extension = ".neu",
               .description = "FEMAP neutral file, one output set per step",
               .reach = {kI7, 0, false, "I7"},
               .setUp = [](Conversion& c) {
                 WriteFemapHeaderAndMesh(c.io, c.s, c.writers.femap);
                 WriteFemapGroup(c.io, c.s, c.writers.femap);
               },
               .selectedStep = [](Conversion& c) { WriteFemapOutputSet(c.io, c.s, c.writers.femap); }},
    OutputKind{.name = "microavs", .ITYPE = kMicroAvs, .extension = ".inp",
               .description = "MicroAVS multi-step UCD file",
               .reach = {kI7, kI7, false, "I7"},
               .setUp = [](Conversion& c) { OpenAvsWorkFile(c.io, c.writers.avs); },
               .selectedStep = [](Conversion& c) { WriteAvsStep(c.io, c.s, c.writers.avs); },
               .finish = [](Conversion& c) { AssembleAvsFile(c.io, c.s, c.writers.avs); }},
    OutputKind{.name = "igpost", .ITYPE = kIgpost, .extension = ".igp",
               .description = "igPOST data, one block per step",
               .reach = {kI5, kI5, true, "I5"},
               .selectedStep = [](Conversion& c) { WriteIgpostBlock(c.io, c.s); }},
    OutputKind{.name = "interp", .ITYPE = kInterp, .extension = ".his",
               .description = "INTERP time history of heads at the points of a point-data file",
               .readsPoints = true,
               .setUp = [](Conversion& c) { SetUpInterp(c.io, c.s, c.run.PNAME); },
               .everyStep = [](Conversion& c) { WriteInterpStep(c.io, c.s); },
               .leftOut = [](const Conversion& c) { return PointsOutsideWarning(c.s); }},
    OutputKind{.name = "vtu", .ITYPE = kNotOnMenu, .extension = ".pvd",
               .description = "VTK XML unstructured grids, one per step, and a PVD collection (ParaView)",
               .ownFiles = true,
               .setUp = [](Conversion& c) { SetUpVtu(c.writers.vtu, c.s, c.run.ONAME, c.run.allElements); },
               .selectedStep = [](Conversion& c) { WriteVtuStep(c.writers.vtu, c.s); },
               .finish = [](Conversion& c) { FinishVtu(c.writers.vtu, c.s); },
               .abandon = [](Conversion& c) { AbandonVtu(c.writers.vtu); },
               .leftOut = [](const Conversion& c) { return VtuWarnings(c.writers.vtu); }},
};

constexpr OutputKind kStepPictures{
    .name = "plot", .extension = ".svg", .description = "the field of a step as an SVG picture",
    .ownFiles = true,
    .setUp = [](Conversion& c) { c.writers.picture.target = c.run.ONAME; },
    .selectedStep = [](Conversion& c) { WriteStepPictureFile(c.writers.picture, c.s); },
    .leftOut = [](const Conversion& c) { return PictureWarnings(c.writers.picture); },
    .written = [](const Conversion& c) { return PictureFilesWritten(c.writers.picture); }};

constexpr OutputKind kHistoryChart{
    .name = "plot --points", .extension = ".svg", .description = "heads at points against time, SVG",
    .readsPoints = true, .ownFiles = true,
    .setUp = [](Conversion& c) {
      ReadPointFile(c.io, c.s, c.run.PNAME);
      LocatePoints(c.s);
      c.writers.picture.target = c.run.ONAME;
      SetUpHistoryFile(c.writers.picture, c.s);
    },
    .everyStep = [](Conversion& c) { AddHistoryFileStep(c.writers.picture, c.s); },
    .finish = [](Conversion& c) { WriteHistoryFile(c.writers.picture, c.s); },
    .leftOut = [](const Conversion& c) { return PictureWarnings(c.writers.picture); }};
// clang-format on

void Call(WriterOperation op, Conversion& c) {
  if (op != nullptr) op(c);
}

}  // namespace

std::span<const OutputKind> OutputKinds() {
  return kKinds;
}

const OutputKind& KindOfCode(std::int32_t ITYPE) {
  static constexpr OutputKind kNoWriter{.ITYPE = kNotOnMenu};
  for (const OutputKind& k : kKinds) {
    if (k.ITYPE != kNotOnMenu && k.ITYPE == ITYPE) return k;
  }
  return kNoWriter;
}

const OutputKind& StepPictures() {
  return kStepPictures;
}

const OutputKind& HistoryChartPicture() {
  return kHistoryChart;
}

const OutputKind* KindOfName(std::string_view name) {
  for (const OutputKind& k : kKinds) {
    if (k.name == name) return &k;
  }
  return nullptr;
}

std::uint64_t BytesWritten(const Conversion& c) {
  return c.io.Position(kOutputUnit) + c.io.Position(kAvsWorkUnit) + c.writers.vtu.bytesWritten +
         c.writers.picture.bytesWritten;
}

void SetUpWriter(Conversion& c) {
  Call(c.kind.setUp, c);
}

void StepLoop(Conversion& c, const StepSelection& selection, StepTally& tally, const StepObserver& observer) {
  while (result::ReadStep(c.io, c.s, &c.place)) {
    tally.numbers.push_back(c.s.ISTEP);
    const bool taken = selection.Takes(c.s.ISTEP, result::AtEnd(c.io));
    if (taken || !c.historySelected) Call(c.kind.everyStep, c);
    if (taken) {
      ++tally.written;
      Call(c.kind.selectedStep, c);
    }
    if (observer) observer(tally);
  }
}

void FinishWriter(Conversion& c) {
  Call(c.kind.finish, c);
}

}  // namespace seep
