#include "writers/tecplot/tecplot.h"

namespace seep {

void WriteTecplotZone(Io& io, Store& s) {
  (void)io;
  (void)s;
}

}  // namespace seep
