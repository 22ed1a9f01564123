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

// The converter under test.
std::string ConverterPath();

}  // namespace seep::test
