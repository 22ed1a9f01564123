#include "core/io/bounded_input.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/io/failure.h"
#include "core/io/platform.h"

namespace seep {

std::string TooLarge(std::uint64_t limit) {
  return "more than " + std::to_string(limit >> 20) + " MiB: too large for a file of points or sections";
}

bool ReadTextInput(const std::string& name, std::string& text, std::string& error, int& failure) {
  text.clear();
  std::error_code ec;
  if (std::filesystem::is_directory(NativePath(name), ec)) {
    failure = kErrRead;
    error = "is a folder";
    return false;
  }
  int err = 0;
  std::FILE* f = OpenInputNow(name, text, err);
  if (f == nullptr) {
    failure = err == ENOENT ? kErrFileNotFound : err == EACCES ? kErrPermission : kErrRead;
    error = err == EPIPE                  ? "a pipe that nobody writes to"
            : failure == kErrFileNotFound ? "file not found"
            : failure == kErrPermission   ? "permission denied"
                                          : "cannot be read";
    return false;
  }
  char buffer[1 << 16];
  std::size_t n = 0;
  bool tooLarge = false;
  while (!tooLarge && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    text.append(buffer, n);
    tooLarge = text.size() > kLongestTextInput;
  }
  const bool bad = std::ferror(f) != 0;
  std::fclose(f);
  failure = kErrRead;
  if (tooLarge || text.size() > kLongestTextInput) {
    error = TooLarge(kLongestTextInput);
    return false;
  }
  if (bad) {
    error = "cannot be read";
    return false;
  }
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    if (end - at > kLongestTextLine) {
      error = "a line longer than " + std::to_string(kLongestTextLine >> 10) + " KiB";
      return false;
    }
    at = end + 1;
  }
  failure = 0;
  return true;
}

}  // namespace seep
