// A report of a run as one HTML file that any browser opens offline: a header with what the result file
// holds, the pictures of the chosen steps with a time slider, the table of every step, the safety figures
// of exit faces and bases, the time history at points, the profile along a line, and a footer that says how
// it was made. Pictures, style and script are inline and nothing is fetched; a print style sheet gives one
// picture per page and the tables after.
//
// The run is two passes over the result file: the first (the caller's) gives every step's row of the
// steps table; this writer then takes the second pass, step by step, and writes the file whole at the
// end.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/model/profile.h"
#include "core/model/safety.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"
#include "writers/draw/plot.h"

namespace seep {

// One step of the file as the steps table shows it: extremes of the finite values, NaN where none.
struct ReportStep {
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  std::int32_t number = 0;  // ISTEP as stored
  double time = 0.0;
  double pMin = kNone, pMax = kNone;          // pressure head P
  double hMin = kNone, hMax = kNone;          // total head H = P + Y
  double speedMin = kNone, speedMax = kNone;  // element speed
  double gradientMax = kNone;                 // magnitude of the steepest hydraulic gradient
  bool drawn = false;                         // the report shows its picture
};

// A line of the header: what, and its value as text.
struct ReportFact {
  std::string label, value;
};

// What the first pass over the result file found and what the command asked, for the header, the
// steps table and the footer.
struct ReportPlan {
  std::string title;                 // the analysis title, trailing blanks taken off
  std::vector<ReportFact> facts;     // the header's lines: file, size, date, counts, materials, bounds
  std::vector<ReportStep> steps;     // every step of the file in file order, those to draw marked
  std::string commandLine, version;  // for the footer
};

struct ReportState {
  // Given before the second pass.
  std::string target;  // NAME.html
  ReportPlan plan;
  PlotOptions options;  // field, mesh edges, arrows; the levels are fixed by SetUpReport
  bool points = false;  // the store holds located points: chart and table of points

  // Made during the pass.
  std::size_t next = 0;    // position of the next step in `steps`
  std::int32_t drawn = 0;  // pictures made
  StepPictureParts parts;  // the step being drawn, its room reused
  std::string style;       // the pictures' style sheet, with the levels' colours
  std::string constant;    // the section's lines and the frame, drawn with the first picture
  std::string pictures;    // one figure per drawn step
  HistoryChart chart;
  std::vector<std::int32_t> pointElements;  // per point: the element that holds it, 0 outside the mesh
  std::vector<double> pointHeads;           // per point: total head at the last step read
  PictureMesh mesh;           // the split mesh and the cuts of options.sections, made once for every picture
  std::vector<double> times;  // per step read
  std::vector<SectionFlow> flows;  // per step read, per section
  SafetyRun safety;                // exit faces and bases given: their figures per step, and the balance
  ProfileRun profile;              // a line given: the field along it in every drawn step
  PlotWarnings warnings;           // summed over the pictures
  std::string html;                // the document, assembled at the end
  std::uint64_t bytesWritten = 0;
};

// Marks the steps drawn by default: the last one and up to 11 more spread evenly over the run.
void ChooseDefaultSteps(std::vector<ReportStep>& steps);

// The levels that every picture of the run takes: round levels over the range of the field in the
// drawn steps (speed from its smallest to its largest value, the gradient from 0 to its largest).
LevelRange RunLevels(const std::vector<ReportStep>& steps, PlotField field);

// After the header is read (and the points located when `points`): fixes the levels, sets up the
// history chart, finds each point's element and cuts the sections by the mesh.
void SetUpReport(ReportState& run, const Store& s);
// Every step of the file, in order: its heads at the points, its flows through the sections, and its
// picture when it is drawn.
void AddReportStep(ReportState& run, Store& s);
// Assembles the document and writes it as the whole of `target`.
void WriteReport(ReportState& run, const Store& s);

// What the pictures left out, as one warning text; empty when nothing.
std::string ReportWarnings(const ReportState& run);

}  // namespace seep
