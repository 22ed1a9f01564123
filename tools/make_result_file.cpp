// Writes the result file of a confined seepage analysis on a rectangular grid, for the benchmarks:
// nx × ny nodes 1 apart in x and 0.5 in y, one quadrilateral per cell (counterclockwise), some cells as
// triangles, a few inactive elements, three layers (materials 1, 2, 3 from the bottom, k = 1e-4 × the
// material). Each time step is the steady state of one upstream level on the left edge against a fixed
// level on the right edge, solved by the seepage solver of tools/seepage.
//
//   make_result_file --nx 271 --ny 164 --steps 50 --out RESULT.DAT
//   options: --replace-every N  cell e with e % N == 0 becomes the triangle I, J, K stored with L = K
//            --split-every N    cell e with e % N == 0 becomes two triangles (I, J, K) and (I, K, L)
//            --zero-l-every N   among the triangles, every Nth is stored with L = 0 instead of L = K
//            --inactive-every N element e with e % N == 0 gets material 0 (every other one -1)
//            --title TEXT
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "seepage/seepage.h"

namespace {

long Option(int argc, char** argv, const char* name, long fallback) {
  const char* text = seepage::OptionText(argc, argv, name, nullptr);
  return text != nullptr ? std::strtol(text, nullptr, 10) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const long nx = Option(argc, argv, "--nx", 21);
  const long ny = Option(argc, argv, "--ny", 11);
  const long steps = Option(argc, argv, "--steps", 5);
  const long replaceEvery = Option(argc, argv, "--replace-every", 0);
  const long splitEvery = Option(argc, argv, "--split-every", 0);
  const long zeroLEvery = Option(argc, argv, "--zero-l-every", 0);
  const long inactiveEvery = Option(argc, argv, "--inactive-every", 0);
  const std::string out = seepage::OptionText(argc, argv, "--out", "RESULT.DAT");
  std::string title = seepage::OptionText(
      argc, argv, "--title", "Confined flow through three layers: steady state at each upstream level");
  title.resize(80, ' ');
  if (nx < 2 || ny < 2) {
    std::fprintf(stderr, "make_result_file: --nx and --ny must be at least 2\n");
    return 2;
  }

  const double dx = 1.0, dy = 0.5;
  auto node = [&](long i, long j) { return static_cast<std::int32_t>(j * nx + i + 1); };

  std::vector<seepage::Element> elements;
  long triangles = 0;
  auto triangle = [&](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t mat) {
    ++triangles;
    const bool zeroL = zeroLEvery > 0 && triangles % zeroLEvery == 0;
    elements.push_back({a, b, c, zeroL ? 0 : c, mat});
  };
  long cell = 0;
  for (long j = 0; j + 1 < ny; ++j) {
    for (long i = 0; i + 1 < nx; ++i) {
      ++cell;
      const std::int32_t mat = j < (ny - 1) / 3 ? 1 : (j < 2 * (ny - 1) / 3 ? 2 : 3);
      const std::int32_t a = node(i, j), b = node(i + 1, j), c = node(i + 1, j + 1), d = node(i, j + 1);
      if (splitEvery > 0 && cell % splitEvery == 0) {
        triangle(a, b, c, mat);
        triangle(a, c, d, mat);
      } else if (replaceEvery > 0 && cell % replaceEvery == 0) {
        triangle(a, b, c, mat);
      } else {
        elements.push_back({a, b, c, d, mat});
      }
    }
  }
  if (inactiveEvery > 0) {
    for (std::size_t e = 1; e <= elements.size(); ++e) {
      if (e % static_cast<std::size_t>(inactiveEvery) == 0) {
        elements[e - 1].mat = (e / static_cast<std::size_t>(inactiveEvery)) % 2 == 0 ? -1 : 0;
      }
    }
  }

  seepage::Mesh mesh;
  for (long j = 0; j < ny; ++j) {
    for (long i = 0; i < nx; ++i)
      mesh.x.push_back(dx * static_cast<double>(i)), mesh.y.push_back(dy * static_cast<double>(j));
  }
  mesh.elements = elements;
  mesh.materials = {{1e-4, 1e-4}, {2e-4, 2e-4}, {3e-4, 3e-4}};
  const double height = dy * static_cast<double>(ny - 1);
  const double downstream = 0.2 * height;
  std::vector<seepage::Step> solved;
  std::vector<double> start;
  double before = downstream;
  for (long step = 1; step <= steps; ++step) {
    // The upstream level rises from the downstream one towards 0.9 of the height.
    const double upstream =
        downstream + (0.9 * height - downstream) * (1.0 - std::exp(-0.2 * static_cast<double>(step)));
    seepage::Boundary b{std::vector<std::int32_t>(mesh.x.size(), seepage::kNoFlow),
                        std::vector<double>(mesh.x.size(), 0.0)};
    for (long n = 0; n < nx * ny; ++n) {
      if (n % nx == 0) b.condition[n] = seepage::kHead, b.head[n] = upstream;
      if (n % nx == nx - 1) b.condition[n] = seepage::kHead, b.head[n] = downstream;
    }
    // The flow is linear in the levels: the heads of the step before, scaled about the downstream
    // level, are this step's to rounding, and the conjugate gradients start there.
    if (before != downstream) {
      for (double& h : start)
        h = downstream + (h - downstream) * (upstream - downstream) / (before - downstream);
    }
    seepage::Step st{static_cast<std::int32_t>(step), 3600.0 * static_cast<double>(step),
                     seepage::SolveSteady(mesh, b, {}, start)};
    start = st.solution.h;
    before = upstream;
    solved.push_back(std::move(st));
  }
  if (!seepage::WriteResultFile(out, title, mesh, solved)) {
    std::fprintf(stderr, "make_result_file: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
