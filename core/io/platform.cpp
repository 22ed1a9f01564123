#include "core/io/platform.h"

#include <unistd.h>

namespace seep {

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

}  // namespace seep
