// Command-line arguments read against one table of options: the parser, the checks of which kinds and
// values an option allows, and the help text all come from the table, so that they never disagree.
//
// Conventions of the usual tools: long options `--name VALUE` or `--name=VALUE`, short options `-o VALUE`
// or `-oVALUE`, bundled short options (`-qj2` is -q -j 2), flags without a value, `--` ends the options,
// and every other argument is an operand.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/selection.h"
#include "core/model/section_flux.h"
#include "core/model/triangles.h"

namespace seep::cli {

// Every option, in the order of the table's rows (the enum indexes the table).
enum class Opt : std::uint8_t {
  kTo,
  kOutput,
  kSteps,
  kHead,
  kPoints,
  kField,
  kMesh,
  kArrows,
  kFlowLines,
  kSection,
  kSections,
  kExit,
  kUplift,
  kCriticalGradient,
  kUnitWeights,
  kCsv,
  kExcel,
  kChart,
  kAllElements,
  kAllowOverflow,
  kPartial,
  kJobs,
  kQuiet,
  kProgress,
  kJson,
  kFileUnits,
  kUnits,
  kLevels,
  kRange,
  kContourLabels,
  kLine,
  kAt,
  kProfileLine,
  kHelp,
  kVersion,
  kCount
};
inline constexpr std::size_t kOptionCount = static_cast<std::size_t>(Opt::kCount);

// What an option's value is. The parser checks and converts it once, and the message for a missing or
// bad value comes from the row: a path must not be empty, a count is a whole number in the row's range,
// a choice one of the row's allowed values, a step selection and a polyline must read.
// A name is looked up by the command itself (an output kind, whose list comes from the kind rows). A
// line is a polyline with a name in front or none ("[NAME:] x1,y1 x2,y2 ..."); numbers are the row's
// least to most numbers above 0, separated by commas.
enum class ValueKind : std::uint8_t {
  kFlag,
  kPath,
  kCount,
  kChoice,
  kSteps,
  kPolyline,
  kName,
  kLine,
  kNumbers
};

// One option: its names, the name of its value (empty for a flag), the commands that take it (a mask
// of command bits), the kinds it applies to (the KindTakes bits a kind must have; 0: every kind), the
// values it allows (a choice), its help line, its default as the help shows it, what its value is and,
// for a count, the least and the most it may be (most 0: no limit).
struct OptionSpec {
  Opt id;
  std::string_view name;
  char shortName;
  std::string_view value;
  std::uint32_t commands;
  std::uint32_t kinds;
  std::span<const std::string_view> allowed;
  std::string_view help;
  std::string_view fallback;
  ValueKind type = ValueKind::kFlag;
  int least = 0, most = 0;
};

// A value as given and as read: its text, the count, the index of the choice in the row's allowed values,
// the numbers.
struct OptionValue {
  std::string_view text;
  int count = 0;
  std::size_t choice = 0;
  std::array<double, 2> numbers{};
};

struct ParsedArgs {
  std::vector<std::string_view> operands;
  // The value of the last occurrence of each option (a flag's text is empty).
  std::array<std::optional<OptionValue>, kOptionCount> given{};
  // The step selection of the last --steps.
  std::optional<StepSelection> steps;
  // Every polyline given with an option that may be repeated (--section), in order, as typed and as read.
  std::vector<std::string_view> sectionTexts;
  std::vector<std::vector<XY>> sections;
  // Every line of an option that may be repeated (--exit, --uplift), in order, with its option; a line
  // given without a name has an empty one.
  std::vector<std::pair<Opt, Section>> lines;

  std::optional<std::string_view> Value(Opt o) const {
    const auto& v = given[static_cast<std::size_t>(o)];
    return v ? std::optional<std::string_view>(v->text) : std::nullopt;
  }
  bool Has(Opt o) const { return given[static_cast<std::size_t>(o)].has_value(); }
  // The count of a count option, or `fallback` when it was not given.
  int Count(Opt o, int fallback) const {
    const auto& v = given[static_cast<std::size_t>(o)];
    return v ? v->count : fallback;
  }
  // The numbers of a numbers option (zeros when it was not given).
  std::array<double, 2> Numbers(Opt o) const {
    const auto& v = given[static_cast<std::size_t>(o)];
    return v ? v->numbers : std::array<double, 2>{};
  }
  // The index of a choice option's value among the row's allowed values, or `fallback`.
  std::size_t Choice(Opt o, std::size_t fallback) const {
    const auto& v = given[static_cast<std::size_t>(o)];
    return v ? v->choice : fallback;
  }
};

// True when every row of `table` stands at the index of its id.
constexpr bool RowsInOrder(std::span<const OptionSpec> table) {
  if (table.size() != kOptionCount) return false;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (static_cast<std::size_t>(table[i].id) != i) return false;
  }
  return true;
}

// Reads `args` (the arguments after the command name) for the command `command`. Nothing, with
// `error` set to what is wrong, for an unknown option, one that the command does not take, a missing
// value, a value given to a flag or a value that the option does not allow.
std::optional<ParsedArgs> Parse(std::span<const std::string_view> args, std::span<const OptionSpec> table,
                                std::uint32_t command, std::string& error);

// "a, b or c".
std::string OneOf(std::span<const std::string_view> values);

// The one of `names` that `typed` is a near miss of (a letter or two left out, added, changed or
// swapped), for "did you mean …?"; empty when there is none.
std::string_view NearestName(std::string_view typed, std::span<const std::string_view> names);

// The options of `command` for the help text, one per line: "  -o, --output PATH   help (default: …)".
// With the name of one command, the help lines and defaults speak of that command only.
std::string DescribeOptions(std::span<const OptionSpec> table, std::uint32_t command,
                            std::string_view name = {});

}  // namespace seep::cli
