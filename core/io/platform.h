// The few things that differ between operating systems, in one place.
#pragma once

#include <cstdio>

namespace seep {

// True when the stream is a terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace seep
