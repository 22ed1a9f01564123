#include "support/e2e.h"

#include "app/command_line.h"
#include "app/kinds.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace seep::test {

namespace fs = std::filesystem;

struct Scratch::Launch {
  std::vector<std::string> args;
  std::string_view input;
  bool unprivileged = false;
  bool terminal = false;
  int columns = 0;
  std::uint64_t fileSizeLimit = 0;  // 0: none
  std::function<void(int)> meanwhile;
};

std::string ProgramPath() {
  const char* fromEnvironment = std::getenv("SEEPCONV_EXE");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
  return SEEPCONV_EXE;
}

bool WindowsProgram() {
  const char* platform = std::getenv("SEEPCONV_PLATFORM");
  return platform != nullptr && std::string_view(platform) == "windows";
}

#ifndef _WIN32

void Scratch::MakeFullDevice(std::string_view name) const {
  if (::geteuid() == 0) {
    if (::mknod(Path(name).c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0)
      throw std::runtime_error("mknod " + Path(name).string() + " failed");
    std::filesystem::permissions(
        Path(name), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                        std::filesystem::perms::group_read | std::filesystem::perms::group_write |
                        std::filesystem::perms::others_read |
                        std::filesystem::perms::others_write);  // past the umask
  } else {
    std::filesystem::create_symlink("/dev/full", Path(name));
  }
}

RunResult Scratch::Run(std::string_view input, bool unprivileged) const {
  return Start({{}, input, unprivileged, false, 0, 0, {}});
}

RunResult Scratch::Command(const std::vector<std::string>& args, std::string_view input,
                           bool unprivileged) const {
  return Start({args, input, unprivileged, false, 0, 0, {}});
}

RunResult Scratch::CommandOnTerminal(const std::vector<std::string>& args, int columns) const {
  return Start({args, {}, false, true, columns, 0, {}});
}

RunResult Scratch::RunLimited(const std::vector<std::string>& args, std::string_view input,
                              std::uint64_t fileSizeLimit) const {
  return Start({args, input, false, false, 0, fileSizeLimit, {}});
}

RunResult Scratch::RunAlongside(const std::vector<std::string>& args, std::string_view input,
                                const std::function<void(int pid)>& meanwhile) const {
  return Start({args, input, false, false, 0, 0, meanwhile});
}

RunResult Scratch::Start(const Launch& launch) const {
  const fs::path runDir = dir_.string() + ".run";
  fs::create_directory(runDir);
  const fs::path in = runDir / "stdin", out = runDir / "stdout", err = runDir / "stderr";
  {
    std::ofstream f(in, std::ios::binary);
    f.write(launch.input.data(), static_cast<std::streamsize>(launch.input.size()));
  }
  // The unprivileged converter runs from a copy beside the scratch directory, since the user nobody
  // may not reach the build directory (a checkout under /root or in a private folder).
  constexpr uid_t kNobody = 65534;
  const bool dropRoot = launch.unprivileged && ::geteuid() == 0;
  std::string exe = ProgramPath();
  if (dropRoot) {
    const fs::path copy = runDir / "seepconv";
    fs::copy_file(exe, copy, fs::copy_options::overwrite_existing);
    fs::permissions(runDir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    exe = copy.string();
  }
  int master = -1;
  std::string slave;
  if (launch.terminal) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) throw std::runtime_error("no pty");
    slave = ::ptsname(master);
    if (launch.columns > 0) {
      winsize size{};
      size.ws_row = 24;
      size.ws_col = static_cast<unsigned short>(launch.columns);
      ::ioctl(master, TIOCSWINSZ, &size);
    }
  }
  std::vector<char*> argv{exe.data()};
  std::vector<std::string> args = launch.args;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  RunResult r;
  // The child would otherwise write the test's own buffered output again when it reopens its streams.
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (::chdir(dir_.c_str()) != 0) ::_exit(126);
    if (!std::freopen(in.c_str(), "rb", stdin) || !std::freopen(out.c_str(), "wb", stdout)) ::_exit(126);
    if (launch.terminal) {
      ::setsid();
      const int fd = ::open(slave.c_str(), O_RDWR);
      if (fd < 0 || ::dup2(fd, 2) < 0) ::_exit(126);
    } else if (!std::freopen(err.c_str(), "wb", stderr)) {
      ::_exit(126);
    }
    if (dropRoot && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
    if (launch.fileSizeLimit > 0) {
      // A write past the limit then fails with EFBIG instead of ending the process.
      const rlimit limit{launch.fileSizeLimit, launch.fileSizeLimit};
      if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  if (launch.terminal) {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n > 0) {
        r.err.append(buffer, static_cast<std::size_t>(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        break;  // EIO: the converter has closed the terminal
      }
    }
    ::close(master);
  }
  int wstatus = 0;
  bool hung = false;
  if (launch.meanwhile) {
    launch.meanwhile(static_cast<int>(pid));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::waitpid(pid, &wstatus, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        hung = true;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &wstatus, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  } else {
    while (::waitpid(pid, &wstatus, 0) < 0) {
    }
  }
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  if (hung) r.status = -1;
  r.out = ReadFile(out);
  if (!launch.terminal) r.err = ReadFile(err);
  std::error_code ec;
  fs::remove_all(runDir, ec);
  for (const auto& entry : fs::directory_iterator(dir_)) {
    if (entry.is_regular_file()) r.files[entry.path().filename().string()] = ReadFile(entry.path());
  }
  return r;
}

#endif

std::string TryHelp(const std::vector<std::string>& args) {
  for (const CommandSpec& c : CommandLineCommands()) {
    if (!args.empty() && args[0] == c.name) return "Try 'seepconv " + args[0] + " --help'.\n";
  }
  return "Try 'seepconv --help'.\n";
}

std::vector<std::vector<std::string>> OneFileKinds() {
  std::vector<std::vector<std::string>> kinds;
  for (const OutputKind* k : OutputKinds()) {
    if (k->command != "convert" || k->ownFiles) continue;
    std::vector<std::string> args{std::string(k->name)};
    if (k->Takes(kTakesHead)) args.insert(args.end(), {"--head", "total"});
    if (k->Takes(kNeedsPoints)) args.insert(args.end(), {"--points", "P.DAT"});
    kinds.push_back(std::move(args));
  }
  return kinds;
}

}  // namespace seep::test
