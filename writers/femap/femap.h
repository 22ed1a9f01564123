// FEMAP neutral file: header, material, properties, nodes, elements and the element group once,
// then one output set of nine result vectors per selected step.
#pragma once

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// Blocks 100, 401, 402, 403 and 404.
void WriteFemapHeaderAndMesh(Io& io, Store& s);
// Block 408; raises NEXTID.
void WriteFemapGroup(Io& io, Store& s);
// Blocks 450 and 451 of the current step; raises NSET.
void WriteFemapOutputSet(Io& io, Store& s);

}  // namespace seep
