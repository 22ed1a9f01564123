// The command line: `seepconv info`, `seepconv convert`, help and version. Without arguments the
// program runs the dialogue instead (app/run.h).
#pragma once

#include <cstdio>
#include <span>
#include <string_view>

namespace seep {

// Runs the command given by `args` (the arguments after the program name). Returns the exit status:
// 0 success, 1 a failed run, 2 a usage error.
int RunCommandLine(std::span<const std::string_view> args, std::FILE* out, std::FILE* err);

}  // namespace seep
