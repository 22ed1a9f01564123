#include "writers/restart/restart.h"

namespace seep {

void WriteRestartStep(Io& io, const Store& s) {
  (void)io;
  (void)s;
}

}  // namespace seep
