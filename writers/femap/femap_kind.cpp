#include "writers/femap/femap_kind.h"

#include "writers/femap/femap.h"

namespace seep {

// FEMAP node IDs and corners in I7 fields.
constexpr OutputKind kFemapKind{
    .name = "femap",
    .ITYPE = 4,
    .menuAnswer = 3,
    .menuLine = "        FEMAP    DATA ------- 3",
    .extension = ".neu",
    .description = "FEMAP neutral file, one output set per step",
    .reach = {.nodes = 9999999, .field = "I7"},
    .state = StateOf<FemapState>(),
    .setUp =
        [](WriterCall& w) {
          WriteFemapHeaderAndMesh(w.io, w.s, w.Own<FemapState>());
          WriteFemapGroup(w.io, w.s, w.Own<FemapState>());
        },
    .selectedStep = [](WriterCall& w) { WriteFemapOutputSet(w.io, w.s, w.Own<FemapState>()); },
    .prepareStep = AverageFemapNodalVelocity,
};

}  // namespace seep
