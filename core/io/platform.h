// The few places where the program meets the operating system differently on Windows and on POSIX
// systems. Nothing else in the program asks which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/io/csv_text.h"

namespace seep {

// Puts standard input, output and error in binary mode, so that the console carries the same bytes as
// on POSIX systems: CR LF records stay CR LF, a CR before a line feed reaches the reader, and a
// Ctrl-Z in piped answers is a byte like any other. Nothing to do elsewhere. Called first in main.
void UseBinaryConsole();

// The processors the program may run threads on, at least 1. Asked of the system once (on Linux the
// answer is read from a file each time it is asked).
unsigned ProcessorCount();

// True when the stream is a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// The width in columns of the terminal (console window) that the stream shows on; 0 when it is none
// or the system does not tell.
int TerminalColumns(std::FILE* stream);

// Moves `from` over `to` in one step, replacing an existing `to`. On failure returns false and sets
// `ec` to an error of the generic category (std::errc), whatever the system reported.
bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);

// Creates `name` for binary writing only when no file of that name exists; nullptr with `err` set
// (EEXIST when one does) otherwise. A `private_` file is readable by its owner only from the start.
std::FILE* CreateNewFile(const std::string& name, int& err, bool private_ = false);

// ---- File names ----
//
// On POSIX systems a name is its bytes. On Windows the command line carries names as UTF-8 (read in
// UTF-16 whatever the code page, so that any letter arrives), while the dialogue keeps the names typed
// in the system's code page (Shift-JIS on a Japanese system); every function below reads and gives
// names in the one that is in use, and reaches the system through its UTF-16 calls.

// From now on names are UTF-8 (Windows; nothing elsewhere), or with `false` in the code page again.
// Called once, before any file is opened, when the program runs from its command line.
void UseUtf8Names(bool on = true);

// The arguments after the program's name: on Windows the process's UTF-16 command line split as the
// C runtime splits it, in UTF-8; elsewhere `argv` as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The path of the file named `name`, for the std::filesystem calls (and ReplaceFile) on it.
std::filesystem::path NativePath(std::string_view name);

// ---- Text inputs read with limits ----

// Opens `name` for reading at once: a FIFO that no process writes to is refused (nullptr, `err`
// EPIPE) instead of waited for; bytes read from it while finding that out are put in `first`, to be
// read before the stream's.
std::FILE* OpenInputNow(const std::string& name, std::string& first, int& err);

// The path of `name` for the file system's own calls: on Windows, past the classic limit of 260
// characters, its \\?\ form, which std::filesystem needs there; elsewhere NativePath's.
std::filesystem::path SystemPath(std::string_view name);

// The name of `path` as the rest of the program carries names (NativePath's inverse).
std::string NameOf(const std::filesystem::path& path);

// std::fopen under a name. On Windows a name longer than the system's classic limit of 260
// characters is given in its \\?\ form, so that it opens, is replaced and removed as any other.
std::FILE* OpenFile(const std::string& name, const char* mode);

// Removes the file `name`; false when it could not.
bool RemoveFile(const std::string& name);

// Removes the folder `name` and everything in it, as far as it can (std::filesystem::remove_all, which
// on Windows does not end on a path past 260 characters).
void RemoveFolderTree(const std::string& name);

// The names a pattern with `*` or `?` in its last part matches, sorted as a shell sorts them (the
// patterns of the command line are expanded by the program on Windows, where no shell does it);
// empty when it matches none. A name without a wildcard, and every name elsewhere (the shell has
// expanded them), comes back alone.
std::vector<std::string> MatchingNames(const std::string& pattern);

// Writes `text` (UTF-8 on the command line) on a stream up to its first NUL, as std::fputs does. A
// Windows console shows it in UTF-16, as far as its fonts go; everywhere else the bytes go as they are.
void WriteText(std::FILE* stream, std::string_view text);

// The CSV a spreadsheet in the user's locale reads (csv_text.h): on Windows the decimal mark and list
// separator of the user's regional settings, elsewhere the decimal mark of the locale that LC_ALL,
// LC_NUMERIC or LANG names.
CsvStyle UserSpreadsheetCsv();

// True where commands are typed in cmd.exe (Windows), which reads "..." and not '...'.
bool CommandLinesForCmd();

// ---- Outputs written directly ----

// True when the system takes `name` for a device wherever it lies. On Windows a reserved name (NUL,
// CON, COM1, ... in any case, with an extension or a folder before it as the system reads them) or a
// \\.\ name; elsewhere never, where a device is a file whose status says what it is.
bool NamesDevice(std::string_view name);

// Opens the existing `name` for writing only: never created, never truncated, never read, so that a
// pipe whose reader has gone is seen at the next write. `regular` tells whether what was opened is a
// regular file (decided on the open file, not on the name). nullptr with `err` set when it cannot.
std::FILE* OpenForWritingOnly(const std::string& name, bool& regular, int& err);

// A stream on a copy of the open descriptor `fd` (1: standard output): it writes where the descriptor
// writes, appending when the descriptor was opened for appending. nullptr with `err` set when `fd` is
// not open for writing.
std::FILE* StreamOnDescriptor(int fd, int& err);

// True when the user running the program may write the existing file `name` (as a shell redirection
// would check it).
bool MayWrite(const std::string& name);

// ---- Whole folders ----

// The first file in the folder `folder` that the system would not let this program remove now, with in
// `why` the reason in words ("read-only", "open in another program") and in `err` the system's error
// code; empty when every file may go. Windows alone says: elsewhere a file goes wherever its folder
// may be written, which is asked of the folder itself (MayWrite).
std::string FileThatStays(const std::string& folder, std::string& why, int& err);

// Swaps the names of two existing folders in one step where the system can; false with `ec` set
// (std::errc::not_supported where it cannot, so that the caller renames in turn).
bool ExchangeFolders(const std::filesystem::path& a, const std::filesystem::path& b, std::error_code& ec);

// Holds an exclusive lock on the folder `name` against other runs of the program that lock it too,
// for the few renames that swap a collection into place; UnlockFolder ends it. -1 when no lock could
// be taken (the swap then goes on without one).
int LockFolder(const std::string& name);
void UnlockFolder(int lock);

// ---- Interruption ----

// Both are safe to call in a signal handler: they only ask the system to remove a name. The folder's
// own files go first; a folder inside it stays, and so does the folder then.
void RemoveFileNow(const char* name) noexcept;
void RemoveFolderNow(const char* name) noexcept;

// Holds off (true) the signals that OnInterruption handles, or puts back (false) what the thread held
// off before, in the calling thread only. Nothing on Windows, where the console's handler runs in a
// thread of its own.
void HoldSignalsInThisThread(bool hold) noexcept;
// Sleeps 20 ms; safe in a signal handler.
void PauseBriefly() noexcept;

// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT (on Windows the console's Ctrl-C, Ctrl-Break and close
// events) call `sweep`, then `beforeLine`, write "seepconv: interrupted" and end the process as the
// signal does; SIGPIPE calls `sweep` and ends the process as SIGPIPE does. Signals ignored at start
// stay ignored. SIGXFSZ is ignored, so that a write past the file-size limit fails as any write does.
void OnInterruption(void (*sweep)() noexcept, void (*beforeLine)() noexcept);
// Writes on standard error at once, unbuffered; safe in a signal handler.
void WriteErrorNow(const char* bytes, std::size_t size) noexcept;

// Writes that keep to the boundaries of the file. Where the system says where an unbuffered stream's
// next byte goes (a file, not a pipe or a terminal), WritePosition gives it; WritePieces then writes
// `count` pieces in order as one write, and returns the bytes written: fewer than all of them only
// when the write failed, with `err` the system's error code. Elsewhere (Windows) WritePosition says
// false and the stream is written as it comes.
struct WritePiece {
  const char* data;
  std::size_t size;
};
bool WritePosition(std::FILE* file, std::uint64_t& position);
std::uint64_t WritePieces(std::FILE* file, const WritePiece* pieces, int count, int& err);

// Moves the position of `file` as fseek does (origin SEEK_SET or SEEK_CUR), with 64-bit offsets on every
// system: Windows' fseek takes a long, 32 bits there, which ends at 2 GiB. True when it moved.
bool SeekFile(std::FILE* file, std::int64_t offset, int origin);

// Takes `length` bytes of room for `file` from byte `from` on, without changing its size, so that
// later writes there find their blocks set aside; false where the system cannot (no such call, not a
// regular file, no room). ReleaseFileSpace gives back what lies past the file's end; both keep the
// file's bytes as they are.
bool ReserveFileSpace(std::FILE* file, std::uint64_t from, std::uint64_t length);
void ReleaseFileSpace(std::FILE* file);

// True where CopyFileBytes can run in one thread while another reads the same source: it reads the
// source at a given offset and leaves the source's own position alone. Elsewhere (Windows) copies go
// through the reader's buffers.
bool CopiesAtOffset();

// Copies `length` bytes of `from`, starting at byte `offset`, to the current end of `to`, inside the
// system where it can (the pages go from file to file without passing through the program), else
// through `buffer`. Both streams must be unbuffered. Returns the bytes copied: fewer than `length` with
// `err` 0 when `from` ended first, with `err` the system's error code when a read or write failed.
std::uint64_t CopyFileBytes(std::FILE* from, std::uint64_t offset, std::uint64_t length, std::FILE* to,
                            std::vector<char>& buffer, int& err);

}  // namespace seep
