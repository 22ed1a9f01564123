// Speed of the VTU writer in-process: reads a result file and writes every step as .vtu files and the
// .pvd collection, several times, and prints the median wall time, the bytes written and the rate.
// Compare with the time `cat` needs to copy the same output (bench/convert-bench.sh does both through
// the command line). The output of the previous run is removed before each run, untimed, as the copy
// that `cat` makes is: replacing files costs the time the system needs to free the old ones.
//
//   vtu_bench RESULT.DAT OUT.pvd [runs] [--all-elements]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/io/failure.h"
#include "core/io/units.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "writers/vtu/vtu.h"

namespace {

// One conversion: every step of the result file. Gives the bytes written.
std::uint64_t Convert(const char* result, const char* pvd, bool allElements) {
  seep::Io io(stdin, stdout, stderr);
  seep::Store s;
  s.FNAME.fill(' ');
  std::memcpy(s.FNAME.data(), result, std::min(std::strlen(result), s.FNAME.size()));
  seep::result::Open(io, s);
  seep::result::ReadHeader(io, s);
  seep::VtuState run;
  try {
    seep::SetUpVtu(run, s, pvd, allElements);
    while (seep::result::ReadStep(io, s)) seep::WriteVtuStep(run, s);
    seep::FinishVtu(run, s);
  } catch (...) {
    seep::AbandonVtu(run);
    throw;
  }
  return run.bytesWritten;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vtu_bench RESULT.DAT OUT.pvd [runs] [--all-elements]\n");
    return 2;
  }
  const int runs = argc > 3 && std::strcmp(argv[3], "--all-elements") != 0 ? std::atoi(argv[3]) : 5;
  bool allElements = false;
  for (int a = 3; a < argc; ++a) allElements = allElements || std::strcmp(argv[a], "--all-elements") == 0;
  std::vector<double> seconds;
  std::uint64_t bytes = 0;
  try {
    for (int k = 0; k < std::max(runs, 1); ++k) {
      std::filesystem::path target(argv[2]);
      std::filesystem::remove_all(target.parent_path() / target.stem());
      std::filesystem::remove(target);
      const auto start = std::chrono::steady_clock::now();
      bytes = Convert(argv[1], argv[2], allElements);
      seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
  } catch (const seep::IoFailure& f) {
    std::fprintf(stderr, "%s\n", seep::SevereLine(f).c_str());
    return 1;
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf("vtu: median %.3f s of %zu runs, %.1f MB written, %.1f MB/s\n", median, seconds.size(),
              static_cast<double>(bytes) / 1e6, static_cast<double>(bytes) / 1e6 / median);
  return 0;
}
