// The command line's one funnel for what it writes on standard error: failures, warnings, the closing
// line of a conversion, usage errors and the progress line. Conversions running side by side report
// through it, so a line never lands in the middle of another, and every message names its file the same
// way: `seepconv: FILE: WHAT (N)`.
//
// The progress line shows steps done, share of the result files read, output written, rate and time
// left. On a terminal it is one line rewritten in place at most ten times a second and erased before any
// message and at the end; for logs (`--progress` off a terminal) one plain line a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace seep {

// Exit statuses of the command line.
inline constexpr int kSuccess = 0, kFailed = 1, kUsage = 2;

class Messages {
 public:
  enum class Mode { kOff, kTerminal, kLog };
  explicit Messages(std::FILE* err);

  // `seepconv: FILE: WHAT (N)`; without the number when `number` is 0.
  void Failure(std::string_view file, std::string_view what, int number = 0);
  // `seepconv: warning: FILE: WHAT`.
  void Warning(std::string_view file, std::string_view what);
  // A closing line of its own ("wrote ...").
  void Closing(std::string_view line);
  // `seepconv: WHAT` and the hint to --help; returns the usage status.
  int Usage(std::string_view what);

  // The progress line of a batch of `files` result files of `totalBytes` bytes in all.
  void StartProgress(Mode mode, std::uint64_t totalBytes, int files);
  // One step more of some conversion; `read` and `written` are the bytes that conversion added since
  // its last report.
  void Step(std::uint64_t read, std::uint64_t written);
  void FileDone();
  // Takes the line away for good.
  void FinishProgress();

 private:
  void Line(std::string_view line);
  void Draw();
  void Erase();

  std::FILE* err_;
  Mode mode_ = Mode::kOff;
  std::uint64_t total_ = 0;
  int files_ = 0;
  int filesDone_ = 0;
  std::uint64_t read_ = 0, written_ = 0, steps_ = 0;
  std::chrono::steady_clock::time_point start_, last_;
  bool shown_ = false;
  std::size_t shownWidth_ = 0;
  std::mutex mutex_;
};

}  // namespace seep
