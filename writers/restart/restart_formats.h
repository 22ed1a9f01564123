// The node line of the restart data, for the writer and for the tests that check it.
#pragma once

#include "core/io/format/compile.h"

namespace seep::restart_formats {

// Node number, node code, X, Y, head, Q.
inline constexpr auto kNodeLine = CompileFormat("(I5 ',' I5 4(',' 1P E12.4))");

}  // namespace seep::restart_formats
