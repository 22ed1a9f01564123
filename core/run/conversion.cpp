#include "core/run/conversion.h"

#include <array>

#include "core/reader/result_file.h"
#include "writers/igpost/igpost.h"
#include "writers/interp/interp.h"
#include "writers/restart/restart.h"
#include "writers/tecplot/tecplot.h"

namespace seep {
namespace {

// Node numbers in I5 fields: restart node lines, TECPLOT and igPOST zone lines and corners.
constexpr std::int32_t kI5 = 99999;
// FEMAP node IDs and corners, MicroAVS element numbers and corners in I7.
constexpr std::int32_t kI7 = 9999999;

constexpr std::array kKinds{
    OutputKind{"restart",
               kRestart,
               ".rst",
               "restart data set for the analysis package",
               false,
               {kI5, 0, false, "I5"},
               nullptr,
               nullptr,
               [](Conversion& c) { WriteRestartStep(c.io, c.s, c.run.IHEAD); },
               nullptr},
    OutputKind{"tecplot",
               kTecplot,
               ".tec",
               "TECPLOT ASCII data, one FEPOINT zone per step",
               false,
               {kI5, kI5, true, "I5"},
               nullptr,
               nullptr,
               [](Conversion& c) { WriteTecplotZone(c.io, c.s); },
               nullptr},
    OutputKind{"femap",
               kFemap,
               ".neu",
               "FEMAP neutral file, one output set per step",
               false,
               {kI7, 0, false, "I7"},
               [](Conversion& c) {
                 WriteFemapHeaderAndMesh(c.io, c.s, c.writers.femap);
                 WriteFemapGroup(c.io, c.s, c.writers.femap);
               },
               nullptr,
               [](Conversion& c) { WriteFemapOutputSet(c.io, c.s, c.writers.femap); },
               nullptr},
    OutputKind{"microavs",
               kMicroAvs,
               ".inp",
               "MicroAVS multi-step UCD file",
               false,
               {kI7, kI7, false, "I7"},
               [](Conversion& c) { OpenAvsWorkFile(c.io, c.writers.avs); },
               nullptr,
               [](Conversion& c) { WriteAvsStep(c.io, c.s, c.writers.avs); },
               [](Conversion& c) { AssembleAvsFile(c.io, c.s, c.writers.avs); }},
    OutputKind{"igpost",
               kIgpost,
               ".igp",
               "igPOST data, one block per step",
               false,
               {kI5, kI5, true, "I5"},
               nullptr,
               nullptr,
               [](Conversion& c) { WriteIgpostBlock(c.io, c.s); },
               nullptr},
    OutputKind{"interp",
               kInterp,
               ".his",
               "INTERP time history of heads at the points of a point-data file",
               true,
               {},
               [](Conversion& c) { SetUpInterp(c.io, c.s, c.run.PNAME); },
               [](Conversion& c) { WriteInterpStep(c.io, c.s); },
               nullptr,
               nullptr},
};

void Call(WriterOperation op, Conversion& c) {
  if (op != nullptr) op(c);
}

}  // namespace

std::span<const OutputKind> OutputKinds() {
  return kKinds;
}

const OutputKind& KindOfCode(std::int32_t ITYPE) {
  static constexpr OutputKind kNoWriter{"", 0, "", "", false, {}, nullptr, nullptr, nullptr, nullptr};
  for (const OutputKind& k : kKinds) {
    if (k.ITYPE == ITYPE) return k;
  }
  return kNoWriter;
}

const OutputKind* KindOfName(std::string_view name) {
  for (const OutputKind& k : kKinds) {
    if (k.name == name) return &k;
  }
  return nullptr;
}

void SetUpWriter(Conversion& c) {
  Call(c.kind.setUp, c);
}

void StepLoop(Conversion& c, const StepSelection& selection, StepTally& tally, const StepObserver& observer) {
  while (result::ReadStep(c.io, c.s, &c.place)) {
    tally.numbers.push_back(c.s.ISTEP);
    Call(c.kind.everyStep, c);
    if (selection.Takes(c.s.ISTEP, result::AtEnd(c.io))) {
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
