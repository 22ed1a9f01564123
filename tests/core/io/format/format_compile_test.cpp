// The format compiler: which texts it accepts, what it builds, and that a malformed format stops the build.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/io/format/compile.h"
#include "support/io_harness.h"

namespace seep {
namespace {

using enum FormatError;

// Every format the writers and the console use must compile.
static_assert(CheckFormat("(1P E12.4 6(',' 1P E12.4))") == kNone);
static_assert(
    CheckFormat("('TITTLE = \"TIME=' 1P E12.4 ' ' 20A4 '\"' / 'VARIABLES = \"X\",\"Y\",\"P\",\"H\",\"VX\","
                "\"VY\",\"V\"' / 'ZONE N= ' I5 ', E= ' I5 ', F=FEPOINT')") == kNone);
static_assert(CheckFormat("(10(I7, ','))") == kNone);
static_assert(CheckFormat("(I7, A22, 1PE13.6, A1, 1PE13.6, A1, 1PE13.6)") == kNone);
static_assert(CheckFormat("(I8 1X 5(1PE12.5 1X))") == kNone);
static_assert(CheckFormat("('ELEM-GROUP 0 ')") == kNone);
static_assert(CheckFormat("(//'   <<<<<  OK! OK!  NORMAL TERMINATION  >>>>> ')") == kNone);
static_assert(CheckFormat("(' T=', 1PE12.4)") == kNone);
static_assert(CheckFormat("(I2, 8(',', 1PE12.4))") == kNone);
static_assert(CheckFormat("('step', I1, E15.7)") == kNone);
// Other accepted spellings.
static_assert(CheckFormat("()") == kNone);
static_assert(CheckFormat(" ( i5 , 1p,e12.4 , f12.0 , 0p ) ") == kNone);
static_assert(CheckFormat("(I1,/,I1)") == kNone);
static_assert(CheckFormat("(''''  '')") == kNone);
static_assert(CheckFormat("(2(3(4(I1))))") == kNone);

// Malformed texts and what is wrong with them.
static_assert(CheckFormat("I5") == kNoOpeningParenthesis);
static_assert(CheckFormat("(I5") == kUnbalancedParentheses);
static_assert(CheckFormat("(2(I5)") == kUnbalancedParentheses);
static_assert(CheckFormat("(I5))") == kTextAfterFormat);
static_assert(CheckFormat("('abc)") == kUnterminatedLiteral);
static_assert(CheckFormat("(G12.4)") == kUnknownDescriptor);
static_assert(CheckFormat("(I)") == kMissingWidth);
static_assert(CheckFormat("(X)") == kMissingWidth);
static_assert(CheckFormat("(E12)") == kMissingDigits);
static_assert(CheckFormat("(F8.)") == kMissingDigits);
static_assert(CheckFormat("(E12.0)") == kZeroNotAllowed);
static_assert(CheckFormat("(I0)") == kZeroNotAllowed);
static_assert(CheckFormat("(0(I5))") == kZeroNotAllowed);
static_assert(CheckFormat("(I256)") == kNumberTooLarge);
static_assert(CheckFormat("(3 I5)") == kCountWithoutDescriptor);
static_assert(CheckFormat("(3'a')") == kCountWithoutDescriptor);
static_assert(CheckFormat("(2P E12.4)") == kUnsupportedScale);
static_assert(CheckFormat("(1(1(1(1(1(1(1(1(1(I1))))))))))") == kNestedTooDeep);
static_assert(CheckFormat("(I5I5)") == kMissingSeparator);
static_assert(CheckFormat("('a'I5)") == kMissingSeparator);
static_assert(CheckFormat("(E12.4E2)") == kMissingSeparator);
static_assert(CheckFormat("(,I5)") == kMisplacedComma);
static_assert(CheckFormat("(I5,)") == kMisplacedComma);
static_assert(CheckFormat("(I5,,I5)") == kMisplacedComma);

// The column of the text where each error is found (counted from 0): where the item that is wrong
// begins, or the end of the text when it ends too soon.
constexpr int ErrorColumn(std::string_view text) {
  std::array<FormatItem, 64> items{};
  std::array<char, 64> pool{};
  return format_detail::Parse(text, items.data(), 64, pool.data()).position;
}
static_assert(ErrorColumn("I5") == 0);
static_assert(ErrorColumn("  I5") == 2);
static_assert(ErrorColumn("(I5") == 3);
static_assert(ErrorColumn("(I5)) ") == 4);
static_assert(ErrorColumn("('abc)") == 6);
static_assert(ErrorColumn("(I5, 2P E12.4)") == 5);
static_assert(ErrorColumn("(I5 I5I5)") == 6);
static_assert(ErrorColumn("(I5, E12)") == 8);
static_assert(ErrorColumn("(I5,,I5)") == 4);
static_assert(ErrorColumn("(I5,)") == 4);
static_assert(ErrorColumn("(I256)") == 4);

// Builds small programs with the compiler: a malformed format must not compile, a good one must.
TEST(CompileFormat, MalformedFormatStopsTheBuild) {
#ifdef _WIN32
  GTEST_SKIP() << "starts g++ through a POSIX shell, which the Windows test program does not have";
#endif
  if (std::system("command -v g++ > /dev/null 2>&1") != 0) GTEST_SKIP() << "g++ not found on PATH";
  const std::filesystem::path root = SEEPCONV_SOURCE_DIR;
  test::Scratch dir(test::Scratch::kEnter);
  const struct {
    const char* name;
    const char* format;
    const char* diagnostic;  // empty: must compile
  } cases[] = {
      {"good", "(1P E12.4 6(',' 1P E12.4))", ""},
      {"open", "(I5 3(',' I5)", "FormatTextIsMalformed_UnbalancedParentheses"},
      {"width", "(I5, E12)", "FormatTextIsMalformed_MissingDigits"},
      {"literal", "('abc)", "FormatTextIsMalformed_UnterminatedLiteral"},
  };
  std::string script;
  for (const auto& c : cases) {
    std::ofstream(std::string(c.name) + ".cpp")
        << "#include \"core/io/format/compile.h\"\nconstexpr auto kFormat = seep::CompileFormat(R\"("
        << c.format << ")\");\nint main() { return kFormat.count; }\n";
    script += std::string("(g++ -std=c++20 -fsyntax-only -I'") + root.string() + "' " + c.name + ".cpp > " +
              c.name + ".log 2>&1; echo $? > " + c.name + ".rc) & ";
  }
  script += "wait";
  ASSERT_EQ(std::system(script.c_str()), 0);
  for (const auto& c : cases) {
    const std::string rc = test::ReadFile(std::string(c.name) + ".rc");
    const std::string log = test::ReadFile(std::string(c.name) + ".log");
    if (*c.diagnostic == '\0') {
      EXPECT_EQ(rc, "0\n") << c.format << "\n" << log;
    } else {
      EXPECT_NE(rc, "0\n") << c.format;
      EXPECT_NE(log.find(c.diagnostic), std::string::npos) << c.format << "\n" << log;
    }
  }
}

}  // namespace
}  // namespace seep
