// The writers that keep the text of the mesh from one step to the next write exactly what they write
// without it, step after step, also when the mesh under the kept text changes: a coordinate, a node's
// code, a corner, an element's activity, a code or a corner too large for its field (whose warning comes
// again each time).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/grid_store.h"
#include "support/write_capture.h"
#include "writers/femap/femap.h"
#include "writers/igpost/igpost.h"
#include "writers/restart/restart.h"
#include "writers/tecplot/tecplot.h"

namespace seep {
namespace {

using test::Capture;
using test::Grid;
using test::GridShape;
using test::GridStore;
using test::Unit8;
using test::Written;

struct Change {
  const char* what;
  std::function<void(Store&)> apply;
};

const Change kChanges[] = {
    {"the first step", [](Store&) {}},
    {"new heads and velocities",
     [](Store& s) {
       for (std::int32_t n = 1; n <= s.NUMNP; ++n) s.P(n) += 0.125 * n;
       for (std::int32_t e = 1; e <= s.NUMEL; ++e) s.VXE(e) -= 1e-3 * e;
     }},
    {"a node moved", [](Store& s) { s.X(17) += 0.5; }},
    {"a node's code changed", [](Store& s) { s.NCODE(23) = 2; }},
    {"a code too large for its field", [](Store& s) { s.NCODE(31) = -12345; }},
    {"the code back in its field", [](Store& s) { s.NCODE(31) = 1; }},
    {"a corner changed", [](Store& s) { s.ELEM(5, kI) = 7; }},
    {"an element made inactive", [](Store& s) { s.ELEM(9, kMAT) = 0; }},
    {"a corner too large for its field", [](Store& s) { s.ELEM(3, kJ) = 123456; }},
    {"the same mesh again", [](Store&) {}},
};

template <class State, class WriteStep>
void ExpectKeptTextChangesNothing(WriteStep write) {
  // 61 × 41 nodes: long enough that the lines are also formatted side by side.
  Grid g;
  g.nx = 60;
  g.ny = 40;
  g.shape = GridShape::kMixed;
  g.inactive = {{3, 4}, {10, 20}};
  Store s = GridStore(
      g,
      [](int i, int j) {
        return std::pair<double, double>{1e-4 * (i + 1), -2e-5 * (j + 3)};
      },
      [](double x, double y) { return 10.0 - 0.1 * x + 0.01 * y; });
  State kept;
  for (const Change& change : kChanges) {
    SCOPED_TRACE(change.what);
    change.apply(s);
    Store plain = s;
    const Written expected = Capture([&](Io& io) { write(io, plain, nullptr); }, Unit8::kOnFile);
    const Written w = Capture([&](Io& io) { write(io, s, &kept); }, Unit8::kOnFile);
    EXPECT_TRUE(w.file == expected.file);
    EXPECT_EQ(w.err, expected.err);
  }
}

TEST(KeptText, TecplotZonesAreThoseWrittenWithoutIt) {
  ExpectKeptTextChangesNothing<TecplotState>(
      [](Io& io, Store& s, TecplotState* kept) { WriteTecplotZone(io, s, kept); });
}

TEST(KeptText, RestartStepsAreThoseWrittenWithoutIt) {
  ExpectKeptTextChangesNothing<RestartState>(
      [](Io& io, Store& s, RestartState* kept) { WriteRestartStep(io, s, 1, kept); });
}

// FEMAP keeps the item numbers of its value records; the set numbers of both runs go up together.
TEST(KeptText, FemapOutputSetsAreThoseWrittenWithoutIt) {
  std::int32_t sets = 0;
  ExpectKeptTextChangesNothing<FemapState>([&sets](Io& io, Store& s, FemapState* kept) {
    if (kept == nullptr) {
      FemapState fresh;
      fresh.NSET = sets;
      WriteFemapOutputSet(io, s, fresh);
    } else {
      WriteFemapOutputSet(io, s, *kept);
      ++sets;
    }
  });
}

TEST(KeptText, IgpostBlocksAreThoseWrittenWithoutIt) {
  ExpectKeptTextChangesNothing<IgpostState>(
      [](Io& io, Store& s, IgpostState* kept) { WriteIgpostBlock(io, s, kept); });
}

}  // namespace
}  // namespace seep
