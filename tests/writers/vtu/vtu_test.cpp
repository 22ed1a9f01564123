// VTU files and their collection read back with real readers (VTK and meshio, through check_vtu.py),
// against values worked out here from what the result file holds; then failures.
#include "writers/vtu/vtu.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/reader/result_file.h"
#include "support/files.h"
#include "support/io_harness.h"
#include "support/result_file.h"
#include "support/scratch.h"

namespace seep {
namespace {

namespace fs = std::filesystem;
using test::Element;
using test::ElementValues;
using test::Node;
using test::NodeValues;

struct StepValues {
  std::int32_t istep;
  double time;
  std::vector<NodeValues> nodes;
  std::vector<ElementValues> elements;
};
// What a result file holds, as plain values.
struct Model {
  std::vector<Node> nodes;
  std::vector<Element> elements;
  std::vector<StepValues> steps;
};

const fs::path kSource = fs::path(SEEPCONV_SOURCE_DIR) / "tests" / "writers" / "vtu";

// Values compared within rounding: KEY near VALUES..., NaN as nan.
void NearLine(std::string& out, const std::string& key, const std::vector<double>& values) {
  out += key + " near";
  char text[32];
  for (const double v : values) {
    std::snprintf(text, sizeof text, " %.17g", v);
    out += text;
  }
  out += '\n';
}

// i = −∇H of an element at its centre, from the shape functions' gradients: a triangle's ∇N_k =
// (y_{k+1} − y_{k+2}, x_{k+2} − x_{k+1}) / 2A; a quadrilateral's at ξ = η = 0 through the inverse
// Jacobian. NaN when the element has no area.
std::pair<double, double> ExpectedGradient(const std::vector<double>& x, const std::vector<double>& y,
                                           const std::vector<double>& h) {
  double gx = 0.0, gy = 0.0, det = 0.0;
  if (x.size() == 3) {
    det = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    for (int k = 0; k < 3; ++k) {
      gx += h[k] * (y[(k + 1) % 3] - y[(k + 2) % 3]) / det;
      gy += h[k] * (x[(k + 2) % 3] - x[(k + 1) % 3]) / det;
    }
  } else {
    const double dxi[4] = {-0.25, 0.25, 0.25, -0.25}, deta[4] = {-0.25, -0.25, 0.25, 0.25};
    double xx = 0, xe = 0, yx = 0, ye = 0;  // dx/dξ, dx/dη, dy/dξ, dy/dη
    for (int k = 0; k < 4; ++k)
      xx += dxi[k] * x[k], xe += deta[k] * x[k], yx += dxi[k] * y[k], ye += deta[k] * y[k];
    det = xx * ye - xe * yx;
    for (int k = 0; k < 4; ++k) {
      // ∇N = J⁻ᵀ (dN/dξ, dN/dη)
      gx += h[k] * (ye * dxi[k] - yx * deta[k]) / det;
      gy += h[k] * (-xe * dxi[k] + xx * deta[k]) / det;
    }
  }
  if (det == 0.0) return {std::nan(""), std::nan("")};
  return {-gx, -gy};
}

// One line of expected values: KEY f64 BITS... or KEY int VALUES...
template <class T>
void Line(std::string& out, const std::string& key, const std::vector<T>& values) {
  out += key + (std::is_same_v<T, double> ? " f64" : " int");
  for (const T v : values) {
    if constexpr (std::is_same_v<T, double>) {
      out += ' ' + std::to_string(std::bit_cast<std::uint64_t>(v));
    } else {
      out += ' ' + std::to_string(v);
    }
  }
  out += '\n';
}

// The expected content of step file `k`: cells as the element table gives them, the nodal velocity
// as the mean over the active elements at each node, computed here on its own.
void ExpectFile(std::string& out, const Model& m, std::size_t k, bool all, bool meshio) {
  const StepValues& st = m.steps[k];
  const std::int32_t numnp = static_cast<std::int32_t>(m.nodes.size());
  std::vector<double> points, sx(numnp), sy(numnp), cnt(numnp), ph, th, q, vel, speed, cvel, cspeed, grad,
      gradSize;
  std::vector<std::int64_t> ncode, conn, offsets, types, material;
  for (std::size_t e = 0; e < m.elements.size(); ++e) {
    const Element& el = m.elements[e];
    const bool triangle = el.l == el.k || el.l == 0;
    const std::vector<std::int32_t> corners = {el.i, el.j, el.k, triangle ? 0 : el.l};
    const double vx = st.elements[e].vx, vy = st.elements[e].vy;
    bool inMesh = true;
    for (std::size_t c = 0; c < 3u + !triangle; ++c) {
      const std::int32_t n = corners[c];
      inMesh = inMesh && n >= 1 && n <= numnp;
      if (el.mat > 0 && n >= 1 && n <= numnp) sx[n - 1] += vx, sy[n - 1] += vy, cnt[n - 1] += 1;
    }
    if ((!all && el.mat <= 0) || !inMesh) continue;
    for (std::size_t c = 0; c < 3u + !triangle; ++c) conn.push_back(corners[c] - 1);
    offsets.push_back(static_cast<std::int64_t>(conn.size()));
    types.push_back(triangle ? 5 : 9);
    material.push_back(el.mat);
    cvel.insert(cvel.end(), {vx, vy, 0.0});
    cspeed.push_back(std::sqrt(vx * vx + vy * vy));
    std::vector<double> x, y, h;
    for (std::size_t c = 0; c < 3u + !triangle; ++c) {
      const Node& node = m.nodes[corners[c] - 1];
      x.push_back(node.x), y.push_back(node.y), h.push_back(st.nodes[corners[c] - 1].p + node.y);
    }
    auto [ix, iy] = el.mat > 0 ? ExpectedGradient(x, y, h) : std::pair{std::nan(""), std::nan("")};
    grad.insert(grad.end(), {ix, iy, 0.0});
    gradSize.push_back(std::hypot(ix, iy));
  }
  for (std::int32_t n = 0; n < numnp; ++n) {
    const double vx = cnt[n] > 0 ? sx[n] / cnt[n] : 0.0, vy = cnt[n] > 0 ? sy[n] / cnt[n] : 0.0;
    points.insert(points.end(), {m.nodes[n].x, m.nodes[n].y, 0.0});
    ph.push_back(st.nodes[n].p);
    th.push_back(st.nodes[n].p + m.nodes[n].y);
    q.push_back(st.nodes[n].q);
    ncode.push_back(st.nodes[n].ncode);
    vel.insert(vel.end(), {vx, vy, 0.0});
    speed.push_back(std::sqrt(vx * vx + vy * vy));
  }
  const std::string number = std::to_string(k + 1);
  out += "file R/R_" + std::string(4 - std::min<std::size_t>(4, number.size()), '0') + number + ".vtu " +
         (meshio ? "1\n" : "0\n");
  Line(out, "time", std::vector{st.time});
  Line(out, "points", points), Line(out, "connectivity", conn), Line(out, "offsets", offsets);
  Line(out, "types", types), Line(out, "point/pressure_head", ph), Line(out, "point/total_head", th);
  Line(out, "point/Q", q), Line(out, "point/NCODE", ncode), Line(out, "point/velocity", vel);
  Line(out, "point/speed", speed), Line(out, "cell/velocity", cvel), Line(out, "cell/speed", cspeed);
  NearLine(out, "cell/hydraulic_gradient", grad),
      NearLine(out, "cell/hydraulic_gradient_magnitude", gradSize);
  Line(out, "cell/material", material), Line(out, "field/TIME", std::vector{st.time});
  Line(out, "field/STEP", std::vector<std::int64_t>{st.istep});
}

// Converts R.DAT to R.pvd and R/R_NNNN.vtu in-process, step by step; gives the elements left out.
// `read` receives the mesh and steps as the result file reader gives them.
std::int64_t Convert(bool all, Model* read = nullptr, const char* pvd = "R.pvd") {
  test::ConsoleIo con;
  Store s;
  result::Open(con.io(), "R.DAT");
  result::ReadHeader(con.io(), s);
  VtuState run;
  try {
    SetUpVtu(run, s, pvd, all);
    for (std::int32_t n = 1; read && n <= s.NUMNP; ++n) read->nodes.push_back({s.X(n), s.Y(n)});
    for (std::int32_t e = 1; read && e <= s.NUMEL; ++e) {
      read->elements.push_back({s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK), s.ELEM(e, kL), s.ELEM(e, kMAT)});
    }
    while (result::ReadStep(con.io(), s)) {
      StepValues st{s.ISTEP, s.TIME, {}, {}};
      for (std::int32_t n = 1; n <= s.NUMNP; ++n) st.nodes.push_back({s.NCODE(n), s.P(n), s.Q(n)});
      for (std::int32_t e = 1; e <= s.NUMEL; ++e) st.elements.push_back({s.VXE(e), s.VYE(e)});
      if (read) read->steps.push_back(st);
      WriteVtuStep(run, s);
    }
    FinishVtu(run, s);
  } catch (...) {
    AbandonVtu(run);
    throw;
  }
  return SkippedElements(run);
}

void WriteResultFile(const Model& m) {
  test::ResultFile f;
  f.Header("VTU TEST", m.nodes, m.elements);
  for (const StepValues& st : m.steps) f.Step(st.istep, st.time, st.nodes, st.elements);
  f.WriteTo("R.DAT");
}

// Node grid 3 x 3 and node 10 far off. Element 2 is a triangle stored with L = K, element 3 one with
// L = 0; elements 4 and 5 are inactive; element 6 names node 12 and is left out. Step 1 comes twice;
// values include a NaN with a payload, -0, the smallest subnormal and a time of 17 digits.
Model Generated() {
  const double nan = std::bit_cast<double>(std::uint64_t{0x7FF8000000000123});
  Model m{{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}, {1e300, -0.0}},
          {{1, 2, 5, 4, 1},
           {2, 3, 6, 6, 2},
           {2, 6, 5, 0, 1},
           {4, 5, 8, 7, 0},
           {5, 9, 8, 8, -1},
           {5, 6, 9, 12, 3}},
          {}};
  const double scales[] = {1.0, -0.0, 0.37};
  for (int k = 0; k < 3; ++k) {
    const double scale = scales[k];
    StepValues& st = m.steps.emplace_back(StepValues{k / 2 + 1, k == 0 ? 0.1 + 0.2 : 3600.0 * k, {}, {}});
    for (int n = 0; n < 10; ++n)
      st.nodes.push_back({n % 3 - 1, scale * n - 0.5, n == 4 ? nan : scale * 5e-324});
    for (int e = 0; e < 6; ++e) st.elements.push_back({scale * (e + 0.1), e == 2 ? nan : -scale / (e + 3)});
  }
  return m;
}

TEST(VtuReaders, EveryValueReadsBackExactly) {
  if (std::system("/usr/bin/python3 -c 'import vtk, meshio' > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "python3-vtk9 or python3-meshio missing: run tools/ensure-packages";
  }
  const Model none;
  const Model zeroNodes{{}, {{1, 2, 3, 4, 1}}, {{3, 60.0, {}, {{1.0, 2.0}}}}};
  const Model zeroElements{{{0, 0}, {1, 0}}, {}, {{1, 1.5, {{1, 0.5, 0}, {2, -0.5, 1}}, {}}}};
  const Model noStep{{{0, 0}, {1, 0}, {0, 1}}, {{1, 2, 3, 3, 1}}, {}};
  const Model generated = Generated();
  struct Case {
    const char* what;
    const Model& m;  // `none`: the example
    bool all;
    std::int64_t skipped;
    bool meshio;  // meshio 7 reads no grid without cells
  };
  const Case cases[] = {
      {"example", none, false, 0, true},          {"example, all elements", none, true, 0, true},
      {"generated", generated, false, 1, true},   {"generated, all elements", generated, true, 1, true},
      {"zero nodes", zeroNodes, false, 1, false}, {"zero elements", zeroElements, false, 0, false},
      {"no step", noStep, false, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Scratch dir(test::Scratch::kEnter);
    Model read;
    if (&c.m == &none) fs::copy_file(kSource / "../../../examples/RESULT.DAT", "R.DAT");
    if (&c.m != &none) WriteResultFile(c.m);
    EXPECT_EQ(Convert(c.all, &read), c.skipped);
    ASSERT_EQ(read.steps.size(), &c.m == &none ? 6u : c.m.steps.size());
    const Model& m = &c.m == &none ? read : c.m;
    std::string expected;
    for (std::size_t k = 0; k < m.steps.size(); ++k) ExpectFile(expected, m, k, c.all, c.meshio);
    test::WriteFile("expected.txt", expected);
    const std::string check =
        "/usr/bin/python3 " + (kSource / "check_vtu.py").string() + " R.pvd expected.txt";
    EXPECT_EQ(std::system((check + " > check.log 2>&1").c_str()), 0) << test::ReadFile("check.log");
    // Only the step files are left in the folder: no temporary file.
    const std::size_t files = fs::exists("R") ? std::distance(fs::directory_iterator("R"), {}) : 0;
    EXPECT_EQ(files, m.steps.size());
  }
}

// Every file under `dir`, with its bytes.
std::map<std::string, std::string> Files(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& f : fs::recursive_directory_iterator(dir)) {
    if (f.is_regular_file()) files[f.path().string()] = test::ReadFile(f.path());
  }
  return files;
}

std::FILE* g_heldOpen = nullptr;  // a step file that another program holds open (Windows)

// A run that fails stops with its error number and leaves every file of the run before it as it was
// (a finished file may be replaced by the same content), with no temporary file anywhere.
TEST(VtuFailures, ErrorNumberAndThePreviousFilesWhole) {
  struct Case {
    const char* pvd;
    void (*prepare)();
    const char* line;
  };
  const Case cases[] = {
      {"R", [] {}, "forrtl: severe (43): file name specification error, unit 0, file R"},
// On Windows the folder's name is joined with the system's separator, and a folder opened as a file is
// refused as access denied.
#ifdef _WIN32
      {"NO/R.pvd", [] {}, "forrtl: severe (29): file not found, unit 0, file NO\\R/"},
#else
      {"NO/R.pvd", [] {}, "forrtl: severe (29): file not found, unit 0, file NO/R/"},
#endif
      {"R.pvd", [] { fs::remove_all("R"), test::WriteFile("R", "x"); },
       "forrtl: severe (30): open failure, unit 0, file R/"},
      {"R.pvd", [] { fs::remove("R.pvd"), fs::create_directory("R.pvd"); },
#ifdef _WIN32
       "forrtl: severe (9): permission to access file denied, unit 0, file R.pvd"},
#else
       "forrtl: severe (30): open failure, unit 0, file R.pvd"},
#endif
#ifdef _WIN32  // a step file the system would not remove: the old folder could not go whole
      {"R.pvd", [] { fs::permissions("R/R_0001.vtu", fs::perms::owner_read); },
       "forrtl: severe (9): permission to access file denied, unit 0, file R/R_0001.vtu"},
      {"R.pvd", [] { g_heldOpen = std::fopen("R/R_0001.vtu", "rb"); },
       "forrtl: severe (9): permission to access file denied, unit 0, file R/R_0001.vtu"},
#endif
#ifndef _WIN32   // file size limits and other users are POSIX features
      {"R.pvd",  // a full device: here a limit on the size of files
       [] {
         const rlimit small{100, RLIM_INFINITY};
         signal(SIGXFSZ, SIG_IGN), setrlimit(RLIMIT_FSIZE, &small);
       },
       "forrtl: severe (38): error during write, unit 0, file R/R_0001.vtu"},
      {"R.pvd",  // a read-only folder, for the user nobody when root runs the test
       [] {
         fs::permissions("R", fs::perms::all & ~(fs::perms::owner_write | fs::perms::group_write |
                                                 fs::perms::others_write));
         fs::permissions(".", fs::perms::all);
         if (getuid() == 0) static_cast<void>(seteuid(65534));
       },
       "forrtl: severe (9): permission to access file denied, unit 0, file R/R_0001.vtu"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    test::Scratch dir(test::Scratch::kEnter);
    WriteResultFile({{{0, 0}, {1, 0}, {0, 1}},
                     {{1, 2, 3, 3, 1}},
                     {{1, 1.0, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 0}}}}});
    Convert(false);
    c.prepare();
    const std::map<std::string, std::string> before = Files(dir.Dir());
    const std::string line = test::FailureLine([&] { Convert(false, nullptr, c.pvd); });
#ifndef _WIN32
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    ASSERT_EQ(getuid() == 0 ? seteuid(0) : 0, 0);
    setrlimit(RLIMIT_FSIZE, &unlimited);
#endif
    std::error_code ec;
    fs::permissions("R", fs::perms::owner_all, ec);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(Files(dir.Dir()), before);
    if (g_heldOpen != nullptr) std::fclose(g_heldOpen), g_heldOpen = nullptr;
    fs::permissions("R/R_0001.vtu", fs::perms::owner_read | fs::perms::owner_write, ec);
  }
}

}  // namespace
}  // namespace seep
