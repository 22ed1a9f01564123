#include "writers/microavs/microavs_kind.h"

#include <cstdio>

#include "core/io/failure.h"
#include "core/io/platform.h"
#include "core/io/replace.h"
#include "core/model/average.h"
#include "writers/microavs/microavs.h"

namespace seep {
namespace {

// The dialogue keeps its work file AVS.tmp; the command line writes the blocks straight to the output
// when it counted the steps first, else makes a new work file beside its output and takes it away at
// the end, whatever the end.
void SetUpAvs(WriterCall& w) {
  AvsState& run = w.Own<AvsState>();
  if (w.choices.stepsAhead >= 0) {
    run.stepsAhead = w.choices.stepsAhead;
    return;
  }
  if (!w.choices.workFilesBeside.empty()) {
    std::fclose(CreateBeside(w.choices.workFilesBeside, run.workName, run.workTicket));
    run.removeWork = true;
  }
  OpenAvsWorkFile(w.io, run);
}

void RemoveAvsWork(WriterCall& w) {
  AvsState& run = w.Own<AvsState>();
  if (!run.removeWork) return;
  try {
    w.io.CloseUnit(kAvsWorkUnit);
  } catch (const IoFailure&) {
    // The failure that matters is the one already being reported; the file goes all the same.
  }
  RemoveFile(run.workName);
  run.workTicket.Forget();
  run.removeWork = false;
}

}  // namespace

// Element numbers and corners in I7 fields.
constexpr OutputKind kMicroAvsKind{
    .name = "microavs",
    .ITYPE = 5,
    .menuAnswer = 4,
    .menuLine = "        MicroAVS DATA ------- 4",
    .extension = ".inp",
    .description = "MicroAVS multi-step UCD file",
    .countsStepsFirst = true,
    .reach = {.nodes = 9999999, .elements = 9999999, .field = "I7"},
    .state = StateOf<AvsState>(),
    .setUp = SetUpAvs,
    .selectedStep = [](WriterCall& w) { WriteAvsStep(w.io, w.s, w.Own<AvsState>()); },
    .finish =
        [](WriterCall& w) {
          AssembleAvsFile(w.io, w.s, w.Own<AvsState>());
          RemoveAvsWork(w);
        },
    .prepareStep = AverageNodalVelocity,
    .abandon = RemoveAvsWork,
    .bytesOwn = [](const WriterCall& w) { return w.io.Position(kAvsWorkUnit); },
};

}  // namespace seep
