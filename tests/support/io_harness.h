// In-process harness for the input/output layer: an Io whose console is temporary files, and failures
// caught as their report lines. Together with support/scratch.h (a fresh working directory per test)
// and support/files.h.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "core/io/failure.h"
#include "core/io/units.h"
#include "support/files.h"
#include "support/scratch.h"

namespace seep::test {

// An Io whose console input holds `answers` and whose console output and error stream are kept.
class ConsoleIo {
 public:
  explicit ConsoleIo(std::string_view answers = {});
  ~ConsoleIo();
  ConsoleIo(const ConsoleIo&) = delete;
  ConsoleIo& operator=(const ConsoleIo&) = delete;

  Io& io() { return *io_; }
  // Everything that reached the console output (respectively the error stream) so far; records the Io
  // still buffers are not included (FlushAll first to see them).
  std::string Out();
  std::string Err();

 private:
  std::FILE* in_;
  std::FILE* out_;
  std::FILE* err_;
  std::unique_ptr<Io> io_;
};

// The report line of the failure that `action` raised, or "no failure".
template <class Action>
std::string FailureLine(Action&& action) {
  try {
    action();
  } catch (const IoFailure& failure) {
    return SevereLine(failure);
  }
  return "no failure";
}

}  // namespace seep::test
