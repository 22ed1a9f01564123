// The threads that carry a conversion (the step reader, the team that formats long runs of records, the
// writer behind each unit) and conversions side by side give the bytes of a run in turn, and say
// nothing else. The ThreadSanitizer build (SEEPCONV_TSAN) runs this with the program built alike: a
// race is reported on standard error and fails it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

ResultFile Grid(int nx, int ny, int steps, double seed) {
  std::vector<Node> nodes;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) nodes.push_back({1.0 * i, 0.5 * j});
  }
  std::vector<Element> elements;
  for (int j = 0; j + 1 < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i)
      elements.push_back({j * nx + i + 1, j * nx + i + 2, (j + 1) * nx + i + 2, (j + 1) * nx + i + 1, 1});
  }
  ResultFile f;
  f.Header("THREADS", nodes, elements);
  for (int s = 1; s <= steps; ++s) {
    std::vector<NodeValues> nv;
    for (const Node& n : nodes) nv.push_back({0, std::sin(0.1 * n.x + s + seed) - 0.2 * n.y, 1e-3 * s});
    std::vector<ElementValues> ev(elements.size(), ElementValues{1e-4 * (s + seed), -2e-5 * s});
    f.Step(s, 3600.0 * s, nv, ev);
  }
  return f;
}

TEST(Threads, TeamAndFilesSideBySideGiveTheBytesOfOneThread) {
  Scratch dir;
  Grid(120, 60, 4, 0).WriteTo(dir.Path("a.res").string());
  Grid(120, 60, 4, 1).WriteTo(dir.Path("b.res").string());
  for (const char* kind : {"restart", "tecplot", "femap", "microavs", "igpost", "vtu"}) {
    SCOPED_TRACE(kind);
    const RunResult one = dir.Command({"convert", "a.res", "b.res", "--to", kind, "-j", "1", "-q"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.err, "");
    const RunResult two = dir.Command({"convert", "a.res", "b.res", "--to", kind, "-j", "2", "-q"});
    EXPECT_EQ(two.status, 0);
    EXPECT_EQ(two.err, "");
    EXPECT_TRUE(one.files == two.files);
  }
}

}  // namespace
}  // namespace seep::test
