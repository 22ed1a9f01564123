// Step selections of the command line in-process: which steps each text takes and which of its parts
// take none.
#include "app/selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace seep {
namespace {

// A file's steps in file order; the last one is the file's last step.
const std::vector<std::int32_t> kSteps = {1, 2, 2, 3, 7, 9};

TEST(StepSelection, OpenRangesAndPartsMatchingNothing) {
  const struct {
    const char* text;
    std::vector<bool> taken;  // for each of kSteps
    std::vector<std::string> unmatched;
  } cases[] = {
      {"5:", {false, false, false, false, true, true}, {}},
      {":2", {true, true, true, false, false, false}, {}},
      {"3:last", {false, false, false, true, true, true}, {}},
      {"-5:0", {false, false, false, false, false, false}, {"-5:0"}},
      {"last,4:6,10:", {false, false, false, false, false, true}, {"4:6", "10:"}},
      {"all,8", {true, true, true, true, true, true}, {"8"}},
      {"2", {false, true, true, false, false, false}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const auto sel = StepSelection::Parse(c.text, error);
    ASSERT_TRUE(sel.has_value()) << error;
    for (std::size_t i = 0; i < kSteps.size(); ++i) {
      EXPECT_EQ(sel->Takes(kSteps[i], i + 1 == kSteps.size()), c.taken[i]) << "step " << i + 1;
    }
    EXPECT_EQ(sel->Unmatched(kSteps), c.unmatched);
    // Every part is unmatched in a file without steps.
    EXPECT_FALSE(sel->Unmatched({}).empty());
  }
  for (const char* wrong : {":", "5:3", "last:", "::2", "1:2:3", "2,,3"}) {
    std::string error;
    EXPECT_FALSE(StepSelection::Parse(wrong, error).has_value()) << wrong;
    EXPECT_FALSE(error.empty()) << wrong;
  }
}

}  // namespace
}  // namespace seep
