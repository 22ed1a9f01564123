// Nodal velocity average: the element velocities of the current step turned into nodal means over
// the active elements, for the writers that show a velocity at every node.
#pragma once

#include "core/model/store.h"

namespace seep {

// Clears and refills NCNT, VXN and VYN for nodes 1 … NUMNP.
void AverageNodalVelocity(Store& s);

// The average of the current step for a writer: the one made as the step was read when there is one
// (TakePrepared), otherwise made here.
void UseNodalAverage(Store& s);

}  // namespace seep
