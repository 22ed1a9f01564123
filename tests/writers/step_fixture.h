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
  Scratch dir(Scratch::kEnter);
  ConsoleIo console;
  console.io().OpenUnit(8, "OUT", "UNKNOWN", "FORMATTED");
  write(console.io());
  console.io().CloseAll();
  return {ReadFile(dir.Dir() / "OUT"), console.Err()};
}

// `title` padded with blanks to the 80 characters of TITLE.
inline std::string Title80(std::string_view title) {
  std::string t(title);
  t.resize(80, ' ');
  return t;
}

}  // namespace seep::test::step_fixture
