// Restart data set: per selected step a header line and one line per node with its code,
// coordinates, head and Q.
#pragma once

#include <cstdint>

#include "core/io/kept_records.h"
#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// The text kept from one step to the next: each node's number, code, X and Y fields (the lead of its
// line) while the codes stay, else its X and Y fields.
struct RestartState {
  KeptRecords lead;
  int leadMade = 0;  // times the lead was made
  KeptRecords coordinates;
};

// `ihead` is the head style: the factor of the elevation in the head column (0 pressure head, 1 total
// head, any other integer taken as it is). `kept`: the text kept from the steps before, or nullptr to
// format every field of this one.
void WriteRestartStep(Io& io, const Store& s, std::int32_t ihead, RestartState* kept = nullptr);

}  // namespace seep
