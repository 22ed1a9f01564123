// Lines per second of the output engine on the lines that dominate the output files: the node line of
// the TECPLOT zone (seven E fields), the element line (four I fields), the list-directed value records
// of the FEMAP output vectors (an integer, a text and a 4-byte real), one statement at a time; and in
// blocks as the writers format them, the restart node line around its kept lead and the MicroAVS node
// line (five E fields of 4-byte values). Records go to a unit on /dev/null, so the figures include the
// unit's buffering and the write calls.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "core/io/format/compile.h"
#include "core/io/record_team.h"
#include "core/io/statement/write.h"
#include "core/io/units.h"
#include "writers/microavs/microavs_formats.h"
#include "writers/restart/restart_formats.h"
#include "writers/tecplot/tecplot_formats.h"

namespace seep {
namespace {

using tecplot_formats::kElementLine;
using tecplot_formats::kNodeLine;
constexpr int kUnit = 8;
constexpr std::size_t kRows = 4096;

// Values of the size a seepage model has: coordinates, heads and velocities from 1e-7 to 1e4, both signs,
// a few zeros.
std::vector<double> ModelValues(std::size_t n) {
  std::mt19937_64 rng(1);
  std::uniform_real_distribution<double> exponent(-7.0, 4.0);
  std::vector<double> v(n);
  for (double& x : v) {
    x = rng() % 16 == 0 ? 0.0 : (rng() % 2 == 0 ? 1.0 : -1.0) * std::pow(10.0, exponent(rng));
  }
  return v;
}

struct NullUnit {
  std::FILE* console = std::fopen("/dev/null", "wb");
  Io io{stdin, console, stderr};
  NullUnit() { io.OpenUnit(kUnit, "/dev/null", "UNKNOWN", "FORMATTED"); }
  ~NullUnit() { std::fclose(console); }
};

// Times `line(io, row)` for the rows 0 ... kRows - 1 over and over, one statement per iteration.
template <class Line>
void TimeLines(benchmark::State& state, Line line) {
  NullUnit out;
  std::size_t row = 0;
  for (auto _ : state) {
    line(out.io, row);
    row = (row + 1) % kRows;
  }
  out.io.FlushAll();
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("lines");
}

// Times blocks of kRows lines, `line(io, n)` for n = 1 ... kRows, as a writer formats a block: the
// statement compiled into the loop (FormatBlock), where the constant format folds into the code.
template <class Line>
void TimeBlocks(benchmark::State& state, Line line) {
  NullUnit out;
  for (auto _ : state) {
    record_team_detail::FormatBlock<Line>(&line, out.io, 1, static_cast<std::int32_t>(kRows));
  }
  out.io.FlushAll();
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
  state.SetLabel("lines");
}

void NodeLine(benchmark::State& state) {
  const std::vector<double> v = ModelValues(7 * kRows);
  TimeLines(state, [&v](Io& io, std::size_t row) {
    const double* x = &v[7 * row];
    WriteFormatted(io, kUnit, kNodeLine, x[0], x[1], x[2], x[3], x[4], x[5], x[6]);
  });
}
BENCHMARK(NodeLine);

void ElementLine(benchmark::State& state) {
  std::mt19937 rng(2);
  std::vector<std::int32_t> corners(4 * kRows);
  for (std::int32_t& c : corners) c = 1 + static_cast<std::int32_t>(rng() % 44444);
  TimeLines(state, [&corners](Io& io, std::size_t row) {
    const std::int32_t* c = &corners[4 * row];
    WriteFormatted(io, kUnit, kElementLine, c[0], c[1], c[2], c[3]);
  });
}
BENCHMARK(ElementLine);

// The restart node line as the writer puts it from the second step on: the lead (node, code, X, Y)
// kept from the first step, head and Q.
void RestartLines(benchmark::State& state) {
  const std::vector<double> v = ModelValues(2 * kRows);
  const char kept[] = "    1,    1,  1.2345E+01,  6.7890E-01";
  TimeBlocks(state, [&v, &kept](Io& io, std::int32_t n) {
    const double* x = &v[2 * static_cast<std::size_t>(n - 1)];
    WriteFormatted(io, kUnit, restart_formats::kNodeLineAroundLead, std::string_view(kept, 37), x[0], x[1]);
  });
}
BENCHMARK(RestartLines);

// The MicroAVS node line of the final file, with 4-byte values.
void AvsNodeLines(benchmark::State& state) {
  const std::vector<double> v = ModelValues(5 * kRows);
  const std::vector<float> f(v.begin(), v.end());
  TimeBlocks(state, [&f](Io& io, std::int32_t n) {
    const float* x = &f[5 * static_cast<std::size_t>(n - 1)];
    WriteFormatted(io, kUnit, microavs_formats::kFinalNodeData, n, x[0], x[1], x[2], x[3], x[4]);
  });
}
BENCHMARK(AvsNodeLines);

void ListSingle(benchmark::State& state) {
  const std::vector<double> v = ModelValues(kRows);
  const std::vector<float> f(v.begin(), v.end());
  TimeLines(state, [&f](Io& io, std::size_t row) {
    WriteList(io, kUnit, static_cast<std::int32_t>(row + 1), ",", f[row]);
  });
}
BENCHMARK(ListSingle);

}  // namespace
}  // namespace seep

BENCHMARK_MAIN();
