#include "core/run/run.h"

#include <memory>
#include <string>

#include "core/io/failure.h"

namespace seep {

void Run(Io& io, Store& s) {
  (void)io;
  (void)s;
}

int RunProcess(std::FILE* in, std::FILE* out, std::FILE* err) {
  auto io = std::make_unique<Io>(in, out, err);
  auto store = std::make_unique<Store>();
  int status = 0;
  try {
    Run(*io, *store);
    io->CloseAll();
  } catch (const IoFailure& failure) {
    // Whatever was written before the failure stays in its file.
    try {
      io->CloseAll();
    } catch (const IoFailure&) {
    }
    io->ErrorStreamLine(SevereLine(failure));
    status = failure.number;
  } catch (const StopRequest& stop) {
    try {
      io->CloseAll();
    } catch (const IoFailure&) {
    }
    io->ErrorStreamLine(std::to_string(stop.code));
    status = stop.code;
  }
  return status;
}

}  // namespace seep
