#include "core/io/platform.h"

#include <algorithm>
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

#include <csignal>
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#ifdef __linux__
#include <sys/syscall.h>
#endif
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

std::FILE* CreateNewFile(const std::string& name, int& err, bool) {
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

std::FILE* OpenForWritingOnly(const std::string& name, bool& regular, int& err) {
  const int fd = _open(name.c_str(), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  struct _stat64 st {};
  regular = _fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
  std::FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) {
    err = errno;
    _close(fd);
  }
  return f;
}

std::FILE* OpenInputNow(const std::string& name, std::string& first, int& err) {
  first.clear();
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (f == nullptr) err = errno;
  return f;
}

std::FILE* StreamOnDescriptor(int fd, int& err) {
  const int copy = _dup(fd);
  if (copy < 0) {
    err = errno;
    return nullptr;
  }
  _setmode(copy, _O_BINARY);
  std::FILE* f = _fdopen(copy, "ab");
  if (f == nullptr) {
    err = errno;
    _close(copy);
  }
  return f;
}

bool MayWrite(const std::string& name) {
  return _access(name.c_str(), 2) == 0;
}

bool ExchangeFolders(const std::filesystem::path&, const std::filesystem::path&, std::error_code& ec) {
  ec = std::make_error_code(std::errc::not_supported);
  return false;
}

int LockFolder(const std::string&) {
  return -1;
}

void UnlockFolder(int) {}

void RemoveFileNow(const char* name) noexcept {
  _unlink(name);
}

void RemoveFolderNow(const char* name) noexcept {
  // The console's handler runs on a thread of its own, not inside a signal: the library may be used.
  std::error_code ec;
  std::filesystem::remove_all(NativePath(name), ec);
}

namespace {

void (*g_sweep)() noexcept = nullptr;
void (*g_beforeLine)() noexcept = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // Files still open cannot be removed on Windows: the streams are closed first, and the process
      // ends right after the sweep.
      _fcloseall();
      if (g_sweep != nullptr) {
        g_sweep();
        Sleep(20);  // a temporary made side by side meanwhile is remembered by the second sweep
        g_sweep();
      }
      if (g_beforeLine != nullptr) g_beforeLine();
      _write(2, "seepconv: interrupted\n", 22);
      ExitProcess(static_cast<UINT>(0xC000013AL));  // STATUS_CONTROL_C_EXIT, as a console program shows it
    default:
      return FALSE;
  }
}

}  // namespace

void OnInterruption(void (*sweep)() noexcept, void (*beforeLine)() noexcept) {
  g_sweep = sweep;
  g_beforeLine = beforeLine;
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

void HoldSignalsInThisThread(bool) noexcept {}

void PauseBriefly() noexcept {
  Sleep(20);
}

void WriteErrorNow(const char* bytes, std::size_t size) noexcept {
  _write(2, bytes, static_cast<unsigned>(size));
}

bool CopiesAtOffset() {
  return false;
}

std::uint64_t CopyFileBytes(std::FILE*, std::uint64_t, std::uint64_t, std::FILE*, std::vector<char>&,
                            int& err) {
  err = ENOSYS;
  return 0;
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

std::FILE* CreateNewFile(const std::string& name, int& err, bool private_) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, private_ ? 0600 : 0666);
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

std::FILE* OpenForWritingOnly(const std::string& name, bool& regular, int& err) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  struct stat st {};
  regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) {
    err = errno;
    ::close(fd);
  }
  return f;
}

std::FILE* OpenInputNow(const std::string& name, std::string& first, int& err) {
  first.clear();
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode)) {
    // Without a writer a read ends at once with nothing; with one that has not written yet it would
    // wait (EAGAIN here).
    char bytes[4096];
    ssize_t n = -1;
    do {
      n = ::read(fd, bytes, sizeof bytes);
    } while (n < 0 && errno == EINTR);
    if (n == 0 || (n < 0 && errno != EAGAIN)) {
      err = n == 0 ? EPIPE : errno;
      ::close(fd);
      return nullptr;
    }
    if (n > 0) first.assign(bytes, static_cast<std::size_t>(n));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) {
    err = errno;
    ::close(fd);
  }
  return f;
}

std::FILE* StreamOnDescriptor(int fd, int& err) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
    err = flags < 0 ? errno : EBADF;
    return nullptr;
  }
  const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (copy < 0) {
    err = errno;
    return nullptr;
  }
  // "a" leaves the descriptor's own mode as it is: appending only when it was opened for appending.
  std::FILE* f = ::fdopen(copy, (flags & O_APPEND) != 0 ? "ab" : "wb");
  if (f == nullptr) {
    err = errno;
    ::close(copy);
  }
  return f;
}

bool MayWrite(const std::string& name) {
  return ::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) == 0;  // as the effective user
}

bool ExchangeFolders(const std::filesystem::path& a, const std::filesystem::path& b, std::error_code& ec) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
  if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) {
    ec.clear();
    return true;
  }
  const int err = errno;
  ec = err == EINVAL || err == ENOSYS ? std::make_error_code(std::errc::not_supported)
                                      : std::error_code(err, std::generic_category());
  return false;
#else
  (void)a;
  (void)b;
  ec = std::make_error_code(std::errc::not_supported);
  return false;
#endif
}

int LockFolder(const std::string& name) {
  const int fd = ::open(name.empty() ? "." : name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return -1;
    }
  }
  return fd;
}

void UnlockFolder(int lock) {
  if (lock >= 0) ::close(lock);  // closing the descriptor ends the lock
}

void RemoveFileNow(const char* name) noexcept {
  ::unlink(name);
}

void RemoveFolderNow(const char* name) noexcept {
#ifdef __linux__
  // The entries are read with the bare system call, which neither allocates nor locks. A conversion
  // still running side by side may add a file meanwhile: the folder is emptied again until it goes.
  const int fd = ::open(name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  alignas(8) char entries[8192];
  for (int pass = 0; pass < 1000; ++pass) {
    ::lseek(fd, 0, SEEK_SET);
    for (;;) {
      const long n = ::syscall(SYS_getdents64, fd, entries, sizeof entries);
      if (n <= 0) break;
      // Each entry: inode (8 bytes), offset (8), its own length (2), type (1), the name.
      for (long at = 0; at + 19 < n;) {
        unsigned short length = 0;
        std::memcpy(&length, entries + at + 16, sizeof length);
        if (length == 0) break;
        const char* entry = entries + at + 19;
        const bool dots = entry[0] == '.' && (entry[1] == '\0' || (entry[1] == '.' && entry[2] == '\0'));
        if (!dots) ::unlinkat(fd, entry, 0);
        at += length;
      }
    }
    if (::rmdir(name) == 0 || (errno != ENOTEMPTY && errno != EEXIST)) break;
  }
  ::close(fd);
#else
  ::rmdir(name);
#endif
}

bool CopiesAtOffset() {
  return true;
}

namespace {

void (*g_sweep)() noexcept = nullptr;
void (*g_beforeLine)() noexcept = nullptr;

// The signals that end a run cleanly; SIGPIPE ends it silently.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

extern "C" void OnSignal(int sig) {
  const int saved = errno;
  if (g_sweep != nullptr) {
    // Conversions side by side stop at their next step once they see the run ending; until then the
    // sweep is repeated, so that what they make meanwhile goes too.
    g_sweep();
    for (int round = 0; round < 5; ++round) {
      struct timespec pause {
        0, 20'000'000
      };
      ::nanosleep(&pause, nullptr);
      g_sweep();
    }
  }
  if (sig != SIGPIPE) {
    if (g_beforeLine != nullptr) g_beforeLine();
    constexpr char kLine[] = "seepconv: interrupted\n";
    const ssize_t ignored = ::write(2, kLine, sizeof kLine - 1);
    (void)ignored;
  }
  // The default action, taken as soon as the handler returns: the parent sees the signal.
  std::signal(sig, SIG_DFL);
  std::raise(sig);
  errno = saved;
}

// Copies through `buffer`: positional reads of the source, plain writes to the target.
std::uint64_t CopyThroughBuffer(int in, std::uint64_t offset, std::uint64_t length, int out,
                                std::vector<char>& buffer, int& err) {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  if (buffer.size() < kPiece) buffer.resize(kPiece);
  std::uint64_t copied = 0;
  while (copied < length) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - copied));
    const ssize_t got = ::pread(in, buffer.data(), want, static_cast<off_t>(offset + copied));
    if (got < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return copied;
    }
    if (got == 0) return copied;  // the source ended
    std::size_t put = 0;
    while (put < static_cast<std::size_t>(got)) {
      const ssize_t n = ::write(out, buffer.data() + put, static_cast<std::size_t>(got) - put);
      if (n < 0) {
        if (errno == EINTR) continue;
        err = errno;
        return copied + put;
      }
      put += static_cast<std::size_t>(n);
    }
    copied += put;
  }
  return copied;
}

}  // namespace

void OnInterruption(void (*sweep)() noexcept, void (*beforeLine)() noexcept) {
  g_sweep = sweep;
  g_beforeLine = beforeLine;
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int sig : kEndingSignals) sigaddset(&action.sa_mask, sig);  // one sweep at a time
  for (const int sig : kEndingSignals) {
    struct sigaction before {};
    if (::sigaction(sig, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &action, nullptr);
  }
  // A write past the file-size limit (ulimit -f) fails with EFBIG, "file too large", instead of
  // ending the process on the spot with its temporary file left.
  std::signal(SIGXFSZ, SIG_IGN);
}

void HoldSignalsInThisThread(bool hold) noexcept {
  // The thread's mask as it was, put back afterwards (signals it held off already stay held off).
  static thread_local sigset_t before;
  if (!hold) {
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return;
  }
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : kEndingSignals) sigaddset(&set, sig);
  ::pthread_sigmask(SIG_BLOCK, &set, &before);
}

void PauseBriefly() noexcept {
  struct timespec pause {
    0, 20'000'000
  };
  ::nanosleep(&pause, nullptr);
}

void WriteErrorNow(const char* bytes, std::size_t size) noexcept {
  const ssize_t ignored = ::write(2, bytes, size);
  (void)ignored;
}

std::uint64_t CopyFileBytes(std::FILE* from, std::uint64_t offset, std::uint64_t length, std::FILE* to,
                            std::vector<char>& buffer, int& err) {
  err = 0;
  const int in = ::fileno(from);
  const int out = ::fileno(to);
  std::uint64_t copied = 0;
#ifdef __linux__
  // Pieces of at most 1 GiB, so that each call's count fits every size type.
  constexpr std::uint64_t kPiece = std::uint64_t{1} << 30;
  while (copied < length) {
    off_t at = static_cast<off_t>(offset + copied);
    const ssize_t n = ::copy_file_range(in, &at, out, nullptr,
                                        static_cast<std::size_t>(std::min(kPiece, length - copied)), 0);
    if (n > 0) {
      copied += static_cast<std::uint64_t>(n);
      continue;
    }
    // The source ended, or a file system that copies nothing this way: the buffer tells which.
    if (n == 0) break;
    if (errno == EINTR) continue;
    // Files the system does not copy between (other file systems on older kernels, pipes, devices):
    // the rest goes through the buffer. A refused write is the failure itself.
    if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF ||
        errno == ETXTBSY || errno == EPERM)
      break;
    err = errno;
    return copied;
  }
#endif
  if (copied == length) return copied;
  return copied + CopyThroughBuffer(in, offset + copied, length - copied, out, buffer, err);
}

#endif

}  // namespace seep
