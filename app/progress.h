// The command line's progress line on standard error: steps done, share of the result files read,
// output written, rate and time left. On a terminal one line rewritten in place at most ten times a
// second and erased at the end; for logs (`--progress` off a terminal) one plain line a second.
// Conversions running side by side report into one line; messages go through it so that a message
// never lands in the middle of the line.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace seep {

class Progress {
 public:
  enum class Mode { kOff, kTerminal, kLog };
  Progress(std::FILE* err, Mode mode, std::uint64_t totalBytes, int files);

  // One step more of some conversion; `read` and `written` are the bytes that conversion added since
  // its last report.
  void Step(std::uint64_t read, std::uint64_t written);
  void FileDone();
  // A whole line of its own (a message), with the progress line taken away first.
  void Message(std::string_view line);
  // Takes the line away for good.
  void Finish();

 private:
  void Draw();
  void Erase();

  std::FILE* err_;
  Mode mode_;
  std::uint64_t total_;
  int files_;
  int filesDone_ = 0;
  std::uint64_t read_ = 0, written_ = 0, steps_ = 0;
  std::chrono::steady_clock::time_point start_, last_;
  bool shown_ = false;
  std::size_t shownWidth_ = 0;
  std::mutex mutex_;
};

}  // namespace seep
