// FEMAP neutral file: header, material, properties, nodes, elements and the element group once,
// then one output set of nine result vectors per selected step.
#pragma once

#include <cstdint>

#include "core/io/kept_records.h"
#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// The FEMAP writer's counters for one conversion.
struct FemapState {
  int IOUT = kOutputUnit;       // output unit
  std::int32_t NEXTID = 20000;  // the last FEMAP ID given out
  std::int32_t NSET = 0;        // output sets written
  // The item numbers that begin the value records of the result vectors, "k ,", formatted once.
  KeptRecords itemNumbers;
};

// Blocks 100, 401, 402, 403 and 404.
void WriteFemapHeaderAndMesh(Io& io, const Store& s, const FemapState& run);
// Block 408; raises NEXTID.
void WriteFemapGroup(Io& io, const Store& s, FemapState& run);
// The FEMAP nodal velocities of the current step into VXN, VYN and NCNT (the kind's work on a step,
// done where the step is read).
void AverageFemapNodalVelocity(Store& s);
// Blocks 450 and 451 of the current step; raises NSET. Takes the FEMAP nodal average made as the step
// was read (TakePrepared), or makes it.
void WriteFemapOutputSet(Io& io, Store& s, FemapState& run);

}  // namespace seep
