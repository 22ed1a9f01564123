// The converter started in the background in a process group of its own, for tests that signal it
// mid-run, read its output through a pipe or run several at once. Whatever happens to the test, the
// whole group is killed when the object goes, and every wait has a time limit.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace seep::test {

class Child {
 public:
  enum class Out {
    kNull,    // standard output to a null device (a scratch copy is not needed: nothing is read back)
    kPipe,    // standard output into a pipe that the test reads (ReadSome) and may close (CloseReader)
    kAppend,  // standard output appended to `appendTo`, opened as `>>` opens it
  };
  struct Launch {
    std::filesystem::path dir;  // the working folder
    std::vector<std::string> args;
    Out out = Out::kNull;
    std::filesystem::path appendTo = {};
    std::filesystem::path tmpdir = {};  // TMPDIR of the converter; empty: unchanged
    // As root, the converter runs as the user nobody (from a copy it may run), so that a name such as
    // /dev/stdout can never be replaced on the machine, whatever the converter does with it.
    bool unprivileged = false;
    std::vector<std::string> env = {};  // NAME=VALUE set for the converter only
    std::uint64_t fileSizeLimit = 0;    // ulimit -f in bytes, SIGXFSZ left as it is; 0: none
  };

  explicit Child(const Launch& launch);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Bytes of input the converter has read so far (from /proc), 0 once it has ended.
  std::uint64_t BytesRead() const;
  // Reads up to `count` bytes of its standard output (kPipe), waiting at most `seconds`.
  std::string ReadSome(std::size_t count, double seconds);
  void CloseReader();
  void Signal(int sig) const;
  // Waits at most `seconds` for the end: the status as a shell shows it (the exit status, or 128 + the
  // signal that ended it), or -1 when it did not end in time (the group is then killed).
  int Wait(double seconds);
  // What it wrote on standard error, once it has ended.
  std::string Err() const;
  bool Running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int reader_ = -1;
  std::filesystem::path err_;
  std::filesystem::path copy_;  // the converter copied for the user nobody
};

}  // namespace seep::test
