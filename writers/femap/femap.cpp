#include "writers/femap/femap.h"

namespace seep {

void WriteFemapHeaderAndMesh(Io& io, Store& s) {
  (void)io;
  (void)s;
}

void WriteFemapGroup(Io& io, Store& s) {
  (void)io;
  (void)s;
}

void WriteFemapOutputSet(Io& io, Store& s) {
  (void)io;
  (void)s;
}

}  // namespace seep
