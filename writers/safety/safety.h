// The safety figures of a seepage solution, step by step, for a person (aligned tables), a spreadsheet
// (CSV, one row per step) or a script (one JSON document): the exit gradient along exit faces with its
// factors of safety, the uplift along bases, the balance of the nodal flows and, per flow section, the
// sum of the nodal flows on it beside the flow rate across it.
//
// The figures are gathered by SafetyRun (core/model/safety.h); the whole output is written at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/io/csv_text.h"
#include "core/model/safety.h"

namespace seep {

// What was left out for values that are not numbers, as one warning text; empty when nothing.
std::string SafetyLeftOut(const SafetyRun& run);

// Every figure is shown in the run's units: lengths, times and flows as they are asked for, the integral
// of the pressure head as a length squared, the uplift force in kN per metre of thickness (γw is taken
// in kN/m³), gradients, factors of safety and the balance error without a unit.
//
// Aligned tables: the lines with their length and the length outside the active mesh, then per step
// the exit faces, the bases, the balance and the sections, and a note on units and signs; with units
// stated, a row of units under each row of headings. LF lines.
void WriteSafetyTable(std::string& out, const SafetyRun& run);
// A header line and one row per step; numbers in the shortest digits that read back the same; with
// units stated, each heading of a figure with a unit names it ("Base_force (kN/m)"). `style` puts
// another separator and decimal mark, and a byte order mark, for a spreadsheet.
void WriteSafetyCsv(std::string& out, const SafetyRun& run, const CsvStyle& style = {});
// One JSON document: the file, with units stated their names, the inputs and per step its figures.
void WriteSafetyJson(std::string& out, const SafetyRun& run, const std::string& file);

}  // namespace seep
