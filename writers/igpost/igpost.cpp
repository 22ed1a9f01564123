#include "writers/igpost/igpost.h"

namespace seep {

void WriteIgpostBlock(Io& io, Store& s) {
  (void)io;
  (void)s;
}

}  // namespace seep
