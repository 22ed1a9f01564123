// Runs output statements against an Io whose console streams are temporary files and returns the bytes
// that reached the console output and the error stream.
#pragma once

#include <string>

#include "core/io/units.h"
#include "support/io_harness.h"

namespace seep::test {

struct Written {
  std::string out;
  std::string err;
};

template <class Statements>
Written Capture(Statements&& statements) {
  ConsoleIo console;
  statements(console.io());
  console.io().FlushAll();
  return {console.Out(), console.Err()};
}

inline constexpr const char* kWarning63 =
    "forrtl: error (63): output conversion error, unit -1, file CONOUT$\r\n";

}  // namespace seep::test
