// The safety figures of `seepconv safety` as the run layer lists them: exit gradients, uplift, the
// balance of the nodal flows and the nodal flows on sections, per selected step (aligned text, CSV or
// JSON), written to the output.
#pragma once

#include "writers/kind.h"

namespace seep {

extern const OutputKind kSafetyKind;

}  // namespace seep
