#include "core/run/dispatch.h"

#include "writers/femap/femap.h"
#include "writers/igpost/igpost.h"
#include "writers/interp/interp.h"
#include "writers/microavs/microavs.h"
#include "writers/restart/restart.h"
#include "writers/tecplot/tecplot.h"

namespace seep {

// Output codes without an operation at a place do nothing there.

void SetUpWriter(Io& io, Store& s) {
  switch (s.ITYPE) {
    case kFemap:
      WriteFemapHeaderAndMesh(io, s);
      WriteFemapGroup(io, s);
      break;
    case kMicroAvs:
      OpenAvsWorkFile(io);
      break;
    case kInterp:
      SetUpInterp(io, s);
      break;
    default:
      break;
  }
}

void WriteEveryStep(Io& io, Store& s) {
  if (s.ITYPE == kInterp) WriteInterpStep(io, s);
}

void WriteSelectedStep(Io& io, Store& s) {
  switch (s.ITYPE) {
    case kRestart:
      WriteRestartStep(io, s);
      break;
    case kTecplot:
      WriteTecplotZone(io, s);
      break;
    case kFemap:
      WriteFemapOutputSet(io, s);
      break;
    case kMicroAvs:
      WriteAvsStep(io, s);
      break;
    case kIgpost:
      WriteIgpostBlock(io, s);
      break;
    default:
      break;
  }
}

void FinishWriter(Io& io, Store& s) {
  if (s.ITYPE == kMicroAvs) AssembleAvsFile(io, s);
}

}  // namespace seep
