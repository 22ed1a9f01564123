// Long runs of records formatted side by side.
//
//   WriteRecords(io, unit, 1, s.NUMNP, [&](Io& out, std::int32_t n) {
//     WriteFormatted(out, unit, kNodeLine, n, s.X(n), s.Y(n));
//   });
//
// writes the records of items first ... last to `unit` in item order, exactly as the plain loop
// would, warnings included. The run is cut into blocks of items; the threads of the Io's team (the
// caller's among them) each take the next block not yet taken and format it into a buffer of their
// own, through an Io of their own whose unit of the same number gathers the records in memory; the
// caller hands the finished blocks to the file in order, each buffer as it is, without a copy. A file
// is then written while its next blocks are formatted on every processor.
//
// Memory stays bounded: a block is taken only when it lies within kBlocksAhead blocks of the next to
// be handed over, so at most that many buffers are filled or waiting at once.
//
// `record(out, i)` writes the records of item i through `out`, and only through it; it may run on any
// thread, at the same time as the records of other items, so it reads what it needs and changes
// nothing shared. A failure thrown for an item ends the run after the records before it are handed
// over, as in the plain loop; nothing of a later block reaches the file.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "core/io/units.h"

namespace seep {

class RecordTeam {
 public:
  // Formats items [first, last] through `io`: one block of a run.
  using Block = void (*)(void* record, Io& io, std::int32_t first, std::int32_t last);

  // Runs shorter than this many items are formatted in the calling thread.
  static constexpr std::int32_t kShortRun = 2048;
  // Blocks formatted or waiting at once, at most.
  static constexpr std::size_t kBlocksAhead = 8;
  // The text a block aims at: large enough that handing it over costs little beside its formatting,
  // small enough that the blocks ahead stay a few megabytes. The first blocks of a run, until one is
  // finished and measured, hold kFirstItems items; a run of a statement that ran before starts with
  // the measure of its last run (runs repeat from step to step). A little under 256 KiB, so that a
  // block with the room a record asks for behind it fits a buffer of 256 KiB, which grows by doubling:
  // a block of just 256 KiB would take a buffer of 512 KiB, and the buffers in flight twice the memory.
  static constexpr std::size_t kBlockBytes = std::size_t{248} << 10;
  static constexpr std::size_t kBlockBuffer = std::size_t{256} << 10;
  static constexpr std::int32_t kFirstItems = 512;

  // Starts `helpers` threads beside the caller's; std::system_error when the system refuses one.
  explicit RecordTeam(unsigned helpers);
  // Stops and joins the threads.
  ~RecordTeam();
  RecordTeam(const RecordTeam&) = delete;
  RecordTeam& operator=(const RecordTeam&) = delete;

  // Formats items [first, last] by `block` and appends their records to `unit` of `io`, in order.
  void Run(Io& io, int unit, std::int32_t first, std::int32_t last, Block block, void* record);

 private:
  struct Slot {
    std::vector<char> records;
    std::size_t size = 0;
    std::int64_t warnings = 0;  // the block's output conversion warnings, reported when it is handed over
    std::exception_ptr failure;
    bool done = false;
  };
  // What one run asks of the team.
  struct Job {
    Block block = nullptr;
    void* record = nullptr;
    int unit = 0;
    std::int32_t last = 0;
  };
  // A block taken: its number in the run and its items.
  struct Taken {
    std::size_t block = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
  };

  void Help(std::size_t member);
  // Takes the next block of the run when it may be taken; false when none is left to take. Called with
  // the lock held.
  bool Take(Taken& taken);
  bool AllTaken() const;
  void Format(std::size_t member, const Taken& taken);  // called without the lock
  void HandOver(Io& io, Slot& slot);
  void Stop(std::unique_lock<std::mutex>& lock);  // ends the run: no block is taken any more

  std::vector<std::unique_ptr<Io>> members_;  // [0]: the caller's; the helpers' after it
  std::vector<Slot> slots_;                   // block b fills slots_[b % kBlocksAhead]
  std::mutex mutex_;
  std::condition_variable work_;  // a run began, a block may be taken, or the team stops
  std::condition_variable done_;  // a block was formatted, or a helper went idle
  Job job_;
  std::uint64_t generation_ = 0;  // counts the runs, so that a helper joins each run once
  std::size_t taken_ = 0;         // the blocks taken
  std::int64_t nextItem_ = 0;     // the first item of the next block
  std::int32_t itemsPerBlock_ = 0;
  bool measured_ = false;  // itemsPerBlock_ comes from the bytes of a finished block
  // The measures of the last runs, by the block routine that made them (one for each statement).
  struct Measure {
    Block block = nullptr;
    std::int32_t itemsPerBlock = 0;
  };
  std::array<Measure, 16> measures_{};
  std::size_t nextMeasure_ = 0;     // the entry a new statement takes, round about
  std::size_t handed_ = 0;          // the blocks handed over to the file
  std::size_t busy_ = 0;            // helpers inside the current run
  std::size_t waitingForRoom_ = 0;  // helpers waiting for a block to be handed over
  bool running_ = false;            // a run takes blocks
  bool stop_ = false;
  std::vector<std::thread> helpers_;  // last: started once everything above is made
};

namespace record_team_detail {

// The loop over one block, with the record's statements compiled into it (flatten), where the layout
// of a constant format folds into the code.
template <class Record>
[[gnu::flatten]] void FormatBlock(void* record, Io& io, std::int32_t first, std::int32_t last) {
  Record& r = *static_cast<Record*>(record);
  // Counted in 64 bits: `last` may be the largest 32-bit number.
  for (std::int64_t i = first; i <= last; ++i) r(io, static_cast<std::int32_t>(i));
}

}  // namespace record_team_detail

// The team of `io` for a run of items first ... last long enough to share out; nullptr for a short one.
inline RecordTeam* TeamFor(Io& io, std::int32_t first, std::int32_t last) {
  // In 64 bits: counts read from a file may be any 32-bit numbers, the most negative included.
  return std::int64_t{last} - first + 1 >= RecordTeam::kShortRun ? io.Team() : nullptr;
}

// Writes the records of items first ... last to `unit` of `out`, `record(out, i)` those of item i,
// formatted side by side by `team` (which may be another Io's), or in order here without one.
template <class Record>
void WriteRecordsBy(RecordTeam* team, Io& out, int unit, std::int32_t first, std::int32_t last,
                    Record&& record) {
  using R = std::remove_reference_t<Record>;
  void* context = const_cast<void*>(static_cast<const void*>(&record));
  if (team == nullptr) {
    record_team_detail::FormatBlock<R>(context, out, first, last);
    return;
  }
  team->Run(out, unit, first, last, &record_team_detail::FormatBlock<R>, context);
}

// Writes the records of items first ... last, `record(out, i)` those of item i (see above).
template <class Record>
void WriteRecords(Io& io, int unit, std::int32_t first, std::int32_t last, Record&& record) {
  WriteRecordsBy(TeamFor(io, first, last), io, unit, first, last, record);
}

}  // namespace seep
