// MicroAVS UCD file: step blocks go to the work file AVS.tmp during the step loop; after the loop the
// final file is assembled from the mesh and the work file.
#pragma once

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// Opens the work file AVS.tmp as unit 30.
void OpenAvsWorkFile(Io& io);
// Appends the current step's block to the work file; raises NAVS.
void WriteAvsStep(Io& io, Store& s);
// Writes the final file to the output unit from the mesh and the blocks of this run.
void AssembleAvsFile(Io& io, Store& s);

}  // namespace seep
