// The reader against a file written by a Fortran compiler's own unformatted sequential I/O: a small
// program writes the header and three steps with plain WRITE statements, and the reader must take back
// exactly the values the test generated and put into that program.
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

constexpr int kNodes = 7, kElements = 4, kSteps = 3;

// A double as a Fortran literal with enough digits to come back as the same double.
std::string Literal(double v) {
  char buf[64];
  std::string s(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 16).ptr);
  s[s.find('e')] = 'D';
  return s;
}

std::string Literal(std::int32_t v) {
  return v == std::numeric_limits<std::int32_t>::min() ? "(-2147483647_4 - 1_4)" : std::to_string(v) + "_4";
}

// "  real(8) :: x(3) = [ &\n    1.0D+00, &\n ... ]": one initialised array of the program.
template <class T>
std::string Declaration(const char* type, const char* name, const std::vector<T>& values) {
  std::string d =
      std::string("  ") + type + " :: " + name + "(" + std::to_string(values.size()) + ") = [ &\n";
  for (std::size_t i = 0; i < values.size(); ++i) {
    d += "    " + Literal(values[i]) + (i + 1 < values.size() ? ", &\n" : " ]\n");
  }
  return d;
}

// Normal doubles of every magnitude and sign, and integers across the whole range.
struct Values {
  std::mt19937_64 rng{19730401};
  std::vector<double> Reals(std::size_t n) {
    static const double special[] = {
        0.0, 1.0, -1.0, 1.0 / 3.0, 0.1, 1.7976931348623157e308, 2.2250738585072014e-308};
    std::vector<double> v(n);
    for (double& x : v) {
      x = rng() % 4 == 0 ? special[rng() % std::size(special)]
                         : std::ldexp(std::uniform_real_distribution<double>(-1.0, 1.0)(rng),
                                      static_cast<int>(rng() % 2000) - 1000);
    }
    return v;
  }
  std::vector<std::int32_t> Ints(std::size_t n) {
    static const std::int32_t special[] = {0, -1, 44444, std::numeric_limits<std::int32_t>::max(),
                                           std::numeric_limits<std::int32_t>::min()};
    std::vector<std::int32_t> v(n);
    for (std::int32_t& x : v)
      x = rng() % 3 == 0 ? special[rng() % std::size(special)] : static_cast<std::int32_t>(rng());
    return v;
  }
};

// Bit-exact comparison, so that neither a sign of zero nor a last bit can slip through.
bool Same(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(FortranInterop, ReaderTakesBackExactlyWhatFortranWrote) {
#ifdef _WIN32
  GTEST_SKIP() << "builds and runs a gfortran program through a POSIX shell; the Linux build compares";
#endif
  if (std::system("command -v gfortran >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "gfortran is not installed; the Fortran interoperability test needs it";
  }
  std::string title = "Seepage through an earth dam, steady then transient -- 2 layers, drain at toe";
  title.resize(80, ' ');
  Values gen;
  const std::vector<double> x = gen.Reals(kNodes), y = gen.Reals(kNodes), unused = gen.Reals(2 * kElements);
  const std::vector<std::int32_t> ie = gen.Ints(5 * kElements), istep = gen.Ints(kSteps);
  const std::vector<double> time = gen.Reals(kSteps);
  const std::vector<std::int32_t> ncode = gen.Ints(kNodes * kSteps);
  const std::vector<double> p = gen.Reals(kNodes * kSteps), q = gen.Reals(kNodes * kSteps);
  const std::vector<double> vx = gen.Reals(kElements * kSteps), vy = gen.Reals(kElements * kSteps);

  std::string source = "program writer\n  implicit none\n";
  source += "  integer(4), parameter :: np = " + std::to_string(kNodes) +
            ", ne = " + std::to_string(kElements) + ", ns = " + std::to_string(kSteps) + "\n";
  source += "  integer(4) :: numnp = np, numel = ne, n, e, k, s, j\n  character(len=4) :: title(20)\n";
  source +=
      Declaration("real(8)", "x", x) + Declaration("real(8)", "y", y) + Declaration("real(8)", "r", unused);
  source += Declaration("integer(4)", "ie", ie) + Declaration("integer(4)", "istep", istep);
  source += Declaration("real(8)", "time", time) + Declaration("integer(4)", "ncode", ncode);
  source += Declaration("real(8)", "p", p) + Declaration("real(8)", "q", q);
  source += Declaration("real(8)", "vx", vx) + Declaration("real(8)", "vy", vy);
  for (int w = 0; w < 20; ++w)
    source += "  title(" + std::to_string(w + 1) + ") = '" + title.substr(4 * w, 4) + "'\n";
  source +=
      "  open(10, file='result.bin', form='UNFORMATTED', access='SEQUENTIAL', status='UNKNOWN')\n"
      "  write(10) title\n"
      "  write(10) numnp\n"
      "  write(10) (x(n), y(n), n = 1, numnp)\n"
      "  write(10) numel\n"
      "  write(10) ((ie(5 * (e - 1) + k), k = 1, 5), r(2 * e - 1), r(2 * e), e = 1, numel)\n"
      "  do s = 1, ns\n"
      "    write(10) istep(s), time(s)\n"
      "    j = np * (s - 1)\n"
      "    write(10) (ncode(j + n), p(j + n), q(j + n), n = 1, numnp)\n"
      "    j = ne * (s - 1)\n"
      "    write(10) (vx(j + e), vy(j + e), e = 1, numel)\n"
      "  end do\n"
      "  close(10)\n"
      "end program writer\n";

  test::Scratch dir(test::Scratch::kEnter);
  std::ofstream("writer.f90") << source;
  ASSERT_EQ(std::system("gfortran -o writer writer.f90 >build.log 2>&1 && ./writer >>build.log 2>&1"), 0)
      << test::ReadFile("build.log");

  test::ConsoleIo con;
  Store s;
  result::Open(con.io(), "result.bin");
  result::ReadHeader(con.io(), s);
  EXPECT_EQ(std::string(s.TITLE.data(), 80), title);
  ASSERT_EQ(s.NUMNP, kNodes);
  ASSERT_EQ(s.NUMEL, kElements);
  for (int n = 1; n <= kNodes; ++n) EXPECT_TRUE(Same(s.X(n), x[n - 1]) && Same(s.Y(n), y[n - 1])) << n;
  for (int e = 1; e <= kElements; ++e) {
    for (int c = kI; c <= kMAT; ++c) EXPECT_EQ(s.ELEM(e, c), ie[5 * (e - 1) + (c - 1)]) << e << "," << c;
  }
  for (int step = 0; step < kSteps; ++step) {
    SCOPED_TRACE(step);
    ASSERT_TRUE(result::ReadStep(con.io(), s));
    EXPECT_EQ(result::AtEnd(con.io()), step == kSteps - 1);
    EXPECT_EQ(s.ISTEP, istep[step]);
    EXPECT_TRUE(Same(s.TIME, time[step]));
    for (int n = 1; n <= kNodes; ++n) {
      const int j = kNodes * step + n - 1;
      EXPECT_EQ(s.NCODE(n), ncode[j]) << n;
      EXPECT_TRUE(Same(s.P(n), p[j]) && Same(s.Q(n), q[j])) << n;
    }
    for (int e = 1; e <= kElements; ++e) {
      const int j = kElements * step + e - 1;
      EXPECT_TRUE(Same(s.VXE(e), vx[j]) && Same(s.VYE(e), vy[j])) << e;
    }
  }
  EXPECT_FALSE(result::ReadStep(con.io(), s));
}

}  // namespace
}  // namespace seep
