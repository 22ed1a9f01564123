#include "app/conversion.h"

#include <cerrno>
#include <limits>
#include <utility>

#include "core/io/cleanup.h"
#include "core/io/failure.h"
#include "core/reader/result_file.h"
#include "core/reader/step_reader.h"

namespace seep {
namespace {

void Call(WriterOperation op, Conversion& c) {
  if (op == nullptr) return;
  WriterCall w = c.Writer();
  op(w);
}

}  // namespace

std::uint64_t BytesWritten(const Conversion& c) {
  const std::uint64_t own = c.kind.bytesOwn != nullptr ? c.kind.bytesOwn(c.Writer()) : 0;
  return c.io.Position(kOutputUnit) + own;
}

std::uint64_t OutputBytes(const Conversion& c) {
  return c.kind.ownFiles ? BytesWritten(c) : c.io.Position(kOutputUnit);
}

std::int32_t CountSelectedSteps(Io& io, const Store& s, const StepSelection& selection) {
  const std::uint64_t start = io.Position(result::kUnit);
  Store step;  // the counts that size the records, and the step's number and time
  step.NUMNP = s.NUMNP;
  step.NUMEL = s.NUMEL;
  std::int64_t count = 0;
  bool whole = true;
  try {
    while (result::SkipStep(io, step)) {
      if (selection.Selects(step.ISTEP, result::AtEnd(io))) ++count;
    }
  } catch (const IoFailure&) {
    whole = false;
  }
  io.SeekUnit(result::kUnit, start);
  return whole && count <= std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(count) : -1;
}

void SetUpWriter(Conversion& c) {
  Call(c.kind.setUp, c);
}

void StepLoop(Conversion& c, const StepSelection& selection, StepTally& tally, const StepObserver& observer) {
  // The next step is read while the kind writes this one, and the work on it that needs the store
  // alone is done there too, for the steps the kind will write.
  result::StepReader::Work prepare;
  if (c.kind.prepareStep != nullptr) {
    prepare = [&selection, step = c.kind.prepareStep](Store& s, bool atEnd) {
      if (!selection.Selects(s.ISTEP, atEnd)) return false;
      step(s);
      return true;
    };
  }
  // The values of a step the selection does not take are passed over, unless the kind's history
  // takes every step.
  result::Wanted wanted;
  if (c.historyOfSelection || c.kind.historyStep == nullptr) {
    wanted = [&selection](std::int32_t istep, bool last) { return selection.Selects(istep, last); };
  }
  result::StepReader steps(c.io, c.s, std::move(prepare), c.kind.usesVelocities, std::move(wanted));
  while (steps.Next(c.s, &c.place)) {
    // An interrupted command line: conversions side by side stop here, and their files go.
    if (RunIsEnding()) throw IoFailure{kErrWrite, kOutputUnit, c.choices.ONAME, EINTR};
    tally.numbers.push_back(c.s.ISTEP);
    tally.bytesRead = steps.Position();
    const bool taken = selection.Selects(c.s.ISTEP, steps.AtEnd());
    if (taken || !c.historyOfSelection) Call(c.kind.historyStep, c);
    if (taken) {
      ++tally.written;
      Call(c.kind.selectedStep, c);
    }
    if (observer) observer(tally);
  }
}

void FinishWriter(Conversion& c) {
  Call(c.kind.finish, c);
}

void AbandonWriter(Conversion& c) {
  Call(c.kind.abandon, c);
}

std::string LeftOut(const Conversion& c) {
  return c.kind.leftOut != nullptr ? c.kind.leftOut(c.Writer()) : std::string();
}

std::string FilesWritten(const Conversion& c, const std::string& output) {
  return c.kind.written != nullptr ? c.kind.written(c.Writer(), output) : output;
}

}  // namespace seep
