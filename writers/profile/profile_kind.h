// The profile of `seepconv profile` as the run layer lists it: the field at evenly spaced points of a
// line for each selected step, a table (aligned text, CSV or JSON) to the output and the chart beside
// it when one is asked for.
#pragma once

#include "writers/kind.h"

namespace seep {

extern const OutputKind kProfileKind;

}  // namespace seep
