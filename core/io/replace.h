// Files made whole or not at all: written under a temporary name beside their target and moved over
// the target in one step when complete, so that a failure never leaves a half-written file in place
// of a good one.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace seep {

// Creates a new file beside `target` under a name that no file has: "<target>.tmp-XXXXXXXX", created
// exclusively, so that no other run's file is ever taken over. Sets `temporary` to its name.
// IoFailure (unit 0, the target named) when it cannot be made.
std::FILE* CreateBeside(const std::string& target, std::string& temporary);

// Moves `temporary` over `target`, replacing a file there. IoFailure when it cannot.
void MoveIntoPlace(const std::string& temporary, const std::string& target);

// Writes `bytes` as the whole of `target` through a temporary file beside it.
void WriteWholeFile(const std::string& target, std::string_view bytes);

// Writes `bytes` to an output that a user named: a regular file (or a new one) made whole as
// WriteWholeFile does, through a link to the file it names (the link stays); a device or a pipe
// (/dev/stdout, /dev/null) written directly, never replaced. IoFailure when it cannot.
void WriteOutputFile(const std::string& target, std::string_view bytes);

}  // namespace seep
