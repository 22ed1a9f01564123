// Output lines of the converter's formats filled with arbitrary values (NaN, infinities, subnormals,
// huge and tiny numbers included): every record must come out with its fixed width.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/io/statement/write.h"
#include "core/io/units.h"
#include "harness.h"
#include "writers/femap/femap_formats.h"
#include "writers/interp/interp_formats.h"
#include "writers/microavs/microavs_formats.h"
#include "writers/restart/restart_formats.h"
#include "writers/tecplot/tecplot_formats.h"

namespace {

using namespace seep;

// The writers' own formats of the data lines.
constexpr const auto& kNodeLine = tecplot_formats::kNodeLine;
constexpr const auto& kRestartLine = restart_formats::kNodeLine;
constexpr const auto& kPointLine = interp_formats::kPointLine;
constexpr const auto& kFemapNode = femap_formats::kNodeLine;
constexpr const auto& kAvsNode = microavs_formats::kNodeData;
constexpr const auto& kStepLine = microavs_formats::kStepLine4;

// Takes values from the fuzzer's bytes, zero once they run out.
struct Values {
  const std::uint8_t* data;
  std::size_t size;
  template <class T>
  T Next() {
    T v{};
    const std::size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    return v;
  }
};

// Splits the console bytes into records and checks every length against the widths in order.
void CheckWidths(const std::string& out, std::string_view widths) {
  std::size_t pos = 0, k = 0;
  while (pos < out.size()) {
    const std::size_t end = out.find("\r\n", pos);
    if (end == std::string::npos || k >= widths.size()) std::abort();
    if (end - pos != static_cast<unsigned char>(widths[k])) std::abort();
    pos = end + 2;
    ++k;
  }
  if (k != widths.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Console console(nullptr, 0);
  Values v{data, size};
  std::string widths;
  {
    Io io(console.in, console.out, console.err);
    while (v.size > 0) {
      switch (v.Next<std::uint8_t>() % 8) {
        case 0:
          WriteFormatted(io, kConsoleOut, kNodeLine, v.Next<double>(), v.Next<double>(), v.Next<double>(),
                         v.Next<double>(), v.Next<double>(), v.Next<double>(), v.Next<double>());
          widths += static_cast<char>(90);
          break;
        case 1:
          WriteFormatted(io, kConsoleOut, kRestartLine, v.Next<std::int32_t>(), v.Next<std::int32_t>(),
                         v.Next<double>(), v.Next<double>(), v.Next<double>(), v.Next<double>());
          widths += static_cast<char>(63);
          break;
        case 2:
          WriteFormatted(io, kConsoleOut, kPointLine, v.Next<double>(), v.Next<double>(), v.Next<double>(),
                         v.Next<double>());
          widths += static_cast<char>(59);
          break;
        case 3:
          WriteFormatted(io, kConsoleOut, kFemapNode, v.Next<std::int32_t>(), ",0,0,1,46,0,0,0,0,0,0,",
                         v.Next<float>(), ",", v.Next<float>(), ",", 0.0f);
          widths += static_cast<char>(70);
          break;
        case 4:
          WriteFormatted(io, kConsoleOut, kAvsNode, v.Next<std::int32_t>(), v.Next<float>(), v.Next<float>(),
                         v.Next<float>(), v.Next<float>(), v.Next<float>());
          widths += static_cast<char>(74);
          break;
        case 5:
          WriteFormatted(io, kConsoleOut, kStepLine, v.Next<std::int32_t>(), v.Next<double>());
          widths += static_cast<char>(23);
          break;
        case 6:
          // Four single-precision reals of 15 columns and a text: 61 columns, one record.
          WriteList(io, kConsoleOut, v.Next<std::int32_t>(), ",", v.Next<float>(), v.Next<float>(),
                    v.Next<float>());
          widths += static_cast<char>(12 + 2 + 45);
          break;
        default:
          // Two double-precision reals of 24 columns after an integer and a text: 62 columns.
          WriteList(io, kConsoleOut, v.Next<std::int32_t>(), ",", v.Next<double>(), v.Next<double>());
          widths += static_cast<char>(12 + 2 + 48);
          break;
      }
    }
    io.FlushAll();
  }
  CheckWidths(console.Out(), widths);
  return 0;
}
