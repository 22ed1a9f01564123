// Files made whole or not at all: written under a temporary name beside their target and moved over
// the target in one step when complete, so that a failure never leaves a half-written file in place
// of a good one. Devices, pipes and standard output cannot be replaced: they are written directly.
//
// Every temporary name is remembered for an interruption (core/io/cleanup.h) while it exists, and no
// output is ever moved over an input of the run.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "core/io/cleanup.h"

namespace seep {

// An output that will not be written, and why, in words: "the output would replace the point file".
struct OutputRefused {
  std::string file;
  std::string what;
};

// Where an output name leads. Either a regular file (new or existing; a link is followed, so that the
// link stays and its file is replaced) or a stream written directly: a device, a pipe, a socket, or
// standard output named "-", "/dev/stdout" or "/dev/fd/1", written as it is (appending when it was
// opened for appending). Decided on the file actually opened, not on the name.
struct OutputPlace {
  std::string file;             // the regular file to replace; empty for a stream
  std::FILE* stream = nullptr;  // the stream, owned by whoever takes it
};

// IoFailure (unit 0, `name`) when the name cannot be used: a folder, an existing file the user may not
// write (permission denied, 9), a name the system refuses.
OutputPlace PlanOutput(const std::string& name);

// True when `name` leads to a stream (PlanOutput would open one); opens nothing.
bool WritesDirectly(const std::string& name);

// Creates a new file beside `target` under a name that no file has: "<target>.tmp-XXXXXXXX", created
// exclusively, so that no other run's file is ever taken over; private to the user while it is
// written when it will replace an existing file. Sets `temporary` to its name and remembers it in
// `ticket`. IoFailure (unit 0, the target named) when it cannot be made.
std::FILE* CreateBeside(const std::string& target, std::string& temporary, TemporaryTicket& ticket);

// Makes a new empty folder beside `target` under a name no file has, "<target>.tmp-XXXXXXXX",
// remembered in `ticket`. IoFailure (unit 0, the target named) when it cannot be made.
std::string MakeFolderBeside(const std::string& target, TemporaryTicket& ticket);

// Moves `temporary` over `target`, replacing a file there, which keeps its mode. IoFailure when it
// cannot; OutputRefused when `target` is an input of the run.
void MoveIntoPlace(const std::string& temporary, const std::string& target);

// Writes `bytes` as the whole of `target`: through a temporary file beside it, or directly to a stream.
void WriteWholeFile(const std::string& target, std::string_view bytes);

// Inputs of the run (result files, point files), never to be replaced by an output nor to lie in a
// folder that an output replaces. Named before the conversions start; `what` names it in a refusal
// ("the result file", "the point file").
void ProtectInput(const std::string& name, std::string_view what);
void ForgetProtectedInputs();
// OutputRefused when `output` is a protected input (by name, link or inode), or when `folder` (a folder
// that an output replaces; may be empty) holds one.
void GuardInputs(const std::string& output, const std::string& folder = {});

}  // namespace seep
