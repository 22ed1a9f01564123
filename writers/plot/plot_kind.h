// The pictures of `seepconv plot` as the run layer lists them: one SVG per selected step, or the chart of
// the heads at points against time.
#pragma once

#include "writers/kind.h"

namespace seep {

extern const OutputKind kStepPicturesKind;
extern const OutputKind kHistoryChartKind;

}  // namespace seep
