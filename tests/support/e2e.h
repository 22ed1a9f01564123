// Runs the built converter in a scratch folder with given files and standard input (Scratch::Run), and
// hands back its standard output, standard error, exit status and every file left in the folder.
#pragma once

#include <map>
#include <string>

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

}  // namespace seep::test
