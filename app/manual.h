// The manual page and the shell completions, made from the same tables as the parser and --help (the
// commands, the options and the output kinds), so that none of them can name an option the program
// lacks or leave one out. tools/make_manual.cpp writes them at build time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/options.h"
#include "writers/kind.h"

namespace seep {

// What the manual and the completions are made from.
struct ManualTables {
  std::span<const CommandSpec> commands;
  std::span<const cli::OptionSpec> options;
  std::span<const OutputKind* const> kinds;
  std::uint32_t programOptions = kProgramOptions;  // the command bit of the options given alone
  std::string_view version;
  std::string_view date;  // of the manual page, YYYY-MM-DD
};

// The program's own tables.
ManualTables ProgramTables(std::string_view version, std::string_view date);

// seepconv.1, in man(7).
std::string ManPage(const ManualTables& t);
// For bash: the function _seepconv and its `complete` line.
std::string BashCompletion(const ManualTables& t);
// For zsh's fpath: _seepconv.
std::string ZshCompletion(const ManualTables& t);
// For fish: seepconv.fish.
std::string FishCompletion(const ManualTables& t);

}  // namespace seep
