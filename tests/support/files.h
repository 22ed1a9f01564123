// Whole files and the CR LF records in them.
#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace seep::test {

// Reads a whole file as bytes; throws when it cannot.
std::string ReadFile(const std::filesystem::path& path);
// Writes `bytes` as the whole file; throws when it cannot.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// All bytes written to a temporary stream so far; the stream stays positioned at its end.
std::string StreamBytes(std::FILE* f);

// Joins lines with CR LF after each: the console and file record form.
std::string CrLf(std::initializer_list<std::string_view> lines);
// The same for lines written with a closing '|', so that trailing blanks stay visible in the test; the
// '|' is not part of the record.
std::string CrLfBarred(std::initializer_list<std::string_view> lines);

// The records of a text, each without its line end (CR LF unless given); a last piece without its line
// end is kept with a "<no line end>" mark, so that a comparison shows it.
std::vector<std::string> SplitRecords(std::string_view bytes, std::string_view end = "\r\n");

}  // namespace seep::test
