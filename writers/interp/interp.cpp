#include "writers/interp/interp.h"

#include <cstdint>
#include <string_view>

#include "core/io/format.h"
#include "core/io/write.h"
#include "core/model/locate.h"
#include "core/reader/point_file.h"

namespace seep {
namespace {

constexpr std::string_view kColumnHeader = "        X,             Y,             H,             P";
// X, Y, total head H and pressure head H - Y of one point.
constexpr auto kPointLine = CompileFormat("(E14.5 ',' E14.5 ',' E14.5 ',' E14.5)");

}  // namespace

void SetUpInterp(Io& io, Store& s, std::string_view pointFile) {
  ReadPointFile(io, s, pointFile);
  LocatePoints(s);
}

void WriteInterpStep(Io& io, const Store& s) {
  WriteList(io, kOutputUnit, "TIME,", s.TIME);
  WriteList(io, kOutputUnit, kColumnHeader);
  for (std::int32_t i = 1; i <= s.NPT; ++i) {
    const double h = PointTotalHead(s, i);
    WriteFormatted(io, kOutputUnit, kPointLine, s.XP(i), s.YP(i), h, h - s.YP(i));
  }
}

}  // namespace seep
