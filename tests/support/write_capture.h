// Runs output statements against an Io whose console streams are temporary files and returns the bytes
// that reached the console output, the error stream and, when asked for, the file on unit 8 (opened
// as OUT in a fresh scratch folder that is the working directory meanwhile).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/io/units.h"
#include "support/files.h"
#include "support/io_harness.h"
#include "support/scratch.h"

namespace seep::test {

struct Written {
  std::string out;   // console output
  std::string err;   // error stream (output conversion warnings)
  std::string file;  // every byte written to unit 8; empty without Unit8::kOnFile
};

enum class Unit8 { kClosed, kOnFile };

// `answers` is the console input. Every unit is closed (the console flushed) before the bytes are read.
template <class Statements>
Written Capture(Statements&& statements, Unit8 unit8 = Unit8::kClosed, std::string_view answers = {}) {
  std::optional<Scratch> dir;
  if (unit8 == Unit8::kOnFile) dir.emplace(Scratch::kEnter);
  ConsoleIo console(answers);
  if (dir) console.io().OpenUnit(8, "OUT", "UNKNOWN", "FORMATTED");
  statements(console.io());
  console.io().CloseAll();
  return {console.Out(), console.Err(), dir ? ReadFile(dir->Dir() / "OUT") : std::string()};
}

inline constexpr const char* kWarning63 =
    "forrtl: error (63): output conversion error, unit -1, file CONOUT$\r\n";

}  // namespace seep::test
