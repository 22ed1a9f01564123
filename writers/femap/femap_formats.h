// Record kinds of the FEMAP neutral file, for the writer and for the tests that check them.
#pragma once

#include "core/io/format/compile.h"

namespace seep::femap_formats {

inline constexpr auto kDelimiterLine = CompileFormat("(I5)");
inline constexpr auto kBlockIdLine = CompileFormat("(I6)");
inline constexpr auto kPropertyLine = CompileFormat("(I5, A14)");
inline constexpr auto kNodeLine = CompileFormat("(I7, A22, 1PE13.6, A1, 1PE13.6, A1, 1PE13.6)");
inline constexpr auto kCornerLine = CompileFormat("(10(I7, ','))");
inline constexpr auto kGroupTitleLine = CompileFormat("('ELEM-GROUP 0 ')");
inline constexpr auto kSetTitleLine = CompileFormat("(' T=', 1PE12.4)");

}  // namespace seep::femap_formats
