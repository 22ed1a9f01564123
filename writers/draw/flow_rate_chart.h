// The net flow rate through sections against time, drawn as the point history chart is.
#pragma once

#include <string>
#include <vector>

#include "core/model/measure.h"
#include "core/model/store.h"

namespace seep {

// One line per section (names[k]); net holds per step the net flow rate of every section in turn, in
// the file's units, shown in `units`.
void DrawFlowRateChart(std::string& svg, const Store& s, const std::vector<std::string>& names,
                       const std::vector<double>& times, const std::vector<double>& net,
                       const MeasureUnits& units);

}  // namespace seep
