// Formatted output statements, observed as the bytes of the records they write (CR LF included).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "core/io/failure.h"
#include "core/io/format/compile.h"
#include "core/io/statement/write.h"
#include "support/write_capture.h"
#include "writers/femap/femap_formats.h"
#include "writers/microavs/microavs_formats.h"
#include "writers/tecplot/tecplot_formats.h"

namespace seep {
namespace {

using test::Capture;
using test::kWarning63;

constexpr int kOut = kConsoleOut;

constexpr auto kI5 = CompileFormat("(I5)");
constexpr auto kI5Group = CompileFormat("( I5 3(',' I5) )");
constexpr auto kEightI8 = CompileFormat("( 8( I8 2X ) )");

TEST(WriteFormatted, OverflowGivesAsterisksAndOneWarningPerStatement) {
  const test::Written w = Capture([](Io& io) {
    WriteFormatted(io, kOut, kI5, 44444);
    WriteFormatted(io, kOut, kI5, 100000);
    WriteFormatted(io, kOut, kI5, -9999);
    WriteFormatted(io, kOut, kI5, -10000);
    WriteFormatted(io, kOut, kI5Group, 100000, 2, -10000, 4);  // two fields, still one warning
    WriteFormatted(io, kOut, kI5, 1);                          // the run goes on
  });
  EXPECT_EQ(w.out, "44444\r\n*****\r\n-9999\r\n*****\r\n*****,    2,*****,    4\r\n    1\r\n");
  EXPECT_EQ(w.err, std::string(kWarning63) + kWarning63 + kWarning63);
}

struct RecordCase {
  const char* name;
  std::string (*run)();
  const char* records;
};

// The records of one statement. A statement on a unit that is not yet writing takes the interpreted
// road; once the unit writes, a statement whose items fit the format's compiled line takes the compiled
// road. Both roads must give the same records.
template <class... Items>
std::string Out(const auto& fmt, const Items&... items) {
  const std::string interpreted = Capture([&](Io& io) { WriteFormatted(io, kOut, fmt, items...); }).out;
  const std::string compiled = Capture([&](Io& io) {
                                 WriteList(io, kOut, "-");
                                 WriteFormatted(io, kOut, fmt, items...);
                               }).out;
  EXPECT_EQ(compiled, " -\r\n" + interpreted);
  return interpreted;
}

constexpr auto kLiteralsAfterItems = CompileFormat("(I1 'a' / 'b' I1 'c')");
constexpr auto kReversionToGroup = CompileFormat("('A' 2(I3) 'B')");
constexpr auto kReversionToOuterGroup = CompileFormat("(I1, 'x', 2(I1, 2(I1)), 'z')");
constexpr auto kScaleThroughReversion = CompileFormat("(E10.3, 1P, E10.3)");
constexpr auto kTwoI5 = CompileFormat("(I5, I5)");
constexpr auto kSkips = CompileFormat("(I2, 3X)");
constexpr auto kSkipThenLiteral = CompileFormat("(I2 3X 'a' 2X)");
constexpr auto kLeadingSlashes = CompileFormat("(//'abc')");
constexpr auto kInnerSlashes = CompileFormat("(I1 / / I1)");
constexpr auto kTrailingSlash = CompileFormat("(I1 /)");
constexpr auto kRepeatedSlash = CompileFormat("(I1 2/ I1)");
constexpr auto kEmpty = CompileFormat("()");
constexpr auto kTexts = CompileFormat("('[' A ']' A6 '[' A2 ']' A '|')");
constexpr auto kQuote = CompileFormat("('it''s' 1X A)");
constexpr auto kThreeI3 = CompileFormat("(3I3)");
constexpr auto kTermination = CompileFormat("(//'   <<<<<  OK! OK!  NORMAL TERMINATION  >>>>> ')");
constexpr auto kTitleTwenty = CompileFormat("(20A4)");

const std::int32_t kFour[] = {1, 2, 3, 4};
const double kSeven[] = {1.25e1, -0.5, 0.0, 1.0e-120, -1.0e100, 3.6e3, 1.0};

const RecordCase kRecordCases[] = {
    {"group with four items", [] { return Out(kI5Group, 1, 2, 3, 4); }, "    1,    2,    3,    4\r\n"},
    // The comma before the descriptor that finds no item is still written.
    {"group with two items", [] { return Out(kI5Group, 1, 2); }, "    1,    2,\r\n"},
    // Reversion to the group; the trailing 2X of neither record is written.
    {"eight I8 2X with ten items", [] { return Out(kEightI8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10); },
     "       1         2         3         4         5         6         7         8\r\n"
     "       9        10\r\n"},
    {"literal after the last item", [] { return Out(microavs_formats::kElementData, 7, 1.0, 2.0, 3.0); },
     "       7  1.00000E+00  2.00000E+00  3.00000E+00 \r\n"},
    {"literals and slashes up to the next data descriptor", [] { return Out(kLiteralsAfterItems, 1); },
     "1a\r\nb\r\n"},
    {"reversion without groups", [] { return Out(kTwoI5, 1, 2, 3, 4, 5); },
     "    1    2\r\n    3    4\r\n    5\r\n"},
    {"reversion to the last group with its count", [] { return Out(kReversionToGroup, 1, 2, 3, 4, 5); },
     "A  1  2B\r\n  3  4B\r\n  5\r\n"},
    {"reversion to the outer of two nested groups",
     [] { return Out(kReversionToOuterGroup, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3); },
     "1x234567z\r\n890123z\r\n"},
    {"scale factor holds through reversion", [] { return Out(kScaleThroughReversion, 1.0, 1.0, 1.0); },
     " 0.100E+01 1.000E+00\r\n 1.000E+00\r\n"},
    {"nX at the end adds no blanks", [] { return Out(kSkips, 1); }, " 1\r\n"},
    {"nX becomes blanks before a later character", [] { return Out(kSkipThenLiteral, 1); }, " 1   a\r\n"},
    {"leading slashes make empty records", [] { return Out(kLeadingSlashes); }, "\r\n\r\nabc\r\n"},
    {"slashes between items", [] { return Out(kInnerSlashes, 1, 2); }, "1\r\n\r\n2\r\n"},
    {"a trailing slash leaves an empty last record", [] { return Out(kTrailingSlash, 1); }, "1\r\n\r\n"},
    {"repeat count on a slash", [] { return Out(kRepeatedSlash, 1, 2); }, "1\r\n\r\n2\r\n"},
    {"empty format", [] { return Out(kEmpty); }, "\r\n"},
    {"A, Aw padding and truncation, empty text",
     [] { return Out(kTexts, std::string("xy"), "abc", std::string_view("abc"), ""); },
     "[xy]   abc[ab]|\r\n"},
    {"doubled apostrophe", [] { return Out(kQuote, "ok"); }, "it's ok\r\n"},
    {"array items one element per descriptor",
     [] { return Out(kThreeI3, std::span<const std::int32_t>(kFour), 5); }, "  1  2  3\r\n  4  5\r\n"},
    {"an empty array gives no item", [] { return Out(kThreeI3, std::span<const std::int32_t>(), 7); },
     "  7\r\n"},
    {"node line", [] { return Out(tecplot_formats::kNodeLine, std::span<const double>(kSeven)); },
     "  1.2500E+01, -5.0000E-01,  0.0000E+00,  1.0000-120, -1.0000+100,  3.6000E+03,  1.0000E+00\r\n"},
    // Items one by one take the compiled road: the fields its compiled rounding declines (zero, an
    // exponent beyond 99, a NaN) are edited through EditField between compiled ones.
    {"node line from single items",
     [] { return Out(tecplot_formats::kNodeLine, 1.25e1, -0.5, 0.0, 1.0e-120, -1.0e100, 3.6e3, 1.0); },
     "  1.2500E+01, -5.0000E-01,  0.0000E+00,  1.0000-120, -1.0000+100,  3.6000E+03,  1.0000E+00\r\n"},
    {"NaN between compiled fields",
     [] {
       return Out(microavs_formats::kElementData, 7, 1.0f, std::numeric_limits<float>::quiet_NaN(), -2.5f);
     },
     "       7  1.00000E+00          NaN -2.50000E+00 \r\n"},
    {"single-precision items in E fields",
     [] { return Out(femap_formats::kNodeLine, 1, ",0,0,1,46,0,0,0,0,0,0,", 0.1f, ",", -2.5f, ",", 0.0f); },
     "      1,0,0,1,46,0,0,0,0,0,0, 1.000000E-01,-2.500000E+00, 0.000000E+00\r\n"},
    {"literal-only format with no items", [] { return Out(kTermination); },
     "\r\n\r\n   <<<<<  OK! OK!  NORMAL TERMINATION  >>>>> \r\n"},
};

TEST(WriteFormatted, Records) {
  for (const RecordCase& c : kRecordCases) EXPECT_EQ(c.run(), c.records) << c.name;
}

TEST(WriteFormatted, TitleAsTwentyWordsOfFour) {
  std::array<char, 80> title;
  title.fill(' ');
  const std::string text = "SEEPAGE OF A DAM";
  std::copy(text.begin(), text.end(), title.begin());
  const std::string out = Out(kTitleTwenty, TextArray{title.data(), 20, 4});
  EXPECT_EQ(out, std::string(title.data(), 80) + "\r\n");  // trailing blanks included
}

TEST(WriteFormatted, ZoneHeader) {
  const std::string title(80, 'T');
  const std::string out = Out(tecplot_formats::kZoneHeader, 3600.0, TextArray{title.data(), 20, 4}, 120, 100);
  const std::string line1 = "TITTLE = \"TIME=  3.6000E+03 " + title + "\"";
  ASSERT_EQ(line1.size(), 109u);
  EXPECT_EQ(out, line1 +
                     "\r\nVARIABLES = \"X\",\"Y\",\"P\",\"H\",\"VX\",\"VY\",\"V\"\r\nZONE N=   120, E=   "
                     "100, F=FEPOINT\r\n");
}

// The failure a statement raises; with `writing`, on a unit that has written a record ("-") before.
int FailureNumber(void (*statement)(Io&), std::string* out = nullptr, bool writing = false) {
  test::ConsoleIo console;
  int number = 0;
  try {
    if (writing) WriteList(console.io(), kOut, "-");
    statement(console.io());
  } catch (const IoFailure& f) {
    number = f.number;
    EXPECT_EQ(f.unit, kOut);
    EXPECT_EQ(f.file, "CONOUT$");
  }
  console.io().FlushAll();
  if (out != nullptr) *out = console.Out();
  return number;
}

constexpr auto kNoData = CompileFormat("('abc')");
constexpr auto kDataOnlyBeforeGroup = CompileFormat("(I1 2('x'))");

TEST(WriteFormatted, ReversionWithoutDataDescriptorFails105) {
  std::string out;
  EXPECT_EQ(FailureNumber([](Io& io) { WriteFormatted(io, kOut, kNoData, 1); }, &out), kErrNoDataEdit);
  EXPECT_EQ(out, "abc\r\n");  // the record ended by the reversion is written before the failure
  EXPECT_EQ(FailureNumber([](Io& io) { WriteFormatted(io, kOut, kDataOnlyBeforeGroup, 1, 2); }, &out),
            kErrNoDataEdit);
  EXPECT_EQ(out, "1xx\r\n");
  // Without items left over there is no reversion and no failure.
  EXPECT_EQ(FailureNumber([](Io& io) { WriteFormatted(io, kOut, kNoData); }), 0);
}

constexpr auto kA = CompileFormat("(A)");
constexpr auto kE = CompileFormat("(E12.4)");
constexpr auto kF = CompileFormat("(F8.2)");

TEST(WriteFormatted, ItemOfTheWrongTypeFails61) {
  void (*const statements[])(Io&) = {
      [](Io& io) { WriteFormatted(io, kOut, kI5, 1.0); },
      [](Io& io) { WriteFormatted(io, kOut, kI5, 1.0f); },
      [](Io& io) { WriteFormatted(io, kOut, kI5, "12"); },
      [](Io& io) { WriteFormatted(io, kOut, kE, 1); },
      [](Io& io) { WriteFormatted(io, kOut, kE, "1.0"); },
      [](Io& io) { WriteFormatted(io, kOut, kF, 1); },
      [](Io& io) { WriteFormatted(io, kOut, kA, 1); },
      [](Io& io) { WriteFormatted(io, kOut, kA, 1.0); },
  };
  for (auto* s : statements) {
    EXPECT_EQ(FailureNumber(s), kErrFormatMismatch);
    std::string out;
    EXPECT_EQ(FailureNumber(s, &out, true), kErrFormatMismatch);
    EXPECT_EQ(out, " -\r\n");  // the failed statement's record is not written
  }
}

constexpr auto kTwoLines = CompileFormat("(I2 / E12.4)");

TEST(WriteFormatted, RecordsBeforeAFailureStay) {
  for (const bool writing : {false, true}) {
    std::string out;
    EXPECT_EQ(FailureNumber([](Io& io) { WriteFormatted(io, kOut, kTwoLines, 7, 8); }, &out, writing),
              kErrFormatMismatch);
    EXPECT_EQ(out, std::string(writing ? " -\r\n" : "") + " 7\r\n");
  }
}

}  // namespace
}  // namespace seep
