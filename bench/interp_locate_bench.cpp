// Point location for the INTERP time history: 2222 points in a mesh of 44444 elements, by the plain
// search over every element and by the binned search, with and without building the bins.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/model/locate.h"
#include "core/model/store.h"

namespace {

using seep::Store;

constexpr int kCellsX = 82, kCellsY = 271;  // 22222 cells, two triangles each: 44444 elements
constexpr int kPoints = 2222;

// A jittered grid of 1 m cells; each cell split along alternating diagonals, as triangles stored with
// L = K and with L = 0.
Store Mesh() {
  std::mt19937_64 rng(1);
  std::uniform_real_distribution<double> jitter(-0.25, 0.25);
  Store s;
  s.NUMNP = (kCellsX + 1) * (kCellsY + 1);
  seep::SizeNodeArrays(s, s.NUMNP);
  for (int j = 0; j <= kCellsY; ++j) {
    for (int i = 0; i <= kCellsX; ++i) {
      const std::int32_t n = j * (kCellsX + 1) + i + 1;
      const bool edge = i == 0 || j == 0 || i == kCellsX || j == kCellsY;
      s.X(n) = 350000.0 + i + (edge ? 0.0 : jitter(rng));
      s.Y(n) = 4100000.0 + j + (edge ? 0.0 : jitter(rng));
    }
  }
  s.NUMEL = 2 * kCellsX * kCellsY;
  seep::SizeElementArrays(s, s.NUMEL);
  std::int32_t e = 0;
  auto add = [&](std::int32_t i, std::int32_t j, std::int32_t k, std::int32_t l) {
    ++e;
    s.ELEM(e, seep::kI) = i;
    s.ELEM(e, seep::kJ) = j;
    s.ELEM(e, seep::kK) = k;
    s.ELEM(e, seep::kL) = l;
    s.ELEM(e, seep::kMAT) = 1;
  };
  for (int j = 0; j < kCellsY; ++j) {
    for (int i = 0; i < kCellsX; ++i) {
      const std::int32_t a = j * (kCellsX + 1) + i + 1, b = a + 1, c = b + kCellsX + 1, d = a + kCellsX + 1;
      if ((i + j) % 2 == 0) {
        add(a, b, c, c);
        add(a, c, d, d);
      } else {
        add(a, b, d, 0);
        add(b, c, d, 0);
      }
    }
  }
  // Points spread over the mesh and a little beyond it.
  std::uniform_real_distribution<double> x(350000.0 - 2.0, 350000.0 + kCellsX + 2.0);
  std::uniform_real_distribution<double> y(4100000.0 - 2.0, 4100000.0 + kCellsY + 2.0);
  for (int p = 0; p < kPoints; ++p) {
    s.XP.PushBack(x(rng));
    s.YP.PushBack(y(rng));
  }
  s.NPT = kPoints;
  return s;
}

const Store& TheMesh() {
  static const Store s = Mesh();
  return s;
}

void LocatePlain(benchmark::State& state) {
  const Store& s = TheMesh();
  const std::vector<seep::ElementPart> parts = seep::SplitElements(s);
  for (auto _ : state) {
    std::int32_t located = 0;
    for (std::int32_t i = 1; i <= s.NPT; ++i)
      located += seep::LocatePointPlain(parts, s, s.XP(i), s.YP(i)).element != 0;
    benchmark::DoNotOptimize(located);
  }
  state.SetItemsProcessed(state.iterations() * s.NPT);
}

void LocateBinned(benchmark::State& state) {
  const Store& s = TheMesh();
  for (auto _ : state) {
    const seep::ElementBins bins = seep::BinElements(s);
    std::int32_t located = 0;
    for (std::int32_t i = 1; i <= s.NPT; ++i)
      located += seep::LocatePoint(bins, s, s.XP(i), s.YP(i)).element != 0;
    benchmark::DoNotOptimize(located);
  }
  state.SetItemsProcessed(state.iterations() * s.NPT);
}

// The queries alone, with the bins built once.
void LocateBinnedQueries(benchmark::State& state) {
  const Store& s = TheMesh();
  const seep::ElementBins bins = seep::BinElements(s);
  for (auto _ : state) {
    std::int32_t located = 0;
    for (std::int32_t i = 1; i <= s.NPT; ++i)
      located += seep::LocatePoint(bins, s, s.XP(i), s.YP(i)).element != 0;
    benchmark::DoNotOptimize(located);
  }
  state.SetItemsProcessed(state.iterations() * s.NPT);
}

BENCHMARK(LocatePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(LocateBinned)->Unit(benchmark::kMillisecond);
BENCHMARK(LocateBinnedQueries)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
