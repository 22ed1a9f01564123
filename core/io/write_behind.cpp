#include "core/io/write_behind.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <utility>

#include "core/io/failure.h"
#include "core/io/platform.h"

namespace seep {
namespace {

// Room enough for every buffer and every unit, so that the thread never allocates.
constexpr std::size_t kSpareMax = WriteBehind::kDepth + 16;

}  // namespace

WriteBehind::WriteBehind() {
  spare_.reserve(kSpareMax);
  stopped_.reserve(kSpareMax);
  rooms_.reserve(kSpareMax);
  thread_ = std::thread([this] { Run(); });
}

WriteBehind::~WriteBehind() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  queued_.notify_one();
  thread_.join();
}

void WriteBehind::Queue(Job&& job) {
  ring_[(head_ + count_) % ring_.size()] = std::move(job);
  ++count_;
  ++inFlight_;
}

void WriteBehind::WaitForRoom(std::unique_lock<std::mutex>& lock) {
  if (inFlight_ >= kDepth) done_.wait(lock, [this] { return inFlight_ <= kResume; });
}

void WriteBehind::Write(int unit, std::FILE* file, std::vector<char>& buffer, std::size_t size,
                        bool roomAhead) {
  const std::size_t capacity = buffer.size();
  std::vector<char> next;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitForRoom(lock);
    // The smallest spare that holds as much as this buffer. When none does, a new one is made below
    // and the spares stay for the smaller buffers of other units; but the smallest goes when the
    // spares and the buffers in flight could fill the room that the thread keeps for them.
    auto fit = spare_.end();
    auto smallest = spare_.begin();
    for (auto s = spare_.begin(); s != spare_.end(); ++s) {
      if (s->size() >= capacity && (fit == spare_.end() || s->size() < fit->size())) fit = s;
      if (s->size() < smallest->size()) smallest = s;
    }
    if (fit == spare_.end() && spare_.size() + kDepth + 1 >= kSpareMax) fit = smallest;
    if (fit != spare_.end()) {
      next = std::move(*fit);
      spare_.erase(fit);
    }
    Queue(Job{.unit = unit, .file = file, .data = std::move(buffer), .size = size, .roomAhead = roomAhead});
  }
  queued_.notify_one();
  // Outside the lock: the first buffers are made here, once. A smaller one's bytes are not kept.
  if (next.size() < capacity) {
    next.clear();
    next.resize(capacity);
  }
  buffer = std::move(next);
}

void WriteBehind::Submit(Job&& job) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitForRoom(lock);
    Queue(std::move(job));
  }
  queued_.notify_one();
}

void WriteBehind::Share(int unit, std::FILE* file, std::shared_ptr<const std::vector<char>> buffer,
                        std::size_t size, bool roomAhead) {
  Submit(Job{.unit = unit, .file = file, .shared = std::move(buffer), .size = size, .roomAhead = roomAhead});
}

void WriteBehind::Copy(int unit, std::FILE* to, int fromUnit, std::FILE* from, std::uint64_t offset,
                       std::uint64_t length) {
  Submit(
      Job{.unit = unit, .file = to, .fromUnit = fromUnit, .from = from, .offset = offset, .length = length});
}

void WriteBehind::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  flushWanted_ = true;  // what is held goes out as soon as nothing else is queued
  queued_.notify_one();
  done_.wait(lock, [this] { return inFlight_ == 0; });
  flushWanted_ = false;
}

WriteFailure WriteBehind::TakeFailure() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(untaken_, WriteFailure{});
}

WriteFailure WriteBehind::FailureOf(int unit) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Stopped& s : stopped_) {
    if (s.unit == unit) return s.failure;
  }
  return {};
}

void WriteBehind::Forget(int unit) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(stopped_, [unit](const Stopped& s) { return s.unit == unit; });
  if (untaken_.unit == unit) untaken_ = {};
}

void WriteBehind::Release(std::FILE* file) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto room =
        std::find_if(rooms_.begin(), rooms_.end(), [file](const Room& r) { return r.file == file; });
    if (room == rooms_.end()) return;
    rooms_.erase(room);
  }
  ReleaseFileSpace(file);
}

void WriteBehind::Reserve(std::FILE* file, std::uint64_t position, std::uint64_t end) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto room = std::find_if(rooms_.begin(), rooms_.end(), [file](const Room& r) { return r.file == file; });
  if (room == rooms_.end()) {
    if (rooms_.size() == rooms_.capacity()) return;  // the thread never allocates
    room = rooms_.insert(rooms_.end(), Room{file, position, false});
  }
  if (room->refused || end <= room->end) return;
  const std::uint64_t from = std::max(room->end, position);
  lock.unlock();
  // The entry stays where it is meanwhile: rooms_ never grows past its capacity, and Release takes
  // entries out only when nothing handed over is left to write.
  const bool taken = ReserveFileSpace(file, from, end + kReserveAhead - from);
  lock.lock();
  if (taken) {
    room->end = end + kReserveAhead;
  } else {
    room->refused = true;  // a device, a file system without the call, or no room: written as it comes
  }
}

bool WriteBehind::IsStopped(int unit) const {
  for (const Stopped& s : stopped_) {
    if (s.unit == unit) return true;
  }
  return false;
}

// The bytes a write job hands over: its own buffer's, or the shared one's.
const char* WriteBehind::BytesOf(const Job& job) {
  return job.shared != nullptr ? job.shared->data() : job.data.data();
}

void WriteBehind::Execute(Job&& job, Finished& finished) {
  const bool copy = job.from != nullptr;
  // What is held for another file, or for the file a copy goes to, goes first.
  if (holding_ && (copy || heldJob_.file != job.file)) WriteHeld(finished);
  WriteFailure failure;
  if (copy) {
    int err = 0;
    std::uint64_t copied = 0;
    try {
      copied = CopyFileBytes(job.from, job.offset, job.length, job.file, copyBuffer_, err);
    } catch (const std::bad_alloc&) {
      err = ENOMEM;  // no buffer for a copy the kernel does not do: reported like any failed write
    }
    // A source that ends early is its own failure; a refused write is the target's.
    if (copied != job.length)
      failure =
          err == 0 ? WriteFailure{kErrEndOfFile, job.fromUnit, 0} : WriteFailure{kErrWrite, job.unit, err};
    finished.Add(std::move(job), failure);
    return;
  }
  const char* data = BytesOf(job);
  // Where the bytes go: after what was written and held, or where the file stands now.
  std::uint64_t base = position_;
  if (!holding_ && !WritePosition(job.file, base)) {
    int err = 0;
    const WritePiece all = {data, job.size};
    if (WritePieces(job.file, &all, 1, err) != job.size) failure = {kErrWrite, job.unit, err};
    finished.Add(std::move(job), failure);
    return;
  }
  const std::size_t held = holding_ ? heldJob_.size - heldFrom_ : 0;
  const char* heldData = holding_ ? BytesOf(heldJob_) + heldFrom_ : nullptr;
  // Up to the last boundary the bytes reach; all of them when they reach none past what is held.
  const std::uint64_t boundary = (base + held + job.size) / kBoundary * kBoundary;
  const std::size_t now =
      boundary > base + held ? static_cast<std::size_t>(boundary - base - held) : job.size;
  if (job.roomAhead) Reserve(job.file, base, base + held + job.size);
  const WritePiece pieces[2] = {{heldData, held}, {data, now}};
  int err = 0;
  const std::uint64_t written = WritePieces(job.file, pieces, 2, err);
  position_ = base + written;
  if (written != held + now) failure = {kErrWrite, job.unit, err};
  if (holding_) {
    holding_ = false;
    finished.Add(std::move(heldJob_), failure);
  }
  if (failure.number == 0 && now < job.size) {
    heldJob_ = std::move(job);
    heldFrom_ = now;
    holding_ = true;
    return;
  }
  finished.Add(std::move(job), failure);
}

void WriteBehind::WriteHeld(Finished& finished) {
  holding_ = false;
  const char* data = BytesOf(heldJob_);
  const WritePiece rest = {data + heldFrom_, heldJob_.size - heldFrom_};
  int err = 0;
  const std::uint64_t written = WritePieces(heldJob_.file, &rest, 1, err);
  position_ += written;
  WriteFailure failure;
  if (written != rest.size) failure = {kErrWrite, heldJob_.unit, err};
  finished.Add(std::move(heldJob_), failure);
}

void WriteBehind::Finish(Done& done, std::unique_lock<std::mutex>& lock) {
  const WriteFailure& failure = done.failure;
  Job& job = done.job;
  if (failure.number != 0) {
    // The unit that failed writes nothing more; the first failure is the one reported.
    if (!IsStopped(failure.unit)) stopped_.push_back({failure.unit, failure});
    if (!IsStopped(job.unit)) stopped_.push_back({job.unit, failure});
    if (untaken_.number == 0) untaken_ = failure;
  }
  if (job.shared != nullptr) {
    lock.unlock();
    job.shared.reset();  // the last owner frees the buffer here, outside the lock
    lock.lock();
  } else if (job.from == nullptr) {
    spare_.push_back(std::move(job.data));
  }
  --inFlight_;
  // Those who wait, wait for room (kResume) or for everything written (0).
  if (inFlight_ == kResume || inFlight_ == 0) done_.notify_all();
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return stop_ || count_ > 0 || (flushWanted_ && holding_); });
    Finished finished;
    if (count_ > 0) {
      Job job = std::move(ring_[head_]);
      head_ = (head_ + 1) % ring_.size();
      --count_;
      const bool skip = IsStopped(job.unit);
      lock.unlock();
      if (skip) {
        finished.Add(std::move(job), WriteFailure{});
      } else {
        Execute(std::move(job), finished);
      }
      lock.lock();
    } else if (holding_) {
      // Asked for by Wait, or the thread stops.
      lock.unlock();
      WriteHeld(finished);
      lock.lock();
    } else {
      return;  // stopped, and every job is done
    }
    for (int i = 0; i < finished.count; ++i) Finish(finished.done[i], lock);
  }
}

}  // namespace seep
