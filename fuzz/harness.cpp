#include "harness.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace seep::fuzz {

double Bytes::Value() {
  if (Next() % 4 != 0) return (Next() - 128) / 16.0;
  std::uint64_t bits = 0;
  for (int k = 0; k < 8; ++k) bits = bits << 8 | Next();
  double v = 0.0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

Console::Console(const std::uint8_t* data, std::size_t size) {
  in = std::tmpfile();
  if (size > 0) std::fwrite(data, 1, size, in);
  std::rewind(in);
  out = open_memstream(&outBuffer, &outSize);
  err = std::fopen("/dev/null", "wb");
  if (in == nullptr || out == nullptr || err == nullptr) std::abort();
}

Console::~Console() {
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);
  std::free(outBuffer);
}

std::string Console::Out() {
  std::fflush(out);
  return std::string(outBuffer, outSize);
}

void EnterWorkDir() {
  static bool entered = false;
  if (entered) return;
  namespace fs = std::filesystem;
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path dir = base / ("seepconv-fuzz-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  entered = true;
}

void CheckKnownFailure(const IoFailure& failure) {
  if (ErrorText(failure.number).empty()) std::abort();
}

}  // namespace seep::fuzz
