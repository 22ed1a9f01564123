// The reader against files written by a Fortran compiler's own unformatted sequential I/O: a small
// program writes the header and steps with plain WRITE statements, and the reader must take back
// exactly the values the test put into that program.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/reader/result_file.h"
#include "support/io_harness.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::ReadBytes;
using test::WorkDir;

bool HaveGfortran() {
  return std::system("command -v gfortran >/dev/null 2>&1") == 0;
}

// Compiles writer.f90 in the working directory and runs it; the failure text when either step fails.
std::string CompileAndRun(const std::string& source) {
  std::ofstream("writer.f90") << source;
  if (std::system("gfortran -O0 -o writer writer.f90 >compile.log 2>&1") != 0) {
    return "gfortran failed:\n" + ReadBytes("compile.log");
  }
  if (std::system("./writer >run.log 2>&1") != 0) return "writer failed:\n" + ReadBytes("run.log");
  return {};
}

// A double as a Fortran literal with enough digits to come back as the same double.
std::string Real8Literal(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 16);
  std::string s(buf, r.ptr);
  s[s.find('e')] = 'D';
  return s;
}

std::string Int4Literal(std::int32_t v) {
  if (v == std::numeric_limits<std::int32_t>::min()) return "(-2147483647_4 - 1_4)";
  return std::to_string(v) + "_4";
}

struct Mesh {
  std::string title;
  std::vector<double> x, y, r1, r2;
  std::vector<std::int32_t> ie;  // five per element
  std::vector<std::int32_t> istep;
  std::vector<double> time;
  std::vector<std::vector<std::int32_t>> ncode;
  std::vector<std::vector<double>> p, q, vx, vy;
};

// Normal doubles of every magnitude and sign, some of them special in their own way.
double AnyDouble(std::mt19937_64& rng) {
  static const double special[] = {
      0.0, 1.0, -1.0, 1.0 / 3.0, 0.1, 9.81, -1.0e-300, 1.7976931348623157e308, 2.2250738585072014e-308};
  if (rng() % 4 == 0) return special[rng() % std::size(special)];
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  return std::ldexp(mantissa(rng), static_cast<int>(rng() % 2000) - 1000);
}

std::int32_t AnyInt(std::mt19937_64& rng) {
  static const std::int32_t special[] = {
      0, 1, -1, 44444, std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()};
  if (rng() % 3 == 0) return special[rng() % std::size(special)];
  return static_cast<std::int32_t>(rng());
}

Mesh MakeMesh(int numnp, int numel, int steps) {
  std::mt19937_64 rng(19730401);
  Mesh m;
  m.title = "Seepage through an earth dam, steady then transient -- 2 layers, drain at toe";
  m.title.resize(80, ' ');
  for (int n = 0; n < numnp; ++n) {
    m.x.push_back(AnyDouble(rng));
    m.y.push_back(AnyDouble(rng));
  }
  for (int e = 0; e < numel; ++e) {
    for (int k = 0; k < 5; ++k) m.ie.push_back(AnyInt(rng));
    m.r1.push_back(AnyDouble(rng));
    m.r2.push_back(AnyDouble(rng));
  }
  for (int s = 0; s < steps; ++s) {
    m.istep.push_back(AnyInt(rng));
    m.time.push_back(AnyDouble(rng));
    m.ncode.emplace_back();
    m.p.emplace_back();
    m.q.emplace_back();
    m.vx.emplace_back();
    m.vy.emplace_back();
    for (int n = 0; n < numnp; ++n) {
      m.ncode.back().push_back(AnyInt(rng));
      m.p.back().push_back(AnyDouble(rng));
      m.q.back().push_back(AnyDouble(rng));
    }
    for (int e = 0; e < numel; ++e) {
      m.vx.back().push_back(AnyDouble(rng));
      m.vy.back().push_back(AnyDouble(rng));
    }
  }
  return m;
}

// The Fortran program that writes `m` as a result file named result.bin.
std::string WriterSource(const Mesh& m) {
  const std::size_t np = m.x.size(), ne = m.r1.size(), ns = m.istep.size();
  std::string f;
  auto line = [&f](const std::string& text) { f += text + "\n"; };
  line("program writer");
  line("  implicit none");
  line("  integer(4), parameter :: np = " + std::to_string(np) + ", ne = " + std::to_string(ne) +
       ", ns = " + std::to_string(ns));
  line("  integer(4) :: numnp, numel, n, e, k, s");
  line("  character(len=4) :: title(20)");
  line("  real(8) :: x(np), y(np), r1(ne), r2(ne), time(ns)");
  line("  real(8) :: p(np, ns), q(np, ns), vx(ne, ns), vy(ne, ns)");
  line("  integer(4) :: ie(5, ne), istep(ns), ncode(np, ns)");
  for (int k = 0; k < 20; ++k) {
    line("  title(" + std::to_string(k + 1) + ") = '" + m.title.substr(4 * k, 4) + "'");
  }
  line("  numnp = np");
  line("  numel = ne");
  for (std::size_t n = 0; n < np; ++n) {
    const std::string i = std::to_string(n + 1);
    line("  x(" + i + ") = " + Real8Literal(m.x[n]));
    line("  y(" + i + ") = " + Real8Literal(m.y[n]));
  }
  for (std::size_t e = 0; e < ne; ++e) {
    const std::string i = std::to_string(e + 1);
    for (int k = 0; k < 5; ++k) {
      line("  ie(" + std::to_string(k + 1) + ", " + i + ") = " + Int4Literal(m.ie[5 * e + k]));
    }
    line("  r1(" + i + ") = " + Real8Literal(m.r1[e]));
    line("  r2(" + i + ") = " + Real8Literal(m.r2[e]));
  }
  for (std::size_t s = 0; s < ns; ++s) {
    const std::string t = std::to_string(s + 1);
    line("  istep(" + t + ") = " + Int4Literal(m.istep[s]));
    line("  time(" + t + ") = " + Real8Literal(m.time[s]));
    for (std::size_t n = 0; n < np; ++n) {
      const std::string i = std::to_string(n + 1) + ", " + t;
      line("  ncode(" + i + ") = " + Int4Literal(m.ncode[s][n]));
      line("  p(" + i + ") = " + Real8Literal(m.p[s][n]));
      line("  q(" + i + ") = " + Real8Literal(m.q[s][n]));
    }
    for (std::size_t e = 0; e < ne; ++e) {
      const std::string i = std::to_string(e + 1) + ", " + t;
      line("  vx(" + i + ") = " + Real8Literal(m.vx[s][e]));
      line("  vy(" + i + ") = " + Real8Literal(m.vy[s][e]));
    }
  }
  line("  open(10, file='result.bin', form='UNFORMATTED', access='SEQUENTIAL', status='UNKNOWN')");
  line("  write(10) title");
  line("  write(10) numnp");
  line("  write(10) (x(n), y(n), n = 1, numnp)");
  line("  write(10) numel");
  line("  write(10) ((ie(k, e), k = 1, 5), r1(e), r2(e), e = 1, numel)");
  line("  do s = 1, ns");
  line("    write(10) istep(s), time(s)");
  line("    write(10) (ncode(n, s), p(n, s), q(n, s), n = 1, numnp)");
  line("    write(10) (vx(e, s), vy(e, s), e = 1, numel)");
  line("  end do");
  line("  close(10)");
  line("end program writer");
  return f;
}

void OpenResult(Io& io, Store& s) {
  s.FNAME.fill(' ');
  std::string_view("result.bin").copy(s.FNAME.data(), s.FNAME.size());
  result::Open(io, s);
}

// Bit-exact comparison, so that a sign of zero or a last bit cannot slip through.
bool Same(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(FortranInterop, ReaderTakesBackExactlyWhatFortranWrote) {
  if (!HaveGfortran())
    GTEST_SKIP() << "gfortran is not installed; the Fortran interoperability test needs it";
  WorkDir dir;
  const Mesh m = MakeMesh(7, 4, 3);
  const std::string failure = CompileAndRun(WriterSource(m));
  ASSERT_EQ(failure, "");

  ConsoleIo con;
  Store s;
  OpenResult(con.io(), s);
  result::ReadHeader(con.io(), s);
  EXPECT_EQ(std::string(s.TITLE.data(), 80), m.title);
  ASSERT_EQ(s.NUMNP, 7);
  ASSERT_EQ(s.NUMEL, 4);
  for (int n = 1; n <= 7; ++n) {
    EXPECT_TRUE(Same(s.X(n), m.x[n - 1])) << n;
    EXPECT_TRUE(Same(s.Y(n), m.y[n - 1])) << n;
  }
  for (int e = 1; e <= 4; ++e) {
    for (int c = kI; c <= kMAT; ++c) EXPECT_EQ(s.ELEM(e, c), m.ie[5 * (e - 1) + (c - 1)]) << e << "," << c;
  }
  for (int step = 0; step < 3; ++step) {
    SCOPED_TRACE(step);
    ASSERT_TRUE(result::ReadStep(con.io(), s));
    EXPECT_EQ(result::AtEnd(con.io()), step == 2);
    EXPECT_EQ(s.ISTEP, m.istep[step]);
    EXPECT_TRUE(Same(s.TIME, m.time[step]));
    for (int n = 1; n <= 7; ++n) {
      EXPECT_EQ(s.NCODE(n), m.ncode[step][n - 1]) << n;
      EXPECT_TRUE(Same(s.P(n), m.p[step][n - 1])) << n;
      EXPECT_TRUE(Same(s.Q(n), m.q[step][n - 1])) << n;
    }
    for (int e = 1; e <= 4; ++e) {
      EXPECT_TRUE(Same(s.VXE(e), m.vx[step][e - 1])) << e;
      EXPECT_TRUE(Same(s.VYE(e), m.vy[step][e - 1])) << e;
    }
  }
  EXPECT_FALSE(result::ReadStep(con.io(), s));
}

// A mesh whose step records exceed a megabyte, with values the program computes in loops from exact
// arithmetic (multiples of powers of two), so both sides know them without a table.
TEST(FortranInterop, LargeMeshWrittenInLoopsReadsBack) {
  if (!HaveGfortran())
    GTEST_SKIP() << "gfortran is not installed; the Fortran interoperability test needs it";
  WorkDir dir;
  constexpr int kNodes = 70000, kElements = 50000;
  const std::string source =
      "program writer\n"
      "  implicit none\n"
      "  integer(4), parameter :: np = " +
      std::to_string(kNodes) + ", ne = " + std::to_string(kElements) +
      "\n"
      "  integer(4) :: n, e, s\n"
      "  character(len=80) :: title\n"
      "  title = 'LARGE'\n"
      "  open(10, file='result.bin', form='UNFORMATTED', access='SEQUENTIAL')\n"
      "  write(10) title\n"
      "  write(10) np\n"
      "  write(10) (dble(n) * 0.25d0, -dble(n) * 0.5d0, n = 1, np)\n"
      "  write(10) ne\n"
      "  write(10) (e, e + 1, e + 2, mod(e, 3) + e, 1 - mod(e, 2), dble(e), -dble(e), e = 1, ne)\n"
      "  do s = 1, 2\n"
      "    write(10) 100 * s, dble(s) * 0.125d0\n"
      "    write(10) (mod(n, 4) - s, dble(n) - 0.5d0 * s, dble(s * n) * 0.0625d0, n = 1, np)\n"
      "    write(10) (dble(e) * 2.0d0 ** (-s), -dble(e + s), e = 1, ne)\n"
      "  end do\n"
      "  close(10)\n"
      "end program writer\n";
  ASSERT_EQ(CompileAndRun(source), "");

  ConsoleIo con;
  Store s;
  OpenResult(con.io(), s);
  result::ReadHeader(con.io(), s);
  EXPECT_EQ(std::string(s.TITLE.data(), 80), "LARGE" + std::string(75, ' '));
  ASSERT_EQ(s.NUMNP, kNodes);
  ASSERT_EQ(s.NUMEL, kElements);
  int mismatches = 0;
  for (int n = 1; n <= kNodes; ++n) {
    if (s.X(n) != n * 0.25 || s.Y(n) != -n * 0.5) ++mismatches;
  }
  for (int e = 1; e <= kElements; ++e) {
    if (s.ELEM(e, kI) != e || s.ELEM(e, kJ) != e + 1 || s.ELEM(e, kK) != e + 2 ||
        s.ELEM(e, kL) != e % 3 + e || s.ELEM(e, kMAT) != 1 - e % 2) {
      ++mismatches;
    }
  }
  for (int step = 1; step <= 2; ++step) {
    ASSERT_TRUE(result::ReadStep(con.io(), s));
    EXPECT_EQ(s.ISTEP, 100 * step);
    EXPECT_EQ(s.TIME, step * 0.125);
    for (int n = 1; n <= kNodes; ++n) {
      if (s.NCODE(n) != n % 4 - step || s.P(n) != n - 0.5 * step || s.Q(n) != step * n * 0.0625) ++mismatches;
    }
    for (int e = 1; e <= kElements; ++e) {
      if (s.VXE(e) != std::ldexp(e, -step) || s.VYE(e) != -(e + step)) ++mismatches;
    }
    EXPECT_EQ(result::AtEnd(con.io()), step == 2);
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_FALSE(result::ReadStep(con.io(), s));
}

}  // namespace
}  // namespace seep
