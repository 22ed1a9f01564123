#include "writers/restart/restart.h"

#include <cstdint>

#include "core/io/format/compile.h"
#include "core/io/statement/write.h"
#include "writers/restart/restart_formats.h"

namespace seep {
namespace {

using namespace restart_formats;

}  // namespace

// The node lines are compiled into the loop (flatten), where the layout of the constant format folds
// into the code.
[[gnu::flatten]] void WriteRestartStep(Io& io, const Store& s, std::int32_t ihead) {
  // The text's own blanks stay: the record starts with two blanks and "LA,TIME".
  WriteList(io, kOutputUnit, " LA,TIME ", s.ISTEP, s.TIME);
  if (s.NUMNP < 1) return;

  const double h = static_cast<double>(ihead);
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    WriteFormatted(io, kOutputUnit, kNodeLine, n, s.NCODE(n), s.X(n), s.Y(n), s.P(n) + h * s.Y(n), s.Q(n));
  }
}

}  // namespace seep
