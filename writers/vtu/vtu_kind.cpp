#include "writers/vtu/vtu_kind.h"

#include <string>

#include "core/io/platform.h"
#include "core/model/average.h"
#include "writers/vtu/vtu.h"

namespace seep {

// Makes its own files whole (the step files and the collection) and has no fixed fields.
constexpr OutputKind kVtuKind{
    .name = "vtu",
    .extension = ".pvd",
    .description = "VTK XML unstructured grids, one per step, and a PVD collection (ParaView)",
    .otherNames = "paraview vtk pvd pyvista visit",
    .takes = kTakesSteps | kTakesAllElements,
    .ownFiles = true,
    .collection = true,
    .state = StateOf<VtuState>(),
    .setUp =
        [](WriterCall& w) {
          SetUpVtu(w.Own<VtuState>(), w.s, NativePath(w.choices.ONAME), w.choices.allElements);
        },
    .selectedStep = [](WriterCall& w) { WriteVtuStep(w.Own<VtuState>(), w.s); },
    .finish = [](WriterCall& w) { FinishVtu(w.Own<VtuState>(), w.s); },
    .prepareStep = AverageNodalVelocity,
    .abandon = [](WriterCall& w) { AbandonVtu(w.Own<VtuState>()); },
    .leftOut = [](const WriterCall& w) { return VtuWarnings(w.Own<VtuState>()); },
    .bytesOwn = [](const WriterCall& w) { return w.Own<VtuState>().bytesWritten; },
};

}  // namespace seep
