// The few places where the program meets the operating system differently on Windows and on POSIX
// systems. Nothing else in the program asks which system it runs on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace seep {

// Puts standard input, output and error in binary mode, so that the console carries the same bytes as
// on POSIX systems: CR LF records stay CR LF, a CR before a line feed reaches the reader, and a
// Ctrl-Z in piped answers is a byte like any other. Nothing to do elsewhere. Called first in main.
void UseBinaryConsole();

// True when the stream is a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// The width in columns of the terminal (console window) that the stream shows on; 0 when it is none
// or the system does not tell.
int TerminalColumns(std::FILE* stream);

// Moves `from` over `to` in one step, replacing an existing `to`. On failure returns false and sets
// `ec` to an error of the generic category (std::errc), whatever the system reported.
bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);

// Creates `name` for binary writing only when no file of that name exists; nullptr with `err` set
// (EEXIST when one does) otherwise.
std::FILE* CreateNewFile(const std::string& name, int& err);

// The path of the file that std::fopen opens under `name`, for the std::filesystem calls (and
// ReplaceFile) on the same file. On Windows fopen reads the name's bytes in the system's code page
// (Shift-JIS on a Japanese system), which a std::filesystem::path made from the bytes does not;
// elsewhere the bytes are the name.
std::filesystem::path NativePath(std::string_view name);

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
