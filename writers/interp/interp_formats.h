// The point line of the INTERP time history, for the writer and for the tests that check it.
#pragma once

#include "core/io/format/compile.h"

namespace seep::interp_formats {

// X, Y, total head H and pressure head H - Y of one point.
inline constexpr auto kPointLine = CompileFormat("(E14.5 ',' E14.5 ',' E14.5 ',' E14.5)");

}  // namespace seep::interp_formats
