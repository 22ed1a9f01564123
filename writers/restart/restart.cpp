#include "writers/restart/restart.h"

#include <cstdint>

#include "core/io/format/compile.h"
#include "core/io/record_team.h"
#include "core/io/statement/write.h"
#include "writers/restart/restart_formats.h"

namespace seep {
namespace {

using namespace restart_formats;

}  // namespace

void WriteRestartStep(Io& io, const Store& s, std::int32_t ihead) {
  // The text's own blanks stay: the record starts with two blanks and "LA,TIME".
  WriteList(io, kOutputUnit, " LA,TIME ", s.ISTEP, s.TIME);
  if (s.NUMNP < 1) return;

  const double h = static_cast<double>(ihead);
  WriteRecords(io, kOutputUnit, 1, s.NUMNP, [&s, h](Io& out, std::int32_t n) {
    WriteFormatted(out, kOutputUnit, kNodeLine, n, s.NCODE(n), s.X(n), s.Y(n), s.P(n) + h * s.Y(n), s.Q(n));
  });
}

}  // namespace seep
