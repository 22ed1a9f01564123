// The report of `seepconv report` as the run layer lists it: one self-contained HTML file.
#pragma once

#include "writers/kind.h"

namespace seep {

extern const OutputKind kReportKind;

}  // namespace seep
