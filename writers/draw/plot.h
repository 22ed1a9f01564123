// Pictures as SVG: the field of one step over the section, with its phreatic line, and the time
// history of the head at points.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/contours.h"
#include "core/model/gradient.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"
#include "core/model/triangles.h"
#include "writers/kind.h"

namespace seep {

// The span of values that the colour bar's levels cover.
struct LevelRange {
  double lo = 0.0, hi = 0.0;
};

struct PlotOptions {
  PlotField field = PlotField::kTotalHead;
  bool mesh = false;    // every element edge, thin
  bool arrows = false;  // velocity arrows on a coarse sample of elements
  int flowLines = 0;    // this many flow lines over the bands (a flow net)
  // Sections drawn with their names and the step's net flow rate.
  std::vector<Section> sections{};
  // Exit faces and bases (lines under structures) drawn with their names.
  std::vector<Section> exits{}, bases{};
  // Levels kept for every step of a run, so that colours compare across time (values beyond them take
  // the end colours); nothing: each picture takes round levels over its own values.
  std::optional<LevelRange> levels{};
  // The units of the labels; values are shown converted from the file's units.
  MeasureUnits units{};
  // Levels the user chose, in the units shown: these values, or round levels over this range; they
  // come before `levels`. Labelled equipotentials along the band edges (fields at the nodes).
  std::vector<double> userLevels{};
  std::optional<LevelRange> userRange{};
  bool contourLabels = false;
};

// The levels of a picture: the user's, else round ones over `levels` of the options, else over lo ...
// hi (the picture's values, in the units shown).
Levels PictureLevels(const PlotOptions& options, double lo, double hi);

// Reads `--levels A:B:STEP` (A, A + STEP, ... up to B) or `--levels v1,v2,...` (rising), and
// `--range MIN:MAX`; false with a message when the text does not read so.
bool ReadLevels(std::string_view text, std::vector<double>& levels, std::string& error);
bool ReadRange(std::string_view text, std::vector<double>& range, std::string& error);

// The field's name as the colour bar and the charts title it: "Total head", "Pressure head", "Speed".
std::string_view FieldName(PlotField field);
// A step's time in the shown unit, as titles give it: "6 h", or "21600 (model units)".
std::string TimeText(double time, const MeasureUnits& units);
// What the field measures: a length (heads), a speed, or nothing (the gradient).
Quantity FieldQuantity(PlotField field);

// What the picture left out, for one warning line each on the command line.
struct PlotWarnings {
  std::int64_t nanNodes = 0;             // nodes of active elements whose value is not finite
  std::int64_t nanElements = 0;          // active elements left blank for a value that is not finite
  bool noActiveElements = false;         // nothing to draw: the picture holds its title and a note
  std::int64_t noGradient = 0;           // active elements left blank for having no gradient
  GradientLacks noGradientCauses;        // the same by cause
  std::int64_t flowLinesInside = 0;      // flow lines that end inside the mesh
  bool flowLinesFromVelocities = false;  // flow lines seeded from the element velocities, not from Q
};

// Adds what one picture left out to the sum of a run: counts of nodes and elements add up; the
// elements without a gradient, the same in every step, are counted once.
void AddPlotWarnings(PlotWarnings& sum, const PlotWarnings& picture);

// The picture choices of a run (field, mesh, arrows, flow lines, sections) as the pictures take them.
PlotOptions PictureOptionsOf(const OutputChoices& choices);

// What every picture of a run shares and no step changes: the active mesh split into triangles, and
// the sections of the options cut by it, made once when the run's mesh is read.
struct PictureMesh {
  ActiveTriangles triangles;
  std::vector<SectionCut> cuts;  // one per section of the options, in their order
};
PictureMesh PictureMeshOf(const Store& s, const PlotOptions& options);

// Draws the current step of the store as one whole SVG document into `svg` (cleared first, its
// capacity reused across steps). Store& because the nodal values may need work arrays.
void DrawStepPicture(std::string& svg, Store& s, const PictureMesh& mesh, const PlotOptions& options,
                     PlotWarnings& warnings);

// A step picture in parts, for a document that shows many steps of one run and draws the parts that
// stay the same from step to step once. Put together in this order (back to front; the title anywhere)
// they make the picture that DrawStepPicture draws, without its document frame and style sheet.
struct StepPictureParts {
  double width = 0.0, height = 0.0;  // the canvas
  // The plot area in picture units: the section at one scale, x to the right and y upward.
  double plotLeft = 0.0, plotTop = 0.0, plotWidth = 0.0, plotHeight = 0.0;
  Levels levels;        // band b of the colour bar and of the bands has class "b<b>"
  std::string bands;    // the step's filled bands
  std::string section;  // mesh edges and outline: the same for every step (drawn only when asked)
  std::string lines;    // the step's phreatic line with its key, its arrows, or a note instead of a section
  std::string frame;    // axes with their titles and the colour bar (drawn only when asked)
  std::string title;    // the title line with the step and its time
};

// Draws the parts of the current step; `constant`: also the section and the frame. Every string is
// cleared first.
void DrawStepPictureParts(StepPictureParts& parts, Store& s, const PictureMesh& mesh,
                          const PlotOptions& options, bool constant, PlotWarnings& warnings);
// The picture's style sheet: the classes that the parts use, the bands' colours for `levels` included.
void AppendPictureStyle(std::string& css, const Levels& levels);

// Point time history. The points XP, YP (NPT of them) are read and located in the store (IPN, WPN
// filled by LocatePoints); a point with IPN(i, 1) == 0 lies outside the mesh and is left out.
struct HistoryChart {
  PlotField field = PlotField::kTotalHead;  // kTotalHead or kPressureHead
  std::vector<std::int32_t> inside;         // numbers of the points in the mesh
  std::vector<std::int32_t> outside;        // numbers of the points outside it
  std::vector<double> times;                // per step
  std::vector<double> values;               // per step, per point of `inside`
  // Another quantity against time: its title, its axis name and one legend label per line (then
  // `inside` only numbers the lines and no point is named).
  std::string what, axis;
  std::vector<std::string> labels;
  // The units of the axes; times and values are kept as shown, converted when added.
  MeasureUnits units{};
  Quantity quantity = Quantity::kLength;  // of the values
  // The horizontal axis: time, or another quantity that `times` then holds (a distance along a line).
  std::string across = "Time";
  Quantity acrossQuantity = Quantity::kTime;
};

void SetUpHistory(HistoryChart& chart, const Store& s, PlotField field, const MeasureUnits& units);
// Adds the current step: every step of the file, in order.
void AddHistoryStep(HistoryChart& chart, const Store& s);
void DrawHistoryChart(std::string& svg, const HistoryChart& chart, const Store& s);
// Points outside the mesh, for the one warning line that names them.
std::vector<std::int32_t> PointsOutside(const HistoryChart& chart);

// What the pictures and the chart left out, as one warning text ("...; ..."); empty when nothing.
// `outsideNote` ends the part on points outside the mesh ("left out").
std::string DescribeLeftOut(const PlotWarnings& warnings, const HistoryChart& chart,
                            std::string_view outsideNote);

}  // namespace seep
