// Command-line arguments read against one table of options: the parser and the help text both come
// from the table, so that they never disagree.
//
// Conventions of the usual tools: long options `--name VALUE` or `--name=VALUE`, short options `-o VALUE`
// or `-oVALUE`, flags without a value, `--` ends the options, and every other argument is an operand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace seep::cli {

// One option: its names, the name of its value (empty for a flag), the commands that take it (a mask
// of command bits), its help line and its default as the help shows it.
struct OptionSpec {
  std::string_view name;
  char shortName;
  std::string_view value;
  std::uint32_t commands;
  std::string_view help;
  std::string_view fallback;
};

struct Given {
  const OptionSpec* option;
  std::string_view value;
};

struct ParsedArgs {
  std::vector<std::string_view> operands;
  std::vector<Given> options;

  // The value of the last occurrence of an option, or nothing.
  std::optional<std::string_view> Value(std::string_view name) const;
  bool Has(std::string_view name) const;
};

// Reads `args` (the arguments after the command name) for the command `command`. Nothing, with
// `error` set to what is wrong, for an unknown option, one that the command does not take, a missing
// value or a value given to a flag.
std::optional<ParsedArgs> Parse(std::span<const std::string_view> args, std::span<const OptionSpec> table,
                                std::uint32_t command, std::string& error);

// The one of `names` that `typed` is a near miss of (a letter or two left out, added, changed or
// swapped), for "did you mean …?"; empty when there is none.
std::string_view NearestName(std::string_view typed, std::span<const std::string_view> names);

// The options of `command` for the help text, one per line: "  -o, --output PATH   help (default: …)".
std::string DescribeOptions(std::span<const OptionSpec> table, std::uint32_t command);

}  // namespace seep::cli
