#include "app/messages.h"

#include <cmath>
#include <string>

#include "app/text.h"
#include "core/io/cleanup.h"
#include "core/io/platform.h"

namespace seep {
namespace {

// A message stays one line whatever the names in it hold: control characters (a line feed, a carriage
// return, an escape sequence in a file name) are written as \n, \r, \t or \xHH.
std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += "0123456789abcdef"[u >> 4];
      out += "0123456789abcdef"[u & 0xF];
    }
  }
  return out;
}

}  // namespace

Messages::Messages(std::FILE* err) : err_(err) {
  start_ = last_ = std::chrono::steady_clock::now();
}

void Messages::Failure(std::string_view file, std::string_view what, int number) {
  std::string line = "seepconv: ";
  if (!file.empty()) line.append(file).append(": ");
  line.append(what);
  if (number != 0) line += " (" + std::to_string(number) + ")";
  Line(line);
}

void Messages::Warning(std::string_view file, std::string_view what) {
  std::string line = "seepconv: warning: ";
  line.append(file).append(": ").append(what);
  Line(line);
}

void Messages::Closing(std::string_view line) {
  Line(line);
}

int Messages::Usage(std::string_view what) {
  std::string line = "seepconv: ";
  line.append(what);
  Line(line);
  Line(command_.empty() ? std::string("Try 'seepconv --help'.")
                        : "Try 'seepconv " + std::string(command_) + " --help'.");
  return kUsage;
}

void Messages::StartProgress(Mode mode, std::uint64_t totalBytes, int files, int columns) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
  total_ = totalBytes;
  files_ = files;
  columns_ = columns > 0 ? static_cast<std::size_t>(columns) : 0;
  start_ = last_ = std::chrono::steady_clock::now();
}

void Messages::Step(std::uint64_t read, std::uint64_t written, const StepPlace& place) {
  std::lock_guard lock(mutex_);
  read_ += read;
  written_ += written;
  ++steps_;
  Draw(place);
}

void Messages::FileDone() {
  std::lock_guard lock(mutex_);
  ++filesDone_;
}

void Messages::Line(std::string_view line) {
  if (RunIsEnding()) return;  // the interruption's own line says what happened
  std::lock_guard lock(mutex_);
  Erase();
  std::string text = Escaped(line);
  text += '\n';
  WriteText(err_, text);
  std::fflush(err_);
}

void Messages::FinishProgress() {
  std::lock_guard lock(mutex_);
  Erase();
}

void Messages::Draw(const StepPlace& place) {
  if (mode_ == Mode::kOff) return;
  const auto now = std::chrono::steady_clock::now();
  const auto interval =
      mode_ == Mode::kTerminal ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
  // The first step of every file is shown at once.
  if (steps_ > 1 && place.step > 1 && now - last_ < interval) return;
  last_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double share =
      total_ > 0 ? std::min(1.0, static_cast<double>(read_) / static_cast<double>(total_)) : 0.0;
  std::string line;
  if (files_ > 1) line.append(Escaped(place.file)).append(" ");
  line += "step " + std::to_string(place.step);
  if (place.steps >= place.step) line += "/" + std::to_string(place.steps);
  if (files_ > 1) line += ", " + std::to_string(filesDone_) + "/" + std::to_string(files_) + " files";
  line += ", " + std::to_string(static_cast<int>(share * 100.0)) + "% read, " + Bytes(written_) + " written";
  if (elapsed > 0)
    line += ", " + Bytes(static_cast<std::uint64_t>(static_cast<double>(written_) / elapsed)) + "/s";
  if (share > 0.01) line += ", " + Seconds(elapsed * (1.0 - share) / share) + " left";
  if (mode_ == Mode::kTerminal) {
    // The last column is left free: many terminals move to the next line once it is written.
    if (columns_ > 1 && line.size() >= columns_) line.resize(columns_ - 1);
    std::string shown = std::string("\r").append(line);
    if (line.size() < shownWidth_) shown += std::string(shownWidth_ - line.size(), ' ');
    shownWidth_ = line.size();
    WriteText(err_, shown);
    shown_ = true;
    ProgressLineShown(static_cast<int>(shownWidth_));
  } else {
    line += '\n';
    WriteText(err_, line);
  }
  std::fflush(err_);
}

void Messages::Erase() {
  if (mode_ != Mode::kTerminal || !shown_) return;
  std::string blank(shownWidth_ + 2, ' ');
  blank.front() = blank.back() = '\r';
  std::fputs(blank.c_str(), err_);
  std::fflush(err_);
  shown_ = false;
  shownWidth_ = 0;
  ProgressLineShown(0);
}

std::int64_t EstimatedSteps(std::uint64_t headerEnd, std::uint64_t position, std::int64_t read,
                            std::uint64_t size) {
  if (size == 0 || read <= 0 || position <= headerEnd || size < position) return 0;
  const double perStep = static_cast<double>(position - headerEnd) / static_cast<double>(read);
  return read + std::llround(static_cast<double>(size - position) / perStep);
}

}  // namespace seep
