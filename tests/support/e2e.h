// Runs the built converter in a fresh temporary directory with given files and standard input, and
// hands back its standard output, standard error, exit status and every file left in the directory.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace seep::test {

struct RunResult {
  int status = -1;  // exit status as a parent sees it: the low 8 bits
  std::string out;
  std::string err;
  std::map<std::string, std::string> files;  // every regular file left in the directory, by name
};

class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& Dir() const { return dir_; }
  std::filesystem::path Path(std::string_view name) const { return dir_ / name; }
  void Write(std::string_view name, std::string_view bytes) const;
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;

  // Runs the converter here with `input` as standard input. `unprivileged`: as root, the converter
  // runs as the user nobody, so that permissions hold for it as for any user. POSIX systems only: the
  // Windows test build leaves the end-to-end tests out.
  RunResult Run(std::string_view input, bool unprivileged = false) const;

 private:
  std::filesystem::path dir_;
};

// The program the end-to-end tests start: the environment variable SEEPCONV_EXE when it is set (for
// example a launcher that runs seepconv.exe under Wine), else the program of this build.
std::string ProgramPath();

// True when SEEPCONV_PLATFORM=windows says that ProgramPath() runs the Windows program, so that tests of
// POSIX-only behaviour (another user's permissions, /dev/full) skip and Windows-only ones run.
bool WindowsProgram();

// Reads a whole file as bytes.
std::string ReadFile(const std::filesystem::path& path);

// Joins lines with CR LF after each: the console and file record form.
std::string CrLf(std::initializer_list<std::string_view> lines);

}  // namespace seep::test
