// For the in-process tests of the step writers: a model store built from plain rows (store_builder.h),
// the bytes a writer puts on unit 8 (write_capture.h) and the title as the writers print it.
#pragma once

#include <string>
#include <string_view>

#include "support/store_builder.h"
#include "support/write_capture.h"

namespace seep::test {

// `title` padded with blanks to the 80 characters of TITLE.
inline std::string Title80(std::string_view title) {
  std::string t(title);
  t.resize(80, ' ');
  return t;
}

}  // namespace seep::test
