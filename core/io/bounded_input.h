// Text inputs that the user names (the sections file, the point file of the command line) read with
// limits: a device that never ends (/dev/zero), a huge file or one endless line fails with one line
// instead of taking the machine's memory, and a pipe that nobody writes to is refused at once instead
// of waited for.
#pragma once

#include <cstdint>
#include <string>

namespace seep {

inline constexpr std::uint64_t kLongestTextInput = std::uint64_t{4} << 20;  // 4 MiB
inline constexpr std::size_t kLongestTextLine = std::size_t{64} << 10;      // 64 KiB

// "more than 4 MiB: too large for a file of points or sections"
std::string TooLarge(std::uint64_t limit);

// Reads the whole of `name` into `text` within the limits. false when it cannot, with `error` in
// words and `failure` the error number (29 not found, 9 permission denied, 39 anything else).
bool ReadTextInput(const std::string& name, std::string& text, std::string& error, int& failure);

}  // namespace seep
