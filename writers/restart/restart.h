// Restart data set: per selected step a header line and one line per node with its code,
// coordinates, head and Q.
#pragma once

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

void WriteRestartStep(Io& io, const Store& s);

}  // namespace seep
