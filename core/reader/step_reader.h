// The steps of a result file, each read while the caller writes the step before it.
//
// A thread of its own reads the next step's records into arrays of its own; Next swaps them into the
// store. The caller sees what ReadStep in turn would give: the same steps, the same store after a
// damaged step, and that step's failure raised by the Next that asks for it, never earlier. What
// AtEnd answers, or the failure it meets, is likewise taken after the step and raised by AtEnd.
//
// A work given to the reader (the nodal average of a step the kind will write) is done on each step
// read, with the step's end flag, where the step is read: so it too is done ahead of the writer. A step
// it was done on comes marked `prepared`, with the work arrays VXN, VYN and NCNT it filled.
//
// Without a processor to spare (the Io formats in one thread), or for a result file that is not a
// regular file (a pipe could keep the thread waiting after the caller has stopped), Next reads in the
// caller's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "core/io/units.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"

namespace seep::result {

class StepReader {
 public:
  // Work on a step just read, given its end flag: true when it did the work. Must not throw.
  using Work = std::function<bool(Store& s, bool atEnd)>;

  // Reads unit kUnit of `io`, whose header has been read into `s`. The unit is lent to the reading
  // thread, and given back to `io` when the reader is destroyed, whatever the end. Without
  // `velocities` the steps' element velocities are passed over (ReadStep), VXE and VYE left as they are.
  // With `wanted`, the values of a step it does not want are passed over (ReadStepIfWanted): Next
  // gives its ISTEP and TIME, the arrays left as they were, and no work is done on it.
  StepReader(Io& io, const Store& s, Work work = {}, bool velocities = true, Wanted wanted = {});
  ~StepReader();
  StepReader(const StepReader&) = delete;
  StepReader& operator=(const StepReader&) = delete;

  // The next step into ISTEP, TIME, NCODE, P, Q, VXE and VYE, as ReadStep.
  bool Next(Store& s, RecordPlace* place);
  // As result::AtEnd right after the step Next gave.
  bool AtEnd();
  // The result unit's position right after that step.
  std::uint64_t Position() const { return last_.position; }

 private:
  // What reading one step gave besides its records.
  struct Reading {
    bool got = false;  // false: the file ended where the step would begin
    bool atEnd = false;
    std::exception_ptr atEndFailure;  // of the look past the step
    std::uint64_t position = 0;
  };
  // One step read ahead, and what the reading met.
  struct Ahead {
    Store s;  // NUMNP, NUMEL and the step arrays (with the mesh and the work arrays for a work)
    Reading reading;
    const char* record = "";
    std::exception_ptr failure;  // of the step's records
  };

  void Run();
  void ReadAhead();
  void Request();
  // Reads the next step of `io` into `s`, looks past it and does the work; a failure of the records
  // is raised.
  Reading ReadOne(Io& io, Store& s, RecordPlace* place) const;
  // Takes what a reading gave for AtEnd and Position.
  bool Take(const Reading& r);

  Io& io_;
  Work work_;
  Wanted wantedSteps_;
  bool velocities_ = true;
  Io own_{nullptr, nullptr, nullptr};
  Ahead ahead_;
  bool threaded_ = false;
  bool requested_ = false;
  bool ended_ = false;
  Reading last_;  // of the step Next gave

  std::mutex mutex_;
  std::condition_variable wanted_;
  std::condition_variable ready_;
  bool want_ = false;
  bool isReady_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace seep::result
