// Shared pieces of the fuzz targets: the fuzzer's bytes taken as values, console streams in memory, a
// private working directory, and the rule that a failure must be one of the reports the converter knows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/io/failure.h"

namespace seep::fuzz {

// The fuzzer's bytes taken one by one; zeros once they run out.
struct Bytes {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  std::uint8_t Next() { return at < size ? data[at++] : 0; }
  double Unit() { return Next() / 255.0; }  // 0 … 1
  // A double from eight bytes, or a plain small number when the first byte says so: most values
  // ordinary, some hostile.
  double Value();
};

// Console input holding the given bytes; console output and error stream discarded or kept in memory.
struct Console {
  Console(const std::uint8_t* data, std::size_t size);
  ~Console();
  std::FILE* in;
  std::FILE* out;
  std::FILE* err;
  char* outBuffer = nullptr;
  std::size_t outSize = 0;
  // Everything written to the console output so far (after the Io flushed it).
  std::string Out();
};

// Makes a private directory under /dev/shm (or the temporary directory) the working directory, once.
void EnterWorkDir();

// Stops the fuzzer when a failure carries a number outside the converter's error table.
void CheckKnownFailure(const IoFailure& failure);

}  // namespace seep::fuzz
