// The chart of a profile along a line: the value against the distance along the line, a line per step.
#pragma once

#include <string>

#include "core/model/profile.h"
#include "core/model/store.h"

namespace seep {

void DrawProfileChart(std::string& svg, const ProfileRun& run, const Store& s);

}  // namespace seep
