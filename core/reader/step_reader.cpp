#include "core/reader/step_reader.h"

#include <new>
#include <string_view>
#include <system_error>
#include <utility>

namespace seep::result {

StepReader::StepReader(Io& io, const Store& s, Work work) : io_(io), work_(std::move(work)) {
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

void StepReader::ReadAhead() {
  Ahead& a = ahead_;
  a.failure = a.atEndFailure = nullptr;
  a.s.nodalAverageMade = false;
  RecordPlace place;
  try {
    a.got = ReadStep(own_, a.s, &place);
    a.position = own_.Position(kUnit);
  } catch (...) {
    a.failure = std::current_exception();
  }
  a.record = place.record;
  if (a.failure || !a.got) return;
  try {
    a.atEnd = result::AtEnd(own_);
  } catch (...) {
    a.atEndFailure = std::current_exception();
    return;
  }
  if (work_) work_(a.s, a.atEnd);
}

void StepReader::Request() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    want_ = true;
  }
  wanted_.notify_one();
}

bool StepReader::Next(Store& s, RecordPlace* place) {
  if (!threaded_) {
    s.nodalAverageMade = false;
    if (!ReadStep(io_, s, place)) return false;
    position_ = io_.Position(kUnit);
    try {
      atEnd_ = result::AtEnd(io_);
    } catch (...) {
      atEndFailure_ = std::current_exception();
      return true;
    }
    if (work_) work_(s, atEnd_);
    return true;
  }
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
    if (failed == "S2" || failed == "S3") {
      s.ISTEP = a.s.ISTEP;
      s.TIME = a.s.TIME;
    }
    if (failed == "S3") {
      std::swap(s.NCODE, a.s.NCODE);
      std::swap(s.P, a.s.P);
      std::swap(s.Q, a.s.Q);
    }
    std::rethrow_exception(a.failure);
  }
  if (!a.got) {
    ended_ = true;
    return false;
  }
  s.ISTEP = a.s.ISTEP;
  s.TIME = a.s.TIME;
  std::swap(s.NCODE, a.s.NCODE);
  std::swap(s.P, a.s.P);
  std::swap(s.Q, a.s.Q);
  std::swap(s.VXE, a.s.VXE);
  std::swap(s.VYE, a.s.VYE);
  s.nodalAverageMade = a.s.nodalAverageMade;
  if (s.nodalAverageMade) {
    std::swap(s.VXN, a.s.VXN);
    std::swap(s.VYN, a.s.VYN);
    std::swap(s.NCNT, a.s.NCNT);
  }
  atEnd_ = a.atEnd;
  atEndFailure_ = a.atEndFailure;
  position_ = a.position;
  // A failure in the look past this step ends the reading there, as it would have in turn.
  if (atEndFailure_) {
    ended_ = true;
  } else {
    Request();  // the next step is read while the caller writes this one
  }
  return true;
}

bool StepReader::AtEnd() {
  if (atEndFailure_) std::rethrow_exception(std::exchange(atEndFailure_, nullptr));
  return atEnd_;
}

}  // namespace seep::result
