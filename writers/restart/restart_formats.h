// The node line of the restart data, for the writer and for the tests that check it.
#pragma once

#include "core/io/format/compile.h"

namespace seep::restart_formats {

// Node number, node code, X, Y, head, Q.
inline constexpr auto kNodeLine = CompileFormat("(I5 ',' I5 4(',' 1P E12.4))");
// The same line with the X and Y fields (and the comma before each) from text kept from step to step.
inline constexpr auto kCoordinates = CompileFormat("(',' 1P E12.4 ',' 1P E12.4)");
inline constexpr int kCoordinatesWidth = 26;
inline constexpr auto kNodeLineAroundCoordinates = CompileFormat("(I5 ',' I5 A26 2(',' 1P E12.4))");
// The lead of the node line (node, code, X and Y), and the line with the lead's text kept from step to
// step.
inline constexpr auto kLead = CompileFormat("(I5 ',' I5 2(',' 1P E12.4))");
inline constexpr int kLeadWidth = 37;
inline constexpr auto kNodeLineAroundLead = CompileFormat("(A37 2(',' 1P E12.4))");

}  // namespace seep::restart_formats
