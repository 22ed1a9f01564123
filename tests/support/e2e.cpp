#include "e2e.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace seep::test {

namespace fs = std::filesystem;

std::string ProgramPath() {
  const char* fromEnvironment = std::getenv("SEEPCONV_EXE");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
  return SEEPCONV_EXE;
}

bool WindowsProgram() {
  const char* platform = std::getenv("SEEPCONV_PLATFORM");
  return platform != nullptr && std::string_view(platform) == "windows";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string CrLf(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view line : lines) {
    s += line;
    s += "\r\n";
  }
  return s;
}

Scratch::Scratch() {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("seepconv-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    if (fs::create_directory(candidate)) {
      dir_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a scratch directory");
}

Scratch::~Scratch() {
  std::error_code ec;
  // A test may have made parts read-only; make them writable again before removing.
  for (auto it = fs::recursive_directory_iterator(dir_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir_, ec);
}

void Scratch::Write(std::string_view name, std::string_view bytes) const {
  std::ofstream f(Path(name), std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + std::string(name));
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Scratch::Read(std::string_view name) const {
  return ReadFile(Path(name));
}

bool Scratch::Exists(std::string_view name) const {
  return fs::exists(Path(name));
}

#ifndef _WIN32
RunResult Scratch::Run(std::string_view input, bool unprivileged) const {
  const fs::path runDir = dir_.string() + ".run";
  fs::create_directory(runDir);
  const fs::path in = runDir / "stdin", out = runDir / "stdout", err = runDir / "stderr";
  {
    std::ofstream f(in, std::ios::binary);
    f.write(input.data(), static_cast<std::streamsize>(input.size()));
  }
  const std::string program = ProgramPath();
  RunResult r;
  // The child would otherwise write the test's own buffered output again when it reopens its streams.
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (::chdir(dir_.c_str()) != 0) ::_exit(126);
    if (!std::freopen(in.c_str(), "rb", stdin) || !std::freopen(out.c_str(), "wb", stdout) ||
        !std::freopen(err.c_str(), "wb", stderr)) {
      ::_exit(126);
    }
    constexpr uid_t kNobody = 65534;
    if (unprivileged && ::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0) {
  }
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  std::error_code ec;
  fs::remove_all(runDir, ec);
  for (const auto& entry : fs::directory_iterator(dir_)) {
    if (entry.is_regular_file()) r.files[entry.path().filename().string()] = ReadFile(entry.path());
  }
  return r;
}
#endif

}  // namespace seep::test
