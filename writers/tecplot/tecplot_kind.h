// The TECPLOT kind as the run layer lists it: names, field limits, options and operations.
#pragma once

#include "writers/kind.h"

namespace seep {

extern const OutputKind kTecplotKind;

}  // namespace seep
