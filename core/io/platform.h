// The few things that differ between operating systems, in one place.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace seep {

// True when the stream is a terminal.
bool IsTerminal(std::FILE* stream);

// Moves `from` over `to` in one step, replacing an existing `to`. On failure returns false and sets
// `ec` to an error of the generic category (std::errc), whatever the system reported.
bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);

// Creates `name` for binary writing only when no file of that name exists; nullptr with `err` set
// (EEXIST when one does) otherwise.
std::FILE* CreateNewFile(const std::string& name, int& err);

}  // namespace seep
