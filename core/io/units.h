// Numbered units: console and files, text records and counted unformatted records.
//
// A unit is a sequential connection to the console or to a file. Text records end with CR LF on
// output; on input a record ends at LF and a CR just before it is not part of the record. Unformatted
// records are framed by 4-byte little-endian byte counts before and after the data; a negative leading
// count marks a segment of a longer record.
//
// File units write behind: a full buffer is handed to a writer thread (core/io/write_behind.h) and
// the next one is filled meanwhile. A failed write is raised at the next hand-over, flush or close,
// and nothing more reaches that file, so it holds exactly what preceded the failure.
//
// Every failure raises IoFailure (core/io/failure.h); nothing here ends the process.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace seep {

class WriteBehind;
class RecordTeam;

inline constexpr int kConsoleOut = -1;
inline constexpr int kConsoleIn = -4;
// The output file's unit, which every legacy writer writes.
inline constexpr int kOutputUnit = 8;

// One connection. Plain data; Io owns and drives it.
struct Unit {
  int number = 0;
  bool open = false;
  bool formatted = true;
  bool console = false;
  bool readOnly = false;
  std::string name;           // file name as opened, trailing blanks removed
  std::FILE* file = nullptr;  // unbuffered; the buffers below do the buffering
  bool ownsFile = false;
  bool roomAhead = false;        // a file opened here by name: the writer thread may take room for it ahead
  bool memory = false;           // records gather in `out`, which grows; no file (Io::OpenMemoryUnit)
  bool truncatePending = false;  // the next record written makes the file end after it
  std::uint64_t position = 0;    // byte offset of the next record to read or write
  bool reading = false;
  bool writing = false;
  // Output: records waiting to be written to the file, out[0, outLen).
  std::vector<char> out;
  std::size_t outLen = 0;
  // Input: bytes read ahead from the file; in[inPos, inEnd) is not yet consumed.
  std::vector<char> in;
  std::size_t inPos = 0;
  std::size_t inEnd = 0;
  bool inEof = false;             // the file gave no more bytes
  std::uint64_t readLimit = 0;    // bytes the unit may read at most; 0: no limit (Io::LimitTextInputs)
  std::size_t recordLimit = 0;    // bytes a formatted record may have at most; 0: no limit
  std::string line;               // console input record
  std::vector<std::byte> record;  // an unformatted record gathered across buffer refills
};

class Io {
 public:
  // Console streams: standard input, output and error of the process, or files in tests.
  Io(std::FILE* consoleIn, std::FILE* consoleOut, std::FILE* errorStream);
  ~Io();  // completes and closes every unit; failures here go unreported
  Io(const Io&) = delete;
  Io& operator=(const Io&) = delete;

  // status "OLD" or "UNKNOWN", form "FORMATTED" or "UNFORMATTED", either letter case. The name is a
  // blank-padded field; its trailing blanks are not part of the file name.
  void OpenUnit(int unit, std::string_view name, std::string_view status, std::string_view form);
  // Connects `unit` for formatted writing to a stream opened for writing only (a device, a pipe,
  // standard output); the unit owns the stream. `name` is the name reports give it.
  void AttachUnit(int unit, std::FILE* stream, std::string_view name);
  // Connects `unit` to a stream that is already open for reading (standard input), shown in reports
  // as `name`. The stream stays open when the unit is closed.
  void ConnectStream(int unit, std::FILE* stream, std::string_view name, std::string_view form);
  // Connects `unit` for formatted writing to memory: its records gather in the unit's buffer, which
  // grows as they come, until the owner takes them (core/io/record_team.h). `name` is the name that
  // reports give it.
  void OpenMemoryUnit(int unit, std::string_view name);
  void CloseUnit(int unit);
  // Hands the connection of `unit` (its file, buffers and position) over to `to`, where it goes on as
  // it was; nothing when the unit is not connected. An Io is used by one thread at a time: a unit read
  // in another thread is lent to that thread's own Io and handed back when it is done.
  void LendUnit(int unit, Io& to);
  // True when `unit` reads or writes a regular file that it opened by name (not a stream, a pipe or a
  // device), so that a read of it never waits on another program.
  bool OnRegularFile(int unit) const;
  void RewindUnit(int unit);
  // True when nothing at all follows the current position. Reads nothing.
  bool AtEndOfFile(int unit);

  // Appends one text record and its CR LF.
  void PutRecord(int unit, std::string_view record);
  // Appends whole records that already end with their CR LF, as they are.
  void PutRecords(int unit, std::string_view records);
  // The same for the first `size` bytes of a buffer that stays unchanged while it is shared: a file
  // written behind gets the buffer itself, without a copy.
  void PutShared(int unit, std::shared_ptr<const std::vector<char>> records, std::size_t size);

  // Records built directly in the unit's buffer, for the compiled road of the output statements
  // (core/io/statement/compiled.h). OutputUnit gives the unit when it is connected
  // and already writing, else nullptr (the statement then takes PutRecord, which starts the writing or
  // reports what is wrong). RecordRoom gives a place for `size` characters at the end of the unit's
  // buffer, writing the buffer out first when they do not fit; CommitRecord ends the record that
  // starts there at `end` with CR LF. Whatever lies beyond `end` is not part of the output.
  Unit* OutputUnit(int unit);
  char* RecordRoom(Unit& u, std::size_t size);
  void CommitRecord(Unit& u, char* end);
  // The next text record without its line end, valid until the next read of the unit. Error 24 at the
  // end of the file. Console output is flushed before the console is read.
  std::string_view GetRecord(int unit);
  // Copies `count` text records from unit `from` to unit `to`, each cut or blank-filled to `width`
  // characters. Error 24 when `from` ends first.
  void CopyRecords(int from, int to, std::int64_t count, std::size_t width);
  // Copies the next `length` bytes of unit `from` as they are to unit `to`. Where the system allows it
  // the bytes go from file to file inside the kernel (platform.h, CopyFileBytes) instead of through
  // the program. Error 24 when `from` ends first (raised at the latest when `to` is flushed).
  void CopyBytes(int from, int to, std::uint64_t length);

  // Reads the next unformatted record and returns the first `need` bytes of its data; the rest of the
  // record is skipped. At the end of the file: returns false when `endHandled`, else error 24. A record
  // holding fewer than `need` bytes: error 67. `data` stays valid until the next read of the unit.
  bool ReadUnformatted(int unit, std::size_t need, std::span<const std::byte>& data, bool endHandled);
  // Passes over the next unformatted record as ReadUnformatted reads it, with the same answers and
  // failures, but without taking its bytes: on a file that can seek, the data beyond the read-ahead
  // buffer are sought over, not read.
  bool SkipUnformatted(int unit, std::size_t need, bool endHandled);
  // Goes to byte `position` of a unit connected for reading a file that can seek (a position that
  // Position gave); error 39 where it cannot.
  void SeekUnit(int unit, std::uint64_t position);

  // Up to `size` bytes that the next read of a unit connected for reading will see, fewer when the
  // file ends first; consumes nothing. Valid until the next read of the unit.
  std::span<const std::byte> Peek(int unit, std::size_t size);
  // Skips `prefix` (a text's byte order mark) when the next bytes of a unit connected for reading are
  // exactly it; true when it did.
  bool SkipPrefix(int unit, std::string_view prefix);

  // Writes a non-fatal report line ("forrtl: error (63): ...") on the error stream, or counts it.
  void Warn(int number, int unit);
  // From now on non-fatal reports are counted instead of written: the command line sums them up in
  // one line at the end.
  void CountWarnings() { countWarnings_ = true; }
  // A text file that `unit` opens from now on (the point file of the command line) is read only, with
  // limits: at most `bytes` in all and `recordBytes` in one record, so that a device that never ends
  // or a huge file fails with one line; a pipe that nobody writes to is refused at once instead of
  // waited for.
  void LimitTextInput(int unit, std::uint64_t bytes, std::size_t recordBytes) {
    limitedUnit_ = unit;
    textLimit_ = bytes;
    recordLimit_ = recordBytes;
  }
  std::int64_t WarningCount() const { return warnings_; }
  // Byte offset of the next record of a connected unit, 0 when the unit is not connected.
  std::uint64_t Position(int unit) const;
  // Writes a plain line (the stop code) on the error stream.
  void ErrorStreamLine(std::string_view text);

  // Appends `size` bytes of whole records, gathered elsewhere in `records`, to the file of `unit`,
  // after everything written to it so far. `records` may come back as another buffer, to be filled
  // again. Error 38 when a write fails.
  void AppendRecords(int unit, std::vector<char>& records, std::size_t size);

  // Writes every buffered record of every unit, console included, and waits until the files hold
  // them. Error 38 when a write fails.
  void FlushAll();
  // Whether full buffers of file units are written by a thread of their own while the next are
  // filled (the default on a machine of several processors), or in the calling thread. Set before
  // the first record is written.
  void WriteBehindFiles(bool on) { writeBehind_ = on; }
  // How many processors the statements of this Io may keep busy: 1 writes and formats in the calling
  // thread only; more write files behind (as above) and format long runs of records side by side on
  // as many threads, the caller's included (Team). 0: every processor of the machine.
  void UseProcessors(unsigned count);
  // The threads that format long runs of records side by side, made at the first call; nullptr when
  // this Io is to use one processor, or the system gives no thread.
  RecordTeam* Team();
  unsigned Processors() const { return formatters_; }
  // Completes and closes every unit; error 38 when a buffered record cannot be written.
  void CloseAll();

  // The name that reports give the unit: its file name, or CONIN$ / CONOUT$.
  std::string FileName(int unit) const;
  [[noreturn]] void Fail(int number, int unit) const;

 private:
  int limitedUnit_ = 0;
  std::uint64_t textLimit_ = 0;
  std::size_t recordLimit_ = 0;
  Unit* Find(int unit);
  const Unit* Find(int unit) const;
  Unit& Connected(int unit);
  Unit& FreeSlot(int unit, const std::string& name);
  void Send(Unit& u, bool behind);  // hands the buffer over; `behind`: the buffer is full
  // Hands `buffer[0, size)` to the file of `u`: to the writer thread, or written here.
  void HandOver(Unit& u, std::vector<char>& buffer, std::size_t size, bool behind);
  void Flush(Unit& u);           // hands the buffer over and waits until the file holds it
  void WaitForWrites(int unit);  // everything handed over is written; raises a failure
  void RaiseWriteFailure(int unit);
  void MakeRoom(Unit& u, std::size_t size);
  void WriteBytes(Unit& u, const char* data, std::size_t size);
  void PrepareWrite(Unit& u);
  void PrepareRead(Unit& u);
  // Reads more bytes into u.in, at most `most`; returns how many arrived.
  std::size_t Fill(Unit& u, std::size_t most = std::numeric_limits<std::size_t>::max());
  std::string_view NextFileRecord(Unit& u);
  bool TakeBytes(Unit& u, std::byte* dst, std::size_t size);
  bool SkipBytes(Unit& u, std::uint64_t size);
  bool PassBytes(Unit& u, std::uint64_t size);  // SkipBytes, seeking where the file can
  void Close(Unit& u);
  void Consume(Unit& u, std::size_t size);
  [[noreturn]] void FailOpen(int number, int unit, const std::string& name) const;

  std::array<Unit, 10> units_;
  std::FILE* err_;
  bool writeBehind_;
  std::unique_ptr<WriteBehind> writer_;  // made at the first full buffer of a file
  unsigned formatters_;                  // threads for runs of records, the caller's included
  std::unique_ptr<RecordTeam> team_;     // made at the first long run of records
  std::vector<char> copyBuffer_;         // copies that the kernel does not do
  Unit* lastOutput_ = nullptr;           // the unit OutputUnit found last: statements mostly go to one unit
  Unit* recent_[2] = {};                 // the units Connected found last
  bool countWarnings_ = false;
  std::int64_t warnings_ = 0;
};

inline Unit* Io::OutputUnit(int unit) {
  Unit* u = lastOutput_;
  if (u != nullptr && u->open && u->number == unit && u->writing) return u;
  u = Find(unit);
  if (u == nullptr || !u->writing) return nullptr;
  lastOutput_ = u;
  return u;
}

inline char* Io::RecordRoom(Unit& u, std::size_t size) {
  if (u.out.size() - u.outLen < size) MakeRoom(u, size);
  return u.out.data() + u.outLen;
}

inline void Io::CommitRecord(Unit& u, char* end) {
  end[0] = '\r';
  end[1] = '\n';
  const std::size_t size = static_cast<std::size_t>(end + 2 - (u.out.data() + u.outLen));
  u.outLen += size;
  u.position += size;
}

}  // namespace seep
