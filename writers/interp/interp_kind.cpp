#include "writers/interp/interp_kind.h"

#include "writers/interp/interp.h"

namespace seep {

// The history of the steps: the dialogue's holds every step, the command line's the steps --steps
// selects. A point outside the mesh is written as H = 0 and named in one warning.
constexpr OutputKind kInterpKind{
    .name = "interp",
    .ITYPE = 7,
    .menuAnswer = 6,
    .menuLine = "        INTERP   DATA ------- 6",
    .extension = ".his",
    .description = "INTERP time history of heads at the points of a point-data file",
    .takes = kTakesSteps | kNeedsPoints,
    .usesVelocities = false,
    .setUp = [](WriterCall& w) { SetUpInterp(w.io, w.s, w.choices.PNAME); },
    .historyStep = [](WriterCall& w) { WriteInterpStep(w.io, w.s); },
    .leftOut = [](const WriterCall& w) { return PointsOutsideWarning(w.s); },
};

}  // namespace seep
