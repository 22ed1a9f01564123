// One conversion of a result file into one output kind: the road that the dialogue and the command line
// both drive. The result file is open as unit 10 with its header read, the output unit is open (unless
// the kind writes files of its own); then the kind's set-up, one pass over the steps handing the
// selected ones to its writer, and its finish. The kind is a row declared by its writer folder
// (writers/kind.h); a kind without an operation at a place does nothing there.
//
// Threads of one conversion, and what each owns:
// - The conversion's thread (the dialogue's, or one of `--jobs` on the command line) owns the
//   Conversion: the store `s` that the writers read, the kind's state, the units of `io` but the result
//   unit, and every call of the kind's operations.
// - The step reader's thread (core/reader/step_reader) owns, between two calls of Next, the result
//   unit (lent to its own Io) and the step arrays of its `Ahead` store, into which it reads the next
//   step and where it does the kind's prepareStep; Next swaps those arrays with the store's, so no
//   array is ever touched by both threads at once.
// - The formatting team (core/io/record_team) formats blocks of one statement's records; each block
//   owns its own text buffer and reads the store only, which no thread changes while a run of records
//   is formatted. The conversion's thread joins the blocks in order.
// - The writer thread (core/io/write_behind) owns each full buffer handed to it until it is written,
//   and the file descriptors of the units written behind; a failure there is raised in the
//   conversion's thread at its next hand-over or at close.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/selection.h"
#include "core/io/units.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "writers/kind.h"

namespace seep {

// The state a kind keeps for one conversion, made by its row and dropped with the conversion.
class KindState {
 public:
  explicit KindState(const OutputKind& kind)
      : drop_(kind.state.drop), state_(kind.state.make != nullptr ? kind.state.make() : nullptr) {}
  ~KindState() {
    if (state_ != nullptr && drop_ != nullptr) drop_(state_);
  }
  KindState(const KindState&) = delete;
  KindState& operator=(const KindState&) = delete;

  void* get() const { return state_; }

 private:
  void (*drop_)(void*);
  void* state_;
};

struct Conversion {
  Conversion(Io& io, Store& s, const OutputChoices& choices, const OutputKind& kind)
      : io(io), s(s), choices(choices), kind(kind), state(kind) {}

  Io& io;
  Store& s;
  const OutputChoices& choices;
  const OutputKind& kind;
  KindState state;
  result::RecordPlace place{};  // the result file record being read
  // The command line's rule: a history holds the selected steps only. The dialogue's holds every step.
  bool historyOfSelection = false;

  // The conversion as the kind's operations see it.
  WriterCall Writer() const { return {io, s, choices, state.get()}; }
};

// What the step loop saw: the number of every step read, in file order, and how many were selected
// (written, or in a history).
struct StepTally {
  std::vector<std::int32_t> numbers;
  std::int64_t written = 0;
  std::uint64_t bytesRead = 0;  // the result file's position after the last step read
};

// Called after each step with the steps read so far.
using StepObserver = std::function<void(const StepTally&)>;

// Bytes written so far: the output unit and the kind's own files.
std::uint64_t BytesWritten(const Conversion& c);
// Bytes of the finished output, for the closing line: the output unit, or the files of a kind that
// writes its own. A work file is not output.
std::uint64_t OutputBytes(const Conversion& c);

// The steps of the result file that `selection` takes, counted from the current position by passing
// over each step's records (seeking past their values), the position kept; -1 when the steps cannot be
// passed over whole (a damaged step, a failed read): the step loop then meets that itself.
std::int32_t CountSelectedSteps(Io& io, const Store& s, const StepSelection& selection);

void SetUpWriter(Conversion& c);
// One pass over the steps of the result file: every step goes to the kind's every-step operation (only
// the selected ones when `historyOfSelection`), the steps that `selection` takes to its selected-step
// operation.
void StepLoop(Conversion& c, const StepSelection& selection, StepTally& tally,
              const StepObserver& observer = {});
void FinishWriter(Conversion& c);
// After a failure: the kind takes away what its own files left half-made.
void AbandonWriter(Conversion& c);
// What the kind left out, as one warning text; empty when nothing.
std::string LeftOut(const Conversion& c);
// The files written, for the closing line.
std::string FilesWritten(const Conversion& c, const std::string& output);

}  // namespace seep
