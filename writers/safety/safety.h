// The safety figures of a seepage solution, step by step, for a person (aligned tables), a spreadsheet
// (CSV, one row per step) or a script (one JSON document): the exit gradient along exit faces with its
// factors of safety, the uplift along bases, the balance of the nodal flows and, per flow section, the
// sum of the nodal flows on it beside the flow rate across it.
//
// The lines are cut by the mesh once (SetUpSafety); every selected step adds one row of figures
// (AddSafetyStep), and the whole output is written at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/safety.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"

namespace seep {

// γw when none is given: kN/m³, so that the uplift is in kN per metre when lengths are in m.
inline constexpr double kWaterUnitWeight = 9.81;

// The figures of one flow section in one step.
struct SectionBalance {
  double nodalQ = 0.0;  // Σ Q of the nodes on the section
  double flux = 0.0;    // the net flow rate across it, as `flux` gives it
};

struct SafetyRun {
  std::vector<Section> exits, uplifts, sections;
  double criticalGradient = kNotANumber;  // ic; not a number: none given, no factor of safety
  double gammaW = kWaterUnitWeight;

  // Made at set-up from the mesh.
  MeshOutline outline;
  std::vector<SectionCut> exitCuts, upliftCuts, sectionCuts;
  std::vector<std::vector<std::int32_t>> sectionNodes;

  // One row per selected step; the figures of row r, line k at r × (lines) + k.
  std::vector<std::int32_t> steps;
  std::vector<double> times;
  std::vector<ExitGradient> exitRows;
  std::vector<Uplift> upliftRows;
  std::vector<WaterBalance> balances;
  std::vector<SectionBalance> sectionRows;
};

// Cuts every line by the active mesh of the store (its header read).
void SetUpSafety(SafetyRun& run, const Store& s);
// The first exit face or base that lies wholly outside the active mesh, in words; empty when none.
std::string LineOutsideMesh(const SafetyRun& run);
// Adds the figures of the current step.
void AddSafetyStep(SafetyRun& run, const Store& s);
// What was left out for values that are not numbers, as one warning text; empty when nothing.
std::string SafetyLeftOut(const SafetyRun& run);

// Aligned tables: the lines with their length and the length outside the active mesh, then per step
// the exit faces, the bases, the balance and the sections, and a note on units and signs. LF lines.
void WriteSafetyTable(std::string& out, const SafetyRun& run);
// A header line and one row per step; numbers in the shortest digits that read back the same.
void WriteSafetyCsv(std::string& out, const SafetyRun& run);
// One JSON document: the file, the inputs and per step its figures.
void WriteSafetyJson(std::string& out, const SafetyRun& run, const std::string& file);

}  // namespace seep
