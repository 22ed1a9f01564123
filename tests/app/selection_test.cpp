// The step selection in process: the command line's text, the dialogue's number, which steps of a
// file each takes and which parts of a text take none.
#include "app/selection.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace seep {
namespace {

// The step numbers of a file, in file order; the last one ends the file. Numbers repeat and 0 is one.
const std::vector<std::int32_t> kFileSteps = {0, 1, 2, 2, 3, 7, 9};

// The numbers of the steps that `selection` takes, in file order.
std::vector<std::int32_t> Taken(const StepSelection& selection) {
  std::vector<std::int32_t> taken;
  for (std::size_t i = 0; i < kFileSteps.size(); ++i) {
    if (selection.Selects(kFileSteps[i], i + 1 == kFileSteps.size())) taken.push_back(kFileSteps[i]);
  }
  return taken;
}

using Steps = std::vector<std::int32_t>;

TEST(StepSelectionText, ItemsTakeTheirSteps) {
  const struct {
    const char* text;
    Steps taken;
    bool oneStep;
  } cases[] = {
      {"all", {0, 1, 2, 2, 3, 7, 9}, false},
      {"last", {9}, true},
      {"3", {3}, true},
      {"2", {2, 2}, true},  // one number, held twice
      {"0", {0}, true},     // a number only: the last step is not taken
      {"+3", {3}, true},
      {"5", {}, true},
      {"2147483647", {}, true},
      {"-5", {}, true},
      {"1:3", {1, 2, 2, 3}, false},
      {"3:3", {3}, true},
      {"-1:1", {0, 1}, false},
      {"8:20", {9}, false},
      {"1,10:20,last", {1, 9}, false},
      {"9,1,1:2", {1, 2, 2, 9}, false},  // each step once, in file order
      {"all,3", {0, 1, 2, 2, 3, 7, 9}, false},
      {"last,last", {9}, false},
      {"7,0", {0, 7}, false},
      {"5:", {7, 9}, false},  // open at either end
      {":2", {0, 1, 2, 2}, false},
      {"2:last", {2, 2, 3, 7, 9}, false},
      {"-3:", {0, 1, 2, 2, 3, 7, 9}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::optional<StepSelection> selection = StepSelection::Parse(c.text, error);
    ASSERT_TRUE(selection.has_value()) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(Taken(*selection), c.taken);
    EXPECT_EQ(selection->NamesOneStep(), c.oneStep);
  }
}

// A text that is no selection names the item that is wrong.
TEST(StepSelectionText, WrongItemsAreNamed) {
  const struct {
    const char* text;
    const char* named;  // the item, in quotes, the message names
    const char* what;   // and what it says of it
  } cases[] = {
      {"", "''", "not a step selection"},           {"x", "'x'", "not a step selection"},
      {"ALL", "'ALL'", "not a step selection"},     {"1,,2", "''", "not a step selection"},
      {"1,", "''", "not a step selection"},         {"1.5", "'1.5'", "not a step selection"},
      {" 1", "' 1'", "not a step selection"},       {"++1", "'++1'", "not a step selection"},
      {"+", "'+'", "not a step selection"},         {"2147483648", "'2147483648'", "not a step selection"},
      {"1:2:3", "'1:2:3'", "not a step selection"}, {"1,a:b", "'a:b'", "not a step selection"},
      {":", "':'", "not a step selection"},         {"last:", "'last:'", "not a step selection"},
      {"::2", "'::2'", "not a step selection"},     {"3:1", "'3:1'", "runs backwards"},
      {"all,5:-5", "'5:-5'", "runs backwards"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_FALSE(StepSelection::Parse(c.text, error).has_value());
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
  }
}

// The parts of a text that take no step of the file, as written; in a file without steps, every part.
TEST(StepSelectionText, PartsTakingNoStepAreNamed) {
  const struct {
    const char* text;
    std::vector<std::string> unmatched;
    std::size_t parts;
  } cases[] = {
      {"all,last,0:", {}, 3}, {"4:6,10:,1", {"4:6", "10:"}, 3},
      {"all,8", {"8"}, 2},    {"-5:-1,+9", {"-5:-1"}, 2},
      {"2,2", {}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::optional<StepSelection> selection = StepSelection::Parse(c.text, error);
    ASSERT_TRUE(selection.has_value()) << error;
    EXPECT_EQ(selection->Unmatched(kFileSteps), c.unmatched);
    EXPECT_EQ(selection->Unmatched({}).size(), c.parts);
  }
}

// The dialogue's ISEL: below 0 every step; 0 the last step and any step numbered 0; n the steps numbered n.
TEST(StepSelectionIsel, NumberTakesItsSteps) {
  const struct {
    std::int32_t isel;
    Steps taken;
  } cases[] = {
      {-1, {0, 1, 2, 2, 3, 7, 9}},
      {INT32_MIN, {0, 1, 2, 2, 3, 7, 9}},
      {0, {0, 9}},
      {2, {2, 2}},
      {9, {9}},
      {5, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.isel);
    EXPECT_EQ(Taken(StepSelection::FromIsel(c.isel)), c.taken);
  }
  EXPECT_EQ(Taken(StepSelection()), Steps({0, 1, 2, 2, 3, 7, 9}));
}

TEST(StepSelectionIsel, LastStepNumberedZeroIsTakenOnce) {
  const StepSelection zero = StepSelection::FromIsel(0);
  EXPECT_TRUE(zero.Selects(0, true));
  EXPECT_TRUE(zero.Selects(0, false));
  EXPECT_TRUE(zero.Selects(4, true));
  EXPECT_FALSE(zero.Selects(4, false));
}

// Runs of consecutive numbers as ranges.
TEST(DescribeSteps, RunsBecomeRanges) {
  const struct {
    Steps numbers;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{1}, "1"},
      {{1, 2}, "1:2"},
      {{1, 2, 3, 4, 5, 6, 8, 10, 11, 12}, "1:6, 8, 10:12"},
      {{3, 3}, "3, 3"},
      {{5, 4}, "5, 4"},
      {{-2, -1, 0}, "-2:0"},
      {{INT32_MAX - 1, INT32_MAX}, "2147483646:2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DescribeSteps(c.numbers), c.text);
  }
}

}  // namespace
}  // namespace seep
