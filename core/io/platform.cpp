#include "core/io/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

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
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#ifdef __linux__
#include <sys/syscall.h>
#endif
#endif

namespace seep {

unsigned ProcessorCount() {
  static const unsigned count = std::max(1u, std::thread::hardware_concurrency());
  return count;
}

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

namespace {

// Names are UTF-8 (the command line) or in the system's code page (the dialogue).
bool g_utf8Names = false;

UINT NameCodePage() {
  return g_utf8Names ? CP_UTF8 : CP_ACP;
}

std::wstring Wide(std::string_view text, UINT codePage = NameCodePage()) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring converted(static_cast<std::size_t>(wide), L'\0');
  if (wide > 0) MultiByteToWideChar(codePage, 0, text.data(), size, converted.data(), wide);
  return converted;
}

std::string Narrow(std::wstring_view text, UINT codePage = NameCodePage()) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int narrow = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(narrow), '\0');
  if (narrow > 0)
    WideCharToMultiByte(codePage, 0, text.data(), size, converted.data(), narrow, nullptr, nullptr);
  return converted;
}

// The name the system's calls take: where the whole path (a relative name in the working folder
// included) passes the classic limit of MAX_PATH characters, less the room a folder's own entries
// need, the absolute \\?\ form, which no limit applies to.
std::wstring LongForm(std::wstring name) {
  constexpr std::size_t kClassicLimit = MAX_PATH - 12;
  if (name.empty() || name.starts_with(L"\\\\?\\")) return name;
  const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::wstring full(size, L'\0');
  const DWORD got = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) return name;
  full.resize(got);
  if (full.size() < kClassicLimit) return name;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
  return L"\\\\?\\" + full;
}

std::wstring SystemName(std::string_view name) {
  return LongForm(Wide(name));
}

// Wildcards of a pattern's last part against a name, letters in either case as Windows compares
// names.
bool Matches(std::wstring_view pattern, std::wstring_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == L'*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (Matches(pattern.substr(1), name.substr(skip))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  if (pattern.front() != L'?' && CompareStringOrdinal(pattern.data(), 1, name.data(), 1, TRUE) != CSTR_EQUAL)
    return false;
  return Matches(pattern.substr(1), name.substr(1));
}

// The next argument of a command line at `at`, split as the C runtime splits it: blanks between
// arguments, double quotes around blanks, 2n backslashes before a quote giving n, 2n+1 giving n and
// the quote itself, "" inside quotes a quote.
bool NextArgument(std::wstring_view line, std::size_t& at, std::wstring& argument) {
  while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
  if (at >= line.size()) return false;
  argument.clear();
  bool quoted = false;
  while (at < line.size()) {
    const wchar_t c = line[at];
    if (!quoted && (c == L' ' || c == L'\t')) break;
    if (c == L'\\') {
      std::size_t slashes = 0;
      while (at < line.size() && line[at] == L'\\') ++slashes, ++at;
      if (at < line.size() && line[at] == L'"') {
        argument.append(slashes / 2, L'\\');
        if (slashes % 2 == 1) argument += line[at++];
      } else {
        argument.append(slashes, L'\\');
      }
      continue;
    }
    if (c == L'"') {
      if (quoted && at + 1 < line.size() && line[at + 1] == L'"') {
        argument += L'"';
        at += 2;
        continue;
      }
      quoted = !quoted;
      ++at;
      continue;
    }
    argument += c;
    ++at;
  }
  return true;
}

}  // namespace

void UseUtf8Names(bool on) {
  g_utf8Names = on;
}

std::vector<std::string> CommandLineArguments(int, char**) {
  const std::wstring_view line = GetCommandLineW();
  // The program's name: up to a blank, or between quotes, backslashes as they are.
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring_view::npos ? line.size() : at + 1;
  } else {
    while (at < line.size() && line[at] != L' ' && line[at] != L'\t') ++at;
  }
  std::vector<std::string> args;
  std::wstring argument;
  while (NextArgument(line, at, argument)) args.push_back(Narrow(argument, CP_UTF8));
  return args;
}

std::filesystem::path NativePath(std::string_view name) {
  return std::filesystem::path(Wide(name));
}

std::filesystem::path SystemPath(std::string_view name) {
  return std::filesystem::path(SystemName(name));
}

std::string NameOf(const std::filesystem::path& path) {
  return Narrow(path.native());
}

std::FILE* OpenFile(const std::string& name, const char* mode) {
  // The dialogue's names go to the C runtime as typed, in the system's code page.
  if (!g_utf8Names) return std::fopen(name.c_str(), mode);
  return _wfopen(SystemName(name).c_str(), Wide(mode, CP_ACP).c_str());
}

bool RemoveFile(const std::string& name) {
  return _wunlink(SystemName(name).c_str()) == 0;
}

namespace {

// The folder and its entries, entries first, by their \\?\ forms.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring_view entry = found.cFileName;
      if (entry == L"." || entry == L"..") continue;
      const std::wstring path = folder + L"\\" + found.cFileName;
      const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
      if (isFolder) {
        RemoveTree(path);
      } else if (DeleteFileW(path.c_str()) == 0 && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveDirectoryW(path.c_str());  // a link to a folder goes, not what it leads to
      }
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void RemoveFolderTree(const std::string& name) {
  std::wstring folder = Wide(name);
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty()) return;
  // Always the \\?\ form: the names inside may pass the limit where the folder's own does not.
  if (!folder.starts_with(L"\\\\?\\")) {
    const DWORD size = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD got = size == 0 ? 0 : GetFullPathNameW(folder.c_str(), size, full.data(), nullptr);
    if (got == 0 || got >= size) return;
    full.resize(got);
    folder = full.starts_with(L"\\\\") ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
  }
  RemoveTree(folder);
}

std::vector<std::string> MatchingNames(const std::string& pattern) {
  const std::size_t cut = pattern.find_last_of("/\\:");
  const std::string folder = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
  const std::string last = pattern.substr(folder.size());
  if (last.find_first_of("*?") == std::string::npos) return {pattern};
  std::vector<std::string> names;
  if (folder.find_first_of("*?") != std::string::npos) return names;  // wildcards in the last part only
  const std::wstring wanted = Wide(last);
  std::string searched = folder.empty() ? "." : folder;
  while (searched.size() > 1 && (searched.back() == '\\' || searched.back() == '/')) searched.pop_back();
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((SystemName(searched) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring_view entry = found.cFileName;
    // As a shell does: a name starting with a dot only where the pattern does.
    if (entry == L"." || entry == L".." || (entry.starts_with(L'.') && !wanted.starts_with(L'.'))) continue;
    if (Matches(wanted, entry)) names.push_back(folder + Narrow(entry));
  } while (FindNextFileW(search, &found) != 0);
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void WriteText(std::FILE* stream, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (g_utf8Names && IsTerminal(stream)) {
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    const std::wstring wide = Wide(text, CP_UTF8);
    DWORD written = 0;
    std::fflush(stream);
    if (console != INVALID_HANDLE_VALUE &&
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0)
      return;
  }
  std::fwrite(text.data(), 1, text.size(), stream);
}

bool CommandLinesForCmd() {
  return true;
}

CsvStyle UserSpreadsheetCsv() {
  wchar_t decimal[8] = {}, list[8] = {};
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SLIST, list, 8);
  // One ASCII character each, or the plain CSV's.
  auto single = [](const wchar_t* text) {
    return text[0] > 0 && text[0] < 0x80 && text[1] == 0 ? static_cast<char>(text[0]) : '\0';
  };
  return SpreadsheetCsv(single(decimal) == ',' ? ',' : '.', single(list));
}

std::FILE* CreateNewFile(const std::string& name, int& err, bool) {
  const int fd =
      _wopen(SystemName(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) {
    err = errno;
    _close(fd);
    RemoveFile(name);
  }
  return f;
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec) {
  // A file another program has open for a moment (a virus scanner, an indexer looking at the file just
  // written or at the one it replaces) refuses the move; it is tried again for about half a second.
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(LongForm(from.native()).c_str(), LongForm(to.native()).c_str(),
                    MOVEFILE_REPLACE_EXISTING) != 0) {
      ec.clear();
      return true;
    }
    const DWORD error = GetLastError();
    const bool held =
        error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
    if (!held || attempt == 10) {
      ec = std::make_error_code(GenericError(error));
      return false;
    }
    Sleep(50);
  }
}

bool NamesDevice(std::string_view name) {
  // The system's own reading of the name: a device's full path is \\.\NAME.
  const std::wstring wide = Wide(name);
  if (wide.empty()) return false;
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return false;
  std::wstring full(size, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) return false;
  full.resize(got);
  return full.starts_with(L"\\\\.\\");
}

std::FILE* OpenForWritingOnly(const std::string& name, bool& regular, int& err) {
  const int fd = _wopen(SystemName(name).c_str(), _O_WRONLY | _O_BINARY);
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
  std::FILE* f = OpenFile(name, "rb");
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
  return _waccess(SystemName(name).c_str(), 2) == 0;
}

std::string FileThatStays(const std::string& folder, std::string& why, int& err) {
  std::wstring searched = SystemName(folder);
  while (!searched.empty() && (searched.back() == L'\\' || searched.back() == L'/')) searched.pop_back();
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((searched + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  std::string stays;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
      why = "read-only";
      err = EACCES;
      stays = Narrow(found.cFileName);
      break;
    }
    // Asking for the right to remove it, shared with nobody, fails wherever a program holds it open:
    // one that does not let it be removed, and one that does, whose removal would wait for its closing
    // and keep the folder meanwhile. A scanner that looks at a new file for a moment is waited for.
    const std::wstring path = searched + L"\\" + found.cFileName;
    DWORD code = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (attempt > 0) Sleep(20);
      const HANDLE file =
          CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        code = ERROR_SUCCESS;
        break;
      }
      code = GetLastError();
      if (code != ERROR_SHARING_VIOLATION) break;
    }
    if (code == ERROR_SUCCESS) continue;
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) continue;  // gone meanwhile
    why = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ? "open in another program"
          : code == ERROR_ACCESS_DENIED                                   ? "not to be removed by this user"
                                        : "not to be removed (Windows error " + std::to_string(code) + ")";
    err = static_cast<int>(GenericError(code));
    stays = Narrow(found.cFileName);
    break;
  } while (FindNextFileW(search, &found) != 0);
  FindClose(search);
  return stays;
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
  // The console's handler runs on a thread of its own, not inside a signal: the name may be converted.
  try {
    RemoveFile(name);
  } catch (...) {
  }
}

void RemoveFolderNow(const char* name) noexcept {
  // The console's handler runs on a thread of its own, not inside a signal: the library may be used.
  try {
    RemoveFolderTree(name);
  } catch (...) {
  }
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

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  return _fseeki64(file, offset, origin) == 0;
}

bool CopiesAtOffset() {
  return false;
}

std::uint64_t CopyFileBytes(std::FILE*, std::uint64_t, std::uint64_t, std::FILE*, std::vector<char>&,
                            int& err) {
  err = ENOSYS;
  return 0;
}

bool WritePosition(std::FILE*, std::uint64_t&) {
  return false;
}

std::uint64_t WritePieces(std::FILE* file, const WritePiece* pieces, int count, int& err) {
  err = 0;
  std::uint64_t written = 0;
  for (int i = 0; i < count; ++i) {
    const std::size_t n = std::fwrite(pieces[i].data, 1, pieces[i].size, file);
    written += n;
    if (n != pieces[i].size) {
      err = errno;
      break;
    }
  }
  return written;
}

bool ReserveFileSpace(std::FILE*, std::uint64_t, std::uint64_t) {
  return false;
}

void ReleaseFileSpace(std::FILE*) {}

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

void UseUtf8Names(bool) {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

std::filesystem::path NativePath(std::string_view name) {
  return std::filesystem::path(name);
}

std::filesystem::path SystemPath(std::string_view name) {
  return NativePath(name);
}

std::string NameOf(const std::filesystem::path& path) {
  return path.string();
}

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

bool RemoveFile(const std::string& name) {
  return std::remove(name.c_str()) == 0;
}

void RemoveFolderTree(const std::string& name) {
  std::error_code ec;
  std::filesystem::remove_all(name, ec);
}

std::vector<std::string> MatchingNames(const std::string& pattern) {
  return {pattern};
}

void WriteText(std::FILE* stream, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::fwrite(text.data(), 1, text.size(), stream);
}

bool CommandLinesForCmd() {
  return false;
}

CsvStyle UserSpreadsheetCsv() {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* name = std::getenv(variable);
    if (name != nullptr && *name != '\0') return SpreadsheetCsv(DecimalCommaLocale(name) ? ',' : '.', '\0');
  }
  return SpreadsheetCsv('.', '\0');
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

bool NamesDevice(std::string_view) {
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

std::string FileThatStays(const std::string&, std::string&, int&) {
  return {};
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

bool SeekFile(std::FILE* file, std::int64_t offset, int origin) {
  static_assert(sizeof(off_t) == 8, "file offsets of 64 bits");
  return ::fseeko(file, static_cast<off_t>(offset), origin) == 0;
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

namespace {

// Writes the `left` pieces from `next` on, taking up a short write where it stopped; the bytes
// written, with `err` set when a write failed.
std::uint64_t WriteVector(int out, iovec* next, int left, int& err) {
  std::uint64_t written = 0;
  while (left > 0) {
    const ssize_t n = ::writev(out, next, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return written;
    }
    if (n == 0) {
      err = EIO;  // a write that takes nothing would never end
      return written;
    }
    // A short write (a limit on the file's size, a full disk) goes on where it stopped; the next call
    // reports why it stopped.
    written += static_cast<std::uint64_t>(n);
    std::size_t done = static_cast<std::size_t>(n);
    while (left > 0 && done >= next->iov_len) {
      done -= next->iov_len;
      ++next;
      --left;
    }
    if (left > 0) {
      next->iov_base = static_cast<char*>(next->iov_base) + done;
      next->iov_len -= done;
    }
  }
  return written;
}

}  // namespace

bool WritePosition(std::FILE* file, std::uint64_t& position) {
  const off_t at = ::lseek(::fileno(file), 0, SEEK_CUR);
  if (at < 0) return false;
  position = static_cast<std::uint64_t>(at);
  return true;
}

std::uint64_t WritePieces(std::FILE* file, const WritePiece* pieces, int count, int& err) {
  err = 0;
  const int out = ::fileno(file);
  std::uint64_t written = 0;
  // Four pieces at a time.
  for (int from = 0; from < count; from += 4) {
    iovec pending[4];
    int left = 0;
    for (int i = from; i < count && i < from + 4; ++i) {
      if (pieces[i].size > 0) pending[left++] = {const_cast<char*>(pieces[i].data), pieces[i].size};
    }
    written += WriteVector(out, pending, left, err);
    if (err != 0) break;
  }
  return written;
}

bool ReserveFileSpace(std::FILE* file, std::uint64_t from, std::uint64_t length) {
#ifdef __linux__
  return ::fallocate(::fileno(file), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(from),
                     static_cast<off_t>(length)) == 0;
#else
  static_cast<void>(file);
  static_cast<void>(from);
  static_cast<void>(length);
  return false;
#endif
}

void ReleaseFileSpace(std::FILE* file) {
  // Cutting a file at its own length gives back the blocks past its end.
  const int fd = ::fileno(file);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const int ignored = ::ftruncate(fd, st.st_size);
    static_cast<void>(ignored);
  }
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
