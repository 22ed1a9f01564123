// igPOST data: one block of node and element variables per selected step.
#pragma once

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

void WriteIgpostBlock(Io& io, Store& s);

}  // namespace seep
