// The writers by output code ITYPE: set-up before the step loop, one selected step, finish after it.
#pragma once

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

void SetUpWriter(Io& io, Store& s);
// Every step read, before the selection: the point time history writes all steps.
void WriteEveryStep(Io& io, Store& s);
void WriteSelectedStep(Io& io, Store& s);
void FinishWriter(Io& io, Store& s);

}  // namespace seep
