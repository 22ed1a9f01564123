// The flow rates of `seepconv flux` as the run layer lists them: a table of the sections' flows per
// selected step (aligned text, CSV or JSON) written to the output, and the chart of the net flow rates
// beside it when one is asked for.
#pragma once

#include "writers/kind.h"

namespace seep {

extern const OutputKind kFlowRatesKind;

}  // namespace seep
