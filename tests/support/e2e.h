// Runs the built converter in a scratch folder with given files and standard input (Scratch::Run), and
// hands back its standard output, standard error, exit status and every file left in the folder.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/scratch.h"

namespace seep::test {

struct RunResult {
  int status = -1;  // exit status as a parent sees it: the low 8 bits
  std::string out;
  std::string err;
  std::map<std::string, std::string> files;  // every regular file left in the directory, by name
};

// The program the end-to-end tests start: the environment variable SEEPCONV_EXE when it is set (for
// example a launcher that runs seepconv.exe under Wine), else the program of this build.
std::string ProgramPath();

// True when SEEPCONV_PLATFORM=windows says that ProgramPath() runs the Windows program, so that tests of
// POSIX-only behaviour (another user's permissions, /dev/full, a terminal) skip and Windows-only ones run.
bool WindowsProgram();

// The line that follows a usage error of `args`: the hint to the help of its command, or of the program
// when the first argument names no command.
std::string TryHelp(const std::vector<std::string>& args);

// Every kind of `convert` that writes one output file (no folder of its own), from the list of kinds, as
// the arguments after --to that it needs: its name, a head style where it takes one, and the point file
// P.DAT where it needs one. A new kind is tested with no change to the tests.
std::vector<std::vector<std::string>> OneFileKinds();

}  // namespace seep::test
