// One conversion of a result file into one output kind: the road that the dialogue and the command line
// both drive. The result file is open as unit 10 with its header read, the output unit is open; then
// the kind's set-up, one pass over the steps handing the selected ones to its writer, and its finish.
//
// The output kinds stand in one table: per kind its name on the command line, its output code ITYPE
// from the menu, the extension of its files, the largest node and element numbers its fields hold, and
// its operations. A kind without an operation at a place does nothing there. Adding a kind is one row
// here and one folder under writers/.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/selection.h"
#include "core/io/units.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "writers/femap/femap.h"
#include "writers/microavs/microavs.h"
#include "writers/plot/picture_files.h"
#include "writers/vtu/vtu.h"

namespace seep {

// Each writer's own state for one run, made afresh for every conversion.
struct WriterRuns {
  FemapRun femap;
  AvsRun avs;
  VtuRun vtu;
  PictureRun picture;
};

struct Conversion;
using WriterOperation = void (*)(Conversion& c);

// Largest numbers that a kind's fixed fields hold; 0: no limit.
struct FieldReach {
  std::int32_t nodes = 0;           // node numbers and the node count
  std::int32_t elements = 0;        // element numbers, or the count of the elements written
  bool activeElementsOnly = false;  // the kind writes the active elements only
  std::string_view field{};         // the narrowest field, as a report names it
};

// Output code of the kinds that the dialogue's menu does not offer.
inline constexpr std::int32_t kNotOnMenu = 0;

struct OutputKind {
  std::string_view name{};          // on the command line; empty for the menu answers without a writer
  std::int32_t ITYPE = kNotOnMenu;  // output code from the menu
  std::string_view extension{};
  std::string_view description{};
  bool readsPoints = false;  // needs a point-data file
  bool ownFiles = false;     // writes files of its own, named after ONAME, instead of the output unit
  FieldReach reach{};
  WriterOperation setUp = nullptr, everyStep = nullptr, selectedStep = nullptr, finish = nullptr;
  WriterOperation abandon = nullptr;  // after a failure: takes away what the kind's own files left half-made
  // What the kind left out, as one warning text (empty: nothing); nullptr: it never leaves anything out.
  std::string (*leftOut)(const Conversion& c) = nullptr;
  // The files written, for the closing line; nullptr: the output as named.
  std::string (*written)(const Conversion& c) = nullptr;
};

// Every kind with a writer, in menu order.
std::span<const OutputKind> OutputKinds();
// The kind of an output code; codes without a writer give a kind that writes nothing.
const OutputKind& KindOfCode(std::int32_t ITYPE);
// The kind of a command-line name, or nullptr.
const OutputKind* KindOfName(std::string_view name);
// The pictures of `seepconv plot`: one per selected step, or the history chart at points.
const OutputKind& StepPictures();
const OutputKind& HistoryChartPicture();

struct Conversion {
  Io& io;
  Store& s;
  const RunValues& run;
  const OutputKind& kind;
  WriterRuns writers{};
  result::RecordPlace place{};  // the result file record being read
  // The command line's rule: a kind that draws every step (a history) takes the selected steps only.
  // The dialogue keeps every step in a history.
  bool historySelected = false;
};

// What the step loop saw: the number of every step read, in file order, and how many were selected
// (written, or in a history).
struct StepTally {
  std::vector<std::int32_t> numbers;
  std::int64_t written = 0;
};

// Called after each step with the steps read so far.
using StepObserver = std::function<void(const StepTally&)>;

// Bytes written so far: the output unit, the MicroAVS work file and the files of kinds that write
// their own.
std::uint64_t BytesWritten(const Conversion& c);

void SetUpWriter(Conversion& c);
// One pass over the steps of the result file: every step goes to the kind's every-step operation, the
// steps that `selection` takes to its selected-step operation.
void StepLoop(Conversion& c, const StepSelection& selection, StepTally& tally,
              const StepObserver& observer = {});
void FinishWriter(Conversion& c);

}  // namespace seep
