// Restart data set: per selected step a header line and one line per node with its code,
// coordinates, head and Q.
#pragma once

#include <cstdint>

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// `ihead` is the head style: the factor of the elevation in the head column (0 pressure head, 1 total
// head, any other integer taken as it is).
void WriteRestartStep(Io& io, const Store& s, std::int32_t ihead);

}  // namespace seep
