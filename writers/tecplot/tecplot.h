// TECPLOT ASCII data: one FEPOINT zone per selected step.
#pragma once

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

void WriteTecplotZone(Io& io, Store& s);

}  // namespace seep
