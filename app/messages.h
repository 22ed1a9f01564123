// The command line's one funnel for what it writes on standard error: failures, warnings, the closing
// line of a conversion, usage errors and the progress line. Conversions running side by side report
// through it, so a line never lands in the middle of another, and every message names its file the same
// way: `seepconv: FILE: WHAT (N)`.
//
// The progress line shows the step being converted among the file's steps (with the file's name when
// several are converted), the share of the result files read, output written, rate and time left. On a
// terminal it is one line, cut to the terminal's width, rewritten in place at most ten times a second
// and erased before any message and at the end; for logs (`--progress` off a terminal) one plain line a
// second.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace seep {

// Exit statuses of the command line; kPartial: a damaged file of which the whole steps before the
// damage were written (--partial).
inline constexpr int kSuccess = 0, kFailed = 1, kUsage = 2, kPartial = 3;

// Where one conversion stands: its result file as messages name it, the steps read, and the steps the
// file holds (0 when not known, as for a pipe).
struct StepPlace {
  std::string_view file;
  std::int64_t step = 0;
  std::int64_t steps = 0;
};

// The steps a result file holds, from the bytes its first `read` steps took after the header ended at
// `headerEnd` and the file's size: every step of a file takes the same bytes. 0 when the size is not
// known.
std::int64_t EstimatedSteps(std::uint64_t headerEnd, std::uint64_t position, std::int64_t read,
                            std::uint64_t size);

class Messages {
 public:
  enum class Mode { kOff, kTerminal, kLog };
  explicit Messages(std::FILE* err);

  // `seepconv: FILE: WHAT (N)`; without the number when `number` is 0, without FILE when it is empty.
  // Control characters in any message are written escaped, so that it stays one line.
  void Failure(std::string_view file, std::string_view what, int number = 0);
  // `seepconv: warning: FILE: WHAT`.
  void Warning(std::string_view file, std::string_view what);
  // A closing line of its own ("wrote ...").
  void Closing(std::string_view line);
  // `seepconv: WHAT` and the hint to the help of the command being run (of the program before one is
  // known); returns the usage status.
  int Usage(std::string_view what);
  // The command whose help a usage error points to.
  void ForCommand(std::string_view command) { command_ = command; }

  // The progress line of a batch of `files` result files of `totalBytes` bytes in all, on a terminal
  // `columns` wide (0: unknown, the line is not cut).
  void StartProgress(Mode mode, std::uint64_t totalBytes, int files, int columns = 0);
  // One step more of some conversion; `read` and `written` are the bytes that conversion added since
  // its last report.
  void Step(std::uint64_t read, std::uint64_t written, const StepPlace& place);
  void FileDone();
  // Takes the line away for good.
  void FinishProgress();

 private:
  void Line(std::string_view line);
  void Draw(const StepPlace& place);
  void Erase();

  std::FILE* err_;
  std::string_view command_;
  Mode mode_ = Mode::kOff;
  std::uint64_t total_ = 0;
  int files_ = 0;
  std::size_t columns_ = 0;
  int filesDone_ = 0;
  std::uint64_t read_ = 0, written_ = 0, steps_ = 0;
  std::chrono::steady_clock::time_point start_, last_;
  bool shown_ = false;
  std::size_t shownWidth_ = 0;
  std::mutex mutex_;
};

}  // namespace seep
