// Writing behind the formatting: one thread writes the full buffers of the file units, in the order
// they were handed over, while the program fills the next ones. The kernel's copy of a buffer into the
// file and the formatting of the next buffer then run on two processors at once.
//
// Memory stays bounded: at most kDepth buffers are in flight (about a step of a large model, so that
// the formatting of the next step goes on while this one is written); the one who hands over a buffer
// waits while all of them are, until half are written, and gets back an emptied buffer of the same size
// to fill. The buffers circulate, so nothing is allocated once the first few are made.
//
// Writes keep to the file's 64 KiB boundaries where the system tells the file's position: each write
// ends on a boundary, and the bytes of a buffer past its last boundary are held (the buffer stays in
// flight) and written first with the next buffer of the file. The kernel then takes the file's pages
// in larger pieces, and spends about a tenth less time on the same bytes than on writes that end
// anywhere. What is held goes out before any other file is written or copied to, when all that was
// handed over is waited for (Wait), and when the thread stops.
//
// Room for the bytes of a file that the program opened by name is taken ahead of its writes,
// kReserveAhead past the end they reach, without changing the file's size (where the system can:
// Linux); a stream it was given (standard output, which others may write to too) is left alone. The kernel
// then writes into blocks that are already the file's, and spends about a third less time on the same bytes
// than when it sets blocks aside page by page. The room taken and not written is given back before the file
// closes (Release), so that the file holds no more blocks than its bytes need.
//
// A failed write is kept, with its unit, and stops that unit: nothing handed over for it afterwards
// reaches its file, so the file holds exactly what was written before the failure. The owner (Io)
// reads the failure and raises it in its own thread; nothing is reported here.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace seep {

struct WriteFailure {
  int number = 0;  // error number (38 write, 24 a copied file ended early); 0: no failure
  int unit = 0;
  int cause = 0;  // the system's error code
};

class WriteBehind {
 public:
  // Buffers in flight at most. One who finds them all in flight waits until no more than kResume are:
  // the writing thread then runs on for several buffers without being interrupted, and the one handing
  // them over is woken once for several instead of once for each.
  static constexpr std::size_t kDepth = 16;
  static constexpr std::size_t kResume = kDepth / 2;
  // The boundaries writes end on.
  static constexpr std::uint64_t kBoundary = std::uint64_t{64} << 10;
  // How far past the end of a file's bytes its room is taken.
  static constexpr std::uint64_t kReserveAhead = std::uint64_t{4} << 20;

  // Starts the thread; std::system_error when the system refuses one.
  WriteBehind();
  // Writes what was handed over, then stops and joins the thread.
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Hands over the first `size` bytes of `buffer` for `file` (unit `unit`), to be written after all
  // that was handed over before. `buffer` comes back as a buffer of at least its size, to be filled;
  // the call waits while kDepth buffers are in flight. `roomAhead`: room may be taken for the file
  // ahead of the writes.
  void Write(int unit, std::FILE* file, std::vector<char>& buffer, std::size_t size, bool roomAhead = false);
  // Hands over the first `size` bytes of a buffer that nobody changes while it is shared, to be written
  // like a buffer handed over by Write; the thread lets go of it once written.
  void Share(int unit, std::FILE* file, std::shared_ptr<const std::vector<char>> buffer, std::size_t size,
             bool roomAhead = false);
  // Hands over a copy of `length` bytes of `from`, starting at byte `offset`, to the end of `to`.
  void Copy(int unit, std::FILE* to, int fromUnit, std::FILE* from, std::uint64_t offset,
            std::uint64_t length);
  // Returns when everything handed over has been written (or skipped after a failure).
  void Wait();

  // The first failure not yet taken (number 0: none); taking it clears it.
  WriteFailure TakeFailure();
  // The failure that stopped `unit` (number 0: none); it may name the file a copy came from.
  WriteFailure FailureOf(int unit) const;
  // Forgets the failure of `unit`, whose file is closed: the number may name another file next.
  void Forget(int unit);
  // Gives back the room taken ahead for `file` and not written. Called when everything handed over has
  // been written (Wait), before the file closes.
  void Release(std::FILE* file);

 private:
  struct Job {
    int unit = 0;
    std::FILE* file = nullptr;
    std::vector<char> data{};  // a write: data[0, size), or shared[0, size)
    std::shared_ptr<const std::vector<char>> shared{};
    std::size_t size = 0;
    int fromUnit = 0;  // a copy: `length` bytes of `from` at `offset`
    std::FILE* from = nullptr;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    bool roomAhead = false;
  };

  // A job done, with what its writing met.
  struct Done {
    Job job;
    WriteFailure failure;
  };
  // The jobs one turn of the thread finishes: the one it took, and the one whose held bytes went out.
  struct Finished {
    Done done[2];
    int count = 0;
    void Add(Job&& job, const WriteFailure& failure) { done[count++] = {std::move(job), failure}; }
  };

  void Queue(Job&& job);   // called with the lock held
  void Submit(Job&& job);  // waits for room in flight, then queues the job
  void WaitForRoom(std::unique_lock<std::mutex>& lock);
  void Run();
  // Called without the lock, by the thread.
  void Execute(Job&& job, Finished& finished);
  void WriteHeld(Finished& finished);
  // Takes room for `file` up to kReserveAhead past `end`, the end of the bytes about to be written at
  // `position`, when what was taken does not reach `end`.
  void Reserve(std::FILE* file, std::uint64_t position, std::uint64_t end);
  static const char* BytesOf(const Job& job);
  void Finish(Done& done, std::unique_lock<std::mutex>& lock);  // called with the lock held
  bool IsStopped(int unit) const;                               // called with the lock held

  mutable std::mutex mutex_;
  std::condition_variable queued_;  // a job was queued, or the thread is to stop
  std::condition_variable done_;    // a job was done
  std::array<Job, kDepth + 1> ring_{};
  std::size_t head_ = 0;      // the next job to execute
  std::size_t count_ = 0;     // jobs queued, not yet taken by the thread
  std::size_t inFlight_ = 0;  // jobs queued or being executed
  std::vector<std::vector<char>> spare_;
  struct Stopped {
    int unit;
    WriteFailure failure;  // what stopped it: its own write, or the end of the file it copied from
  };
  std::vector<Stopped> stopped_;
  WriteFailure untaken_{};
  std::vector<char> copyBuffer_;  // the thread's own, for copies the kernel does not do
  // The bytes of the last buffer past its last boundary, held (the thread's own; `holding_` is read
  // under the lock): heldJob_'s data from heldFrom_ on, which go to the file at position_.
  Job heldJob_{};
  std::size_t heldFrom_ = 0;
  bool holding_ = false;
  bool flushWanted_ = false;     // Wait asks for what is held
  std::FILE* placed_ = nullptr;  // the file whose position_ is known (nullptr: none)
  // The files room was taken for (under the lock), up to `end`; `refused` once the system refused it.
  struct Room {
    std::FILE* file;
    std::uint64_t end;
    bool refused;
  };
  std::vector<Room> rooms_;
  std::uint64_t position_ = 0;
  bool stop_ = false;
  std::thread thread_;  // last: started once everything above is made
};

}  // namespace seep
