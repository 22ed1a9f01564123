// The run's temporary files and folders, kept in one fixed table so that an interruption can take them
// away: a signal handler may only call what is safe in a handler (unlink, rmdir, write), so the names
// are copied into the table beforehand and the handler walks it without allocating or locking.
//
// A temporary name is remembered right after the file or folder is made and forgotten right before it
// is renamed into place or removed. Names longer than a slot, or more names than the table holds, are
// not remembered; the code that made them still removes them on every ordinary way out.
#pragma once

#include <string_view>

namespace seep {

enum class TemporaryKind { kFile, kFolder };

// A remembered temporary name; forgets it when it goes. Move-only.
class TemporaryTicket {
 public:
  TemporaryTicket() = default;
  TemporaryTicket(std::string_view name, TemporaryKind kind);
  ~TemporaryTicket() { Forget(); }
  TemporaryTicket(TemporaryTicket&& other) noexcept : slot_(other.slot_) { other.slot_ = -1; }
  TemporaryTicket& operator=(TemporaryTicket&& other) noexcept;
  TemporaryTicket(const TemporaryTicket&) = delete;
  TemporaryTicket& operator=(const TemporaryTicket&) = delete;

  // The name is no temporary any more (renamed into place, or removed by its owner).
  void Forget() noexcept;
  bool Remembered() const { return slot_ >= 0; }

 private:
  int slot_ = -1;
};

// While one lives, the few renames that put one output in place (a collection and its folder) finish
// together: the signals that end a run are held off in the thread that made it, and an interruption
// taken in another thread waits for it (a few seconds at most) before it sweeps. Not nested across
// threads for long: made and ended around renames only.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
};

// A test hook: when the environment variable SEEPCONV_SIGNAL_AT names `point`, the run sends itself
// SIGTERM there, so that a test reaches each moment of a replacement without relying on timing.
void SignalPoint(const char* point);

// Removes every remembered file, then every remembered folder with the files in it, and marks the run
// as ending. Calls only what is safe in a signal handler.
void RemoveTemporariesNow() noexcept;

// The width of the status line now shown on standard error (a terminal), 0 once it is erased: an
// interruption blanks it before its own line.
void ProgressLineShown(int columns);

// True once an interruption has begun: conversions still running side by side fail for the files
// taken from under them, and their messages are not worth a line.
bool RunIsEnding();

// From now on SIGINT, SIGTERM and SIGHUP (on Windows the console's Ctrl-C, Ctrl-Break and close
// events) remove the temporaries, write "seepconv: interrupted" on standard error and end the process
// as that signal does; a broken pipe (SIGPIPE) removes them and ends the process silently as SIGPIPE
// does. A signal that was ignored when the program started stays ignored (nohup). For the command
// line only: the dialogue keeps the system's handling.
void EndRunsCleanlyOnSignals();

}  // namespace seep
