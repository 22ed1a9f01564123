// The solved cases of examples/ and their refinements (written here by tools/solve_seepage) against
// closed-form discharges and continuity, measured through the real program (`seepconv flux --json`)
// and, for the nodal flows Q, through the result file reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/reader/result_file.h"
#include "support/e2e.h"
#include "support/io_harness.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(SEEPCONV_SOURCE_DIR) / "examples";

// Writes case `name` with element sizes × `size` as `file` in the folder.
void Solve(const Scratch& dir, const std::string& name, double size, const std::string& file) {
  const std::string command = std::string("'") + SOLVE_SEEPAGE_EXE + "' --case " + name + " --size " +
                              std::to_string(size) + " --out '" + dir.Path(file).string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Net flow (and the flow to the right) of every section ("x1,y1 x2,y2 ...") in every step,
// [step][section], from `flux --json`.
struct Flow {
  double net = 0.0, right = 0.0;
  operator double() const { return net; }
};

std::vector<std::vector<Flow>> NetFlows(const Scratch& dir, const std::string& file,
                                        const std::vector<std::string>& sections) {
  std::vector<std::string> args = {"flux", file, "--json"};
  for (const std::string& s : sections) args.insert(args.end(), {"--section", s});
  const RunResult r = dir.Command(args);
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::vector<Flow>> flows;
  for (std::size_t at = r.out.find("{\"step\": "); at != std::string::npos;
       at = r.out.find("{\"step\": ", at + 1)) {
    flows.emplace_back();
    const std::size_t end = r.out.find('\n', at);
    for (std::size_t net = r.out.find("\"net\": ", at); net < end; net = r.out.find("\"net\": ", net + 1)) {
      const std::size_t right = r.out.find("\"right\": ", net);
      flows.back().push_back(
          {std::strtod(r.out.c_str() + net + 7, nullptr), std::strtod(r.out.c_str() + right + 9, nullptr)});
    }
    EXPECT_EQ(flows.back().size(), sections.size());
  }
  return flows;
}

// The nodes and every step's nodal flows of a result file, through the reader.
struct NodalFlows {
  std::vector<double> x, y;
  std::vector<std::vector<double>> q;  // [step][node]
};

NodalFlows ReadNodalFlows(const fs::path& path) {
  ConsoleIo con;
  Store s;
  result::Open(con.io(), path.string());
  result::ReadHeader(con.io(), s);
  NodalFlows f;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) f.x.push_back(s.X(n)), f.y.push_back(s.Y(n));
  while (result::ReadStep(con.io(), s)) f.q.emplace_back(s.Q.Data(), s.Q.Data() + s.NUMNP);
  return f;
}

double RelativeError(double value, double expected) {
  return std::fabs(value / expected - 1.0);
}

// Confined flow with every boundary node at H = 10 − 0.4 x + 0.3 y (+ 1 in step 2) on distorted
// quadrilaterals and triangles stored both ways, kx = 2e-5, ky = 5e-6: bilinear and linear elements
// hold the plane exactly, so v = (0.4 kx, −0.3 ky) everywhere and the flow through x = 3 is 0.4 kx × 3.
TEST(SeepageCases, UniformFlowIsExactToRounding) {
  Scratch dir;
  Solve(dir, "uniform", 1.0, "U.DAT");
  ConsoleIo con;
  Store s;
  result::Open(con.io(), dir.Path("U.DAT").string());
  result::ReadHeader(con.io(), s);
  int steps = 0;
  while (result::ReadStep(con.io(), s)) {
    ++steps;
    for (std::int32_t n = 1; n <= s.NUMNP; ++n)
      EXPECT_NEAR(s.P(n) + s.Y(n), 10.0 - 0.4 * s.X(n) + 0.3 * s.Y(n) + (steps - 1), 1e-12) << n;
    for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
      EXPECT_NEAR(s.VXE(e), 8e-6, 1e-17) << e;
      EXPECT_NEAR(s.VYE(e), -1.5e-6, 1e-17) << e;
    }
  }
  EXPECT_EQ(steps, 2);
  for (const std::vector<Flow>& step : NetFlows(dir, "U.DAT", {"3,0 3,3", "0,1.5 6,1.5"})) {
    EXPECT_NEAR(step[0], 2.4e-5, 1e-17);
    EXPECT_NEAR(step[1], -1.5e-6 * -6.0, 1e-17);  // drawn to the right: the normal points down
  }
}

// The shipped files are what tools/solve_seepage writes today.
TEST(SeepageCases, ShippedExamplesAreTheSolversOutput) {
  Scratch dir;
  for (const char* name : {"cutoff", "dam", "embankment"}) {
    SCOPED_TRACE(name);
    Solve(dir, name, 1.0, std::string(name) + ".DAT");
    EXPECT_TRUE(dir.Read(std::string(name) + ".DAT") == ReadFile(kExamples / name / "RESULT.DAT"));
  }
}

// Rectangular dam 12 wide on an impermeable base, upstream water h1 = 7, 8.5, 10, downstream h2 = 2,
// k = 1e-5: the discharge of the free-surface problem is exactly Dupuit's q = k (h1² − h2²) / 2L
// (Charny's proof), through every vertical section whatever the seepage face. The shipped mesh (0.25)
// within 2 %, and closer at half the element size.
TEST(SeepageCases, DamDischargeIsDupuitCharny) {
  Scratch dir;
  fs::copy_file(kExamples / "dam" / "RESULT.DAT", dir.Path("D1.DAT"));
  Solve(dir, "dam", 0.5, "D2.DAT");
  const std::vector<std::string> sections = {"1,0 1,11", "3,0 3,11", "6,0 6,11", "9,0 9,11", "11,0 11,11"};
  double worst[2] = {0, 0};
  for (int mesh = 0; mesh < 2; ++mesh) {
    const std::vector<std::vector<Flow>> flows = NetFlows(dir, mesh == 0 ? "D1.DAT" : "D2.DAT", sections);
    ASSERT_EQ(flows.size(), 3u);
    for (std::size_t step = 0; step < flows.size(); ++step) {
      const double h1 = 7.0 + 1.5 * static_cast<double>(step), h2 = 2.0;
      const double dupuit = 1e-5 * (h1 * h1 - h2 * h2) / (2 * 12.0);
      for (double q : flows[step]) worst[mesh] = std::max(worst[mesh], RelativeError(q, dupuit));
    }
  }
  EXPECT_LT(worst[0], 0.02);
  EXPECT_LT(worst[1], 0.7 * worst[0]);
}

// Complete elliptic integral of the first kind K(m), modulus m, by the arithmetic-geometric mean.
double EllipticK(double m) {
  double a = 1.0, b = std::sqrt(1.0 - m * m);
  for (int k = 0; k < 40; ++k) {
    const double next = 0.5 * (a + b);
    b = std::sqrt(a * b);
    a = next;
  }
  return M_PI / (2.0 * a);
}

// A sheet pile of no thickness driven s into a pervious layer of depth T, extending far both ways,
// with the head difference h across it: conformal mapping of the half layer beside the pile (below the
// tip the vertical through the pile is the equipotential h / 2) onto a rectangle gives
//   q / (k h) = K(cos(π s / 2T)) / (2 K(sin(π s / 2T)))
// (Polubarinova-Kochina, Theory of Ground Water Movement, ch. II; Harr, Groundwater and Seepage, ch. 5;
// q / kh = 1/2 at s = T / 2). Here s = 12, T = 20, k = 2e-5, h = 1.5, 3, 4.5, the layer 80 wide and
// the pile one column of inactive elements 0.1 × size thick: within 3 % on the shipped mesh, closer on
// a mesh of half the size.
TEST(SeepageCases, CutoffDischargeIsTheConformalMappingOne) {
  Scratch dir;
  fs::copy_file(kExamples / "cutoff" / "RESULT.DAT", dir.Path("C1.DAT"));
  Solve(dir, "cutoff", 0.5, "C2.DAT");
  const double lambda = std::sin(M_PI * 12.0 / 40.0);
  const double shape = EllipticK(std::sqrt(1.0 - lambda * lambda)) / (2.0 * EllipticK(lambda));
  double error[2] = {0, 0};
  for (int mesh = 0; mesh < 2; ++mesh) {
    const std::vector<std::vector<Flow>> flows = NetFlows(dir, mesh == 0 ? "C1.DAT" : "C2.DAT", {"0,0 0,8"});
    ASSERT_EQ(flows.size(), 3u);
    for (std::size_t step = 0; step < flows.size(); ++step) {
      const double closed = 2e-5 * 1.5 * static_cast<double>(step + 1) * shape;
      for (double q : flows[step]) error[mesh] = std::max(error[mesh], RelativeError(q, closed));
    }
  }
  EXPECT_LT(error[0], 0.03);
  EXPECT_LT(error[1], 0.85 * error[0]);
}

// Continuity on every shipped case: what enters a closed polyline leaves it; the sections that cut the
// whole flow carry the same flow; Σ Q of each step is zero; the inflow of the nodes of the upstream face
// equals the flow across a section just inside it.
struct ContinuityCase {
  const char* name;
  std::vector<std::string> boxes;  // closed polylines, counterclockwise
  std::vector<std::string> whole;  // sections that carry the whole flow, drawn so that it counts positive
  // A section through the centres of the elements along the upstream face, drawn so that inflow counts
  // positive, and a box that holds the face's nodes. On rectangles the two agree to rounding (the
  // element velocities are the elements' mean flux); on the embankment the section reads 1.5-2 % low,
  // the water that turns towards the toe between the face and the section.
  std::string inside;
  double faceX0, faceX1, faceY0, faceY1;
};

TEST(SeepageCases, ShippedCasesConserveWater) {
  const ContinuityCase cases[] = {
      {"dam",
       {"1,0.5 5,0.5 5,5 1,5 1,0.5", "6,1 11.5,1 11.5,3 6,3 6,1"},
       {"1,0 1,11", "3,0 3,11", "6,0 6,11", "9,0 9,11", "11,0 11,11"},
       "0.125,0 0.125,11",
       0,
       0,
       0,
       11},
      {"cutoff",
       {"-10,2 -1,2 -1,15 -10,15 -10,2", "-3,1 3,1 3,6 -3,6 -3,1", "1,4 12,4 12,19 1,19 1,4"},
       {"-40,19.75 -0.05,19.75", "0,0 0,8", "40,19.75 0.05,19.75"},
       "-40,19.75 -0.05,19.75",
       -41,
       -0.05,
       20,
       20},
      {"embankment",
       {"18,1 26,1 26,7 18,7 18,1", "29,2 36,2 36,9 29,9 29,2", "46,0.5 58,0.5 58,5 46,5 46,0.5"},
       {"28,0 28,14", "31,0 31,14", "35,0 35,12.6666666667"},
       "0,5.75 14.75,5.75",
       0,
       14.5,
       6,
       6},
  };
  for (const ContinuityCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    fs::copy_file(kExamples / c.name / "RESULT.DAT", dir.Path("R.DAT"));
    const NodalFlows nodal = ReadNodalFlows(dir.Path("R.DAT"));
    std::vector<std::string> sections = c.boxes;
    sections.insert(sections.end(), c.whole.begin(), c.whole.end());
    sections.push_back(c.inside);
    const std::vector<std::vector<Flow>> flows = NetFlows(dir, "R.DAT", sections);
    ASSERT_EQ(flows.size(), nodal.q.size());
    for (std::size_t step = 0; step < flows.size(); ++step) {
      SCOPED_TRACE("step " + std::to_string(step + 1));
      const std::vector<Flow>& f = flows[step];
      double lowest = f[c.boxes.size()].net, highest = lowest;
      for (std::size_t k = c.boxes.size(); k < c.boxes.size() + c.whole.size(); ++k)
        lowest = std::min(lowest, f[k].net), highest = std::max(highest, f[k].net);
      EXPECT_GT(lowest, 0.0);
      EXPECT_LE(highest - lowest, 0.03 * highest);
      // Counterclockwise: the flow to the right is the flow out of the box.
      for (std::size_t k = 0; k < c.boxes.size(); ++k)
        EXPECT_LE(std::fabs(f[k].net), 0.02 * f[k].right) << c.boxes[k];
      double sum = 0.0, in = 0.0, face = 0.0;
      const std::vector<double>& q = nodal.q[step];
      for (std::size_t n = 0; n < q.size(); ++n) {
        sum += q[n];
        in += std::max(q[n], 0.0);
        const bool onFace = nodal.x[n] >= c.faceX0 && nodal.x[n] <= c.faceX1 && nodal.y[n] >= c.faceY0 &&
                            nodal.y[n] <= c.faceY1;
        if (onFace) face += q[n];
      }
      EXPECT_LE(std::fabs(sum), 1e-8 * in);
      EXPECT_NEAR(f.back().net / face, 1.0, 0.03);
    }
  }
}

}  // namespace
}  // namespace seep::test
