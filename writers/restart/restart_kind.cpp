#include "writers/restart/restart_kind.h"

#include "writers/restart/restart.h"

namespace seep {

// Node numbers in the I5 fields of the node lines.
constexpr OutputKind kRestartKind{
    .name = "restart",
    .ITYPE = 1,
    .menuAnswer = 1,
    .menuLine = "        TERLO-ReStart ------- 1",
    .extension = ".rst",
    .description = "restart data set for the analysis package",
    .takes = kTakesSteps | kTakesHead,
    .usesVelocities = false,
    .reach = {.nodes = 99999, .field = "I5"},
    .state = StateOf<RestartState>(),
    .selectedStep =
        [](WriterCall& w) { WriteRestartStep(w.io, w.s, w.choices.IHEAD, &w.Own<RestartState>()); },
};

}  // namespace seep
