#include "core/io/replace.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/io/failure.h"
#include "core/io/platform.h"

namespace seep {
namespace {

// Tags of temporary names: different across runs started together and across calls in one run.
std::uint32_t NextTag() {
  static std::atomic<std::uint64_t> state{
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  const std::uint64_t s = state.fetch_add(0x9E3779B97F4A7C15u) + 0x9E3779B97F4A7C15u;
  std::uint64_t z = s;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return static_cast<std::uint32_t>(z ^ (z >> 31));
}

}  // namespace

std::FILE* CreateBeside(const std::string& target, std::string& temporary) {
  for (int attempt = 0;; ++attempt) {
    const std::uint32_t tag = NextTag();
    temporary = target + ".tmp-";
    for (int d = 0; d < 8; ++d) temporary += "0123456789abcdef"[(tag >> (28 - 4 * d)) & 0xF];
    int err = 0;
    if (std::FILE* f = CreateNewFile(temporary, err)) return f;
    temporary.clear();
    if (err != EEXIST || attempt == 99) throw IoFailure{OpenErrorNumber(err), 0, target, err};
  }
}

void MoveIntoPlace(const std::string& temporary, const std::string& target) {
  std::error_code ec;
  if (!ReplaceFile(temporary, target, ec)) {
    const int number = OpenErrorNumber(ec.value()) == kErrPermission ? kErrPermission : kErrOpenFailure;
    throw IoFailure{number, 0, target, ec.value()};
  }
}

void WriteWholeFile(const std::string& target, std::string_view bytes) {
  std::string temporary;
  std::FILE* f = CreateBeside(target, temporary);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int err = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    std::remove(temporary.c_str());
    throw IoFailure{kErrWrite, 0, target, written ? errno : err};
  }
  try {
    MoveIntoPlace(temporary, target);
  } catch (const IoFailure&) {
    std::remove(temporary.c_str());
    throw;
  }
}

void WriteOutputFile(const std::string& target, std::string_view bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path final = NativePath(target);
  if (fs::is_symlink(final, ec)) {
    const fs::path resolved = fs::weakly_canonical(final, ec);
    if (!ec) final = resolved;
  }
  const fs::file_status st = fs::status(final, ec);
  if (!fs::exists(st) || fs::is_regular_file(st) || fs::is_directory(st)) {
    WriteWholeFile(final == NativePath(target) ? target : final.string(), bytes);
    return;
  }
  std::FILE* f = std::fopen(target.c_str(), "wb");
  if (f == nullptr) {
    const int err = errno;
    throw IoFailure{OpenErrorNumber(err), 0, target, err};
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int err = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) throw IoFailure{kErrWrite, 0, target, written ? errno : err};
}

}  // namespace seep
