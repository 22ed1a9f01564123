// A profile along a line: the field of each step at points of a polyline, evenly spaced or where the
// line crosses from one element into another. Heads are interpolated in the triangle that holds each
// point with the weights that INTERP uses (H, and P = H − y); speed and gradient are those of the
// element there. `seepconv profile` writes it as tables and a chart; the report draws it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/field.h"
#include "core/model/locate.h"
#include "core/model/measure.h"
#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep {

// Evenly spaced points along the line: this many, its ends included.
inline constexpr int kProfilePoints = 101;

struct ProfileRun {
  std::vector<XY> line;                     // two or more points
  PlotField field = PlotField::kTotalHead;  // what is sampled
  bool atCrossings = false;  // the points: the line's ends and where it crosses an element edge
  MeasureUnits units{};
  std::vector<double> distance;        // per point, along the line from its first point
  std::vector<XY> at;                  // per point
  std::vector<PointLocation> located;  // per point; element 0: outside the mesh
  std::vector<std::int32_t> steps;     // ISTEP of each step added
  std::vector<double> times;           // TIME of each step added
  std::vector<double> values;          // per step, per point (file units); NaN outside the mesh
  std::int64_t outside = 0;            // points outside the active mesh
};

// The points along the line, each located in the store's mesh; none for a line of fewer than two points.
void SetUpProfile(ProfileRun& run, const Store& s);
// The field of the current step at every point.
void AddProfileStep(ProfileRun& run, const Store& s);

// The value of the step added `step`-th at point `point` (file units).
inline double ProfileValue(const ProfileRun& run, std::size_t step, std::size_t point) {
  return run.values[step * run.at.size() + point];
}

}  // namespace seep
