// Text input: names with the A descriptor and list-directed numbers, read from the console.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/io/text_input.h"
#include "support/io_harness.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::FailureLine;

// What the next console read gets after the statement under test, or "<end>".
std::string NextRecord(Io& io) {
  return io.AtEndOfFile(kConsoleIn) ? "<end>" : std::string(io.GetRecord(kConsoleIn));
}

struct NameCase {
  const char* input;
  const char* field;  // 20 characters
  const char* next;
};

TEST(ReadFormatted, TextFieldTakesTheFirstCharactersOfOneLineBlankPadded) {
  const NameCase cases[] = {
      {"\nnext\n", "                    ", "next"},
      {"R.DAT\r\nnext\n", "R.DAT               ", "next"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXY\nnext\n", "ABCDEFGHIJKLMNOPQRST", "next"},  // 25 into 20
      {"  lead and trail  \n", "  lead and trail    ", "<end>"},
      {"12345678901234567890\n", "12345678901234567890", "<end>"},
      {"no line feed", "no line feed        ", "<end>"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.input);
    ConsoleIo con(c.input);
    std::array<char, 20> field;
    field.fill('#');
    ReadFormatted(con.io(), kConsoleIn, field);
    EXPECT_EQ(std::string(field.data(), field.size()), c.field);
    EXPECT_EQ(NextRecord(con.io()), c.next);
  }
}

struct IntCase {
  const char* input;
  std::array<std::int32_t, 3> values;  // the items start as 91, 92, 93
  const char* next;
};

TEST(ReadList, IntegersSeparatorsNullsRepeatsAndSlash) {
  const IntCase cases[] = {
      {"1 2 3\nnext", {1, 2, 3}, "next"},
      {"  1 ,  2,3  \nnext", {1, 2, 3}, "next"},
      {"1\t2\t3\r\nnext", {1, 2, 3}, "next"},
      {"1\n2\n3\nnext", {1, 2, 3}, "next"},
      {"\n\n   \n1 2\n\n3 4\nnext", {1, 2, 3}, "next"},  // empty lines passed over, rest skipped
      {"1 2 3 4 5\nnext", {1, 2, 3}, "next"},
      {"-12 +7 0\n", {-12, 7, 0}, "<end>"},
      {"2147483647 -2147483648 007\n", {2147483647, -2147483648, 7}, "<end>"},
      {"1 2/ 5\nnext", {1, 2, 93}, "next"},
      {"/\nnext", {91, 92, 93}, "next"},
      {"4,/\nnext", {4, 92, 93}, "next"},
      {"1,,3\n", {1, 92, 3}, "<end>"},
      {",2,\n3\n", {91, 2, 3}, "<end>"},
      {"1,\n2,\n3\n", {1, 2, 3}, "<end>"},  // a comma at the end of a line is no null
      {"1 2 ,, 3\nnext", {1, 2, 93}, "next"},
      {",,,\nnext", {91, 92, 93}, "next"},
      {"3*7\n", {7, 7, 7}, "<end>"},
      {"2*7 8\n", {7, 7, 8}, "<end>"},
      {"2* 8\n", {91, 92, 8}, "<end>"},
      {"1 2*\nnext", {1, 92, 93}, "next"},
      {"1*4,2*\nnext", {4, 92, 93}, "next"},
      {"10*\nnext", {91, 92, 93}, "next"},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.input);
    ConsoleIo con(c.input);
    std::int32_t a = 91, b = 92, d = 93;
    ReadList(con.io(), kConsoleIn, a, b, d);
    EXPECT_EQ((std::array<std::int32_t, 3>{a, b, d}), c.values);
    EXPECT_EQ(NextRecord(con.io()), c.next);
  }
}

TEST(ReadList, OneIntegerFromAnAnswerLineSkipsTheRestOfIt) {
  ConsoleIo con("  12, 7\n\n\n 3 \nx\n");
  std::int32_t n = 0;
  ReadList(con.io(), kConsoleIn, n);
  EXPECT_EQ(n, 12);
  ReadList(con.io(), kConsoleIn, n);  // two empty lines are passed over
  EXPECT_EQ(n, 3);
  EXPECT_EQ(NextRecord(con.io()), "x");
}

struct RealCase {
  const char* input;
  double a, b;  // the items start as -1 and -2
};

TEST(ReadList, RealsWithEOrDExponentsAndIntegerForms) {
  const RealCase cases[] = {
      {"1.5 2", 1.5, 2.0},
      {"1E3 2e-2", 1000.0, 0.02},
      {"1D3, -2.5d+1", 1000.0, -25.0},
      {".5 5.", 0.5, 5.0},
      {"+1.25E+02 -0", 125.0, -0.0},
      {"-.125e1 1.D0", -1.25, 1.0},
      {"0.1 2*", 0.1, -2.0},
      {"2*0.3", 0.3, 0.3},
      {"1.7976931348623157D308 4.9406564584124654d-324", 1.7976931348623157e308, 4.9406564584124654e-324},
      {"123456789012345678901234567890 1e-400", 123456789012345678901234567890.0, 0.0},
      {"3.14159265358979323846264338327950288 -7", 3.14159265358979323846264338327950288, -7.0},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(c.input);
    ConsoleIo con(std::string(c.input) + "\n");
    double a = -1.0, b = -2.0;
    ReadList(con.io(), kConsoleIn, a, b);
    EXPECT_EQ(a, c.a);
    EXPECT_EQ(b, c.b);
    EXPECT_EQ(std::signbit(a), std::signbit(c.a));
    EXPECT_EQ(std::signbit(b), std::signbit(c.b));
  }
}

struct BadCase {
  const char* input;
  bool real;  // else an integer item
  int number;
};

TEST(ReadList, ConversionAndSyntaxFaultsReportTheConsole) {
  const BadCase cases[] = {
      {"abc", false, 64},         {"12a", false, 64},
      {"1.5", false, 64},         {"+", false, 64},
      {"1e3", false, 64},         {"2147483648", false, 64},
      {"-2147483649", false, 64}, {"99999999999999999999", false, 64},
      {"1 2", false, 0},          {"5*x", false, 64},
      {"1.5E", true, 64},         {"E5", true, 64},
      {"1.2.3", true, 64},        {".", true, 64},
      {"1.5e+", true, 64},        {"0x10", true, 64},
      {"1e999", true, 64},        {"-", true, 64},
      {"*5", false, 59},          {"0*5", false, 59},
      {"x*5", false, 59},         {"-2*5", false, 59},
      {"1.5*2", true, 59},        {"*", true, 59},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.input);
    ConsoleIo con(std::string(c.input) + "\n");
    std::int32_t n = 0;
    double d = 0;
    const std::string line = FailureLine([&] {
      if (c.real) {
        ReadList(con.io(), kConsoleIn, d);
      } else {
        ReadList(con.io(), kConsoleIn, n);
      }
    });
    if (c.number == 64) {
      EXPECT_EQ(line, "forrtl: severe (64): input conversion error, unit -4, file CONIN$");
    } else if (c.number == 59) {
      EXPECT_EQ(line, "forrtl: severe (59): list-directed I/O syntax error, unit -4, file CONIN$");
    } else {
      EXPECT_EQ(line, "no failure");
    }
  }
}

TEST(ReadList, ConsoleEndingBeforeEveryItemHasAValueIsErrorTwentyFour) {
  for (const char* input : {"", "\n", "\n  \n", "1\n", "1,"}) {
    SCOPED_TRACE(input);
    ConsoleIo con(input);
    std::int32_t a = 0, b = 0;
    EXPECT_EQ(FailureLine([&] { ReadList(con.io(), kConsoleIn, a, b); }),
              "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$");
  }
}

}  // namespace
}  // namespace seep
