// What an output kind is and can do. Each writer folder declares its kind as one `OutputKind` row
// (writers/<kind>/<kind>_kind.h): its names, the limits of its fixed fields, the options it takes, the
// state it keeps for one conversion and its operations at set-up, at each step and at the finish. The run
// layer lists these rows once and derives from them the dialogue's menu, the command line's kinds and
// option checks, and the conversion road; it never knows a kind by name.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/io/csv_text.h"
#include "core/io/units.h"
#include "core/model/field.h"
#include "core/model/measure.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"

namespace seep {

struct ReportPlan;  // writers/report/report.h

// How a table of figures per step is written: aligned columns for people, CSV for a script, one
// JSON document for a script, CSV for a spreadsheet in the user's locale (OutputChoices::spreadsheet).
enum class TableStyle { kAligned, kCsv, kJson, kSpreadsheet };

// The run's choices that a writer reads: the dialogue's answers or the command line's options. File names
// are taken as given; the dialogue's 20-character fields keep their trailing blanks, which are not part
// of the name when the file is opened.
struct OutputChoices {
  std::string ONAME;         // output file (a kind that writes its own files names them after it)
  std::string PNAME;         // point-data file
  std::int32_t IHEAD = 0;    // head style of the restart data: factor of the elevation
  bool allElements = false;  // VTU cells: every element, not only the active ones
  bool numbered = false;     // several pictures may be drawn: every one gets its number
  PlotField field = PlotField::kTotalHead;  // the field a picture shows
  bool mesh = false;                        // pictures: every element edge
  bool arrows = false;                      // pictures: velocity arrows
  int flowLines = 0;                        // pictures: this many flow lines (a flow net)
  // Pictures: sections drawn with the step's net flow rate.
  std::vector<Section> sections{};
  // The report: what a first pass over the result file found and which steps it draws; nullptr: no report.
  const ReportPlan* report = nullptr;
  // Tables: their style, and an SVG chart of their figures against time beside them (empty: none).
  TableStyle table = TableStyle::kAligned;
  std::string chart;
  // A table of several result files (a parameter study): this file's table is kept here for the run
  // layer to join, its CSV lines led by a `file` column, instead of being put on the output unit;
  // nullptr: the table is the output.
  std::string* studyTable = nullptr;
  // Pictures: the colour bar's levels in the units shown, these values (two or more, rising) or round
  // levels over `range` (its two ends); both empty: round levels over each picture's values. With
  // contourLabels, the equipotentials along the band edges, labelled.
  std::vector<double> levels{};
  std::vector<double> range{};
  bool contourLabels = false;
  // Profiles: the points of the line are its ends and where it crosses an element edge, not 101 evenly
  // spaced. The report: the line whose profile it shows (empty: none).
  bool atCrossings = false;
  std::vector<XY> profile{};
  // The units pictures and tables show their figures in: the file's as stated and those asked for.
  MeasureUnits units{};
  // Safety figures: exit faces and bases (lines under structures), the critical gradient ic of the
  // factors of safety (not a number: none) and the unit weight of water γw (kN/m³).
  std::vector<Section> exits{}, bases{};
  double criticalGradient = std::numeric_limits<double>::quiet_NaN();
  double gammaW = 9.81;
  // The CSV of TableStyle::kSpreadsheet: the user's locale decides it (UserSpreadsheetCsv in
  // core/io/platform.h); kCsv is plain CSV.
  CsvStyle spreadsheet{};
  // The result file as messages and documents name it ("standard input" for standard input).
  std::string resultName;
  // Where work files go: the command line makes them under new names beside this path; empty: the
  // dialogue's fixed names (AVS.tmp in the current folder), which stay after the run.
  std::string workFilesBeside;
  // For a kind that counts the steps first (OutputKind::countsStepsFirst): the steps the selection
  // takes, counted in a first pass over the result file before set-up; below 0: not known (the
  // dialogue, a pipe, a file that could not be passed over whole).
  std::int32_t stepsAhead = -1;
};

// Thrown by a kind's set-up when what the user gave does not fit the mesh (a line that misses the active
// mesh): a usage error, one line and status 2, and nothing is written.
struct InputRefused {
  std::string what;
};

// One conversion as a writer sees it: the units, the store, the run's choices and the kind's own state.
struct WriterCall {
  Io& io;
  Store& s;
  const OutputChoices& choices;
  void* state = nullptr;

  template <typename State>
  State& Own() const {
    return *static_cast<State*>(state);
  }
};

using WriterOperation = void (*)(WriterCall& w);

// Largest numbers that a kind's fixed fields hold; 0: no limit.
struct FieldReach {
  std::int32_t nodes = 0;           // node numbers and the node count
  std::int32_t elements = 0;        // element numbers, or the count of the elements written
  bool activeElementsOnly = false;  // the kind writes the active elements only
  std::string_view field{};         // the narrowest field, as a report names it
};

// The command-line options that a kind takes besides the common ones (a bit each).
enum KindTakes : std::uint32_t {
  kTakesSteps = 1,        // --steps picks the steps written; without it the kind writes every step
  kTakesHead = 2,         // --head pressure|total
  kNeedsPoints = 4,       // --points PATH, required
  kTakesAllElements = 8,  // --all-elements
  kTakesField = 16,       // --field: the field a picture shows
  kTakesDrawing = 32,     // --mesh, --arrows, --flow-lines, --sections: drawn over the field
};

// How a kind's state for one conversion is made and taken away; both null for a kind without state.
struct StateKeeping {
  void* (*make)() = nullptr;
  void (*drop)(void*) = nullptr;
};

template <typename State>
constexpr StateKeeping StateOf() {
  return {[]() -> void* { return new State{}; }, [](void* p) { delete static_cast<State*>(p); }};
}

// Output code of the kinds that the dialogue's menu does not offer.
inline constexpr std::int32_t kNotOnMenu = 0;

struct OutputKind {
  std::string_view command = "convert";  // the command that makes it
  std::string_view name{};               // on the command line (`--to NAME`)
  std::int32_t ITYPE = kNotOnMenu;       // output code that the dialogue's menu answer selects
  std::int32_t menuAnswer = 0;           // the answer typed in the dialogue's menu; 0: not on the menu
  std::string_view menuLine{};           // its line in the dialogue's menu, as shown
  std::string_view extension{};          // of the default output name
  std::string_view description{};        // for --help
  std::string_view otherNames{};         // names users know it by, answered with a hint: "paraview vtk"
  std::uint32_t takes = kTakesSteps;
  bool ownFiles = false;     // writes files of its own, named after ONAME, instead of the output unit
  bool collection = false;   // its files make a folder beside ONAME: never a device, pipe or standard output
  bool filePerStep = false;  // one file per selected step, numbered when several: one only to a device
  bool leftOutOfInput = false;  // what it leaves out lies in the result file: warnings name that file
  // It reads the element velocities of the steps; false: the reader passes over them.
  bool usesVelocities = true;
  // Its first lines state how many steps follow: the command line counts them before set-up
  // (OutputChoices::stepsAhead) when the result file can be read twice.
  bool countsStepsFirst = false;
  FieldReach reach{};
  StateKeeping state{};
  // setUp after the mesh is read; historyStep on each step of a history (every step in the dialogue,
  // the selected ones on the command line); selectedStep on each selected step; finish after the last.
  WriterOperation setUp = nullptr, historyStep = nullptr, selectedStep = nullptr, finish = nullptr;
  // Work on a selected step that needs the store alone (the nodal average), done as the step is read:
  // in the reading thread when the steps are read ahead of the writer. Must not throw.
  void (*prepareStep)(Store& s) = nullptr;
  WriterOperation abandon = nullptr;  // after a failure: takes away what the kind's own files left half-made
  // What the kind left out, a warning a line (empty: nothing); nullptr: it never leaves anything out.
  std::string (*leftOut)(const WriterCall& w) = nullptr;
  // The files written, for the closing line; nullptr: the output as named.
  std::string (*written)(const WriterCall& w, const std::string& output) = nullptr;
  // Bytes of the kind's own files (or work files) written so far, for progress and the closing line.
  std::uint64_t (*bytesOwn)(const WriterCall& w) = nullptr;

  bool Takes(std::uint32_t bits) const { return (takes & bits) == bits; }
};

// The writers of a kind that writes one table of figures, one a style. The CSV writer is handed the
// spreadsheet's separator and decimal mark for TableStyle::kSpreadsheet, plain CSV otherwise; the JSON
// writer the result file as documents name it.
template <typename Run>
struct TableWriters {
  void (*aligned)(std::string& out, const Run& run);
  void (*csv)(std::string& out, const Run& run, const CsvStyle& style);
  void (*json)(std::string& out, const Run& run, const std::string& file);
};

// The files a table kind wrote, for the closing line: the table, and its chart when one was asked for.
inline std::string TableAndChart(const WriterCall& w, const std::string& output) {
  return w.choices.chart.empty() ? output : output + " and " + w.choices.chart;
}

// The table of `run` in the style the choices ask for, put on the output unit, or kept for a study.
template <typename Run>
void PutTable(WriterCall& w, const Run& run, const TableWriters<Run>& writers) {
  const OutputChoices& choices = w.choices;
  const CsvStyle csv = choices.table == TableStyle::kSpreadsheet ? choices.spreadsheet : CsvStyle{};
  std::string text;
  switch (choices.table) {
    case TableStyle::kAligned:
      writers.aligned(text, run);
      break;
    case TableStyle::kCsv:
    case TableStyle::kSpreadsheet:
      writers.csv(text, run, csv);
      break;
    case TableStyle::kJson:
      writers.json(text, run, choices.resultName);
      break;
  }
  if (choices.studyTable == nullptr) {
    w.io.PutRecords(kOutputUnit, text);
  } else if (choices.table == TableStyle::kCsv || choices.table == TableStyle::kSpreadsheet) {
    *choices.studyTable = WithFirstColumn(text, "file", choices.resultName, csv);
  } else {
    *choices.studyTable = std::move(text);
  }
}

}  // namespace seep
