#include "core/io/units.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include "core/io/bounded_input.h"
#include "core/io/failure.h"
#include "core/io/platform.h"
#include "core/io/record_team.h"
#include "core/io/write_behind.h"

namespace seep {
namespace {

// Buffers start small, so that short files cost little, and grow with the traffic: output up to
// 1 MiB written in one piece, read-ahead up to the largest record handed out in place.
constexpr std::size_t kFileOutInitial = std::size_t{1} << 16;
constexpr std::size_t kFileOutCapacity = std::size_t{1} << 20;
constexpr std::size_t kConsoleOutCapacity = std::size_t{1} << 16;
constexpr std::size_t kInInitial = std::size_t{1} << 16;
constexpr std::size_t kInPlaceRecordMax = std::size_t{1} << 22;
// Bytes read past a long unformatted record or a seek: its trailing count, the short records after it.
constexpr std::size_t kRecordLookAhead = 64;
// Record copies move characters in pieces of this many.
constexpr std::size_t kCopyChunk = 16;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::int32_t LittleEndianInt32(const std::byte* p) {
  std::uint32_t v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                    static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  return static_cast<std::int32_t>(v);
}

// The longest folder or file name, between separators, that the file systems in use take (NAME_MAX on
// POSIX systems, the NTFS limit on Windows). A longer part is a file name error wherever the program
// runs; the Windows C runtime would report it as a missing file.
constexpr std::size_t kNamePartMax = 255;

bool HasOverlongPart(std::string_view name) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '/' || name[i] == '\\') {
      if (i - start > kNamePartMax) return true;
      start = i + 1;
    }
  }
  return false;
}

// SeekFile for an unsigned offset: false past the farthest offset a seek takes (63 bits).
bool SeekBy(std::FILE* file, std::uint64_t offset, int origin) {
  return offset <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) &&
         SeekFile(file, static_cast<std::int64_t>(offset), origin);
}

}  // namespace

Io::Io(std::FILE* consoleIn, std::FILE* consoleOut, std::FILE* errorStream)
    : err_(errorStream), writeBehind_(ProcessorCount() > 1), formatters_(ProcessorCount()) {
  Unit& out = units_[0];
  out.number = kConsoleOut;
  out.open = true;
  out.console = true;
  out.file = consoleOut;
  Unit& in = units_[1];
  in.number = kConsoleIn;
  in.open = true;
  in.console = true;
  in.file = consoleIn;
}

Io::~Io() {
  try {
    CloseAll();
  } catch (...) {
  }
}

Unit* Io::Find(int unit) {
  for (Unit& u : units_) {
    if (u.open && u.number == unit) return &u;
  }
  return nullptr;
}

const Unit* Io::Find(int unit) const {
  for (const Unit& u : units_) {
    if (u.open && u.number == unit) return &u;
  }
  return nullptr;
}

Unit& Io::Connected(int unit) {
  // Record copies alternate between two units; the two found last are checked before the search.
  for (Unit* recent : recent_) {
    if (recent != nullptr && recent->open && recent->number == unit) return *recent;
  }
  Unit* u = Find(unit);
  if (u == nullptr) FailOpen(kErrOpenFailure, unit, "fort." + std::to_string(unit));
  recent_[1] = recent_[0];
  recent_[0] = u;
  return *u;
}

Unit& Io::FreeSlot(int unit, const std::string& name) {
  for (Unit& u : units_) {
    if (!u.open) {
      u = Unit{};
      u.number = unit;
      return u;
    }
  }
  FailOpen(kErrOpenFailure, unit, name);
}

void Io::LendUnit(int unit, Io& to) {
  Unit* u = Find(unit);
  if (u == nullptr) return;
  Unit& slot = to.FreeSlot(unit, u->name);
  slot = std::move(*u);
  *u = Unit{};
  lastOutput_ = nullptr;
  recent_[0] = recent_[1] = nullptr;
}

bool Io::OnRegularFile(int unit) const {
  const Unit* u = Find(unit);
  if (u == nullptr || u->console || u->memory || !u->ownsFile) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(NativePath(u->name), ec);
}

std::uint64_t Io::Position(int unit) const {
  const Unit* u = Find(unit);
  return u != nullptr ? u->position : 0;
}

std::string Io::FileName(int unit) const {
  if (unit == kConsoleOut) return "CONOUT$";
  if (unit == kConsoleIn) return "CONIN$";
  if (const Unit* u = Find(unit)) return u->name;
  return "fort." + std::to_string(unit);
}

void Io::Fail(int number, int unit) const {
  throw IoFailure{number, unit, FileName(unit)};
}

void Io::FailOpen(int number, int unit, const std::string& name) const {
  throw IoFailure{number, unit, name};
}

void Io::OpenUnit(int unit, std::string_view nameField, std::string_view status, std::string_view form) {
  if (unit == kConsoleIn || unit == kConsoleOut) return;
  if (Unit* connected = Find(unit)) Close(*connected);
  const std::string name(TrimRight(nameField));
  const bool old = EqualsNoCase(status, "OLD");
  if (!old && !EqualsNoCase(status, "UNKNOWN")) FailOpen(kErrOpenFailure, unit, name);
  const bool formatted = EqualsNoCase(form, "FORMATTED");
  if (!formatted && !EqualsNoCase(form, "UNFORMATTED")) FailOpen(kErrOpenFailure, unit, name);
  if (name.empty() || name.find('\0') != std::string::npos || HasOverlongPart(name))
    FailOpen(kErrFileName, unit, name);

  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(NativePath(name), ec);
  const bool exists = fs::exists(st);
  if (exists && fs::is_directory(st)) FailOpen(kErrOpenFailure, unit, name);
  // A name the system cannot look up (too long, a loop of links, a path not to be searched) is
  // reported for that reason; only a name that names nothing is "file not found".
  if (!exists && ec && st.type() != fs::file_type::not_found)
    FailOpen(OpenErrorNumber(ec.value()), unit, name);

  Unit& slot = FreeSlot(unit, name);  // before the file is opened, so that a refusal leaks no stream
  std::FILE* f = nullptr;
  bool readOnly = false;
  std::string first;  // bytes read while opening a pipe
  const bool limited = unit == limitedUnit_ && textLimit_ > 0;
  if (limited && formatted && exists) {
    // A text input of the command line: a file larger than the limit, or a pipe nobody writes to,
    // gets one line before anything is read.
    if (fs::is_regular_file(st)) {
      const std::uintmax_t size = fs::file_size(NativePath(name), ec);
      if (!ec && size > textLimit_) throw IoFailure{kErrRead, unit, name, EFBIG, TooLarge(textLimit_)};
    }
    int err = 0;
    f = OpenInputNow(name, first, err);
    if (f == nullptr && err == EPIPE)
      throw IoFailure{kErrRead, unit, name, err, "a pipe that nobody writes to"};
    if (f == nullptr) throw IoFailure{OpenErrorNumber(err), unit, name, err};
    readOnly = true;
  } else if (old) {
    if (!exists) FailOpen(kErrFileNotFound, unit, name);
    f = OpenFile(name, "rb");
    readOnly = true;
  } else if (exists) {
    f = OpenFile(name, "r+b");
    if (f == nullptr && (errno == EACCES || errno == EPERM || errno == EROFS)) {
      f = OpenFile(name, "rb");
      readOnly = true;
    }
  } else {
    f = OpenFile(name, "w+b");
  }
  if (f == nullptr) throw IoFailure{OpenErrorNumber(errno), unit, name, errno};
  std::setvbuf(f, nullptr, _IONBF, 0);

  Unit& u = slot;
  u.open = true;
  u.formatted = formatted;
  u.name = name;
  u.file = f;
  u.ownsFile = true;
  u.roomAhead = true;
  u.readOnly = readOnly;
  u.truncatePending = exists;
  if (limited && readOnly) {
    u.readLimit = textLimit_;
    u.recordLimit = recordLimit_;
    if (!first.empty()) {
      u.in.assign(first.begin(), first.end());
      u.in.resize(std::max<std::size_t>(u.in.size(), kInInitial));
      u.inEnd = first.size();
    }
  }
}

void Io::AttachUnit(int unit, std::FILE* stream, std::string_view name) {
  if (Unit* connected = Find(unit)) Close(*connected);
  Unit* slot = nullptr;
  try {
    slot = &FreeSlot(unit, std::string(name));
  } catch (...) {
    std::fclose(stream);
    throw;
  }
  Unit& u = *slot;
  std::setvbuf(stream, nullptr, _IONBF, 0);
  u.open = true;
  u.name = std::string(name);
  u.file = stream;
  u.ownsFile = true;
}

void Io::ConnectStream(int unit, std::FILE* stream, std::string_view name, std::string_view form) {
  if (Unit* connected = Find(unit)) Close(*connected);
  Unit& u = FreeSlot(unit, std::string(name));
  u.open = true;
  u.formatted = EqualsNoCase(form, "FORMATTED");
  u.name = std::string(name);
  u.file = stream;
  u.ownsFile = false;
  u.readOnly = true;
}

void Io::OpenMemoryUnit(int unit, std::string_view name) {
  if (Unit* connected = Find(unit)) Close(*connected);
  Unit& u = FreeSlot(unit, std::string(name));
  u.open = true;
  u.memory = true;
  u.name = std::string(name);
  u.writing = true;
  u.out.resize(kFileOutInitial);
}

void Io::UseProcessors(unsigned count) {
  if (count == 0) count = ProcessorCount();
  writeBehind_ = count > 1;
  formatters_ = count;
}

RecordTeam* Io::Team() {
  if (team_ == nullptr && formatters_ > 1) {
    try {
      team_ = std::make_unique<RecordTeam>(formatters_ - 1);
    } catch (const std::system_error&) {
      formatters_ = 1;  // no thread to be had: the runs are formatted here, in order
    }
  }
  return team_.get();
}

void Io::AppendRecords(int unit, std::vector<char>& records, std::size_t size) {
  Unit& u = Connected(unit);
  if (size == 0) return;
  if (!u.writing) PrepareWrite(u);
  if (u.memory) {
    PutRecords(unit, std::string_view(records.data(), size));
    return;
  }
  // What the unit holds goes first; then the records, as one more buffer of the file.
  Send(u, true);
  u.position += size;
  HandOver(u, records, size, true);
}

void Io::Close(Unit& u) {
  if (u.console) return;
  if (u.memory) {
    u = Unit{};
    return;
  }
  std::FILE* f = u.file;
  const int number = u.number;
  const std::string name = u.name;
  bool failed = false;
  IoFailure first{};
  try {
    Flush(u);
  } catch (const IoFailure& failure) {
    failed = true;
    first = failure;
  }
  if (writer_ != nullptr) {
    // Nothing handed over for the file may be in flight when it closes; a failure it had is
    // reported by now, and its number is free for another file.
    writer_->Wait();
    writer_->Forget(number);
    if (f != nullptr) writer_->Release(f);
  }
  if (u.ownsFile && f != nullptr && std::fclose(f) != 0 && !failed) {
    failed = true;
    first = IoFailure{kErrWrite, number, name, errno};
  }
  u = Unit{};
  if (failed) throw first;
}

void Io::CloseUnit(int unit) {
  if (Unit* u = Find(unit)) Close(*u);
}

void Io::CloseAll() {
  bool failed = false;
  IoFailure first{};
  for (Unit& u : units_) {
    if (!u.open) continue;
    try {
      if (u.console) {
        Flush(u);
      } else {
        Close(u);
      }
    } catch (const IoFailure& f) {
      if (!failed) first = f;
      failed = true;
    }
  }
  if (failed) throw first;
}

void Io::FlushAll() {
  for (Unit& u : units_) {
    if (u.open) Send(u, false);
  }
  if (writer_ == nullptr) return;
  writer_->Wait();
  RaiseWriteFailure(0);
  for (Unit& u : units_) {
    if (u.open) RaiseWriteFailure(u.number);
  }
}

void Io::WriteBytes(Unit& u, const char* data, std::size_t size) {
  if (size == 0) return;
  if (std::fwrite(data, 1, size, u.file) != size)
    throw IoFailure{kErrWrite, u.number, FileName(u.number), errno};
  if (u.console && std::fflush(u.file) != 0) Fail(kErrWrite, u.number);
}

void Io::RaiseWriteFailure(int unit) {
  WriteFailure f = writer_->TakeFailure();
  if (f.number == 0) f = writer_->FailureOf(unit);
  if (f.number != 0) throw IoFailure{f.number, f.unit, FileName(f.unit), f.cause};
}

void Io::Send(Unit& u, bool behind) {
  if (u.outLen == 0 || u.memory) return;
  const std::size_t size = std::exchange(u.outLen, 0);
  HandOver(u, u.out, size, behind);
}

void Io::HandOver(Unit& u, std::vector<char>& buffer, std::size_t size, bool behind) {
  if (!u.console) {
    if (behind && writer_ == nullptr && writeBehind_) {
      try {
        writer_ = std::make_unique<WriteBehind>();
      } catch (const std::system_error&) {
        writeBehind_ = false;  // no thread to be had: the files are written here, as they come
      }
    }
    if (writer_ != nullptr) {
      writer_->Write(u.number, u.file, buffer, size, u.roomAhead);
      RaiseWriteFailure(u.number);
      return;
    }
  }
  WriteBytes(u, buffer.data(), size);
}

void Io::WaitForWrites(int unit) {
  if (writer_ == nullptr) return;
  writer_->Wait();
  RaiseWriteFailure(unit);
}

void Io::Flush(Unit& u) {
  Send(u, false);
  if (!u.console) WaitForWrites(u.number);
}

void Io::MakeRoom(Unit& u, std::size_t size) {
  if (u.memory) {
    u.out.resize(std::max(2 * u.out.size(), u.outLen + size));
    return;
  }
  // The growth of PutRecord: a file's buffer doubles up to kFileOutCapacity before it is written out.
  if (!u.console && u.out.size() < kFileOutCapacity) {
    u.out.resize(std::min(kFileOutCapacity, std::max(2 * u.out.size(), u.outLen + size)));
  }
  if (u.out.size() - u.outLen < size) Send(u, true);
  if (u.out.size() < size) u.out.resize(size);
}

void Io::PrepareWrite(Unit& u) {
  if (u.number == kConsoleIn) Fail(kErrWrite, u.number);
  if (u.readOnly) Fail(kErrPermission, u.number);
  if (!u.formatted) Fail(kErrFormatMismatch, u.number);
  if (u.out.empty()) u.out.resize(u.console ? kConsoleOutCapacity : kFileOutInitial);
  if (!u.console) {
    if (u.reading) {
      // Drop the read-ahead and continue writing where the reading stopped.
      if (!SeekBy(u.file, u.position, SEEK_SET)) Fail(kErrWrite, u.number);
      u.inPos = u.inEnd = 0;
      u.inEof = false;
      u.reading = false;
    }
    if (u.truncatePending) {
      // A sequential write makes the file end after the record written.
      namespace fs = std::filesystem;
      std::error_code ec;
      const fs::path path = NativePath(u.name);
      if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) > u.position) {
        fs::resize_file(path, u.position, ec);
        if (ec) Fail(kErrWrite, u.number);
      }
      u.truncatePending = false;
    }
  }
  u.writing = true;
}

void Io::PutRecord(int unit, std::string_view record) {
  Unit& u = Connected(unit);
  if (!u.writing) PrepareWrite(u);
  const std::size_t size = record.size() + 2;
  u.position += size;
  if (u.outLen + size > u.out.size() && u.memory) MakeRoom(u, size);
  if (u.outLen + size > u.out.size()) {
    if (!u.console && u.out.size() < kFileOutCapacity) {
      u.out.resize(std::min(kFileOutCapacity, std::max(2 * u.out.size(), u.outLen + size)));
    }
    if (u.outLen + size > u.out.size()) Send(u, true);
    if (size > u.out.size()) {
      // A record longer than the buffer goes straight to the file, after what is in flight.
      if (!u.console) WaitForWrites(u.number);
      WriteBytes(u, record.data(), record.size());
      WriteBytes(u, "\r\n", 2);
      return;
    }
  }
  char* dst = u.out.data() + u.outLen;
  std::memcpy(dst, record.data(), record.size());
  dst[record.size()] = '\r';
  dst[record.size() + 1] = '\n';
  u.outLen += size;
}

void Io::PutRecords(int unit, std::string_view records) {
  Unit& u = Connected(unit);
  if (!u.writing) PrepareWrite(u);
  u.position += records.size();
  while (!records.empty()) {
    if (u.outLen == u.out.size()) MakeRoom(u, 1);
    const std::size_t part = std::min(records.size(), u.out.size() - u.outLen);
    std::memcpy(u.out.data() + u.outLen, records.data(), part);
    u.outLen += part;
    records.remove_prefix(part);
  }
}

void Io::PutShared(int unit, std::shared_ptr<const std::vector<char>> records, std::size_t size) {
  Unit& u = Connected(unit);
  if (!u.writing) PrepareWrite(u);
  if (u.console || u.memory || writer_ == nullptr) {
    PutRecords(unit, std::string_view(records->data(), size));
    return;
  }
  Send(u, true);
  u.position += size;
  writer_->Share(u.number, u.file, std::move(records), size, u.roomAhead);
  RaiseWriteFailure(u.number);
}

void Io::PrepareRead(Unit& u) {
  if (u.number == kConsoleOut) Fail(kErrRead, u.number);
  if (u.writing) {
    Flush(u);
    // A stream that was written is read only after a flush or a seek.
    if (!u.console && std::fflush(u.file) != 0) Fail(kErrWrite, u.number);
    u.writing = false;
  }
  if (!u.console && u.in.empty()) u.in.resize(kInInitial);
  u.reading = true;
}

void Io::Consume(Unit& u, std::size_t size) {
  u.inPos += size;
  u.position += size;
}

std::size_t Io::Fill(Unit& u, std::size_t most) {
  if (u.inPos > 0) {
    const std::size_t left = u.inEnd - u.inPos;
    if (left > 0) std::memmove(u.in.data(), u.in.data() + u.inPos, left);
    u.inPos = 0;
    u.inEnd = left;
  }
  if (u.inEnd == u.in.size()) u.in.resize(u.in.size() * 2);
  const std::size_t n = std::fread(u.in.data() + u.inEnd, 1, std::min(u.in.size() - u.inEnd, most), u.file);
  if (n == 0) {
    if (std::ferror(u.file)) Fail(kErrRead, u.number);
    u.inEof = true;
  }
  u.inEnd += n;
  if (u.readLimit > 0 && u.position + (u.inEnd - u.inPos) > u.readLimit)
    throw IoFailure{kErrRead, u.number, u.name, EFBIG, TooLarge(u.readLimit)};
  return n;
}

bool Io::TakeBytes(Unit& u, std::byte* dst, std::size_t size) {
  while (size > 0) {
    if (u.inPos == u.inEnd && Fill(u) == 0) return false;
    const std::size_t take = std::min(size, u.inEnd - u.inPos);
    std::memcpy(dst, u.in.data() + u.inPos, take);
    Consume(u, take);
    dst += take;
    size -= take;
  }
  return true;
}

bool Io::SkipBytes(Unit& u, std::uint64_t size) {
  while (size > 0) {
    if (u.inPos == u.inEnd && Fill(u) == 0) return false;
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, u.inEnd - u.inPos));
    Consume(u, take);
    size -= take;
  }
  return true;
}

std::string_view Io::GetRecord(int unit) {
  Unit& u = Connected(unit);
  PrepareRead(u);
  if (u.console) {
    if (Unit* out = Find(kConsoleOut)) Flush(*out);
    u.line.clear();
    int c = EOF;
    bool any = false;
    while ((c = std::getc(u.file)) != EOF) {
      any = true;
      if (c == '\n') break;
      u.line.push_back(static_cast<char>(c));
    }
    if (!any) {
      if (std::ferror(u.file)) Fail(kErrRead, u.number);
      Fail(kErrEndOfFile, u.number);
    }
    if (c == '\n' && !u.line.empty() && u.line.back() == '\r') u.line.pop_back();
    return u.line;
  }
  if (!u.formatted) Fail(kErrFormatMismatch, u.number);
  return NextFileRecord(u);
}

std::string_view Io::NextFileRecord(Unit& u) {
  std::size_t scanned = 0;
  for (;;) {
    const char* begin = u.in.data() + u.inPos;
    const std::size_t avail = u.inEnd - u.inPos;
    if (const void* lf = std::memchr(begin + scanned, '\n', avail - scanned)) {
      std::size_t len = static_cast<const char*>(lf) - begin;
      Consume(u, len + 1);
      if (len > 0 && begin[len - 1] == '\r') --len;
      return {begin, len};
    }
    scanned = avail;
    if (u.recordLimit > 0 && scanned > u.recordLimit) {
      throw IoFailure{kErrRead, u.number, u.name, 0,
                      "a line longer than " + std::to_string(u.recordLimit >> 10) + " KiB"};
    }
    if (Fill(u) == 0) {
      if (u.inPos == u.inEnd) Fail(kErrEndOfFile, u.number);
      // The last record of a file without a final line feed.
      const char* last = u.in.data() + u.inPos;
      const std::size_t len = u.inEnd - u.inPos;
      Consume(u, len);
      return {last, len};
    }
  }
}

void Io::CopyRecords(int from, int to, std::int64_t count, std::size_t width) {
  Unit& src = Connected(from);
  if (src.console || !src.formatted) Fail(kErrFormatMismatch, from);
  Unit& dst = Connected(to);
  if (!dst.writing) PrepareWrite(dst);
  PrepareRead(src);
  // A run of records is read in large pieces, as output is written.
  if (count > 1 && src.in.size() < kFileOutCapacity) src.in.resize(kFileOutCapacity);
  static constexpr char kBlanks[kCopyChunk] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                               ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  for (; count > 0; --count) {
    const std::string_view record = NextFileRecord(src);
    // The record and the blanks go in whole chunks; what a chunk writes past the width is overwritten
    // by the line end or lies beyond the record.
    char* p = RecordRoom(dst, width + 2 + kCopyChunk);
    const std::size_t n = std::min(record.size(), width);
    const char* in = record.data();
    const std::size_t chunked = (n + kCopyChunk - 1) / kCopyChunk * kCopyChunk;
    if (n != 0 && static_cast<std::size_t>(in - src.in.data()) + chunked <= src.in.size()) {
      for (std::size_t i = 0; i < n; i += kCopyChunk) std::memcpy(p + i, in + i, kCopyChunk);
    } else if (n != 0) {
      std::memcpy(p, in, n);  // a record at the very end of the read-ahead
    }
    for (std::size_t i = n; i < width; i += kCopyChunk) std::memcpy(p + i, kBlanks, kCopyChunk);
    CommitRecord(dst, p + width);
  }
}

void Io::CopyBytes(int from, int to, std::uint64_t length) {
  Unit& src = Connected(from);
  if (src.console || !src.formatted) Fail(kErrFormatMismatch, from);
  Unit& dst = Connected(to);
  if (!dst.writing) PrepareWrite(dst);
  PrepareRead(src);
  // The bytes already read ahead, and all of them where the file cannot be copied at an offset, go
  // through the buffers.
  const bool throughBuffers = dst.console || !CopiesAtOffset();
  while (length > 0) {
    if (src.inPos == src.inEnd) {
      if (!throughBuffers) break;
      if (Fill(src) == 0) Fail(kErrEndOfFile, from);
    }
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(length, src.inEnd - src.inPos));
    const std::size_t piece = std::min(take, kFileOutCapacity);
    std::memcpy(RecordRoom(dst, piece), src.in.data() + src.inPos, piece);
    dst.outLen += piece;
    dst.position += piece;
    Consume(src, piece);
    length -= piece;
  }
  if (length == 0) return;

  // The rest goes from file to file after what `to` holds so far; reading goes on after it.
  const std::uint64_t offset = src.position;
  if (writer_ != nullptr) {
    Send(dst, false);
    writer_->Copy(dst.number, dst.file, src.number, src.file, offset, length);
  } else {
    Flush(dst);
    int err = 0;
    if (CopyFileBytes(src.file, offset, length, dst.file, copyBuffer_, err) != length) {
      if (err == 0) Fail(kErrEndOfFile, from);
      throw IoFailure{kErrWrite, dst.number, FileName(dst.number), err};
    }
  }
  if (!SeekBy(src.file, offset + length, SEEK_SET)) Fail(kErrRead, from);
  src.inPos = src.inEnd = 0;
  src.inEof = false;
  src.position += length;
  dst.position += length;
}

bool Io::AtEndOfFile(int unit) {
  Unit& u = Connected(unit);
  if (u.writing) return true;
  PrepareRead(u);
  if (u.console) {
    const int c = std::getc(u.file);
    if (c == EOF) return true;
    std::ungetc(c, u.file);
    return false;
  }
  if (u.inPos < u.inEnd) return false;
  return Fill(u) == 0;
}

std::span<const std::byte> Io::Peek(int unit, std::size_t size) {
  Unit& u = Connected(unit);
  if (u.console) Fail(kErrFormatMismatch, unit);
  PrepareRead(u);
  while (u.inEnd - u.inPos < size && Fill(u) > 0) {
  }
  const std::size_t have = std::min(size, u.inEnd - u.inPos);
  return {reinterpret_cast<const std::byte*>(u.in.data() + u.inPos), have};
}

bool Io::SkipPrefix(int unit, std::string_view prefix) {
  const std::span<const std::byte> next = Peek(unit, prefix.size());
  if (next.size() != prefix.size() || std::memcmp(next.data(), prefix.data(), prefix.size()) != 0)
    return false;
  return SkipBytes(Connected(unit), prefix.size());
}

bool Io::ReadUnformatted(int unit, std::size_t need, std::span<const std::byte>& data, bool endHandled) {
  Unit& u = Connected(unit);
  if (u.console || u.formatted) Fail(kErrFormatMismatch, unit);
  PrepareRead(u);
  if (u.inPos == u.inEnd && Fill(u) == 0) {
    if (endHandled) return false;
    Fail(kErrEndOfFile, unit);
  }
  std::byte count[4];
  if (!TakeBytes(u, count, 4)) Fail(kErrEndOfFile, unit);
  std::int32_t lead = LittleEndianInt32(count);

  // Common case: one segment that fits the read-ahead buffer is handed out in place.
  if (lead >= 0 && static_cast<std::size_t>(lead) + 4 <= kInPlaceRecordMax) {
    const std::size_t len = static_cast<std::size_t>(lead);
    if (len + kRecordLookAhead + 4 > u.in.size()) u.in.resize(std::bit_ceil(len + kRecordLookAhead + 4));
    // The record and a few bytes past it (its trailing count, the next record's lead), not a buffer
    // full: a record passed over after it is then sought past, not read.
    while (u.inEnd - u.inPos < len + 4 && !u.inEof) Fill(u, len + 4 + kRecordLookAhead - (u.inEnd - u.inPos));
    if (u.inEnd - u.inPos < len + 4) Fail(kErrEndOfFile, unit);
    if (len < need) {
      Consume(u, len + 4);
      Fail(kErrTooMuchData, unit);
    }
    data = std::span<const std::byte>(reinterpret_cast<const std::byte*>(u.in.data() + u.inPos), need);
    Consume(u, len + 4);
    return true;
  }

  // General case: gather the kept bytes segment by segment, growing only as data arrives.
  u.record.clear();
  std::uint64_t total = 0;
  for (;;) {
    const bool more = lead < 0;
    const std::uint64_t len = more ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(lead))
                                   : static_cast<std::uint64_t>(lead);
    std::uint64_t keep = std::min<std::uint64_t>(len, need - u.record.size());
    std::uint64_t rest = len - keep;
    while (keep > 0) {
      if (u.inPos == u.inEnd && Fill(u) == 0) Fail(kErrEndOfFile, unit);
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(keep, u.inEnd - u.inPos));
      const std::byte* src = reinterpret_cast<const std::byte*>(u.in.data() + u.inPos);
      u.record.insert(u.record.end(), src, src + take);
      Consume(u, take);
      keep -= take;
    }
    if (!SkipBytes(u, rest)) Fail(kErrEndOfFile, unit);
    total += len;
    std::byte trailing[4];
    if (!TakeBytes(u, trailing, 4)) Fail(kErrEndOfFile, unit);
    if (!more) break;
    if (!TakeBytes(u, count, 4)) Fail(kErrEndOfFile, unit);
    lead = LittleEndianInt32(count);
  }
  if (total < need) Fail(kErrTooMuchData, unit);
  data = std::span<const std::byte>(u.record.data(), need);
  return true;
}

bool Io::SkipUnformatted(int unit, std::size_t need, bool endHandled) {
  Unit& u = Connected(unit);
  if (u.console || u.formatted) Fail(kErrFormatMismatch, unit);
  PrepareRead(u);
  if (u.inPos == u.inEnd && Fill(u) == 0) {
    if (endHandled) return false;
    Fail(kErrEndOfFile, unit);
  }
  std::uint64_t total = 0;
  for (bool more = true; more;) {
    std::byte count[4];
    if (!TakeBytes(u, count, 4)) Fail(kErrEndOfFile, unit);
    const std::int32_t lead = LittleEndianInt32(count);
    more = lead < 0;
    const std::uint64_t len = more ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(lead))
                                   : static_cast<std::uint64_t>(lead);
    // A seek past the end succeeds; the trailing count that is then missing tells the cut.
    std::byte trailing[4];
    if (!PassBytes(u, len) || !TakeBytes(u, trailing, 4)) Fail(kErrEndOfFile, unit);
    total += len;
  }
  if (total < need) Fail(kErrTooMuchData, unit);
  return true;
}

bool Io::PassBytes(Unit& u, std::uint64_t size) {
  const std::size_t held = u.inEnd - u.inPos;
  if (size <= held || u.console || u.memory) return SkipBytes(u, size);
  const std::uint64_t beyond = size - held;
  if (!SeekBy(u.file, beyond, SEEK_CUR)) {
    std::clearerr(u.file);
    return SkipBytes(u, size);  // a pipe
  }
  Consume(u, held);
  u.position += beyond;
  u.inPos = u.inEnd = 0;
  u.inEof = false;
  // A few bytes, not a buffer full: the trailing count and the short records up to the next long one.
  Fill(u, kRecordLookAhead);
  return true;
}

void Io::SeekUnit(int unit, std::uint64_t position) {
  Unit& u = Connected(unit);
  if (u.console || u.memory || u.writing || !SeekBy(u.file, position, SEEK_SET)) {
    Fail(kErrRead, unit);
  }
  u.position = position;
  u.inPos = u.inEnd = 0;
  u.inEof = false;
}

void Io::RewindUnit(int unit) {
  Unit& u = Connected(unit);
  if (u.console) return;
  Flush(u);
  if (!SeekFile(u.file, 0, SEEK_SET)) Fail(kErrRead, unit);
  u.position = 0;
  u.inPos = u.inEnd = 0;
  u.inEof = false;
  u.reading = u.writing = false;
  u.truncatePending = true;
}

void Io::Warn(int number, int unit) {
  if (countWarnings_) {
    ++warnings_;
    return;
  }
  const std::string line = ErrorLine(number, unit, FileName(unit)) + "\r\n";
  std::fwrite(line.data(), 1, line.size(), err_);
  std::fflush(err_);
}

void Io::ErrorStreamLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), err_);
  std::fwrite("\r\n", 1, 2, err_);
  std::fflush(err_);
}

}  // namespace seep
