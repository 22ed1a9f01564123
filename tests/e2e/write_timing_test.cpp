// Failures while the files are written behind the formatting, through the real program: a disk that
// fills at several points (here a limit on the size of files), in the output and in the MicroAVS
// work file, and a run interrupted while its writes wait on a full pipe. Each ends with its report and
// status, never hangs, and leaves every file as an exact prefix of what a whole run writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// An nx × ny grid of nodes with a quadrilateral per cell; every 7th cell a triangle (L = K), every
// 11th inactive. Several megabytes of output per kind, so that many buffers are handed over.
ResultFile Grid(int nx, int ny, int steps) {
  std::vector<Node> nodes;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) nodes.push_back({1.5 * i, 0.75 * j});
  }
  std::vector<Element> elements;
  int cell = 0;
  for (int j = 0; j + 1 < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      ++cell;
      const int n1 = j * nx + i + 1;
      const int n4 = n1 + nx;
      const bool triangle = cell % 7 == 0;
      elements.push_back({n1, n1 + 1, n4 + 1, triangle ? n4 + 1 : n4, cell % 11 == 0 ? 0 : 1 + cell % 3});
    }
  }
  ResultFile f;
  f.Header("GRID", nodes, elements);
  for (int k = 1; k <= steps; ++k) {
    std::vector<NodeValues> p;
    for (std::size_t n = 0; n < nodes.size(); ++n)
      p.push_back({0, 0.01 * k * static_cast<double>(n % 97), 0.0});
    std::vector<ElementValues> v;
    for (std::size_t e = 0; e < elements.size(); ++e)
      v.push_back({1e-5 * k * static_cast<double>(e % 13), -2e-6 * static_cast<double>(e % 5)});
    f.Step(k, 3600.0 * k, p, v);
  }
  return f;
}

std::string Dialogue(int menu, const std::string& out) {
  return "0\n1\nR.DAT\n0\n" + std::to_string(menu) + "\n" + out + "\n-1\n";
}

std::string Severe(const std::string& what) {
  return "forrtl: severe (38): error during write, " + what + "\r\n";
}

// The console of a failed run is the whole run's console up to its termination message.
void ExpectConsoleCutBeforeTheEnd(const std::string& failed, const std::string& whole) {
  EXPECT_TRUE(whole.starts_with(failed));
  EXPECT_EQ(failed.find("NORMAL TERMINATION"), std::string::npos);
  EXPECT_NE(whole.find("NORMAL TERMINATION", failed.size()), std::string::npos);
}

class WriteTiming : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WindowsProgram()) GTEST_SKIP() << "file size limits and signals are POSIX features";
    Grid(120, 60, 6).WriteTo(dir_.Path("R.DAT"));
  }
  Scratch dir_;
};

TEST_F(WriteTiming, TecplotOnAFullDiskIsAnExactPrefixAtEveryPoint) {
  const RunResult whole = dir_.Run(Dialogue(2, "OUT"));
  ASSERT_EQ(whole.status, 0) << whole.err;
  const std::string full = whole.files.at("OUT");
  ASSERT_GT(full.size(), 4 * kMiB);
  for (std::uint64_t limit : {std::uint64_t{5000}, kMiB - 3, kMiB, kMiB + 5, 5 * kMiB / 2, full.size() - 1}) {
    SCOPED_TRACE(limit);
    const RunResult r = dir_.RunLimited({}, Dialogue(2, "OUT"), limit);
    EXPECT_EQ(r.status, 38);
    EXPECT_EQ(r.err, Severe("unit 8, file OUT"));
    ExpectConsoleCutBeforeTheEnd(r.out, whole.out);
    EXPECT_EQ(r.files.at("OUT").size(), limit);
    EXPECT_TRUE(r.files.at("OUT") == full.substr(0, limit));
  }
}

// The work file fills during the steps; the output fills while the blocks are copied into it, the
// element lines from file to file.
TEST_F(WriteTiming, MicroAvsOnAFullDiskIsAnExactPrefixInBothFiles) {
  const RunResult whole = dir_.Run(Dialogue(4, "OUT"));
  ASSERT_EQ(whole.status, 0) << whole.err;
  const std::string out = whole.files.at("OUT");
  const std::string work = whole.files.at("AVS.tmp");
  ASSERT_GT(work.size(), 3 * kMiB);
  ASSERT_GT(out.size(), work.size() + 2);
  struct Case {
    std::uint64_t limit;
    bool inWork;  // the work file reaches the limit first
  };
  const Case cases[] = {{5000, true},
                        {kMiB + 1, true},
                        {work.size() - 1, true},
                        {work.size() + 1, false},
                        {(work.size() + out.size()) / 2, false},
                        {out.size() - 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    fs::remove(dir_.Path("OUT"));
    const RunResult r = dir_.RunLimited({}, Dialogue(4, "OUT"), c.limit);
    EXPECT_EQ(r.status, 38);
    EXPECT_EQ(r.err, Severe(c.inWork ? "unit 30, file AVS.tmp" : "unit 8, file OUT"));
    ExpectConsoleCutBeforeTheEnd(r.out, whole.out);
    const std::string& failedOut = r.files.at("OUT");
    const std::string& failedWork = r.files.at("AVS.tmp");
    if (c.inWork) {
      // The header goes to the output before the work file's last records are written out.
      EXPECT_TRUE(failedOut == "" || failedOut == "# QM-TERLO AVS FILE \r\n    6\r\ndata\r\n");
      EXPECT_EQ(failedWork.size(), c.limit);
      EXPECT_TRUE(failedWork == work.substr(0, c.limit));
    } else {
      EXPECT_TRUE(failedWork == work);
      EXPECT_EQ(failedOut.size(), c.limit);
      EXPECT_TRUE(failedOut == out.substr(0, c.limit));
    }
  }
}

// On the command line the failure is one plain line, and neither a temporary file nor the work file
// stays behind.
TEST_F(WriteTiming, CommandLineOnAFullDiskLeavesNoFileBehind) {
  for (const char* kind : {"tecplot", "microavs"}) {
    for (std::uint64_t limit : {std::uint64_t{4000}, 2 * kMiB + 7}) {
      SCOPED_TRACE(std::string(kind) + " " + std::to_string(limit));
      const RunResult r = dir_.RunLimited({"convert", "R.DAT", "--to", kind, "-o", "C.OUT"}, "", limit);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "seepconv: C.OUT: file too large (38)\n");
      EXPECT_EQ(r.out, "");
      for (const auto& [name, bytes] : r.files) EXPECT_EQ(name, "R.DAT");
    }
  }
}

// Written to standard output, the command line's file stops where the disk filled, a prefix of the
// whole file: exactly as long as the limit when written in one pass (the result file read by name); when
// assembled from a work file (read from standard input) the work file may fill first. The failure is
// one line and no work file stays.
TEST_F(WriteTiming, MicroAvsToStandardOutputIsAnExactPrefixAtEveryPoint) {
  const RunResult whole = dir_.Run(Dialogue(4, "OUT"));
  ASSERT_EQ(whole.status, 0) << whole.err;
  const std::string full = whole.files.at("OUT");
  fs::remove(dir_.Path("OUT"));
  fs::remove(dir_.Path("AVS.tmp"));
  const std::string input = dir_.Read("R.DAT");
  for (const bool byName : {true, false}) {
    const std::vector<std::string> args = {"convert", byName ? "R.DAT" : "-", "--to", "microavs", "-o", "-",
                                           "-q"};
    const RunResult r = dir_.Command(args, byName ? "" : input);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == full);
    // Not below a hundred bytes: the limit holds for the error stream's file too.
    for (std::uint64_t limit : {std::uint64_t{500}, kMiB + 3, full.size() / 2, full.size() - 1}) {
      SCOPED_TRACE(std::to_string(limit) + (byName ? " by name" : " from standard input"));
      const RunResult cut = dir_.RunLimited(args, byName ? "" : input, limit);
      EXPECT_EQ(cut.status, 1);
      EXPECT_EQ(cut.err, "seepconv: standard output: file too large (38)\n");
      EXPECT_TRUE(byName ? cut.out.size() == limit : cut.out.size() <= limit);
      EXPECT_TRUE(full.starts_with(cut.out));
      for (const auto& [name, bytes] : cut.files) EXPECT_EQ(name, "R.DAT");
    }
  }
}

// The closing line counts the bytes of the output only, not those of a work file.
TEST_F(WriteTiming, ClosingSizeIsTheOutputsOwn) {
  for (const char* kind : {"tecplot", "microavs"}) {
    SCOPED_TRACE(kind);
    const RunResult r = dir_.Command({"convert", "R.DAT", "--to", kind, "-o", "C.OUT"});
    ASSERT_EQ(r.status, 0) << r.err;
    const double mb = static_cast<double>(r.files.at("C.OUT").size()) / 1e6;
    ASSERT_TRUE(mb >= 1 && mb < 10);
    char size[32];
    std::snprintf(size, sizeof size, "%.2f MB", mb);
    EXPECT_TRUE(r.err.starts_with("wrote C.OUT: 6 steps, " + std::string(size) + ", ")) << r.err;
  }
}

// Reads from the pipe `name` until `bytes` arrived or 30 s passed; false when they did not.
bool Drain(const fs::path& name, std::size_t bytes, int& fd) {
  fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::size_t got = 0;
  char buffer[65536];
  while (got < bytes && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  return got >= bytes;
}

// A run stopped by a signal while its writes wait on a pipe that is no longer read, or while it
// runs freely, ends by that signal, without hanging on its writer thread.
TEST_F(WriteTiming, AnInterruptedRunEndsByItsSignal) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (bool blocked : {true, false}) {
      SCOPED_TRACE(std::to_string(signal) + (blocked ? " while the writes wait" : " while running"));
      const fs::path out = dir_.Path("OUT");
      fs::remove(out);
      if (blocked) {
        ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
      }
      int fd = -1;
      bool drained = true;
      const RunResult r = dir_.RunAlongside({}, Dialogue(blocked ? 2 : 4, "OUT"), [&](int pid) {
        if (blocked) {
          drained = Drain(out, 300000, fd);  // then reading stops: the pipe fills and the writes wait
          ::usleep(200000);
        } else {
          ::usleep(30000);
        }
        ::kill(pid, signal);
      });
      if (fd >= 0) ::close(fd);
      EXPECT_TRUE(drained);
      // A free run may have ended before the signal came.
      if (blocked || r.status != 0) {
        EXPECT_EQ(r.status, 128 + signal);
      }
    }
  }
}

// A step added to the result file after the MicroAVS file counted its steps (an analysis still
// writing it) would make the header's count wrong: the run fails with one line instead. The output is
// a pipe, held full until the step is added, so the count has surely been taken by then.
TEST_F(WriteTiming, MicroAvsRefusesAResultFileThatGrowsWhileRead) {
  const ResultFile seven = Grid(120, 60, 7);
  const std::size_t sixSteps = seven.Ends()[5 + 3 * 6 - 1];
  seven.WriteTo(dir_.Path("R.DAT").string(), sixSteps);
  const fs::path out = dir_.Path("OUT");
  ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
  int fd = -1;
  bool drained = false;
  const RunResult r = dir_.RunAlongside({"convert", "R.DAT", "--to", "microavs", "-o", "OUT"}, "", [&](int) {
    if (!Drain(out, 1, fd)) return;
    std::ofstream(dir_.Path("R.DAT"), std::ios::binary | std::ios::app) << seven.Bytes().substr(sixSteps);
    char buffer[65536];
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 30000) <= 0) return;
      if (::read(fd, buffer, sizeof buffer) <= 0) break;
    }
    drained = true;
  });
  if (fd >= 0) ::close(fd);
  EXPECT_TRUE(drained);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(
      r.err,
      "seepconv: R.DAT: the file changed while it was read (6 steps selected at first, 7 then); convert it "
      "again\n");
}

}  // namespace
}  // namespace seep::test
