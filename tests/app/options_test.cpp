// The command line's option table read in-process: values, flags, short and long forms, the errors of
// each kind of mistake, and the table's help lines.
#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace seep {
namespace {

using cli::Opt;

struct ParseCase {
  std::vector<std::string_view> args;
  std::uint32_t command;
  std::string error;  // empty: parses
};

std::optional<cli::ParsedArgs> ParseFor(const ParseCase& c, std::string& error) {
  return cli::Parse(c.args, CommandLineOptions(), c.command, error);
}

TEST(OptionParser, ErrorsNameTheMistake) {
  const ParseCase cases[] = {
      {{"R.DAT", "--to", "tecplot"}, kConvertCommand, ""},
      {{"R.DAT", "--frob"}, kConvertCommand, "unknown option '--frob'"},
      {{"R.DAT", "-x"}, kConvertCommand, "unknown option '-x'"},
      {{"R.DAT", "--json"}, kConvertCommand, "option '--json' does not apply here"},
      {{"R.DAT", "--to"}, kConvertCommand, "option '--to' needs a value (KIND)"},
      {{"R.DAT", "--quiet=yes"}, kConvertCommand, "option '--quiet' takes no value"},
      {{"R.DAT", "--head", "up"}, kConvertCommand, "--head takes pressure or total, not 'up'"},
      {{"R.DAT", "--field=head"},
       kPlotCommand,
       "--field takes total-head, pressure-head, speed or gradient, not 'head'; did you mean total-head?"},
      {{"R.DAT", "--mesh"}, kConvertCommand, "option '--mesh' does not apply here"},
      {{"R.DAT", "--", "--to"}, kConvertCommand, ""},
  };
  for (const ParseCase& c : cases) {
    std::string error;
    const auto parsed = ParseFor(c, error);
    EXPECT_EQ(parsed.has_value(), c.error.empty()) << c.args[1];
    EXPECT_EQ(error, c.error) << c.args[1];
  }
}

TEST(OptionParser, LongShortAttachedAndLastOccurrence) {
  std::string error;
  const std::vector<std::string_view> args{"A.DAT", "-oX.tec", "--to=femap",   "--steps",
                                           "1",     "B.DAT",   "--steps=last", "-q",
                                           "-j",    "3",       "--",           "-C.DAT"};
  const auto parsed = cli::Parse(args, CommandLineOptions(), kConvertCommand, error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(parsed->operands, (std::vector<std::string_view>{"A.DAT", "B.DAT", "-C.DAT"}));
  EXPECT_EQ(parsed->Value(Opt::kOutput), "X.tec");
  EXPECT_EQ(parsed->Value(Opt::kTo), "femap");
  EXPECT_EQ(parsed->Value(Opt::kSteps), "last");
  EXPECT_EQ(parsed->Value(Opt::kJobs), "3");
  EXPECT_TRUE(parsed->Has(Opt::kQuiet));
  EXPECT_FALSE(parsed->Has(Opt::kProgress));
}

TEST(OptionParser, HelpListsOnlyTheCommandsOptions) {
  const std::string info = cli::DescribeOptions(CommandLineOptions(), kInfoCommand);
  EXPECT_NE(info.find("--json"), std::string::npos);
  EXPECT_EQ(info.find("--to"), std::string::npos);
  const std::string convert = cli::DescribeOptions(CommandLineOptions(), kConvertCommand);
  EXPECT_NE(convert.find("  -o, --output PATH"), std::string::npos);
  EXPECT_NE(convert.find("(default: pressure)"), std::string::npos);
  EXPECT_EQ(convert.find("--json"), std::string::npos);
}

TEST(OptionParser, OneOfJoinsWithCommasAndOr) {
  const std::string_view three[] = {"a", "b", "c"};
  EXPECT_EQ(cli::OneOf(three), "a, b or c");
  EXPECT_EQ(cli::OneOf(std::span(three, 1)), "a");
}

}  // namespace
}  // namespace seep
