#include "writers/igpost/igpost_kind.h"

#include "core/model/average.h"
#include "writers/igpost/igpost.h"

namespace seep {

// Node numbers, the node count and the active element count in I5 fields.
constexpr OutputKind kIgpostKind{
    .name = "igpost",
    .ITYPE = 6,
    .menuAnswer = 5,
    .menuLine = "        igPOST   DATA ------- 5",
    .extension = ".igp",
    .description = "igPOST data, one block per step",
    .reach = {.nodes = 99999, .elements = 99999, .activeElementsOnly = true, .field = "I5"},
    .state = StateOf<IgpostState>(),
    .selectedStep = [](WriterCall& w) { WriteIgpostBlock(w.io, w.s, &w.Own<IgpostState>()); },
    .prepareStep = AverageNodalVelocity,
};

}  // namespace seep
