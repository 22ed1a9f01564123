#include "writers/interp/interp.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/io/format/compile.h"
#include "core/io/statement/write.h"
#include "core/io/text_input.h"
#include "writers/interp/interp_formats.h"
#include "writers/interp/locate.h"

namespace seep {
namespace {

constexpr int kOutputUnit = 8;
constexpr int kPointUnit = 50;

// Room reserved for the points before reading: the usual largest point table. A file with more
// points grows the tables as its points are read; the count it claims is never trusted for room.
constexpr std::int32_t kUsualPointCount = 2222;

constexpr std::string_view kColumnHeader = "        X,             Y,             H,             P";
using namespace interp_formats;

void AskPointFileName(Io& io, Store& s) {
  WriteList(io, kConsoleOut, " ");
  WriteList(io, kConsoleOut, "  INPUT File Name of POINT DATA");
  ReadFormatted(io, kConsoleIn, s.PNAME);
}

// The count, then one read per point, so each point starts on a new line. A file that ends before
// the count is reached ends the run with its end-of-file failure.
void ReadPoints(Io& io, Store& s) {
  io.OpenUnit(kPointUnit, {s.PNAME.data(), s.PNAME.size()}, "unknown", "FORMATTED");
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

// Total head P + Y at node n; a point in no element has node number 0 and weight 0 and takes nothing.
double TotalHead(const Store& s, std::int32_t n) {
  return IsNode(s, n) ? s.P(n) + s.Y(n) : 0.0;
}

}  // namespace

void SetUpInterp(Io& io, Store& s) {
  AskPointFileName(io, s);
  ReadPoints(io, s);
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
