// VTU files and their collection read back with real readers (VTK and meshio, through check_vtu.py),
// against values worked out here from what the result file holds; then empty meshes and failures.
#include "writers/vtu/vtu.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/reader/result_file.h"
#include "support/io_harness.h"
#include "support/result_file.h"

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

const fs::path kSource = fs::path(__FILE__).parent_path();

std::string Json(const std::vector<double>& v) {
  std::string s = "{\"f64\": [";
  for (const double x : v) s += std::to_string(std::bit_cast<std::uint64_t>(x)) + ",";
  if (!v.empty()) s.pop_back();
  return s + "]}";
}
std::string Json(const std::vector<std::int64_t>& v) {
  std::string s = "{\"int\": [";
  for (const std::int64_t x : v) s += std::to_string(x) + ",";
  if (!v.empty()) s.pop_back();
  return s + "]}";
}

// The expected content of one step file: the cells as the element table gives them, the nodal
// velocity as the mean over the active elements at each node, computed here on its own.
std::string ExpectedFile(const Model& m, const StepValues& st, bool all, const std::string& file,
                         bool meshio) {
  const std::size_t numnp = m.nodes.size();
  std::vector<double> points, sx(numnp), sy(numnp), cnt(numnp), ph, th, q, vel, speed, cvel, cspeed;
  std::vector<std::int64_t> ncode, conn, offsets, types, material;
  for (std::size_t e = 0; e < m.elements.size(); ++e) {
    const Element& el = m.elements[e];
    const bool triangle = el.l == el.k || el.l == 0;
    const std::vector<std::int32_t> corners =
        triangle ? std::vector{el.i, el.j, el.k} : std::vector{el.i, el.j, el.k, el.l};
    const double vx = st.elements[e].vx, vy = st.elements[e].vy;
    bool inMesh = true;
    for (const std::int32_t c : corners) {
      inMesh = inMesh && c >= 1 && c <= static_cast<std::int32_t>(numnp);
      if (el.mat > 0 && c >= 1 && c <= static_cast<std::int32_t>(numnp)) {
        sx[c - 1] += vx, sy[c - 1] += vy, cnt[c - 1] += 1;
      }
    }
    if ((!all && el.mat <= 0) || !inMesh) continue;
    for (const std::int32_t c : corners) conn.push_back(c - 1);
    offsets.push_back(static_cast<std::int64_t>(conn.size()));
    types.push_back(triangle ? 5 : 9);
    material.push_back(el.mat);
    cvel.insert(cvel.end(), {vx, vy, 0.0});
    cspeed.push_back(std::sqrt(vx * vx + vy * vy));
  }
  for (std::size_t n = 0; n < numnp; ++n) {
    const double vx = cnt[n] > 0 ? sx[n] / cnt[n] : 0.0, vy = cnt[n] > 0 ? sy[n] / cnt[n] : 0.0;
    points.insert(points.end(), {m.nodes[n].x, m.nodes[n].y, 0.0});
    ph.push_back(st.nodes[n].p);
    th.push_back(st.nodes[n].p + m.nodes[n].y);
    q.push_back(st.nodes[n].q);
    ncode.push_back(st.nodes[n].ncode);
    vel.insert(vel.end(), {vx, vy, 0.0});
    speed.push_back(std::sqrt(vx * vx + vy * vy));
  }
  return "{\"file\": \"" + file + "\", \"meshio\": " + (meshio ? "true" : "false") +
         ", \"time\": " + Json(std::vector{st.time}) + ", \"points\": " + Json(points) +
         ", \"connectivity\": " + Json(conn) + ", \"offsets\": " + Json(offsets) +
         ", \"types\": " + Json(types) + ", \"point\": {\"pressure_head\": " + Json(ph) +
         ", \"total_head\": " + Json(th) + ", \"Q\": " + Json(q) + ", \"NCODE\": " + Json(ncode) +
         ", \"velocity\": " + Json(vel) + ", \"speed\": " + Json(speed) +
         "}, \"cell\": {\"velocity\": " + Json(cvel) + ", \"speed\": " + Json(cspeed) +
         ", \"material\": " + Json(material) + "}, \"field\": {\"TIME\": " + Json(std::vector{st.time}) +
         ", \"STEP\": " + Json(std::vector<std::int64_t>{st.istep}) + "}}";
}

void WriteResultFile(const Model& m) {
  test::ResultFile f;
  f.Header("VTU TEST", m.nodes, m.elements);
  for (const StepValues& st : m.steps) f.Step(st.istep, st.time, st.nodes, st.elements);
  f.WriteTo("R.DAT");
}

// The example's mesh and steps as the result file reader gives them.
Model ReadModel() {
  test::ConsoleIo con;
  Store s;
  s.FNAME.fill(' ');
  std::string("R.DAT").copy(s.FNAME.data(), 5);
  result::Open(con.io(), s);
  result::ReadHeader(con.io(), s);
  Model m;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) m.nodes.push_back({s.X(n), s.Y(n)});
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    m.elements.push_back({s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK), s.ELEM(e, kL), s.ELEM(e, kMAT)});
  }
  while (result::ReadStep(con.io(), s)) {
    StepValues& st = m.steps.emplace_back(StepValues{s.ISTEP, s.TIME, {}, {}});
    for (std::int32_t n = 1; n <= s.NUMNP; ++n) st.nodes.push_back({s.NCODE(n), s.P(n), s.Q(n)});
    for (std::int32_t e = 1; e <= s.NUMEL; ++e) st.elements.push_back({s.VXE(e), s.VYE(e)});
  }
  return m;
}

// Converts every step of R.DAT to R.pvd and R/R_NNNN.vtu in-process; gives the elements left out.
std::int64_t Convert(bool all, std::int32_t steps = 1 << 30) {
  test::ConsoleIo con;
  Store s;
  s.FNAME.fill(' ');
  std::string("R.DAT").copy(s.FNAME.data(), 5);
  result::Open(con.io(), s);
  result::ReadHeader(con.io(), s);
  VtuRun run;
  try {
    SetUpVtu(run, s, "R.pvd", all);
    for (std::int32_t k = 0; k < steps && result::ReadStep(con.io(), s); ++k) WriteVtuStep(run, s);
    FinishVtu(run, s);
  } catch (...) {
    AbandonVtu(run);
    throw;
  }
  return SkippedElements(run);
}

// Writes the expected values, lets both readers compare, and checks that the folder holds exactly the
// step files (no temporary file left).
void ExpectReadersAgree(const Model& m, bool all, bool meshio = true) {
  std::string files;
  std::vector<std::string> names;
  for (std::size_t k = 0; k < m.steps.size(); ++k) {
    const std::string number = std::to_string(k + 1);
    names.push_back("R_" + std::string(4 - std::min<std::size_t>(4, number.size()), '0') + number + ".vtu");
    files += (k > 0 ? ", " : "") + ExpectedFile(m, m.steps[k], all, "R/" + names.back(), meshio);
  }
  test::WriteBytes("expected.json", "{\"pvd\": \"R.pvd\", \"files\": [" + files + "]}");
  const int status = std::system(
      ("/usr/bin/python3 " + (kSource / "check_vtu.py").string() + " expected.json > check.log 2>&1")
          .c_str());
  EXPECT_EQ(status, 0) << test::ReadBytes("check.log");
  std::vector<std::string> found;
  if (fs::exists("R")) {
    for (const auto& f : fs::directory_iterator("R")) found.push_back(f.path().filename().string());
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, names);
}

bool ReadersInstalled() {
  return std::system("/usr/bin/python3 -c 'import vtk, meshio' > /dev/null 2>&1") == 0;
}
#define REQUIRE_READERS()                                        \
  if (!ReadersInstalled())                                       \
  GTEST_SKIP() << "python3-vtk9 or python3-meshio missing: run " \
                  "tools/ensure-packages"

TEST(VtuReaders, ExampleWithActiveAndWithAllElements) {
  REQUIRE_READERS();
  for (const bool all : {false, true}) {
    SCOPED_TRACE(all ? "all elements" : "active elements");
    test::WorkDir dir;
    fs::copy_file(kSource / "../../../examples/RESULT.DAT", "R.DAT");
    const Model m = ReadModel();
    ASSERT_EQ(m.steps.size(), 6u);
    EXPECT_EQ(Convert(all), 0);
    ExpectReadersAgree(m, all);
  }
}

// Node grid 3 x 3 (plus node 10 far off). Element 2 is a triangle stored with L = K, element 3 one
// with L = 0; elements 4 and 5 are inactive; element 6 names node 12 and is left out. Step 1 comes
// twice; values include a NaN with a payload, -0, the smallest subnormal and a time of 17 digits.
TEST(VtuReaders, TrianglesInactiveElementsRepeatedStepsAndOddValues) {
  REQUIRE_READERS();
  const double nan = std::bit_cast<double>(std::uint64_t{0x7FF8000000000123});
  Model m;
  m.nodes = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}, {1e300, -0.0}};
  m.elements = {{1, 2, 5, 4, 1}, {2, 3, 6, 6, 2},  {2, 6, 5, 0, 1},
                {4, 5, 8, 7, 0}, {5, 9, 8, 8, -1}, {5, 6, 9, 12, 3}};
  const std::tuple<int, double, double> steps[] = {{1, 0.1 + 0.2, 1.0}, {1, 7200.0, -0.0}, {2, 1e-3, 0.37}};
  for (const auto& [istep, time, scale] : steps) {
    StepValues st{istep, time, {}, {}};
    for (int n = 0; n < 10; ++n)
      st.nodes.push_back({n % 3 - 1, scale * n - 0.5, n == 4 ? nan : scale * 5e-324});
    for (int e = 0; e < 6; ++e) st.elements.push_back({scale * (e + 0.1), e == 2 ? nan : -scale / (e + 3)});
    m.steps.push_back(st);
  }
  for (const bool all : {false, true}) {
    SCOPED_TRACE(all ? "all elements" : "active elements");
    test::WorkDir dir;
    WriteResultFile(m);
    EXPECT_EQ(Convert(all), 1);
    ExpectReadersAgree(m, all);
  }
}

TEST(VtuReaders, EmptyMeshesAndNoStepGiveSoundFiles) {
  REQUIRE_READERS();
  const std::vector<ElementValues> none;
  struct Case {
    const char* what;
    Model m;
    std::int64_t skipped;
    bool meshio;  // meshio 7 reads no grid without cells
  };
  const Case cases[] = {
      {"zero nodes", {{}, {{1, 2, 3, 4, 1}}, {{3, 60.0, {}, {{1.0, 2.0}}}}}, 1, false},
      {"zero elements", {{{0, 0}, {1, 0}}, {}, {{1, 1.5, {{1, 0.5, 0}, {2, -0.5, 1}}, none}}}, 0, false},
      {"no step", {{{0, 0}, {1, 0}, {0, 1}}, {{1, 2, 3, 3, 1}}, {}}, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WorkDir dir;
    WriteResultFile(c.m);
    EXPECT_EQ(Convert(false), c.skipped);
    ExpectReadersAgree(c.m, false, c.meshio);
  }
}

// ---- Failures: the error number, and nothing but finished files left under final names ----

const Model kSmall = {
    {{0, 0}, {1, 0}, {0, 1}}, {{1, 2, 3, 3, 1}}, {{1, 1.0, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 0}}}}};

TEST(VtuFailures, NamesThatCannotBeMade) {
  struct Case {
    const char* what;
    const char* pvd;
    void (*prepare)();
    const char* line;
  };
  const Case cases[] = {
      {"no extension", "R", [] {}, "forrtl: severe (43): file name specification error, unit 0, file R"},
      {"missing folder", "NO/R.pvd", [] {}, "forrtl: severe (29): file not found, unit 0, file NO/R/"},
      {"step folder is a file", "R.pvd", [] { test::WriteBytes("R", "x"); },
       "forrtl: severe (30): open failure, unit 0, file R/"},
      {"collection is a folder", "R.pvd", [] { fs::create_directory("R.pvd"); },
       "forrtl: severe (30): open failure, unit 0, file R.pvd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WorkDir dir;
    c.prepare();
    Store s;
    s.NUMNP = 0;
    VtuRun run;
    EXPECT_EQ(test::FailureLine([&] {
                try {
                  SetUpVtu(run, s, c.pvd, false);
                  WriteVtuStep(run, s);
                  FinishVtu(run, s);
                } catch (...) {
                  AbandonVtu(run);
                  throw;
                }
              }),
              c.line);
    for (const auto& f : fs::recursive_directory_iterator(dir.Path())) {
      EXPECT_EQ(f.path().string().find(".tmp-"), std::string::npos) << f.path();
    }
  }
}

// A second run that cannot write (a full device, here a file size limit; or a read-only folder) stops
// with its error and leaves the first run's files as they were.
TEST(VtuFailures, FailedRunLeavesThePreviousFilesWhole) {
  for (const int number : {38, 9}) {
    SCOPED_TRACE(number);
    test::WorkDir dir;
    WriteResultFile(kSmall);
    Convert(false);
    const std::string step = test::ReadBytes("R/R_0001.vtu"), pvd = test::ReadBytes("R.pvd");
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY}, small{100, RLIM_INFINITY};
    signal(SIGXFSZ, SIG_IGN);
    if (number == 38) setrlimit(RLIMIT_FSIZE, &small);
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    if (number == 9) fs::permissions("R", readOnly);
    if (number == 9) fs::permissions(dir.Path(), fs::perms::all);  // the user nobody goes in and reads R.DAT
    if (number == 9 && getuid() == 0) {
      ASSERT_EQ(seteuid(65534), 0);  // root would write anyway
    }
    const std::string line = test::FailureLine([] { Convert(false); });
    if (number == 9 && getuid() == 0) {
      ASSERT_EQ(seteuid(0), 0);
    }
    setrlimit(RLIMIT_FSIZE, &unlimited);
    fs::permissions("R", fs::perms::owner_all);
    EXPECT_NE(line.find("severe (" + std::to_string(number) + ")"), std::string::npos) << line;
    EXPECT_NE(line.find("R/R_0001.vtu"), std::string::npos) << line;
    EXPECT_EQ(test::ReadBytes("R/R_0001.vtu"), step);
    EXPECT_EQ(test::ReadBytes("R.pvd"), pvd);
    EXPECT_EQ(std::distance(fs::directory_iterator("R"), fs::directory_iterator{}), 1);
  }
}

}  // namespace
}  // namespace seep
