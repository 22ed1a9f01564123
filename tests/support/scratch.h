// A scratch folder for one test: a new folder under the system's temporary folder, removed with
// everything in it (read-only parts included) when the object goes. Scratch::kEnter also makes it the
// working directory meanwhile, for tests that run the converter's parts in process and open files by
// their plain names. Scratch::kShort makes a folder with a short name right under /tmp instead, for
// names typed into the dialogue, which keeps only their first 20 characters.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace seep::test {

struct RunResult;

class Scratch {
 public:
  enum Mode { kStay, kEnter, kShort };
  explicit Scratch(Mode mode = kStay);
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& Dir() const { return dir_; }
  std::filesystem::path Path(std::string_view name) const { return dir_ / name; }
  void Write(std::string_view name, std::string_view bytes) const;
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;
  // The folder as the Windows program under Wine names it: drive Z: is the root of the file system,
  // "Z:\tmp\s12345".
  std::string WindowsName() const;

  // A full device named `name` here: as root a node made with mknod (the full device's numbers), so that
  // no test hands the converter a device of the system; otherwise a link to /dev/full, which a user
  // cannot replace. POSIX only (support/e2e.cpp).
  void MakeFullDevice(std::string_view name) const;

  // Runs the built converter here with `input` as standard input (support/e2e.h). `unprivileged`: as
  // root, the converter runs as the user nobody, so that permissions hold for it as for any user.
  RunResult Run(std::string_view input, bool unprivileged = false) const;
  // Runs the converter here with command-line arguments.
  RunResult Command(const std::vector<std::string>& args, std::string_view input = {},
                    bool unprivileged = false) const;
  // Runs the converter here with its standard error on a pseudo-terminal `columns` wide (0: the
  // system's default); `err` is what the terminal received.
  RunResult CommandOnTerminal(const std::vector<std::string>& args, int columns = 0) const;
  // Runs the converter here (the dialogue when `args` is empty) with a limit on the size of every file
  // it writes: a write past `fileSizeLimit` bytes fails as on a full disk.
  RunResult RunLimited(const std::vector<std::string>& args, std::string_view input,
                       std::uint64_t fileSizeLimit) const;
  // Runs the converter here and calls `meanwhile` with its process id while it runs; then waits at
  // most 60 s for its end. A run that outlives that is killed and given the status -1.
  RunResult RunAlongside(const std::vector<std::string>& args, std::string_view input,
                         const std::function<void(int pid)>& meanwhile) const;

 private:
  struct Launch;
  RunResult Start(const Launch& launch) const;

  std::filesystem::path dir_;
  std::filesystem::path previous_;  // the working directory before kEnter; empty for kStay
};

}  // namespace seep::test
