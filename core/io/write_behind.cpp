#include "core/io/write_behind.h"

#include <cerrno>
#include <new>
#include <utility>

#include "core/io/failure.h"
#include "core/io/platform.h"

namespace seep {
namespace {

// Room enough for every buffer and every unit, so that the thread never allocates.
constexpr std::size_t kSpareMax = 16;

}  // namespace

WriteBehind::WriteBehind() {
  spare_.reserve(kSpareMax);
  stopped_.reserve(kSpareMax);
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

void WriteBehind::Write(int unit, std::FILE* file, std::vector<char>& buffer, std::size_t size) {
  const std::size_t capacity = buffer.size();
  std::vector<char> next;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitForRoom(lock);
    if (!spare_.empty()) {
      next = std::move(spare_.back());
      spare_.pop_back();
    }
    Queue(Job{.unit = unit, .file = file, .data = std::move(buffer), .size = size});
  }
  queued_.notify_one();
  // Outside the lock: the first buffers are made here, once.
  if (next.size() < capacity) next.resize(capacity);
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
                        std::size_t size) {
  Submit(Job{.unit = unit, .file = file, .shared = std::move(buffer), .size = size});
}

void WriteBehind::Copy(int unit, std::FILE* to, int fromUnit, std::FILE* from, std::uint64_t offset,
                       std::uint64_t length) {
  Submit(
      Job{.unit = unit, .file = to, .fromUnit = fromUnit, .from = from, .offset = offset, .length = length});
}

void WriteBehind::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return inFlight_ == 0; });
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

bool WriteBehind::IsStopped(int unit) const {
  for (const Stopped& s : stopped_) {
    if (s.unit == unit) return true;
  }
  return false;
}

void WriteBehind::Execute(Job& job, WriteFailure& failure) {
  if (job.from == nullptr) {
    const char* data = job.shared != nullptr ? job.shared->data() : job.data.data();
    if (job.size > 0 && std::fwrite(data, 1, job.size, job.file) != job.size)
      failure = {kErrWrite, job.unit, errno};
    return;
  }
  int err = 0;
  std::uint64_t copied = 0;
  try {
    copied = CopyFileBytes(job.from, job.offset, job.length, job.file, copyBuffer_, err);
  } catch (const std::bad_alloc&) {
    err = ENOMEM;  // no buffer for a copy the kernel does not do: reported like any failed write
  }
  if (copied == job.length) return;
  // A source that ends early is its own failure; a refused write is the target's.
  failure = err == 0 ? WriteFailure{kErrEndOfFile, job.fromUnit, 0} : WriteFailure{kErrWrite, job.unit, err};
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return stop_ || count_ > 0; });
    if (count_ == 0) return;  // stopped, and every job is done
    Job job = std::move(ring_[head_]);
    head_ = (head_ + 1) % ring_.size();
    --count_;
    WriteFailure failure;
    if (!IsStopped(job.unit)) {
      lock.unlock();
      Execute(job, failure);
      lock.lock();
    }
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
}

}  // namespace seep
