// Small texts of the command line: numbers and sizes for people, strings for JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/model/store.h"

namespace seep {

// TITLE without its trailing blanks.
std::string TrimmedTitle(const Store& s);
// A value in six significant digits, the shortest way: "0.25", "1.5e+06", "nan".
std::string Number(double v);
// A size in bytes for people: "812 bytes", "12.3 kB", "4.56 MB", "1.20 GB".
std::string Bytes(std::uint64_t bytes);
// Seconds for people: "0.42 s", "12.3 s", "2:05".
std::string Seconds(double seconds);
// A JSON string with its quotes. Bytes that are not UTF-8 (a title in a legacy code page) are kept as
// the characters U+0080 … U+00FF of the same number.
std::string JsonString(std::string_view text);

}  // namespace seep
