// The INTERP point history kind as the run layer lists it: names, field limits, options and operations.
#pragma once

#include "writers/kind.h"

namespace seep {

extern const OutputKind kInterpKind;

}  // namespace seep
