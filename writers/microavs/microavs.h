// MicroAVS UCD file: step blocks go to a work file (AVS.tmp in the dialogue) during the step loop;
// after the loop the final file is assembled from the mesh and the work file. When the number of steps
// is known before the loop (the command line counts them in a first pass over a result file it can
// read twice), the blocks go straight to the output in their final widths and there is no work file.
#pragma once

#include <cstdint>
#include <string>

#include "core/io/cleanup.h"
#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// The work file's unit.
inline constexpr int kAvsWorkUnit = 30;

// The MicroAVS writer's state for one conversion.
struct AvsState {
  std::string workName = "AVS.tmp";  // the work file
  std::int32_t NAVS = 0;             // steps written to the work file
  bool removeWork = false;           // the work file is this run's own, taken away at the end
  TemporaryTicket workTicket;        // and taken away on an interruption too
  std::uint64_t elementBytes = 0;    // bytes of the element lines of each block this run wrote
  // The steps that will be written, known before the first: the header's count. 0 or more: the blocks
  // are written straight to the output unit; below 0: through the work file.
  std::int32_t stepsAhead = -1;
};

// Opens the work file as unit 30.
void OpenAvsWorkFile(Io& io, const AvsState& run);
// Appends the current step's block to the work file (or the output, steps known ahead); raises NAVS.
void WriteAvsStep(Io& io, Store& s, AvsState& run);
// Writes the final file to the output unit from the mesh and the blocks of this run; with the steps
// known ahead, only what a run without steps still owes: the header and the mesh.
void AssembleAvsFile(Io& io, const Store& s, const AvsState& run);

}  // namespace seep
