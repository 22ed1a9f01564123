// Nodal velocity average: the element velocities of the current step turned into nodal means over
// the active elements, for the writers that show a velocity at every node.
#pragma once

#include "core/model/store.h"

namespace seep {

// Clears and refills NCNT, VXN and VYN for nodes 1 … NUMNP.
void AverageNodalVelocity(Store& s);

}  // namespace seep
