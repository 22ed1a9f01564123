// igPOST data: one block of node and element variables per selected step.
#pragma once

#include "core/io/kept_records.h"
#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// The text that comes from the mesh alone, kept from one block to the next: the leading fields of the
// node lines (SW, X, Y) and of the element lines (SW to the centroid).
struct IgpostState {
  KeptRecords nodeLeads;
  KeptRecords elementLeads;
};

// `kept`: the text kept from the blocks before, or nullptr to format every field of this one.
void WriteIgpostBlock(Io& io, Store& s, IgpostState* kept = nullptr);

}  // namespace seep
