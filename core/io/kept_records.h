// Records formatted once and written again.
//
// The mesh is fixed for a whole run, so records that come from it alone (the corners of the elements)
// and the fields that come from it alone (coordinates, node and element numbers) have the same text at
// every step. A writer keeps that text, made from the arrays it comes from, and at every step writes
// it again, or places it by an A field among the fields of the step's own records:
//
//   const KeptRecords::Inputs mesh = {AsInput(s.X.Data(), s.NUMNP), AsInput(s.Y.Data(), s.NUMNP)};
//   if (kept.KeepFields(io, mesh, unit, 1, s.NUMNP, 25, [&s](Io& out, std::int32_t n) {
//         WriteFormatted(out, unit, kCoordinates, s.X(n), s.Y(n)); }))
//     ... WriteFormatted(out, unit, kRestOfTheLine, kept.Of(n), P(n), ...)  // "(A25 ...)"
//
// The text is made again whenever the arrays differ from those it was made from (a copy of them is
// kept to compare), so it never outlives its mesh. Whatever the records would have reported (a field
// too narrow for its value) is reported again each time they are written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/io/record_team.h"
#include "core/io/units.h"

namespace seep {

class KeptRecords {
 public:
  using Input = std::span<const std::byte>;
  using Inputs = std::initializer_list<Input>;

  // True when the text kept was made from arrays equal to `inputs`, byte for byte.
  bool MadeFrom(Inputs inputs) const;

  // Formats the records of items first ... last, `record(out, i)` those of item i to `unit`, and keeps
  // them, made from `inputs`. A long run is formatted side by side by the formatting team of `io`, the
  // writer's (as WriteRecords does: `record` may run on any thread and changes nothing shared).
  template <class Record>
  void Make(Io& io, Inputs inputs, int unit, std::int32_t first, std::int32_t last, Record&& record) {
    Io out(nullptr, nullptr, nullptr);  // the records gather in memory, in an Io of their own
    Begin(inputs, out, unit);
    if (first <= last) {
      // The first item alone: its bytes tell the room of all of them (RoomForAll).
      record(out, first);
      RoomForAll(out, unit, std::int64_t{last} - first + 1);
      if (first < last) WriteRecordsBy(TeamFor(io, first + 1, last), out, unit, first + 1, last, record);
    }
    End(out, unit, first, last);
  }

  // Keeps fields of items first ... last, `lead(out, i)` writing those of item i as one record, made
  // from `inputs` (made again when they differ) with the team of `io`. True when each item's text is
  // there, `width` characters long, to be placed in its record by an A field (Of).
  template <class Lead>
  bool KeepFields(Io& io, Inputs inputs, int unit, std::int32_t first, std::int32_t last, int width,
                  Lead&& lead) {
    if (!MadeFrom(inputs)) Make(io, inputs, unit, first, last, lead);
    return Fits(first, width);
  }

  // True when the kept text gives each item from `first` on its own text of `width` characters (Of).
  bool Fits(std::int32_t first, int width) const {
    return OneRecordEach() && width_ == width && first_ == first;
  }

  // Writes the kept records to `unit` of `io`, with the warnings they gave.
  void Write(Io& io, int unit) const;

  // True when every item made exactly one record, all of one length, without a warning: then Of(i) is
  // the text of item i's record, without its line end.
  bool OneRecordEach() const { return width_ >= 0; }
  std::string_view Of(std::int32_t i) const {
    return {data_ + static_cast<std::size_t>(i - first_) * static_cast<std::size_t>(width_ + 2),
            static_cast<std::size_t>(width_)};
  }

 private:
  void Begin(Inputs inputs, Io& out, int unit);
  // Makes room in `unit` of `out`, which holds the records of one item, for `items` items as long:
  // the text of fields that are all alike is then made in one piece, not grown by doubling (each
  // doubling a copy, and memory the system has to supply afresh).
  static void RoomForAll(Io& out, int unit, std::int64_t items);
  void End(Io& out, int unit, std::int32_t first, std::int32_t last);

  std::vector<std::byte> inputs_;  // the arrays the text was made from, back to back
  std::vector<std::size_t> sizes_;
  bool made_ = false;
  // The records with their line ends. Shared with the writer thread, which may still be writing them
  // when the text is made again: the new text is another buffer.
  std::shared_ptr<const std::vector<char>> text_;
  const char* data_ = nullptr;  // text_'s first character
  std::size_t size_ = 0;
  std::int64_t warnings_ = 0;
  std::int32_t first_ = 1;
  int width_ = -1;  // the length of every record, -1 when OneRecordEach does not hold
};

// The bytes of `count` entries of an array, to compare.
template <class T>
KeptRecords::Input AsInput(const T* data, std::int64_t count) {
  return std::as_bytes(std::span<const T>(data, count > 0 ? static_cast<std::size_t>(count) : 0));
}

}  // namespace seep
