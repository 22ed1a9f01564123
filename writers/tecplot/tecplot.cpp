#include "writers/tecplot/tecplot.h"

#include <cmath>
#include <cstdint>

#include "core/io/format/compile.h"
#include "core/io/record_team.h"
#include "core/io/statement/write.h"
#include "core/model/average.h"
#include "writers/tecplot/tecplot_formats.h"

namespace seep {
namespace {

using namespace tecplot_formats;

std::int32_t CountActiveElements(const Store& s) {
  std::int32_t count = 0;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (IsActive(s, e)) ++count;
  }
  return count;
}

void WriteZoneHeader(Io& io, const Store& s) {
  WriteFormatted(io, kOutputUnit, kZoneHeader, s.TIME, TextArray{s.TITLE.data(), 20, 4}, s.NUMNP,
                 CountActiveElements(s));
}

// The line of node n by `format`, its X and Y fields given as `lead`: the two values, or their kept text.
// H is the total head P + Y; V is the speed of the averaged components, not a mean of element speeds.
template <std::size_t N, class... Lead>
void WriteNodeLine(Io& out, const Store& s, std::int32_t n, const Format<N>& format, const Lead&... lead) {
  const double vx = s.VXN(n);
  const double vy = s.VYN(n);
  WriteFormatted(out, kOutputUnit, format, lead..., s.P(n), s.Y(n) + s.P(n), vx, vy, Speed(vx, vy));
}

// Every node, also those no active element touches (their velocity columns are 0). The X and Y
// fields come from the text kept for the mesh when there is one.
void WriteNodeLines(Io& io, const Store& s, KeptRecords* coordinates) {
  const KeptRecords::Inputs mesh = {AsInput(s.X.Data(), s.NUMNP), AsInput(s.Y.Data(), s.NUMNP)};
  auto lead = [&s](Io& out, std::int32_t n) {
    WriteFormatted(out, kOutputUnit, kNodeCoordinates, s.X(n), s.Y(n));
  };
  if (coordinates != nullptr &&
      coordinates->KeepFields(io, mesh, kOutputUnit, 1, s.NUMNP, kCoordinatesWidth, lead)) {
    WriteRecords(io, kOutputUnit, 1, s.NUMNP, [&s, coordinates](Io& out, std::int32_t n) {
      WriteNodeLine(out, s, n, kNodeLineAfterCoordinates, coordinates->Of(n));
    });
    return;
  }
  WriteRecords(io, kOutputUnit, 1, s.NUMNP,
               [&s](Io& out, std::int32_t n) { WriteNodeLine(out, s, n, kNodeLine, s.X(n), s.Y(n)); });
}

// Active elements only, with their corners as stored: a triangle shows its third node twice, and a
// corner outside the mesh is printed as the number it is. The lines depend on ELEM alone: with a
// place to keep them they are formatted once for the mesh.
void WriteElementLines(Io& io, const Store& s, KeptRecords* lines) {
  auto line = [&s](Io& out, std::int32_t e) {
    if (!IsActive(s, e)) return;
    WriteFormatted(out, kOutputUnit, kElementLine, s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK),
                   s.ELEM(e, kL));
  };
  if (lines == nullptr) {
    WriteRecords(io, kOutputUnit, 1, s.NUMEL, line);
    return;
  }
  const KeptRecords::Inputs mesh = {AsInput(s.ELEM.Data(), std::int64_t{s.NUMEL} * kMAT)};
  if (!lines->MadeFrom(mesh)) lines->Make(io, mesh, kOutputUnit, 1, s.NUMEL, line);
  lines->Write(io, kOutputUnit);
}

}  // namespace

void WriteTecplotZone(Io& io, Store& s, TecplotState* kept) {
  WriteZoneHeader(io, s);
  UseNodalAverage(s);
  WriteNodeLines(io, s, kept != nullptr ? &kept->coordinates : nullptr);
  WriteElementLines(io, s, kept != nullptr ? &kept->elementLines : nullptr);
}

}  // namespace seep
