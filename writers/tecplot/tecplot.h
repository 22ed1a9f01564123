// TECPLOT ASCII data: one FEPOINT zone per selected step.
#pragma once

#include "core/io/kept_records.h"
#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// The text that comes from the mesh alone, kept from one zone to the next: each node's X and Y fields,
// and the element lines.
struct TecplotState {
  KeptRecords coordinates;
  KeptRecords elementLines;
};

// `kept`: the text kept from the zones before, or nullptr to format every field of this one.
void WriteTecplotZone(Io& io, Store& s, TecplotState* kept = nullptr);

}  // namespace seep
