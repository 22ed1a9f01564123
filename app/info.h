// `seepconv info`: what a result file holds, read in one streaming pass, for a person (an aligned
// table) or a script (one JSON document).
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/io/csv_text.h"
#include "core/model/gradient.h"
#include "core/model/measure.h"

namespace seep {

// Smallest and largest of the finite values seen; empty while none was seen.
struct Range {
  double min = 0.0, max = 0.0;
  std::int64_t count = 0;
  void Take(double v) {
    if (!(v == v) || v - v != 0.0) return;  // NaN and infinities are counted apart
    if (count == 0 || v < min) min = v;
    if (count == 0 || v > max) max = v;
    ++count;
  }
};

struct StepSummary {
  std::int32_t number = 0;  // ISTEP as stored
  double time = 0.0;
  Range pressureHead, totalHead, speed;
  std::int64_t nonFinite = 0;  // NaN or infinite heads and speeds
  LargestGradient gradient;    // the steepest hydraulic gradient of the active elements
};

struct ResultSummary {
  std::string file;         // as messages name it: "standard input" for "-"
  std::uint64_t bytes = 0;  // the file's size; for a pipe or standard input, the bytes read
  bool bytesRead = false;   // `bytes` counts the bytes read, the size not being known
  std::string title;
  std::int32_t nodes = 0, elements = 0;
  std::int32_t quadrilaterals = 0, triangles = 0, active = 0, inactive = 0;
  std::map<std::int32_t, std::int32_t> materials;  // material number: elements
  Range x, y;
  bool headerRead = false;
  std::vector<StepSummary> steps;
  // A damaged file: the record where reading stopped, its step (0 in the header), what went wrong.
  struct Damage {
    std::string record;
    std::int64_t step = 0;
    int number = 0;
    std::string what;
  };
  std::optional<Damage> damage;
  bool notResultFile = false;  // the first record is no title record: nothing else is told
};

// Reads the whole file ("-": standard input). A file that cannot be opened at all raises IoFailure; damage
// after the opening is recorded in the summary.
ResultSummary SummariseResultFile(const std::string& path);

// The summary as `info` prints it: aligned lines, one JSON document, or for a study of many files a CSV
// header and one row per file (the extremes over every step; an empty cell where the file has none),
// plain or for a spreadsheet (`style`). Bounds, heads, times, speeds and the steepest element's centre
// are shown in `units`: with the file's units stated, the aligned table has a row of units under its
// headings, the CSV's headings name their unit ("last_time (h)") and the JSON document a "units"
// member; without, the aligned table says that its figures are in model units.
void PrintSummary(std::string& out, const ResultSummary& summary, const MeasureUnits& units = {});
void PrintSummaryJson(std::string& out, const ResultSummary& summary, const MeasureUnits& units = {});
void PrintSummaryCsvHeader(std::string& out, const MeasureUnits& units = {}, const CsvStyle& style = {});
void PrintSummaryCsvRow(std::string& out, const ResultSummary& summary, const MeasureUnits& units = {},
                        const CsvStyle& style = {});

}  // namespace seep
