#include "core/reader/result_file.h"

#include <algorithm>
#include <cstddef>
#include <span>
#include <tuple>

#include "core/io/byte_cursor.h"
#include "core/io/failure.h"

namespace seep::result {
namespace {

// Bytes needed for `count` entries of `size` bytes; a count of zero or less needs none.
std::size_t Need(std::int32_t count, std::size_t size) {
  return count > 0 ? static_cast<std::size_t>(count) * size : 0;
}

ByteCursor Record(Io& io, std::size_t need, RecordPlace* place, const char* name) {
  if (place != nullptr) place->record = name;
  std::span<const std::byte> data;
  io.ReadUnformatted(kUnit, need, data, false);
  return ByteCursor(data);
}

bool IsText(char c) {
  return (c >= ' ' && c <= '~') || c == '\t' || c == '\r' || c == '\n';
}

// What the first bytes of a file show when its first record could not be read as a title (error
// `number`): a record is a 4-byte length, that many bytes, and the length again.
std::string FirstRecordFound(int number, std::string_view start) {
  if (start.empty()) return "the file is empty";
  const std::string_view lead = start.substr(0, 4);
  bool text = true;
  for (const char c : lead) text = text && IsText(c);
  if (text) {
    std::string_view shown = start.substr(0, std::min<std::size_t>(start.find_first_of("\r\n"), 24));
    return "it begins with text (\"" + std::string(shown) + "\") where a record length belongs";
  }
  if (start.size() < 4) {
    return std::to_string(start.size()) + (start.size() == 1 ? " byte" : " bytes") +
           ", too few for a record length";
  }
  const std::int32_t count = ByteCursor(std::as_bytes(std::span(start.data(), 4))).Int4();
  const std::int64_t length = count < 0 ? -static_cast<std::int64_t>(count) : count;
  const bool wholeFileSeen = start.size() < kStartKept;
  if (number == kErrTooMuchData) {
    return "its first record holds " + std::to_string(length) + (length == 1 ? " byte" : " bytes") +
           ", fewer than the " + std::to_string(std::tuple_size_v<decltype(Store::TITLE)>) + " of a title";
  }
  if (number == kErrEndOfFile && (!wholeFileSeen || static_cast<std::size_t>(length) + 4 > start.size())) {
    return "its first record claims " + std::to_string(length) + " bytes, more than the file holds";
  }
  return "its first record cannot be read (" + std::string(PlainText(number)) + ")";
}

}  // namespace

void Open(Io& io, std::string_view FNAME) {
  io.OpenUnit(kUnit, FNAME, "OLD", "UNFORMATTED");
}

void OpenStream(Io& io, std::FILE* stream, std::string_view name) {
  io.ConnectStream(kUnit, stream, name, "UNFORMATTED");
}

void ReadHeader(Io& io, Store& s, RecordPlace* place) {
  if (place != nullptr) {
    const std::span<const std::byte> start = io.Peek(kUnit, kStartKept);
    place->start.assign(reinterpret_cast<const char*>(start.data()), start.size());
    place->startKept = true;
  }
  Record(io, s.TITLE.size(), place, "H1").Text(s.TITLE.data(), s.TITLE.size());

  // The record must hold every coordinate pair before the node arrays are sized for them, and NUMNP
  // takes the count only together with arrays of that size: the store never claims more nodes than
  // it holds, even when the read fails.
  const std::int32_t numnp = Record(io, 4, place, "H2").Int4();
  ByteCursor h3 = Record(io, Need(numnp, 16), place, "H3");
  SizeNodeArrays(s, numnp);
  s.NUMNP = numnp;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    s.X(n) = h3.Real8();
    s.Y(n) = h3.Real8();
  }

  const std::int32_t numel = Record(io, 4, place, "H4").Int4();
  ByteCursor h5 = Record(io, Need(numel, 36), place, "H5");
  SizeElementArrays(s, numel);
  s.NUMEL = numel;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    for (int c = kI; c <= kMAT; ++c) s.ELEM(e, c) = h5.Int4();
    h5.Skip(16);  // two reals per element that the converter has no use for
  }
}

namespace {

// Record S1, the step's number and time; false at the end of the file, where a step would begin.
bool ReadStepHeader(Io& io, Store& s, RecordPlace* place) {
  if (place != nullptr) place->record = "S1";
  std::span<const std::byte> data;
  if (!io.ReadUnformatted(kUnit, 12, data, true)) return false;
  ByteCursor s1(data);
  s.ISTEP = s1.Int4();
  s.TIME = s1.Real8();
  return true;
}

}  // namespace

namespace {

// Records S2 and S3 of the step whose S1 was just read.
void ReadStepValues(Io& io, Store& s, RecordPlace* place, bool velocities) {
  ByteCursor s2 = Record(io, Need(s.NUMNP, 20), place, "S2");
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    s.NCODE(n) = s2.Int4();
    s.P(n) = s2.Real8();
    s.Q(n) = s2.Real8();
  }
  if (!velocities) {
    if (place != nullptr) place->record = "S3";
    io.SkipUnformatted(kUnit, Need(s.NUMEL, 16), false);
    return;
  }
  ByteCursor s3 = Record(io, Need(s.NUMEL, 16), place, "S3");
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    s.VXE(e) = s3.Real8();
    s.VYE(e) = s3.Real8();
  }
}

// Passes over records S2 and S3 with the checks of reading them.
void SkipStepValues(Io& io, const Store& s, RecordPlace* place) {
  if (place != nullptr) place->record = "S2";
  io.SkipUnformatted(kUnit, Need(s.NUMNP, 20), false);
  if (place != nullptr) place->record = "S3";
  io.SkipUnformatted(kUnit, Need(s.NUMEL, 16), false);
}

// True when the file ends right after the step just passed over; false too when looking fails, which
// the reader's own look past the step then meets and reports in its place.
bool EndsHere(Io& io) {
  try {
    return AtEnd(io);
  } catch (const IoFailure&) {
    return false;
  }
}

}  // namespace

bool ReadStep(Io& io, Store& s, RecordPlace* place, bool velocities) {
  if (!ReadStepHeader(io, s, place)) return false;
  ReadStepValues(io, s, place, velocities);
  return true;
}

StepTaken ReadStepIfWanted(Io& io, Store& s, const Wanted& wanted, RecordPlace* place, bool velocities) {
  if (!ReadStepHeader(io, s, place)) return StepTaken::kNone;
  const bool always = !wanted || wanted(s.ISTEP, false);
  if (!always && !wanted(s.ISTEP, true)) {
    SkipStepValues(io, s, place);
    return StepTaken::kPassed;
  }
  if (always || !io.OnRegularFile(kUnit)) {
    ReadStepValues(io, s, place, velocities);
    return StepTaken::kRead;
  }
  // Wanted only if it is the last: passed over, and read after all when the file ends after it.
  const std::uint64_t values = io.Position(kUnit);
  SkipStepValues(io, s, place);
  if (!EndsHere(io)) return StepTaken::kPassed;
  io.SeekUnit(kUnit, values);
  ReadStepValues(io, s, place, velocities);
  return StepTaken::kRead;
}

bool SkipStep(Io& io, Store& s, RecordPlace* place) {
  if (!ReadStepHeader(io, s, place)) return false;
  SkipStepValues(io, s, place);
  return true;
}

bool AtEnd(Io& io) {
  return io.AtEndOfFile(kUnit);
}

std::string DescribeDamage(int number, const RecordPlace& place, std::int64_t step) {
  const std::string record(place.record);
  if (step == 0 && record == "H1" && place.startKept)
    return "not a seepage result file: " + FirstRecordFound(number, place.start);
  const std::string where = step > 0 ? "step " + std::to_string(step) : "header";
  switch (number) {
    case kErrEndOfFile:
      return where + " ends early (end of file inside record " + record + ")";
    case kErrTooMuchData:
      return where + ": record " + record + " is shorter than its counts need";
    default:
      return where + ": record " + record + ": " + std::string(PlainText(number));
  }
}

}  // namespace seep::result
