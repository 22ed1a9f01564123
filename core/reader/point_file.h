// The point-data file: a count of points, then one line of X, Y per point.
#pragma once

#include <string_view>

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// The unit the point-data file is read on.
inline constexpr int kPointUnit = 50;

// Reads the points of file `name` on unit 50 into NPT, XP and YP: the count, then one read per point,
// so each point starts on a new line. A file that ends before the count is reached ends the run with
// its end-of-file failure.
void ReadPointFile(Io& io, Store& s, std::string_view name);

}  // namespace seep
