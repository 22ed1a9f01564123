#include "writers/tecplot/tecplot_kind.h"

#include "core/model/average.h"
#include "writers/tecplot/tecplot.h"

namespace seep {

// Node numbers, the node count and the active element count in I5 fields of the zone lines and corners.
constexpr OutputKind kTecplotKind{
    .name = "tecplot",
    .ITYPE = 2,
    .menuAnswer = 2,
    .menuLine = "        TECPLOT  DATA ------- 2",
    .extension = ".tec",
    .description = "TECPLOT ASCII data, one FEPOINT zone per step",
    .reach = {.nodes = 99999, .elements = 99999, .activeElementsOnly = true, .field = "I5"},
    .state = StateOf<TecplotState>(),
    .selectedStep = [](WriterCall& w) { WriteTecplotZone(w.io, w.s, &w.Own<TecplotState>()); },
    .prepareStep = AverageNodalVelocity,
};

}  // namespace seep
