// The parser reads every data edit descriptor through its row: letter in either case, width, and d as
// the row asks for it.
#include <gtest/gtest.h>

#include <string>

#include "core/io/format/parse.h"

namespace seep {
namespace {

FormatError Check(const std::string& text) {
  return CheckFormat(text);
}

TEST(DescriptorTable, EveryRowIsParsedAsItsRowSays) {
  for (const DescriptorRow& row : kDescriptors) {
    const std::string upper(1, row.letter);
    const std::string lower(1, static_cast<char>(row.letter - 'A' + 'a'));
    const std::string digits = row.digits == Digits::kNone ? "" : ".3";
    SCOPED_TRACE(upper);
    EXPECT_EQ(Check("(" + upper + "12" + digits + ")"), FormatError::kNone);
    EXPECT_EQ(Check("(2" + lower + "12" + digits + ")"), FormatError::kNone);
    EXPECT_EQ(Check("(" + upper + "0" + digits + ")"), FormatError::kZeroNotAllowed);
    EXPECT_EQ(Check("(" + upper + digits + ")"),
              row.widthOptional && digits.empty() ? FormatError::kNone : FormatError::kMissingWidth);
    if (row.digits != Digits::kNone) {
      EXPECT_EQ(Check("(" + upper + "12)"), FormatError::kMissingDigits);
      EXPECT_EQ(Check("(" + upper + "12.0)"),
                row.digits == Digits::kAny ? FormatError::kNone : FormatError::kZeroNotAllowed);
    }
  }
  EXPECT_EQ(Check("(Q12)"), FormatError::kUnknownDescriptor);
  EXPECT_EQ(Check("(3Q12)"), FormatError::kCountWithoutDescriptor);
}

}  // namespace
}  // namespace seep
