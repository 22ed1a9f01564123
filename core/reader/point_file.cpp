#include "core/reader/point_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/io/text_input.h"

namespace seep {
namespace {

// Room reserved for the points before reading: the usual largest point table. A file with more
// points grows the tables as its points are read; the count it claims is never trusted for room.
constexpr std::int32_t kUsualPointCount = 2222;

}  // namespace

void ReadPointFile(Io& io, Store& s, std::string_view name) {
  io.OpenUnit(kPointUnit, name, "unknown", "FORMATTED");
  io.SkipPrefix(kPointUnit, kUtf8Mark);  // as Notepad saves UTF-8
  ReadList(io, kPointUnit, s.NPT);
  s.XP.Reserve(static_cast<std::size_t>(std::clamp(s.NPT, 0, kUsualPointCount)));
  s.YP.Reserve(static_cast<std::size_t>(std::clamp(s.NPT, 0, kUsualPointCount)));
  for (std::int32_t i = 1; i <= s.NPT; ++i) {
    double x = 0.0, y = 0.0;  // a value the line leaves out stays 0, as in a fresh table
    ReadList(io, kPointUnit, x, y);
    s.XP.PushBack(x);
    s.YP.PushBack(y);
    if (i == s.NPT) break;  // i + 1 would overflow for the largest count
  }
  io.CloseUnit(kPointUnit);
}

}  // namespace seep
