// The converter's entry point: the dialogue on the process's console when the program is started
// without arguments, the command line otherwise.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/run.h"
#include "core/io/cleanup.h"
#include "core/io/platform.h"

int main(int argc, char** argv) {
  seep::UseBinaryConsole();
  if (argc <= 1) return seep::RunProcess(stdin, stdout, stderr);
  // The command line's temporary files go on an interruption, and so does the process.
  seep::EndRunsCleanlyOnSignals();
  // The command line's names are UTF-8 whatever the system's code page (platform.h).
  seep::UseUtf8Names();
  const std::vector<std::string> given = seep::CommandLineArguments(argc, argv);
  const std::vector<std::string_view> args(given.begin(), given.end());
  return seep::RunCommandLine(args, stdout, stderr);
}
