#include "core/reader/step_reader.h"

#include <new>
#include <string_view>
#include <system_error>
#include <utility>

namespace seep::result {

StepReader::StepReader(Io& io, const Store& s, Work work, bool velocities, Wanted wanted)
    : io_(io), work_(std::move(work)), wantedSteps_(std::move(wanted)), velocities_(velocities) {
  if (io.Processors() < 2 || !io.OnRegularFile(kUnit)) return;
  Store& a = ahead_.s;
  try {
    a.NUMNP = s.NUMNP;
    a.NUMEL = s.NUMEL;
    a.NCODE.Resize(s.NUMNP);
    a.P.Resize(s.NUMNP);
    a.Q.Resize(s.NUMNP);
    a.VXE.Resize(s.NUMEL);
    a.VYE.Resize(s.NUMEL);
    if (work_) {
      // The mesh, fixed for the run, and the work arrays, for the work done on the steps read ahead.
      a.X = s.X;
      a.Y = s.Y;
      a.ELEM = s.ELEM;
      a.VXN.Resize(s.NUMNP);
      a.VYN.Resize(s.NUMNP);
      a.NCNT.Resize(s.NUMNP);
    }
  } catch (const std::bad_alloc&) {
    a = Store{};  // no room for a second step: the steps are read here, in turn
    return;
  }
  own_.UseProcessors(1);
  io.LendUnit(kUnit, own_);
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    own_.LendUnit(kUnit, io);  // no thread to be had: the steps are read here, in turn
    return;
  }
  threaded_ = true;
}

StepReader::~StepReader() {
  if (!threaded_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wanted_.notify_one();
  thread_.join();
  own_.LendUnit(kUnit, io_);
}

void StepReader::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wanted_.wait(lock, [this] { return stop_ || want_; });
    if (stop_) return;
    want_ = false;
    lock.unlock();
    ReadAhead();
    lock.lock();
    isReady_ = true;
    ready_.notify_one();
  }
}

StepReader::Reading StepReader::ReadOne(Io& io, Store& s, RecordPlace* place) const {
  Reading r;
  s.prepared = false;
  const StepTaken taken = ReadStepIfWanted(io, s, wantedSteps_, place, velocities_);
  r.got = taken != StepTaken::kNone;
  if (!r.got) return r;
  r.position = io.Position(kUnit);
  try {
    r.atEnd = result::AtEnd(io);
  } catch (...) {
    r.atEndFailure = std::current_exception();
    return r;
  }
  s.prepared = taken == StepTaken::kRead && work_ && work_(s, r.atEnd);
  return r;
}

void StepReader::ReadAhead() {
  Ahead& a = ahead_;
  a.failure = nullptr;
  RecordPlace place;
  try {
    a.reading = ReadOne(own_, a.s, &place);
  } catch (...) {
    a.failure = std::current_exception();
  }
  a.record = place.record;
}

void StepReader::Request() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    want_ = true;
  }
  wanted_.notify_one();
}

bool StepReader::Take(const Reading& r) {
  last_ = r;
  // A failure in the look past the step ends the reading there, as it would have in turn.
  ended_ = !r.got || r.atEndFailure != nullptr;
  return r.got;
}

namespace {

// The first `whole` records of a step read into `a` (S1, then S2, then S3), into the store `s`; the
// velocities of S3 only when they were read.
void TakeRecords(Store& s, Store& a, int whole, bool velocities) {
  if (whole >= 1) {
    s.ISTEP = a.ISTEP;
    s.TIME = a.TIME;
  }
  if (whole >= 2) {
    std::swap(s.NCODE, a.NCODE);
    std::swap(s.P, a.P);
    std::swap(s.Q, a.Q);
  }
  if (whole >= 3 && velocities) {
    std::swap(s.VXE, a.VXE);
    std::swap(s.VYE, a.VYE);
  }
}

}  // namespace

bool StepReader::Next(Store& s, RecordPlace* place) {
  if (!threaded_) return Take(ReadOne(io_, s, place));
  if (ended_) return false;
  if (!requested_) {
    Request();
    requested_ = true;
  }
  {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return isReady_; });
    isReady_ = false;
  }
  // The thread waits for the next request: the step read is the caller's until then.
  Ahead& a = ahead_;
  if (place != nullptr) place->record = a.record;
  if (a.failure) {
    // The records read whole before the damaged one are in the store, as ReadStep leaves them.
    ended_ = true;
    const std::string_view failed = a.record;
    TakeRecords(s, a.s, failed == "S3" ? 2 : failed == "S2" ? 1 : 0, velocities_);
    std::rethrow_exception(a.failure);
  }
  if (a.reading.got) {
    TakeRecords(s, a.s, 3, velocities_);
    s.prepared = a.s.prepared;
    if (s.prepared) {
      std::swap(s.VXN, a.s.VXN);
      std::swap(s.VYN, a.s.VYN);
      std::swap(s.NCNT, a.s.NCNT);
    }
  }
  if (!Take(a.reading)) return false;
  if (!ended_) Request();  // the next step is read while the caller writes this one
  return true;
}

bool StepReader::AtEnd() {
  if (last_.atEndFailure) std::rethrow_exception(std::exchange(last_.atEndFailure, nullptr));
  return last_.atEnd;
}

}  // namespace seep::result
