// The command line: `seepconv info`, `seepconv convert`, help and version. Without arguments the
// program runs the dialogue instead (app/run.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "app/options.h"

namespace seep {

// Command bits of the option table.
inline constexpr std::uint32_t kInfoCommand = 1, kConvertCommand = 2, kProgramOptions = 4, kPlotCommand = 8,
                               kFluxCommand = 16, kReportCommand = 32, kSafetyCommand = 64,
                               kProfileCommand = 128;

// One command: its name, its bit in the option table, its operands and summary as the help shows them,
// and the example lines of its help.
struct CommandSpec {
  std::string_view name;
  std::uint32_t bit;
  std::string_view operands;
  std::string_view summary;
  std::string_view examples;
};

// The command line's table of options, indexed by cli::Opt.
std::span<const cli::OptionSpec> CommandLineOptions();
// The command line's commands, in the order the help lists them.
std::span<const CommandSpec> CommandLineCommands();

// Runs the command given by `args` (the arguments after the program name). Returns the exit status:
// 0 success, 1 a failed run, 2 a usage error.
int RunCommandLine(std::span<const std::string_view> args, std::FILE* out, std::FILE* err);

}  // namespace seep
