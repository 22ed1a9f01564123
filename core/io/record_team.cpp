#include "core/io/record_team.h"

#include <algorithm>
#include <utility>

#include "core/io/failure.h"

namespace seep {

RecordTeam::RecordTeam(unsigned helpers) : slots_(kBlocksAhead) {
  members_.reserve(helpers + 1);
  for (unsigned m = 0; m <= helpers; ++m) {
    members_.push_back(std::make_unique<Io>(nullptr, nullptr, nullptr));
    members_.back()->UseProcessors(1);
    members_.back()->CountWarnings();
  }
  helpers_.reserve(helpers);
  try {
    for (unsigned m = 1; m <= helpers; ++m) helpers_.emplace_back([this, m] { Help(m); });
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    work_.notify_all();
    for (std::thread& t : helpers_) t.join();
    throw;
  }
}

RecordTeam::~RecordTeam() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& t : helpers_) t.join();
}

void RecordTeam::Run(Io& io, int unit, std::int32_t first, std::int32_t last, Block block, void* record) {
  const Unit* target = io.OutputUnit(unit);
  if (target == nullptr || last < first) {
    // Not yet writing (the first record starts the writing, or reports what is wrong): in order, here.
    block(record, io, first, last);
    return;
  }
  // Every member gathers the records in a unit of the same number and name, so that a report made
  // while formatting names the file.
  for (const std::unique_ptr<Io>& m : members_) {
    const Unit* u = m->OutputUnit(unit);
    if (u == nullptr || u->name != target->name) m->OpenMemoryUnit(unit, target->name);
  }
  std::unique_lock<std::mutex> lock(mutex_);
  job_ = Job{block, record, unit, last};
  taken_ = 0;
  nextItem_ = first;
  itemsPerBlock_ = kFirstItems;
  measured_ = false;
  for (const Measure& m : measures_) {
    if (m.block == block) {
      itemsPerBlock_ = m.itemsPerBlock;
      measured_ = true;
    }
  }
  handed_ = 0;
  running_ = true;
  ++generation_;
  work_.notify_all();
  try {
    while (handed_ < taken_ || !AllTaken()) {
      Slot& slot = slots_[handed_ % kBlocksAhead];
      Taken taken;
      if (slot.done) {
        // Handed over without the lock: the helpers go on filling the other slots meanwhile.
        lock.unlock();
        HandOver(io, slot);
        lock.lock();
        slot.done = false;
        ++handed_;
        // A block further on may be taken now: woken only when a helper waits for that, so that a run
        // of blocks handed over does not wake one that has blocks of its own to format.
        if (waitingForRoom_ > 0) work_.notify_all();
      } else if (Take(taken)) {
        lock.unlock();
        Format(0, taken);
        lock.lock();
      } else {
        done_.wait(lock);
      }
    }
  } catch (...) {
    if (!lock.owns_lock()) lock.lock();
    Stop(lock);
    throw;
  }
  Stop(lock);
}

bool RecordTeam::AllTaken() const {
  return nextItem_ > job_.last;
}

bool RecordTeam::Take(Taken& taken) {
  if (!running_ || AllTaken() || taken_ >= handed_ + kBlocksAhead) return false;
  taken.block = taken_++;
  taken.first = static_cast<std::int32_t>(nextItem_);
  // In 64 bits: the items may run from the most negative to the most positive 32-bit number.
  taken.last = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::int64_t{taken.first} + itemsPerBlock_ - 1, std::int64_t{job_.last}));
  nextItem_ = std::int64_t{taken.last} + 1;
  return true;
}

void RecordTeam::Format(std::size_t member, const Taken& taken) {
  Io& out = *members_[member];
  Unit& u = *out.OutputUnit(job_.unit);
  // The room of a whole block at once: grown record by record, a buffer would double a dozen times
  // from the first record's size, each time into memory the system supplies afresh, and end at a size
  // that no buffer given back by the writer fits.
  if (u.outLen == 0 && u.out.size() < kBlockBuffer) {
    u.out.clear();
    u.out.resize(kBlockBuffer);
  }
  const std::int64_t before = out.WarningCount();
  std::exception_ptr failure;
  try {
    job_.block(job_.record, out, taken.first, taken.last);
  } catch (...) {
    failure = std::current_exception();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!measured_ && u.outLen > 0) {
      // Blocks of about kBlockBytes from now on, by the bytes per item of this one.
      const std::size_t items = static_cast<std::size_t>(std::int64_t{taken.last} - taken.first) + 1;
      const std::size_t perItem = std::max<std::size_t>(1, u.outLen / items);
      itemsPerBlock_ = static_cast<std::int32_t>(std::clamp<std::size_t>(kBlockBytes / perItem, 64, 1 << 16));
      measured_ = true;
      measures_[nextMeasure_] = {job_.block, itemsPerBlock_};
      nextMeasure_ = (nextMeasure_ + 1) % measures_.size();
    }
    Slot& slot = slots_[taken.block % kBlocksAhead];
    slot.records.swap(u.out);
    slot.size = std::exchange(u.outLen, 0);
    u.position = 0;
    slot.warnings = out.WarningCount() - before;
    slot.failure = failure;
    slot.done = true;
  }
  done_.notify_all();
}

void RecordTeam::HandOver(Io& io, Slot& slot) {
  const std::exception_ptr failure = std::exchange(slot.failure, nullptr);
  const std::int64_t warnings = std::exchange(slot.warnings, 0);
  io.AppendRecords(job_.unit, slot.records, std::exchange(slot.size, 0));
  for (std::int64_t w = 0; w < warnings; ++w) io.Warn(kErrOutputConversion, job_.unit);
  if (failure) std::rethrow_exception(failure);
}

void RecordTeam::Stop(std::unique_lock<std::mutex>& lock) {
  running_ = false;
  work_.notify_all();
  done_.wait(lock, [this] { return busy_ == 0; });
  // Blocks formatted beyond a failure are dropped.
  for (Slot& slot : slots_) {
    slot.done = false;
    slot.size = 0;
    slot.warnings = 0;
    slot.failure = nullptr;
  }
}

void RecordTeam::Help(std::size_t member) {
  std::unique_lock<std::mutex> lock(mutex_);
  std::uint64_t seen = 0;
  for (;;) {
    work_.wait(lock, [&] { return stop_ || (running_ && generation_ != seen); });
    if (stop_) return;
    seen = generation_;
    ++busy_;
    for (;;) {
      Taken taken;
      if (Take(taken)) {
        lock.unlock();
        Format(member, taken);
        lock.lock();
        continue;
      }
      if (!running_ || AllTaken()) break;
      ++waitingForRoom_;
      work_.wait(lock);
      --waitingForRoom_;
    }
    --busy_;
    done_.notify_all();
  }
}

}  // namespace seep
