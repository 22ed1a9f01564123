#include "support/e2e.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace seep::test {

namespace fs = std::filesystem;

RunResult Scratch::Run(std::string_view input, bool unprivileged) const {
  const fs::path runDir = dir_.string() + ".run";
  fs::create_directory(runDir);
  const fs::path in = runDir / "stdin", out = runDir / "stdout", err = runDir / "stderr";
  {
    std::ofstream f(in, std::ios::binary);
    f.write(input.data(), static_cast<std::streamsize>(input.size()));
  }
  RunResult r;
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
    ::execl(SEEPCONV_EXE, SEEPCONV_EXE, static_cast<char*>(nullptr));
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

}  // namespace seep::test
