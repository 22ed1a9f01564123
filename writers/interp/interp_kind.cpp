#include "writers/interp/interp_kind.h"

#include "writers/interp/interp.h"

namespace seep {

// The history of every step: the step selection does not apply.
constexpr OutputKind kInterpKind{
    .name = "interp",
    .ITYPE = 7,
    .menuAnswer = 6,
    .menuLine = "        INTERP   DATA ------- 6",
    .extension = ".his",
    .description = "INTERP time history of heads at the points of a point-data file",
    .takes = kNeedsPoints,
    .setUp = [](WriterCall& w) { SetUpInterp(w.io, w.s, w.choices.PNAME); },
    .everyStep = [](WriterCall& w) { WriteInterpStep(w.io, w.s); },
};

}  // namespace seep
