// The line formats of the TECPLOT zone, for the writer and for the tests that check them.
#pragma once

#include "core/io/format/compile.h"

namespace seep::tecplot_formats {

// Title, variable and zone lines: one statement, the slashes start the second and third line.
inline constexpr auto kZoneHeader = CompileFormat(
    "('TITTLE = \"TIME=' 1P E12.4 ' ' 20A4 '\"'"
    " / 'VARIABLES = \"X\",\"Y\",\"P\",\"H\",\"VX\",\"VY\",\"V\"'"
    " / 'ZONE N= ' I5 ', E= ' I5 ', F=FEPOINT')");
// X, Y, P, H, VX, VY, V of one node.
inline constexpr auto kNodeLine = CompileFormat("(1P E12.4 6(',' 1P E12.4))");
// The same line in two parts: the X and Y fields, kept from zone to zone, and the line from their text.
inline constexpr auto kNodeCoordinates = CompileFormat("(1P E12.4 ',' 1P E12.4)");
inline constexpr int kCoordinatesWidth = 25;
inline constexpr auto kNodeLineAfterCoordinates = CompileFormat("(A25 5(',' 1P E12.4))");
// Corners I, J, K, L of one element.
inline constexpr auto kElementLine = CompileFormat("(I5 3(',' I5))");

}  // namespace seep::tecplot_formats
