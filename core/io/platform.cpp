#include "core/io/platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace seep {

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec) {
  if (std::rename(from.c_str(), to.c_str()) == 0) {
    ec.clear();
    return true;
  }
  ec = std::error_code(errno, std::generic_category());
  return false;
}

std::FILE* CreateNewFile(const std::string& name, int& err) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) {
    err = errno;
    ::close(fd);
    ::unlink(name.c_str());
  }
  return f;
}

}  // namespace seep
