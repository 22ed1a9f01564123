// The lines of a MicroAVS step block, for the writer and for the tests that check them.
#pragma once

#include "core/io/format/compile.h"

namespace seep::microavs_formats {

// "step" and the step count without a blank, in the narrowest of I1 ... I4 that the count needs.
inline constexpr auto kStepLine1 = CompileFormat("('step' I1 E15.7)");
inline constexpr auto kStepLine2 = CompileFormat("('step' I2 E15.7)");
inline constexpr auto kStepLine3 = CompileFormat("('step' I3 E15.7)");
inline constexpr auto kStepLine4 = CompileFormat("('step' I4 E15.7)");

inline constexpr auto kNodeHead = CompileFormat(
    "('5   3' / '5   1   1   1   1   1' / 'Pressure,' / 'Total Head,' / 'Velocity X,' / 'Velocity Y,' /"
    " 'Velocity,')");
// The blank after every value is a literal, so the line ends with it (74 and 48 characters).
inline constexpr auto kNodeData = CompileFormat("(I8 1X 5(1PE12.5 ' '))");
inline constexpr auto kElementHead =
    CompileFormat("('3   1   1   1' / 'Velocity X,' / 'Velocity Y,' / 'Velocity,')");
inline constexpr auto kElementData = CompileFormat("(I8 1X 3(1PE12.5 ' '))");

// The same block as it stands in the final file, each line blank-filled to the width of its kind: the
// step line to 26 characters, the node lines to 85, the head lines as the final file has them.
inline constexpr auto kFinalStepLine1 = CompileFormat("('step' I1 E15.7 '      ')");
inline constexpr auto kFinalStepLine2 = CompileFormat("('step' I2 E15.7 '     ')");
inline constexpr auto kFinalStepLine3 = CompileFormat("('step' I3 E15.7 '    ')");
inline constexpr auto kFinalStepLine4 = CompileFormat("('step' I4 E15.7 '   ')");
inline constexpr auto kFinalNodeHead = CompileFormat(
    "('5   3' / '5   1   1   1   1   1    ' / 'Pressure,' / 'Total Head,' / 'Velocity X,  ' /"
    " 'Velocity Y,  ' / 'Velocity,    ')");
inline constexpr auto kFinalNodeData = CompileFormat("(I8 1X 5(1PE12.5 ' ') '           ')");
inline constexpr auto kFinalElementHead =
    CompileFormat("('3   1   1   1' / 'Velocity X,  ' / 'Velocity Y,  ' / 'Velocity,    ')");

}  // namespace seep::microavs_formats
