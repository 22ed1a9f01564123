// In-process harness for the input/output layer: a fresh working directory per test, an Io whose
// console is temporary files, and failures caught as their report lines.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/io/failure.h"
#include "core/io/units.h"

namespace seep::test {

// A new directory under the system's temporary directory that is the working directory while the
// object lives; removed with everything in it afterwards.
class WorkDir {
 public:
  WorkDir();
  ~WorkDir();
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;
  const std::filesystem::path& Path() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

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

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// All bytes written to a temporary stream so far; the stream stays positioned at its end.
std::string StreamBytes(std::FILE* f);

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
