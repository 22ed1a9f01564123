// Whole files and the CR LF records in them.
#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>
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

// The rows of a CSV text, each a list of its fields: quoted fields unquoted, doubled quotes made one,
// a byte order mark first left out.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text, char separator = ',');
// The rows after the header line, each its fields by their heading.
std::vector<std::map<std::string, std::string>> CsvByHeading(std::string_view text, char separator = ',');

}  // namespace seep::test
