// Arbitrary console lines read as list-directed integers and reals, and as names with A.
#include <array>
#include <cstdint>

#include "core/io/text_input.h"
#include "core/io/units.h"
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace seep;
  fuzz::Console console(data, size);
  {
    Io io(console.in, console.out, console.err);
    try {
      for (int statement = 0; statement < 16; ++statement) {
        std::int32_t answer = 0;
        double x = 0.0;
        float y = 0.0f;
        switch (statement % 3) {
          case 0:
            ReadList(io, kConsoleIn, answer);
            break;
          case 1:
            ReadList(io, kConsoleIn, x, y, answer);
            break;
          default: {
            std::array<char, 20> name{};
            ReadFormatted(io, kConsoleIn, name);
            break;
          }
        }
      }
    } catch (const IoFailure& failure) {
      // Only the end of the input, a value that is no number, or a malformed repeat count.
      if (failure.number != kErrEndOfFile && failure.number != kErrInputConversion &&
          failure.number != kErrListSyntax) {
        std::abort();
      }
    }
  }
  return 0;
}
