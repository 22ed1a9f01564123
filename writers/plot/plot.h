// Pictures as SVG: the field of one step over the section, with its phreatic line, and the time
// history of the head at points.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/store.h"

namespace seep {

enum class PlotField { kTotalHead, kPressureHead, kSpeed };

// The fields by their command-line names, in the order of PlotField.
inline constexpr std::array<std::string_view, 3> kPlotFieldNames{"total-head", "pressure-head", "speed"};

// The field of a name from kPlotFieldNames; total head for any other.
PlotField PlotFieldOfName(std::string_view name);

struct PlotOptions {
  PlotField field = PlotField::kTotalHead;
  bool mesh = false;    // every element edge, thin
  bool arrows = false;  // velocity arrows on a coarse sample of elements
};

// What the picture left out, for one warning line each on the command line.
struct PlotWarnings {
  std::int64_t nanNodes = 0;      // nodes of active elements whose value is not finite
  std::int64_t nanElements = 0;   // active elements left blank for a value that is not finite
  bool noActiveElements = false;  // nothing to draw: the picture holds its title and a note
};

// Draws the current step of the store as one whole SVG document into `svg` (cleared first, its
// capacity reused across steps). Store& because the nodal values may need work arrays.
void DrawStepPicture(std::string& svg, Store& s, const PlotOptions& options, PlotWarnings& warnings);

// Point time history. The points XP, YP (NPT of them) are read and located in the store (IPN, WPN
// filled by LocatePoints); a point with IPN(i, 1) == 0 lies outside the mesh and is left out.
struct HistoryChart {
  PlotField field = PlotField::kTotalHead;  // kTotalHead or kPressureHead
  std::vector<std::int32_t> inside;         // numbers of the points in the mesh
  std::vector<std::int32_t> outside;        // numbers of the points outside it
  std::vector<double> times;                // per step
  std::vector<double> values;               // per step, per point of `inside`
};

void SetUpHistory(HistoryChart& chart, const Store& s, PlotField field);
// Adds the current step: every step of the file, in order.
void AddHistoryStep(HistoryChart& chart, const Store& s);
void DrawHistoryChart(std::string& svg, const HistoryChart& chart, const Store& s);
// Points outside the mesh, for the one warning line that names them.
std::vector<std::int32_t> PointsOutside(const HistoryChart& chart);

}  // namespace seep
