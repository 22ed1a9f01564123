#include "writers/interp/interp.h"

#include <cstdint>
#include <string_view>

#include "core/io/format/compile.h"
#include "core/io/statement/write.h"
#include "core/model/locate.h"
#include "core/reader/point_file.h"
#include "writers/interp/interp_formats.h"

namespace seep {
namespace {

constexpr std::string_view kColumnHeader = "        X,             Y,             H,             P";
using namespace interp_formats;

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

std::string PointsOutsideWarning(const Store& s) {
  std::string points;
  int count = 0;
  for (std::int32_t i = 1; i <= s.NPT; ++i) {
    if (s.IPN(i, 1) != 0) continue;
    points += (count++ == 0 ? "" : ", ") + std::to_string(i);
  }
  if (count == 0) return {};
  return (count == 1 ? "point " : "points ") + points + " outside the mesh written as H = 0";
}

}  // namespace seep
