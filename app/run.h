// Run control: one conversion from the banner to the termination message.
#pragma once

#include <cstdio>

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// The whole dialogue and step loop. Failures and stops leave as IoFailure or StopRequest.
void RunDialogue(Io& io, Store& s);

// Runs the converter on the given console streams and turns every failure into its report line.
// Returns the exit status: 0, the stop code, or the error number. Every unit is completed first.
int RunProcess(std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace seep
