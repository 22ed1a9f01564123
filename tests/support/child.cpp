#include "support/child.h"

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/e2e.h"
#include "support/files.h"

namespace seep::test {

namespace fs = std::filesystem;

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Child::Child(const Launch& launch) {
  static int serial = 0;
  err_ = fs::temp_directory_path() /
         ("seepconv-child-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".err");
  int pipeEnds[2] = {-1, -1};
  if (launch.out == Out::kPipe && ::pipe(pipeEnds) != 0) throw std::runtime_error("no pipe");
  std::string exe = ProgramPath();
  constexpr uid_t kNobody = 65534;
  const bool dropRoot = launch.unprivileged && ::geteuid() == 0;
  if (dropRoot) {
    copy_ = err_;
    copy_.replace_extension(".exe");
    fs::copy_file(exe, copy_, fs::copy_options::overwrite_existing);
    fs::permissions(copy_, fs::perms(0755));
    exe = copy_.string();
  }
  std::vector<std::string> args = launch.args;
  std::vector<char*> argv{exe.data()};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::setpgid(0, 0);
    // The test's own handling of signals is not the converter's.
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) ::signal(sig, SIG_DFL);
    for (const std::string& e : launch.env) ::putenv(const_cast<char*>(e.c_str()));
    if (launch.fileSizeLimit > 0) {
      const struct rlimit limit { launch.fileSizeLimit, launch.fileSizeLimit };
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    if (::chdir(launch.dir.c_str()) != 0) ::_exit(126);
    if (!launch.tmpdir.empty()) ::setenv("TMPDIR", launch.tmpdir.c_str(), 1);
    const int in = ::open("/dev/null", O_RDONLY);
    int out = -1;
    if (launch.out == Out::kPipe) {
      out = pipeEnds[1];
      ::close(pipeEnds[0]);
    } else if (launch.out == Out::kAppend) {
      out = ::open(launch.appendTo.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    } else {
      out = ::open("/dev/null", O_WRONLY);
    }
    const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
      ::_exit(126);
    if (dropRoot && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  ::setpgid(pid_, pid_);
  if (launch.out == Out::kPipe) {
    ::close(pipeEnds[1]);
    reader_ = pipeEnds[0];
  }
}

Child::~Child() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  CloseReader();
  std::error_code ec;
  fs::remove(err_, ec);
  if (!copy_.empty()) fs::remove(copy_, ec);
}

std::uint64_t Child::BytesRead() const {
  if (pid_ <= 0) return 0;
  std::ifstream io("/proc/" + std::to_string(pid_) + "/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return 0;
}

std::string Child::ReadSome(std::size_t count, double seconds) {
  std::string bytes;
  const auto start = std::chrono::steady_clock::now();
  while (bytes.size() < count && Since(start) < seconds) {
    pollfd p{reader_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(reader_, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

void Child::CloseReader() {
  if (reader_ >= 0) ::close(reader_);
  reader_ = -1;
}

void Child::Signal(int sig) const {
  if (pid_ > 0) ::kill(pid_, sig);
}

int Child::Wait(double seconds) {
  if (pid_ <= 0) return -1;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (Since(start) > seconds) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string Child::Err() const {
  std::error_code ec;
  return fs::exists(err_, ec) ? ReadFile(err_) : std::string();
}

}  // namespace seep::test

#endif
