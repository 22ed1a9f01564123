// The converter's entry point: the run on the process's console.
#include <cstdio>

#include "core/run/run.h"

int main() {
  return seep::RunProcess(stdin, stdout, stderr);
}
