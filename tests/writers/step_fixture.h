// A model store holding a small mesh and one step, and the bytes a writer puts on unit 8, for the
// in-process tests of the step writers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/io/units.h"
#include "core/model/store.h"
#include "support/io_harness.h"
#include "support/store_builder.h"

namespace seep::test::step_fixture {

using test::ElementRow;
using test::MakeStore;
using test::NodeRow;

struct Unit8 {
  std::string file;  // every byte written to unit 8
  std::string err;   // the error stream (output conversion warnings)
};

// Opens unit 8 on a new file in a fresh directory, runs `write` and hands back what reached the file.
template <class Write>
Unit8 WrittenToUnit8(Write&& write) {
  WorkDir dir;
  ConsoleIo console;
  console.io().OpenUnit(8, "OUT", "UNKNOWN", "FORMATTED");
  write(console.io());
  console.io().CloseAll();
  return {ReadBytes(dir.Path() / "OUT"), console.Err()};
}

// The lines of a text file without their CR LF; a line missing its CR LF is kept with a "<no CR LF>" mark.
inline std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find("\r\n");
    if (end == std::string_view::npos) {
      lines.emplace_back(std::string(bytes) + "<no CR LF>");
      break;
    }
    lines.emplace_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 2);
  }
  return lines;
}

// `title` padded with blanks to the 80 characters of TITLE.
inline std::string Title80(std::string_view title) {
  std::string t(title);
  t.resize(80, ' ');
  return t;
}

}  // namespace seep::test::step_fixture
