// Solves the seepage cases of the examples and the tests and writes their result files: each time step
// is the steady state of one set of boundary levels (the title says so).
//
//   solve_seepage --case embankment --out RESULT.DAT          # the shipped mesh
//   solve_seepage --case dam --size 0.5 --out FINE.DAT        # element sizes halved
//
// Cases (lengths in m, permeabilities in m/s, heads H = P + Y in m):
//   uniform     confined flow in a 6 × 3 block of distorted quadrilaterals and triangles stored both
//               ways, kx = 2e-5, ky = 5e-6, every boundary node fixed at H = 10 − 0.4 x + 0.3 y: the
//               solution is that plane, VXE = 8e-6, VYE = −1.5e-6, in two steps (the second H + 1)
//   dam         rectangular dam 12 wide and 11 high on an impermeable base, k = 1e-5, upstream water
//               7, 8.5 and 10 deep, downstream 2; a seepage face above the tail water; unconfined;
//               square elements 0.25 × size, kr falling over r = 0.25 × size
//   cutoff      a sheet pile (one column of inactive elements, 0.1 × size wide) driven 12 into a pervious
//               layer 20 deep and 80 wide, k = 2e-5; downstream water 1 above the ground, upstream 2.5,
//               4 and 6; confined; columns 0.1 × size wide at the pile, widening to 1 × size, rows
//               0.5 × size
//   embankment  a trapezoidal embankment (crest 6 wide at 14, slopes 1 : 1.5, k = 1e-5) on a two-layer
//               foundation 60 wide (0–3: k = 1e-6; 3–6: kx = 1e-5, ky = 2.5e-6) with a toe drain (the
//               three lowest rows of the embankment from x = 38 to the toe, inactive elements whose faces
//               are seepage faces); the reservoir rises from 7 to 13 in 11 steps, one a day; unconfined;
//               one mesh (--size is not used)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "seepage/seepage.h"

namespace {

using seepage::Boundary;
using seepage::Element;
using seepage::Mesh;

struct Case {
  std::string title;
  Mesh mesh;
  seepage::Settings settings;
  double dayLength = 86400.0;
  // The boundary of step n (1 …) and the number of steps.
  std::function<Boundary(int)> boundary;
  int steps = 1;
};

// Nodes of a structured grid of columns xs and rows ys, node (c, r) numbered r × columns + c + 1.
struct Grid {
  std::vector<double> xs, ys;
  std::int32_t Node(std::size_t c, std::size_t r) const {
    return static_cast<std::int32_t>(r * xs.size() + c + 1);
  }
};

Mesh GridMesh(const Grid& g, const std::function<std::int32_t(double x, double y)>& material) {
  Mesh m;
  for (double y : g.ys) {
    for (double x : g.xs) m.x.push_back(x), m.y.push_back(y);
  }
  for (std::size_t r = 0; r + 1 < g.ys.size(); ++r) {
    for (std::size_t c = 0; c + 1 < g.xs.size(); ++c) {
      const double xc = 0.5 * (g.xs[c] + g.xs[c + 1]), yc = 0.5 * (g.ys[r] + g.ys[r + 1]);
      m.elements.push_back(
          {g.Node(c, r), g.Node(c + 1, r), g.Node(c + 1, r + 1), g.Node(c, r + 1), material(xc, yc)});
    }
  }
  return m;
}

std::vector<double> Steps(double from, double to, double step) {
  std::vector<double> v;
  const long n = std::lround((to - from) / step);
  for (long k = 0; k <= n; ++k)
    v.push_back(from + (to - from) * static_cast<double>(k) / static_cast<double>(n));
  return v;
}

Boundary Empty(const Mesh& m) {
  return {std::vector<std::int32_t>(m.x.size(), seepage::kNoFlow), std::vector<double>(m.x.size(), 0.0)};
}

Case Uniform() {
  Case c;
  c.title = "Uniform confined flow: steady state at 2 levels";
  Grid g{Steps(0, 6, 1), Steps(0, 3, 1)};
  c.mesh = GridMesh(g, [](double, double) { return 1; });
  c.mesh.materials = {{2e-5, 5e-6}};
  // Interior nodes moved off the grid, so that the quadrilaterals are not parallelograms.
  for (std::size_t n = 0; n < c.mesh.x.size(); ++n) {
    const double x = c.mesh.x[n], y = c.mesh.y[n];
    if (x > 0 && x < 6 && y > 0 && y < 3)
      c.mesh.x[n] += 0.23 * std::sin(3 * x + y), c.mesh.y[n] += 0.17 * std::cos(x * y);
  }
  // Cells 2, 9, 16 become triangles stored with L = K, cells 5 and 12 two triangles, the second with L = 0.
  std::vector<Element> elements;
  for (std::size_t e = 0; e < c.mesh.elements.size(); ++e) {
    Element q = c.mesh.elements[e];
    if (e % 7 == 1) {
      elements.push_back({q.i, q.j, q.k, q.k, 1});
      elements.push_back({q.i, q.k, q.l, q.l, 1});
    } else if (e % 7 == 4) {
      elements.push_back({q.i, q.j, q.l, q.l, 1});
      elements.push_back({q.j, q.k, q.l, 0, 1});
    } else {
      elements.push_back(q);
    }
  }
  c.mesh.elements = elements;
  c.steps = 2;
  c.boundary = [m = c.mesh](int step) {
    Boundary b = Empty(m);
    for (std::size_t n = 0; n < m.x.size(); ++n) {
      const double x = m.x[n], y = m.y[n];
      if (x == 0 || x == 6 || y == 0 || y == 3) b.condition[n] = seepage::kHead;
      b.head[n] = 10.0 - 0.4 * x + 0.3 * y + (step - 1);
    }
    return b;
  };
  return c;
}

Case Dam(double size) {
  Case c;
  c.title = "Rectangular dam, seepage face: steady state at 3 reservoir levels";
  const double length = 12.0, height = 11.0, tail = 2.0;
  Grid g{Steps(0, length, 0.25 * size), Steps(0, height, 0.25 * size)};
  c.mesh = GridMesh(g, [](double, double) { return 1; });
  c.mesh.materials = {{1e-5, 1e-5}};
  c.settings.unsaturated = {true, 0.25 * size, 1e-3, 0.3};
  c.steps = 3;
  c.boundary = [m = c.mesh, length, tail](int step) {
    const double level = 5.5 + 1.5 * step;
    Boundary b = Empty(m);
    for (std::size_t n = 0; n < m.x.size(); ++n) {
      const double x = m.x[n], y = m.y[n];
      if (x == 0 && y <= level) b.condition[n] = seepage::kHead, b.head[n] = level;
      if (x == length) {
        if (y <= tail)
          b.condition[n] = seepage::kHead, b.head[n] = tail;
        else
          b.condition[n] = seepage::kSeepage;
      }
    }
    return b;
  };
  return c;
}

// Columns from 0 outwards to `edge`: `first` wide at 0, each the last × 1.25 up to `widest`.
std::vector<double> Graded(double first, double widest, double edge) {
  std::vector<double> v = {0.0};
  double d = first;
  while (v.back() + d < edge - 0.5 * std::min(d, widest)) {
    v.push_back(v.back() + d);
    d = std::min(widest, d * 1.25);
  }
  v.push_back(edge);
  return v;
}

Case Cutoff(double size) {
  Case c;
  c.title = "Sheet pile in a pervious layer: steady state at 3 upstream levels";
  const double depth = 20.0, drive = 12.0, half = 40.0, pile = 0.1 * size;
  // x: the pile's faces at ± pile / 2, columns widening away from them.
  const std::vector<double> side = Graded(pile, 1.0 * size, half - 0.5 * pile);
  Grid g;
  for (auto it = side.rbegin(); it != side.rend(); ++it) g.xs.push_back(-0.5 * pile - *it);
  for (double x : side) g.xs.push_back(0.5 * pile + x);
  g.ys = Steps(0, depth, 0.5 * size);
  c.mesh = GridMesh(
      g, [&](double x, double y) { return (std::fabs(x) < 0.5 * pile && y > depth - drive) ? 0 : 1; });
  c.mesh.materials = {{2e-5, 2e-5}};
  c.steps = 3;
  c.boundary = [m = c.mesh, depth](int step) {
    const double upstream = depth + 1.0 + 1.5 * step, downstream = depth + 1.0;
    Boundary b = Empty(m);
    for (std::size_t n = 0; n < m.x.size(); ++n) {
      if (m.y[n] != depth) continue;
      b.condition[n] = seepage::kHead;
      b.head[n] = m.x[n] < 0 ? upstream : downstream;
    }
    return b;
  };
  return c;
}

Case Embankment() {
  Case c;
  c.title = "Embankment on two layers, toe drain: steady state at 11 reservoir levels";
  const double base = 6.0, crest = 14.0, toeUp = 15.0, toeDown = 45.0, slope = 1.5;
  const int rows = 12;  // rows of the embankment in each column
  auto top = [=](double x) {
    return base + std::max(0.0, std::min({crest - base, (x - toeUp) / slope, (toeDown - x) / slope}));
  };
  const std::vector<double> xs = Steps(0, 60, 0.5), ys = Steps(0, base, 0.5);
  Mesh& m = c.mesh;
  m.materials = {{1e-6, 1e-6}, {1e-5, 2.5e-6}, {1e-5, 1e-5}};
  // Foundation nodes row by row, then each column's embankment nodes above its base node.
  for (double y : ys) {
    for (double x : xs) m.x.push_back(x), m.y.push_back(y);
  }
  auto foundation = [&](std::size_t col, std::size_t row) {
    return static_cast<std::int32_t>(row * xs.size() + col + 1);
  };
  std::vector<std::vector<std::int32_t>> column(xs.size());  // node of row 0 … rows in the embankment
  for (std::size_t col = 0; col < xs.size(); ++col) {
    column[col].push_back(foundation(col, ys.size() - 1));
    const double h = top(xs[col]) - base;
    for (int r = 1; r <= rows && h > 0; ++r) {
      m.x.push_back(xs[col]);
      m.y.push_back(base + h * r / rows);
      column[col].push_back(static_cast<std::int32_t>(m.x.size()));
    }
  }
  for (std::size_t row = 0; row + 1 < ys.size(); ++row) {
    for (std::size_t col = 0; col + 1 < xs.size(); ++col) {
      const double yc = 0.5 * (ys[row] + ys[row + 1]);
      const std::int32_t mat = yc < 3.0 ? 1 : 2;
      m.elements.push_back({foundation(col, row), foundation(col + 1, row), foundation(col + 1, row + 1),
                            foundation(col, row + 1), mat});
    }
  }
  for (std::size_t col = 0; col + 1 < xs.size(); ++col) {
    const std::vector<std::int32_t>& a = column[col];
    const std::vector<std::int32_t>& b = column[col + 1];
    if (a.size() == 1 && b.size() == 1) continue;
    const double xc = 0.5 * (xs[col] + xs[col + 1]);
    for (int r = 0; r < rows; ++r) {
      // The drain: the three lowest rows from x = 38 to the toe (materials 0 and −1 in turn).
      const std::int32_t mat = (xc > 38.0 && r < 3) ? -(r % 2) : 3;
      if (a.size() == 1) {
        m.elements.push_back({a[0], b[r], b[r + 1], b[r + 1], mat});  // upstream toe: L = K
      } else if (b.size() == 1) {
        m.elements.push_back({a[r], b[0], a[r + 1], 0, mat});  // downstream toe: L = 0
      } else {
        m.elements.push_back({a[r], b[r], b[r + 1], a[r + 1], mat});
      }
    }
  }
  c.settings.unsaturated = {true, 1.0, 1e-3, 0.6};
  c.steps = 11;
  // Nodes on the drain's faces: corners of both an active and a drain element.
  std::vector<char> drain(m.x.size(), 0), active(m.x.size(), 0);
  for (const Element& e : m.elements) {
    for (std::int32_t n : {e.i, e.j, e.k, e.l}) {
      if (n > 0) (e.mat > 0 ? active : drain)[static_cast<std::size_t>(n - 1)] = 1;
    }
  }
  c.boundary = [m, drain, active, top, toeUp, toeDown, base](int step) {
    const double level = 7.0 + 0.6 * (step - 1);
    Boundary b = Empty(m);
    for (std::size_t n = 0; n < m.x.size(); ++n) {
      const double x = m.x[n], y = m.y[n];
      const bool surface = std::fabs(y - top(x)) < 1e-9;
      if (drain[n] && active[n]) b.condition[n] = seepage::kSeepage;
      if (!surface) continue;
      if (x <= toeUp || (x < 30.0 && y <= level)) {
        b.condition[n] = seepage::kHead;
        b.head[n] = level;
      } else if (x > 30.0 && (x >= toeDown || y > base)) {
        b.condition[n] = seepage::kSeepage;
      }
    }
    return b;
  };
  return c;
}

double Option(int argc, char** argv, const char* name, double fallback) {
  const char* text = seepage::OptionText(argc, argv, name, nullptr);
  return text != nullptr ? std::strtod(text, nullptr) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = seepage::OptionText(argc, argv, "--case", "");
  const std::string out = seepage::OptionText(argc, argv, "--out", "RESULT.DAT");
  const double size = Option(argc, argv, "--size", 1.0);
  if (!(size > 0.0 && size <= 4.0)) {
    std::fprintf(stderr, "solve_seepage: --size must lie in (0, 4]\n");
    return 2;
  }
  Case c;
  if (name == "uniform")
    c = Uniform();
  else if (name == "dam")
    c = Dam(size);
  else if (name == "cutoff")
    c = Cutoff(size);
  else if (name == "embankment")
    c = Embankment();
  else {
    std::fprintf(stderr, "solve_seepage: --case uniform, dam, cutoff or embankment\n");
    return 2;
  }
  std::vector<seepage::Step> steps;
  std::vector<double> start;
  for (int n = 1; n <= c.steps; ++n) {
    seepage::Step st{n, c.dayLength * n, seepage::SolveSteady(c.mesh, c.boundary(n), c.settings, start)};
    if (!st.solution.converged) {
      std::fprintf(stderr, "solve_seepage: step %d did not converge in %d passes\n", n, st.solution.passes);
      return 1;
    }
    start = st.solution.h;
    steps.push_back(std::move(st));
  }
  if (!seepage::WriteResultFile(out, c.title, c.mesh, steps)) {
    std::fprintf(stderr, "solve_seepage: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
