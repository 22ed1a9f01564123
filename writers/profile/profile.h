// A profile along a line: the field of each selected step at evenly spaced points of a polyline, as a
// table for people (aligned), a spreadsheet (CSV) or a script (JSON), and as a chart against the
// distance along the line. Heads are interpolated in the triangle that holds each point with the
// weights that INTERP uses (H, and P = H − y); speed and gradient are those of the element there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/io/csv_text.h"
#include "core/model/locate.h"
#include "core/model/measure.h"
#include "core/model/store.h"
#include "writers/kind.h"

namespace seep {

// Points along the line: this many, its ends included.
inline constexpr int kProfilePoints = 101;

struct ProfileRun {
  std::vector<XY> line;                     // two or more points
  PlotField field = PlotField::kTotalHead;  // what is sampled
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

// Aligned columns: one row per step and point (step, time, distance, x, y, value), a unit row when
// units are stated, and a note. Lines end with LF.
void WriteProfileTable(std::string& out, const ProfileRun& run);
// "step,time,distance,x,y,FIELD" and one row per step and point, in the shortest digits; a value
// outside the mesh is an empty field. Lines end with LF.
void WriteProfileCsv(std::string& out, const ProfileRun& run, const CsvStyle& style = {});
// One JSON document: the file, the field, the line, the points (distance, x, y) and per step its
// number, time and values (null outside the mesh).
void WriteProfileJson(std::string& out, const ProfileRun& run, const std::string& file);
// The chart: the value against the distance along the line, a line per step.
void DrawProfileChart(std::string& svg, const ProfileRun& run, const Store& s);

}  // namespace seep
