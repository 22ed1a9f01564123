// The command line's progress line on standard error: the step being converted among the file's steps
// (with the file's name when several are converted), the share of the result files read, output
// written, rate and time left. On a terminal one line, cut to the terminal's width, rewritten in place
// at most ten times a second and erased at the end; for logs (`--progress` off a terminal) one plain
// line a second. Conversions running side by side report into one line; messages go through it so that
// a message never lands in the middle of the line.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace seep {

// Where one conversion stands: its result file, the steps read and the steps the file holds (0 when
// not known, as for a pipe).
struct StepPlace {
  std::string_view file;
  std::int64_t step = 0;
  std::int64_t steps = 0;
};

class Progress {
 public:
  enum class Mode { kOff, kTerminal, kLog };
  // `columns`: the terminal's width, 0 when unknown (the line is then not cut).
  Progress(std::FILE* err, Mode mode, std::uint64_t totalBytes, int files, int columns = 0);

  // One step more of some conversion; `read` and `written` are the bytes that conversion added since
  // its last report.
  void Step(std::uint64_t read, std::uint64_t written, const StepPlace& place);
  void FileDone();
  // A whole line of its own (a message), with the progress line taken away first.
  void Message(std::string_view line);
  // Takes the line away for good.
  void Finish();

 private:
  void Draw(const StepPlace& place);
  void Erase();

  std::FILE* err_;
  Mode mode_;
  std::uint64_t total_;
  int files_;
  std::size_t columns_;
  int filesDone_ = 0;
  std::uint64_t read_ = 0, written_ = 0, steps_ = 0;
  std::chrono::steady_clock::time_point start_, last_;
  bool shown_ = false;
  std::size_t shownWidth_ = 0;
  std::mutex mutex_;
};

// The steps a result file holds, from the bytes its first `read` steps took after the header ended at
// `headerEnd`, and its size: every step of a file takes the same bytes. 0 when the size is not known.
std::int64_t EstimatedSteps(std::uint64_t headerEnd, std::uint64_t position, std::int64_t read,
                            std::uint64_t size);

}  // namespace seep
