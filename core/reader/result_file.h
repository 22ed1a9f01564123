// Reading the analysis result file into the model store: a header of five records (title, node
// count, coordinates, element count, connectivity), then three records per time step up to the end
// of the file. One step is held at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep::result {

inline constexpr int kUnit = 10;

// Opens the result file FNAME as unit 10, an existing unformatted file.
void Open(Io& io, std::string_view FNAME);
// Connects unit 10 to a stream already open for reading (standard input), named `name` in reports.
void OpenStream(Io& io, std::FILE* stream, std::string_view name);
// The record being read, for reports of a damaged file: "H1" … "H5" in the header, "S1" … "S3" in a
// step. Readers that are given one keep it up to date. ReadHeader also keeps the first bytes of the
// file in it, so that a file whose first record is no title can be reported as no result file.
struct RecordPlace {
  const char* record = "";
  bool startKept = false;
  std::string start;  // up to kStartKept bytes from the beginning of the file
};
inline constexpr std::size_t kStartKept = 64;

// Reads TITLE, NUMNP, X and Y, NUMEL and ELEM, and sizes the store for them.
void ReadHeader(Io& io, Store& s, RecordPlace* place = nullptr);
// Reads the next step into ISTEP, TIME, NCODE, P, Q, VXE and VYE. False when the file ends where the
// step would begin; an end anywhere inside a step is error 24. Without `velocities` the record of the
// element velocities is passed over with the same checks (seeking past its values where the file
// allows), and VXE and VYE stay as they were: for a reader that has no use for them.
bool ReadStep(Io& io, Store& s, RecordPlace* place = nullptr, bool velocities = true);
// Which steps a reader wants the values of: `wanted(ISTEP, last)`, `last` when the file ends right after
// the step. A step that is wanted with `last` false is wanted whatever follows it.
using Wanted = std::function<bool(std::int32_t istep, bool last)>;
enum class StepTaken { kNone, kRead, kPassed };
// The next step as ReadStep reads it when it is wanted (every step without `wanted`), else its ISTEP
// and TIME with its values passed over as SkipStep passes them, the store's arrays left as they were:
// kPassed. A step wanted only as the last one is passed over and, on a file that can seek, read after
// all when the file ends after it (elsewhere it is read). kNone where ReadStep gives false; the same
// failures as ReadStep.
StepTaken ReadStepIfWanted(Io& io, Store& s, const Wanted& wanted, RecordPlace* place = nullptr,
                           bool velocities = true);
// Reads the next step's ISTEP and TIME and passes over its values with the checks of ReadStep (the same
// answer, the same failures), without taking them: an index of the steps.
bool SkipStep(Io& io, Store& s, RecordPlace* place = nullptr);
// True when nothing at all follows the step last read. Consumes nothing.
bool AtEnd(Io& io);

// A failure of error `number` while reading `place`, in words: "step 7 ends early (end of file inside
// record S2)", "header record H3 is shorter than its counts need". `step` counts the steps from 1 in
// file order; 0 for the header. A failure in the first record, with the file's first bytes kept, is
// "not a seepage result file: " and what those bytes show.
std::string DescribeDamage(int number, const RecordPlace& place, std::int64_t step);

}  // namespace seep::result
