#include "writers/microavs/microavs.h"

namespace seep {

void OpenAvsWorkFile(Io& io) {
  (void)io;
}

void WriteAvsStep(Io& io, Store& s) {
  (void)io;
  (void)s;
}

void AssembleAvsFile(Io& io, Store& s) {
  (void)io;
  (void)s;
}

}  // namespace seep
