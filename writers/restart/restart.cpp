#include "writers/restart/restart.h"

#include <cstdint>

#include "core/io/format/compile.h"
#include "core/io/record_team.h"
#include "core/io/statement/write.h"
#include "writers/restart/restart_formats.h"

namespace seep {
namespace {

using namespace restart_formats;

// The line of node n by `format`, its X and Y fields given as `xy`: the two values, or their kept
// text. `h` is the factor of the elevation in the head column.
template <std::size_t N, class... XY>
void WriteNodeLine(Io& out, const Store& s, std::int32_t n, double h, const Format<N>& format,
                   const XY&... xy) {
  WriteFormatted(out, kOutputUnit, format, n, s.NCODE(n), xy..., s.P(n) + h * s.Y(n), s.Q(n));
}

// A run whose node codes changed this often stops keeping the lead: its codes go on changing, and
// making the lead again at every step would cost more than it saves.
constexpr int kLeadMadeAtMost = 3;

}  // namespace

void WriteRestartStep(Io& io, const Store& s, std::int32_t ihead, RestartState* kept) {
  // The text's own blanks stay: the record starts with two blanks and "LA,TIME".
  WriteList(io, kOutputUnit, " LA,TIME ", s.ISTEP, s.TIME);
  if (s.NUMNP < 1) return;

  const double h = static_cast<double>(ihead);
  if (kept != nullptr) {
    // Node number, code and coordinates: the whole lead of the line, while the codes stay.
    const KeptRecords::Inputs nodes = {AsInput(s.NCODE.Data(), s.NUMNP), AsInput(s.X.Data(), s.NUMNP),
                                       AsInput(s.Y.Data(), s.NUMNP)};
    KeptRecords& lead = kept->lead;
    const bool made = lead.MadeFrom(nodes);
    if (made || kept->leadMade < kLeadMadeAtMost) {
      if (!made) {
        ++kept->leadMade;
        lead.Make(io, nodes, kOutputUnit, 1, s.NUMNP, [&s](Io& out, std::int32_t n) {
          WriteFormatted(out, kOutputUnit, kLead, n, s.NCODE(n), s.X(n), s.Y(n));
        });
      }
      if (lead.Fits(1, kLeadWidth)) {
        WriteRecords(io, kOutputUnit, 1, s.NUMNP, [&s, &lead, h](Io& out, std::int32_t n) {
          WriteFormatted(out, kOutputUnit, kNodeLineAroundLead, lead.Of(n), s.P(n) + h * s.Y(n), s.Q(n));
        });
        return;
      }
    }
    // The coordinates alone.
    const KeptRecords::Inputs mesh = {AsInput(s.X.Data(), s.NUMNP), AsInput(s.Y.Data(), s.NUMNP)};
    auto coordinates = [&s](Io& out, std::int32_t n) {
      WriteFormatted(out, kOutputUnit, kCoordinates, s.X(n), s.Y(n));
    };
    if (kept->coordinates.KeepFields(io, mesh, kOutputUnit, 1, s.NUMNP, kCoordinatesWidth, coordinates)) {
      const KeptRecords& xy = kept->coordinates;
      WriteRecords(io, kOutputUnit, 1, s.NUMNP, [&s, &xy, h](Io& out, std::int32_t n) {
        WriteNodeLine(out, s, n, h, kNodeLineAroundCoordinates, xy.Of(n));
      });
      return;
    }
  }
  WriteRecords(io, kOutputUnit, 1, s.NUMNP,
               [&s, h](Io& out, std::int32_t n) { WriteNodeLine(out, s, n, h, kNodeLine, s.X(n), s.Y(n)); });
}

}  // namespace seep
