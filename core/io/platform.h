// The few places where the program meets the operating system differently on Windows and on POSIX
// systems. Nothing else in the program asks which system it runs on.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

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

}  // namespace seep
