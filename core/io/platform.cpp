#include "core/io/platform.h"

#include <cerrno>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// <windows.h> names its own ReplaceFile as a macro; the one defined here is seep::ReplaceFile.
#undef ReplaceFile
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace seep {

#ifdef _WIN32

namespace {

// The generic error a Windows error code stands for, as the C runtime maps it for its own calls.
std::errc GenericError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return std::errc::no_such_file_or_directory;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return std::errc::permission_denied;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return std::errc::file_exists;
    case ERROR_NOT_SAME_DEVICE:
      return std::errc::cross_device_link;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::errc::no_space_on_device;
    case ERROR_FILENAME_EXCED_RANGE:
      return std::errc::filename_too_long;
    case ERROR_INVALID_NAME:
      return std::errc::invalid_argument;
    default:
      return std::errc::io_error;
  }
}

}  // namespace

void UseBinaryConsole() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

int TerminalColumns(std::FILE* stream) {
  if (!IsTerminal(stream)) return 0;
  const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (console == INVALID_HANDLE_VALUE || GetConsoleScreenBufferInfo(console, &info) == 0) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

std::filesystem::path NativePath(std::string_view name) {
  if (name.empty()) return {};
  const int size = static_cast<int>(name.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, name.data(), size, nullptr, 0);
  std::wstring converted(static_cast<std::size_t>(wide), L'\0');
  if (wide == 0 || MultiByteToWideChar(CP_ACP, 0, name.data(), size, converted.data(), wide) != wide) {
    return std::filesystem::path(std::string(name));
  }
  return std::filesystem::path(converted);
}

std::FILE* CreateNewFile(const std::string& name, int& err) {
  const int fd = _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) {
    err = errno;
    _close(fd);
    _unlink(name.c_str());
  }
  return f;
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) {
    ec.clear();
    return true;
  }
  ec = std::make_error_code(GenericError(GetLastError()));
  return false;
}

#else

void UseBinaryConsole() {}

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

std::filesystem::path NativePath(std::string_view name) {
  return std::filesystem::path(name);
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

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec) {
  if (std::rename(from.c_str(), to.c_str()) == 0) {
    ec.clear();
    return true;
  }
  ec = std::error_code(errno, std::generic_category());
  return false;
}

#endif

}  // namespace seep
