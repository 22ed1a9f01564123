// The converter's entry point: the run on the process's console.
#include <cstdio>

#include "core/io/platform.h"
#include "core/run/run.h"

int main() {
  seep::UseBinaryConsole();
  return seep::RunProcess(stdin, stdout, stderr);
}
