// List-directed output statements, observed as the bytes of their records.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "core/io/statement/write.h"
#include "support/write_capture.h"

namespace seep {
namespace {

constexpr int kOut = kConsoleOut;

// The records of one statement, which must be the same on a unit that is not yet writing (interpreted
// road) and on one that already writes (one-record statements then take the compiled road).
template <class... Items>
std::string List(const Items&... items) {
  const std::string interpreted = test::Capture([&](Io& io) { WriteList(io, kOut, items...); }).out;
  const std::string compiled = test::Capture([&](Io& io) {
                                 WriteList(io, kOut, "-");
                                 WriteList(io, kOut, items...);
                               }).out;
  EXPECT_EQ(compiled, " -\r\n" + interpreted);
  return interpreted;
}

struct ListCase {
  const char* name;
  std::string (*run)();
  const char* records;
};

const ListCase kCases[] = {
    {"an integer alone is 12 columns", [] { return List(5); }, "           5\r\n"},
    {"a text gets one leading blank", [] { return List("abc"); }, " abc\r\n"},
    {"texts in a row are joined", [] { return List("a", "b"); }, " ab\r\n"},
    {"a one-blank text", [] { return List(" "); }, "  \r\n"},
    {"a text of length zero", [] { return List(""); }, " \r\n"},
    {"no items", [] { return List(); }, " \r\n"},
    {"text, integer, 8-byte real", [] { return List(" LA,TIME ", 3, 3600.0); },
     "  LA,TIME            3   3600.00000000000     \r\n"},
    {"integer, text, 4-byte real", [] { return List(7, ",", 2.5f); }, "           7 ,   2.500000    \r\n"},
    {"the first text after numbers gets the blank", [] { return List(1, "x", "y", 2, "z"); },
     "           1 xy           2z\r\n"},
    {"seven integers split six and one", [] { return List(1, 2, 3, 4, 5, 6, 7); },
     "           1           2           3           4           5           6\r\n"
     "           7\r\n"},
    // 2 + 24 + 24 + 15 + 15 = 80 columns fill the record exactly; the next number starts a new one.
    {"exactly 80 columns", [] { return List("x", 1.0, 2.0, 0.5f, 0.25f, 9); },
     " x   1.00000000000000        2.00000000000000       0.5000000      0.2500000    \r\n"
     "           9\r\n"},
    {"a new record sets the leading-blank flag again", [] { return List(1, 2, 3, 4, 5, 6, 7, "ab"); },
     "           1           2           3           4           5           6\r\n"
     "           7 ab\r\n"},
    // A text is not split: when it does not fit the columns left, it begins the next record.
    {"a text that does not fit moves on whole", [] { return List(1, 2, 3, 4, 5, 6, "abcdefg", "h"); },
     "           1           2           3           4           5           6 abcdefg\r\n"
     " h\r\n"},
    {"array elements are separate items",
     [] {
       const float v[] = {1.0f, -0.5f};
       return List(std::span<const float>(v), 3);
     },
     "   1.000000     -0.5000000               3\r\n"},
    {"text array",
     [] {
       return List(TextArray{"ab  cd  ", 2, 4});
     },
     " ab  cd  \r\n"},
};

TEST(WriteList, Records) {
  for (const ListCase& c : kCases) EXPECT_EQ(c.run(), c.records) << c.name;
}

}  // namespace
}  // namespace seep
