// The flow rate through sections, step by step, for a person (an aligned table), a spreadsheet (CSV)
// or a script (one JSON document). Values are in the model's units: velocity unit × length unit, per
// unit thickness.
//
// The sections are cut by the mesh once (SetUpFlux); every selected step then adds one row of flows
// (AddFluxStep), and the whole table is written at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/io/csv_text.h"
#include "core/model/measure.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"

namespace seep {

struct FluxRun {
  std::vector<Section> sections;
  std::vector<SectionCut> cuts;     // per section
  std::vector<std::int32_t> steps;  // ISTEP of each row
  std::vector<double> times;        // TIME of each row
  std::vector<SectionFlow> flows;   // per row, per section
  std::int64_t skipped = 0;         // pieces left out for a velocity that is not finite
  MeasureUnits units{};             // the units the tables show (the rows keep the file's)
  bool leftOutColumns = false;      // CSV: the left-out counts even when none (a study's columns agree)
};

// Cuts every section by the active mesh of the store (its header read).
void SetUpFlux(FluxRun& run, const Store& s);
// Adds the flows of the current step.
void AddFluxStep(FluxRun& run, const Store& s);

// The net flow of section k in row r.
inline const SectionFlow& FlowOf(const FluxRun& run, std::size_t row, std::size_t k) {
  return run.flows[row * run.sections.size() + k];
}

// An aligned table: the sections with their length and the length outside the active mesh, then one
// line per step and section: step, time, section, net, right, left; six significant digits. Lines end
// with LF. A row of units under each row of headings.
void WriteFluxTable(std::string& out, const FluxRun& run);
// A header line "step,time,S1_net,S1_right,S1_left,S1_outside,..." and one row per step; numbers in
// the shortest digits that read back the same; with units stated, each heading names its unit
// ("time (h)"). Lines end with LF. `style` puts another separator and decimal mark, and a byte order
// mark, for a spreadsheet (core/io/csv_text.h).
void WriteFluxCsv(std::string& out, const FluxRun& run, const CsvStyle& style = {});
// One JSON document: the file, the sections (name, points, length, outside) and per step its number,
// time and per section net, right, left and outside; with units stated, a "units" member names them.
void WriteFluxJson(std::string& out, const FluxRun& run, const std::string& file);

}  // namespace seep
