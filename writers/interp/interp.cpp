#include "writers/interp/interp.h"

#include <cstdint>
#include <string_view>

#include "core/io/format.h"
#include "core/io/text_input.h"
#include "core/io/write.h"
#include "core/model/locate.h"
#include "core/reader/point_file.h"

namespace seep {
namespace {

constexpr int kOutputUnit = 8;
constexpr std::string_view kColumnHeader = "        X,             Y,             H,             P";
// X, Y, total head H and pressure head H - Y of one point.
constexpr auto kPointLine = CompileFormat("(E14.5 ',' E14.5 ',' E14.5 ',' E14.5)");

void AskPointFileName(Io& io, Store& s) {
  WriteList(io, kConsoleOut, " ");
  WriteList(io, kConsoleOut, "  INPUT File Name of POINT DATA");
  ReadFormatted(io, kConsoleIn, s.PNAME);
}

// Total head P + Y at node n; a point in no element has node number 0 and weight 0 and takes nothing.
double TotalHead(const Store& s, std::int32_t n) {
  return IsNode(s, n) ? s.P(n) + s.Y(n) : 0.0;
}

}  // namespace

void SetUpInterp(Io& io, Store& s) {
  AskPointFileName(io, s);
  ReadPointFile(io, s, {s.PNAME.data(), s.PNAME.size()});
  LocatePoints(s);
}

void WriteInterpStep(Io& io, const Store& s) {
  WriteList(io, kOutputUnit, "TIME,", s.TIME);
  WriteList(io, kOutputUnit, kColumnHeader);
  for (std::int32_t i = 1; i <= s.NPT; ++i) {
    const double h = (TotalHead(s, s.IPN(i, 1)) * s.WPN(i, 1) + TotalHead(s, s.IPN(i, 2)) * s.WPN(i, 2)) +
                     TotalHead(s, s.IPN(i, 3)) * s.WPN(i, 3);
    WriteFormatted(io, kOutputUnit, kPointLine, s.XP(i), s.YP(i), h, h - s.YP(i));
  }
}

}  // namespace seep
