#include "seepage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace seepage {
namespace {

// The conductance matrix in compressed rows; every row holds its diagonal.
struct Sparse {
  std::vector<std::int32_t> start;  // row n's entries are start[n] … start[n + 1] − 1
  std::vector<std::int32_t> column;
  std::vector<std::int32_t> diagonal;  // index of row n's diagonal entry
  std::vector<double> value;
};

// The distinct corners of an element (3 for a triangle), 0-based.
int Corners(const Element& e, std::array<std::int32_t, 4>& c) {
  c = {e.i - 1, e.j - 1, e.k - 1, e.l - 1};
  return (e.l == e.k || e.l == 0) ? 3 : 4;
}

bool Active(const Mesh& m, const Element& e) {
  return e.mat > 0 && static_cast<std::size_t>(e.mat) <= m.materials.size();
}

Sparse Pattern(const Mesh& m) {
  const std::size_t n = m.x.size();
  std::vector<std::vector<std::int32_t>> rows(n);
  for (std::size_t r = 0; r < n; ++r) rows[r].push_back(static_cast<std::int32_t>(r));
  for (const Element& e : m.elements) {
    if (!Active(m, e)) continue;
    std::array<std::int32_t, 4> c;
    const int corners = Corners(e, c);
    for (int a = 0; a < corners; ++a) {
      for (int b = 0; b < corners; ++b) rows[static_cast<std::size_t>(c[a])].push_back(c[b]);
    }
  }
  Sparse k;
  k.start.push_back(0);
  for (std::size_t r = 0; r < n; ++r) {
    std::sort(rows[r].begin(), rows[r].end());
    rows[r].erase(std::unique(rows[r].begin(), rows[r].end()), rows[r].end());
    for (std::int32_t col : rows[r]) {
      if (col == static_cast<std::int32_t>(r))
        k.diagonal.push_back(static_cast<std::int32_t>(k.column.size()));
      k.column.push_back(col);
    }
    k.start.push_back(static_cast<std::int32_t>(k.column.size()));
  }
  k.value.assign(k.column.size(), 0.0);
  return k;
}

double& Entry(Sparse& k, std::int32_t r, std::int32_t c) {
  std::int32_t at = k.start[static_cast<std::size_t>(r)];
  while (k.column[static_cast<std::size_t>(at)] != c) ++at;
  return k.value[static_cast<std::size_t>(at)];
}

double Relative(const Unsaturated& u, double p) {
  if (!u.on || p >= 0.0) return 1.0;
  const double s = std::max(0.0, 1.0 + p / u.range);
  return std::max(u.least, s * s * s);
}

// Shape functions N and their gradients (∂N/∂x, ∂N/∂y) at a point: for a quadrilateral at (ξ, η), for
// a triangle at its centroid (its gradients are constant); `det` is the weight of the point in the
// element's area (|J| for a Gauss point of weight 1, the area for a triangle).
struct Gradients {
  std::array<double, 4> dx{}, dy{}, n{};
  double det = 0.0;
};

Gradients AtPoint(const Mesh& m, const std::array<std::int32_t, 4>& c, int corners, double xi, double eta) {
  Gradients g;
  if (corners == 3) {
    const double x1 = m.x[c[0]], y1 = m.y[c[0]], x2 = m.x[c[1]], y2 = m.y[c[1]], x3 = m.x[c[2]],
                 y3 = m.y[c[2]];
    const double twice = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    g.dx = {(y2 - y3) / twice, (y3 - y1) / twice, (y1 - y2) / twice, 0.0};
    g.dy = {(x3 - x2) / twice, (x1 - x3) / twice, (x2 - x1) / twice, 0.0};
    g.n = {1.0 / 3, 1.0 / 3, 1.0 / 3, 0.0};
    g.det = 0.5 * std::fabs(twice);
    return g;
  }
  static constexpr double sx[4] = {-1, 1, 1, -1}, sy[4] = {-1, -1, 1, 1};
  std::array<double, 4> dxi{}, deta{};
  double j11 = 0, j12 = 0, j21 = 0, j22 = 0;
  for (int a = 0; a < 4; ++a) {
    g.n[a] = 0.25 * (1 + sx[a] * xi) * (1 + sy[a] * eta);
    dxi[a] = 0.25 * sx[a] * (1 + sy[a] * eta);
    deta[a] = 0.25 * sy[a] * (1 + sx[a] * xi);
    j11 += dxi[a] * m.x[c[a]];
    j12 += dxi[a] * m.y[c[a]];
    j21 += deta[a] * m.x[c[a]];
    j22 += deta[a] * m.y[c[a]];
  }
  const double det = j11 * j22 - j12 * j21;
  for (int a = 0; a < 4; ++a) {
    g.dx[a] = (j22 * dxi[a] - j12 * deta[a]) / det;
    g.dy[a] = (-j21 * dxi[a] + j11 * deta[a]) / det;
  }
  g.det = std::fabs(det);
  return g;
}

double Pressure(const Mesh& m, const std::vector<double>& h, const std::array<std::int32_t, 4>& c,
                int corners, const Gradients& g) {
  double p = 0.0;
  for (int a = 0; a < corners; ++a) p += g.n[a] * (h[c[a]] - m.y[c[a]]);
  return p;
}

// The relative permeability at each Gauss point (four per element; a triangle uses the first) from
// the heads h. With `relax` < 1 the new value is the weighted geometric mean of the old and the one
// from h: kr spans orders of magnitude, and a step in its logarithm keeps the Picard passes from
// swinging between wet and dry.
void UpdateRelative(const Mesh& m, const Unsaturated& u, const std::vector<double>& h, double relax,
                    std::vector<double>& kr) {
  const double gauss = 1.0 / std::sqrt(3.0);
  kr.resize(4 * m.elements.size(), 1.0);
  for (std::size_t e = 0; e < m.elements.size(); ++e) {
    if (!Active(m, m.elements[e])) continue;
    std::array<std::int32_t, 4> c;
    const int corners = Corners(m.elements[e], c);
    for (int gp = 0; gp < (corners == 3 ? 1 : 4); ++gp) {
      const double xi = (gp == 1 || gp == 2) ? gauss : -gauss, eta = gp >= 2 ? gauss : -gauss;
      const double target = Relative(u, Pressure(m, h, c, corners, AtPoint(m, c, corners, xi, eta)));
      double& at = kr[4 * e + static_cast<std::size_t>(gp)];
      at = relax >= 1.0 ? target : std::exp((1.0 - relax) * std::log(at) + relax * std::log(target));
    }
  }
}

// K = Σ_e ∫ Bᵀ kr diag(kx, ky) B dA.
void Assemble(const Mesh& m, const std::vector<double>& kr, Sparse& k) {
  std::fill(k.value.begin(), k.value.end(), 0.0);
  const double gauss = 1.0 / std::sqrt(3.0);
  for (std::size_t e = 0; e < m.elements.size(); ++e) {
    const Element& el = m.elements[e];
    if (!Active(m, el)) continue;
    const Material& mat = m.materials[static_cast<std::size_t>(el.mat - 1)];
    std::array<std::int32_t, 4> c;
    const int corners = Corners(el, c);
    double ke[4][4] = {};
    for (int gp = 0; gp < (corners == 3 ? 1 : 4); ++gp) {
      const double xi = (gp == 1 || gp == 2) ? gauss : -gauss, eta = gp >= 2 ? gauss : -gauss;
      const Gradients g = AtPoint(m, c, corners, xi, eta);
      const double w = kr[4 * e + static_cast<std::size_t>(gp)] * g.det;
      for (int a = 0; a < corners; ++a) {
        for (int b = 0; b < corners; ++b)
          ke[a][b] += w * (mat.kx * g.dx[a] * g.dx[b] + mat.ky * g.dy[a] * g.dy[b]);
      }
    }
    for (int a = 0; a < corners; ++a) {
      for (int b = 0; b < corners; ++b) Entry(k, c[a], c[b]) += ke[a][b];
    }
  }
}

// y = K x over the rows and columns that are free; fixed rows give 0.
void Multiply(const Sparse& k, const std::vector<char>& fixed, const std::vector<double>& x,
              std::vector<double>& y) {
  const std::size_t n = fixed.size();
  for (std::size_t r = 0; r < n; ++r) {
    double sum = 0.0;
    if (!fixed[r]) {
      for (std::int32_t at = k.start[r]; at < k.start[r + 1]; ++at) sum += k.value[at] * x[k.column[at]];
    }
    y[r] = sum;
  }
}

// z = M⁻¹ r with the symmetric Gauss–Seidel preconditioner M = (D + L) D⁻¹ (D + U) of the free block.
void Precondition(const Sparse& k, const std::vector<char>& fixed, const std::vector<double>& r,
                  std::vector<double>& z) {
  const std::int32_t n = static_cast<std::int32_t>(fixed.size());
  for (std::int32_t i = 0; i < n; ++i) {
    if (fixed[i]) {
      z[i] = 0.0;
      continue;
    }
    double sum = r[i];
    const std::int32_t d = k.diagonal[i];
    for (std::int32_t at = k.start[i]; at < d; ++at) sum -= k.value[at] * z[k.column[at]];
    z[i] = sum / k.value[d];
  }
  for (std::int32_t i = n - 1; i >= 0; --i) {
    if (fixed[i]) continue;
    double sum = 0.0;
    const std::int32_t d = k.diagonal[i];
    for (std::int32_t at = d + 1; at < k.start[i + 1]; ++at) sum += k.value[at] * z[k.column[at]];
    z[i] -= sum / k.value[d];
  }
}

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
  double s = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
  return s;
}

// Solves K_ff h_f = −K_fc h_c by preconditioned conjugate gradients, from the h given (whose fixed
// entries hold their values). Returns the iterations made.
long SolveFree(const Sparse& k, const std::vector<char>& fixed, double tolerance, std::vector<double>& h) {
  const std::size_t n = h.size();
  std::vector<double> r(n), z(n), p(n), w(n);
  // r = −K h on the free rows; its norm with the free heads zeroed measures the right-hand side.
  double scale = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    double sum = 0.0, fromFixed = 0.0;
    if (!fixed[i]) {
      for (std::int32_t at = k.start[i]; at < k.start[i + 1]; ++at) {
        const double t = k.value[at] * h[k.column[at]];
        sum += t;
        if (fixed[k.column[at]]) fromFixed += t;
      }
    }
    r[i] = -sum;
    scale += fromFixed * fromFixed;
  }
  const double goal = tolerance * tolerance * std::max(scale, 1e-300);
  Precondition(k, fixed, r, z);
  p = z;
  double rz = Dot(r, z);
  long it = 0;
  for (; Dot(r, r) > goal && it < 20 * static_cast<long>(n) + 100; ++it) {
    Multiply(k, fixed, p, w);
    const double alpha = rz / Dot(p, w);
    for (std::size_t i = 0; i < n; ++i) {
      h[i] += alpha * p[i];
      r[i] -= alpha * w[i];
    }
    Precondition(k, fixed, r, z);
    const double next = Dot(r, z);
    const double beta = next / rz;
    rz = next;
    for (std::size_t i = 0; i < n; ++i) p[i] = z[i] + beta * p[i];
  }
  return it;
}

void Append4(std::vector<unsigned char>& b, std::int32_t v) {
  for (int k = 0; k < 4; ++k)
    b.push_back(static_cast<unsigned char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF));
}

void Append8(std::vector<unsigned char>& b, double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, 8);
  for (int k = 0; k < 8; ++k) b.push_back(static_cast<unsigned char>((u >> (8 * k)) & 0xFF));
}

// One record: its length, the payload, its length again.
bool PutRecord(std::FILE* f, const std::vector<unsigned char>& payload) {
  std::vector<unsigned char> count;
  Append4(count, static_cast<std::int32_t>(payload.size()));
  return std::fwrite(count.data(), 1, 4, f) == 4 &&
         std::fwrite(payload.data(), 1, payload.size(), f) == payload.size() &&
         std::fwrite(count.data(), 1, 4, f) == 4;
}

}  // namespace

Solution SolveSteady(const Mesh& mesh, const Boundary& boundary, const Settings& settings,
                     const std::vector<double>& start) {
  const std::size_t n = mesh.x.size();
  Sparse k = Pattern(mesh);
  // A node of no active element takes P = 0 and stays out of the equations.
  std::vector<char> dead(n, 1);
  for (const Element& e : mesh.elements) {
    if (!Active(mesh, e)) continue;
    std::array<std::int32_t, 4> c;
    const int corners = Corners(e, c);
    for (int a = 0; a < corners; ++a) dead[static_cast<std::size_t>(c[a])] = 0;
  }
  std::vector<double> h(n);
  double fixedMean = 0.0;
  int fixedCount = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (boundary.condition[i] == kHead) fixedMean += boundary.head[i], ++fixedCount;
  }
  fixedMean = fixedCount > 0 ? fixedMean / fixedCount : 0.0;
  for (std::size_t i = 0; i < n; ++i) h[i] = start.size() == n ? start[i] : fixedMean;
  // Seepage-face nodes start fixed at P = 0; a node through which water would enter is let go, a free
  // one with P > 0 is fixed again. A node that has changed its state kMostFlips times keeps the last: a node
  // where the face meets the unsaturated zone may otherwise go back and forth for ever.
  constexpr int kMostFlips = 6;
  std::vector<char> seeping(n, 0), fixed(n, 0);
  std::vector<int> flips(n, 0);
  for (std::size_t i = 0; i < n; ++i) seeping[i] = boundary.condition[i] == kSeepage;
  auto setFixed = [&]() {
    for (std::size_t i = 0; i < n; ++i) {
      fixed[i] = dead[i] || boundary.condition[i] == kHead || seeping[i];
      if (dead[i] || seeping[i]) h[i] = mesh.y[i];
      if (!dead[i] && boundary.condition[i] == kHead) h[i] = boundary.head[i];
    }
  };
  Solution s;
  std::vector<double> q(n);
  auto reactions = [&]() {
    for (std::size_t i = 0; i < n; ++i) {
      double sum = 0.0;
      for (std::int32_t at = k.start[i]; at < k.start[i + 1]; ++at) sum += k.value[at] * h[k.column[at]];
      q[i] = sum;
    }
  };
  // Confined flow without seepage faces is linear: one pass is the solution.
  const bool linear =
      !settings.unsaturated.on && std::none_of(boundary.condition.begin(), boundary.condition.end(),
                                               [](std::int32_t c) { return c == kSeepage; });
  const double relax = settings.unsaturated.on ? settings.unsaturated.relax : 1.0;
  std::vector<double> kr;
  UpdateRelative(mesh, settings.unsaturated, h, 1.0, kr);
  for (s.passes = 1; s.passes <= settings.passes; ++s.passes) {
    setFixed();
    const std::vector<double> before = h;
    Assemble(mesh, kr, k);
    s.iterations += SolveFree(k, fixed, settings.tolerance, h);
    double change = 0.0;
    for (std::size_t i = 0; i < n; ++i) change = std::max(change, std::fabs(h[i] - before[i]));
    reactions();
    bool switched = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (boundary.condition[i] != kSeepage || dead[i] || flips[i] >= kMostFlips) continue;
      const bool seeps = seeping[i] ? !(q[i] > 0.0) : h[i] > mesh.y[i];
      if (seeps != static_cast<bool>(seeping[i])) seeping[i] = seeps, switched = true, ++flips[i];
    }
    if (linear || (!switched && change < settings.headTolerance)) {
      s.converged = true;
      break;
    }
    UpdateRelative(mesh, settings.unsaturated, h, relax, kr);
  }
  s.passes = std::min(s.passes, settings.passes);
  // The heads, flows and velocities of one pass: kr and K from the final heads, solved once more, so
  // that Q is the reaction of exactly these heads.
  if (!linear) {
    setFixed();
    UpdateRelative(mesh, settings.unsaturated, h, 1.0, kr);
    Assemble(mesh, kr, k);
    s.iterations += SolveFree(k, fixed, settings.tolerance, h);
    reactions();
  }
  s.h = h;
  s.q.assign(n, 0.0);
  s.ncode.assign(n, kNoFlow);
  for (std::size_t i = 0; i < n; ++i) {
    if (dead[i]) continue;
    if (boundary.condition[i] == kHead) s.ncode[i] = kHead;
    if (seeping[i]) s.ncode[i] = kSeepage;
    if (s.ncode[i] != kNoFlow) s.q[i] = q[i];
  }
  s.vx.assign(mesh.elements.size(), 0.0);
  s.vy.assign(mesh.elements.size(), 0.0);
  for (std::size_t e = 0; e < mesh.elements.size(); ++e) {
    const Element& el = mesh.elements[e];
    if (!Active(mesh, el)) continue;
    const Material& mat = mesh.materials[static_cast<std::size_t>(el.mat - 1)];
    std::array<std::int32_t, 4> c;
    const int corners = Corners(el, c);
    // The element's mean velocity by the quadrature of K, so that what the velocities carry across
    // a line matches the reactions where kr changes inside the element (the centre's for kr = 1 on a
    // parallelogram).
    const double gauss = 1.0 / std::sqrt(3.0);
    double area = 0.0, vx = 0.0, vy = 0.0;
    for (int gp = 0; gp < (corners == 3 ? 1 : 4); ++gp) {
      const double xi = (gp == 1 || gp == 2) ? gauss : -gauss, eta = gp >= 2 ? gauss : -gauss;
      const Gradients g = AtPoint(mesh, c, corners, xi, eta);
      double hx = 0.0, hy = 0.0;
      for (int a = 0; a < corners; ++a) hx += g.dx[a] * h[c[a]], hy += g.dy[a] * h[c[a]];
      const double w = kr[4 * e + static_cast<std::size_t>(gp)] * g.det;
      vx -= w * mat.kx * hx;  // v = −kr k ∇H
      vy -= w * mat.ky * hy;
      area += g.det;
    }
    s.vx[e] = vx / area;
    s.vy[e] = vy / area;
  }
  return s;
}

const char* OptionText(int argc, char** argv, const char* name, const char* fallback) {
  for (int a = 1; a + 1 < argc; ++a) {
    if (std::strcmp(argv[a], name) == 0) return argv[a + 1];
  }
  return fallback;
}

bool WriteResultFile(const std::string& path, const std::string& title, const Mesh& mesh,
                     const std::vector<Step>& steps) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = true;
  std::vector<unsigned char> b;
  std::string t = title;
  t.resize(80, ' ');
  b.assign(t.begin(), t.end());
  ok = ok && PutRecord(f, b);
  const std::int32_t numnp = static_cast<std::int32_t>(mesh.x.size());
  b.clear();
  Append4(b, numnp);
  ok = ok && PutRecord(f, b);
  b.clear();
  for (std::size_t i = 0; i < mesh.x.size(); ++i) Append8(b, mesh.x[i]), Append8(b, mesh.y[i]);
  ok = ok && PutRecord(f, b);
  b.clear();
  Append4(b, static_cast<std::int32_t>(mesh.elements.size()));
  ok = ok && PutRecord(f, b);
  b.clear();
  for (const Element& e : mesh.elements) {
    for (std::int32_t v : {e.i, e.j, e.k, e.l, e.mat}) Append4(b, v);
    const bool active = Active(mesh, e);
    Append8(b, active ? mesh.materials[static_cast<std::size_t>(e.mat - 1)].kx : 0.0);
    Append8(b, 0.3);
  }
  ok = ok && PutRecord(f, b);
  for (const Step& st : steps) {
    b.clear();
    Append4(b, st.number);
    Append8(b, st.time);
    ok = ok && PutRecord(f, b);
    b.clear();
    for (std::size_t i = 0; i < mesh.x.size(); ++i) {
      Append4(b, st.solution.ncode[i]);
      Append8(b, st.solution.h[i] - mesh.y[i]);
      Append8(b, st.solution.q[i]);
    }
    ok = ok && PutRecord(f, b);
    b.clear();
    for (std::size_t e = 0; e < mesh.elements.size(); ++e)
      Append8(b, st.solution.vx[e]), Append8(b, st.solution.vy[e]);
    ok = ok && PutRecord(f, b);
  }
  return std::fclose(f) == 0 && ok;
}

}  // namespace seepage
