// The data edit descriptors, checked against what Fortran output editing says of each, written out
// here: the table's rows field by field, and the parser's verdict and items on descriptor texts.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/io/format/parse.h"

namespace seep {
namespace {

constexpr unsigned kIntegers = 1u << EditValue::kInteger;
constexpr unsigned kReals = 1u << EditValue::kReal;
constexpr unsigned kTexts = 1u << EditValue::kText;

// Iw, Aw or A, Ew.d with d >= 1, Fw.d with d >= 0; in the order of FormatOp.
struct ExpectedRow {
  FormatOp op;
  char letter;
  bool widthOptional;
  Digits digits;
  unsigned accepts;
};
constexpr ExpectedRow kExpectedRows[] = {
    {FormatOp::kInteger, 'I', false, Digits::kNone, kIntegers},
    {FormatOp::kText, 'A', true, Digits::kNone, kTexts},
    {FormatOp::kExponent, 'E', false, Digits::kPositive, kReals},
    {FormatOp::kFixed, 'F', false, Digits::kAny, kReals},
};

TEST(DescriptorTable, RowsSayWhatEachDescriptorIs) {
  ASSERT_EQ(kDescriptors.size(), std::size(kExpectedRows));
  for (std::size_t i = 0; i < kDescriptors.size(); ++i) {
    const DescriptorRow& row = kDescriptors[i];
    const ExpectedRow& e = kExpectedRows[i];
    SCOPED_TRACE(e.letter);
    EXPECT_EQ(row.op, e.op);
    EXPECT_EQ(row.letter, e.letter);
    EXPECT_EQ(row.widthOptional, e.widthOptional);
    EXPECT_EQ(row.digits, e.digits);
    EXPECT_EQ(row.accepts, e.accepts);
    EXPECT_EQ(RowOfLetter(e.letter), static_cast<int>(i));
  }
  EXPECT_EQ(RowOfLetter('Q'), -1);
}

TEST(DescriptorTable, EveryRowIsParsedAsItsRowSays) {
  using enum FormatError;
  const struct {
    const char* text;
    FormatError error;
  } cases[] = {
      {"(I12)", kNone},
      {"(2i12)", kNone},
      {"(I0)", kZeroNotAllowed},
      {"(I)", kMissingWidth},
      {"(A12)", kNone},
      {"(2a12)", kNone},
      {"(A0)", kZeroNotAllowed},
      {"(A)", kNone},
      {"(3A)", kNone},
      {"(E12.3)", kNone},
      {"(2e12.3)", kNone},
      {"(E0.3)", kZeroNotAllowed},
      {"(E.3)", kMissingWidth},
      {"(E12)", kMissingDigits},
      {"(E12.)", kMissingDigits},
      {"(E12.0)", kZeroNotAllowed},
      {"(F12.3)", kNone},
      {"(2f12.3)", kNone},
      {"(F0.3)", kZeroNotAllowed},
      {"(F.3)", kMissingWidth},
      {"(F12)", kMissingDigits},
      {"(F12.0)", kNone},
      {"(Q12)", kUnknownDescriptor},
      {"(3Q12)", kCountWithoutDescriptor},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CheckFormat(c.text), c.error);
  }
}

// The items the parser makes of each descriptor: its edit, repeat count, w and d.
TEST(DescriptorTable, ItemsCarryRepeatWidthAndDigits) {
  const struct {
    const char* text;
    FormatOp op;
    int repeat, width, digits;
  } cases[] = {
      {"(I5)", FormatOp::kInteger, 1, 5, 0}, {"(20a4)", FormatOp::kText, 20, 4, 0},
      {"(A)", FormatOp::kText, 1, 0, 0},     {"(3E12.6)", FormatOp::kExponent, 3, 12, 6},
      {"(f8.0)", FormatOp::kFixed, 1, 8, 0}, {"(2F10.4)", FormatOp::kFixed, 2, 10, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::array<FormatItem, 16> items{};
    std::array<char, 16> pool{};
    const std::string text = c.text;
    const format_detail::ParseResult r =
        format_detail::Parse(text, items.data(), static_cast<int>(items.size()), pool.data());
    ASSERT_EQ(r.error, FormatError::kNone);
    ASSERT_EQ(r.count, 1);
    EXPECT_EQ(items[0].op, c.op);
    EXPECT_EQ(items[0].repeat, c.repeat);
    EXPECT_EQ(items[0].width, c.width);
    EXPECT_EQ(items[0].digits, c.digits);
    EXPECT_EQ(items[1].op, FormatOp::kEnd);
  }
}

}  // namespace
}  // namespace seep
