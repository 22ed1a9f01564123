// INTERP point time history: points read from a point-data file and located in the mesh once; every
// step of the result file then gives total and pressure head at each point.
#pragma once

#include <string>
#include <string_view>

#include "core/io/units.h"
#include "core/model/store.h"

namespace seep {

// Reads the points of the point-data file and locates each in the mesh.
void SetUpInterp(Io& io, Store& s, std::string_view pointFile);
// The current step's lines: time, column header, one line per point.
void WriteInterpStep(Io& io, const Store& s);
// The points outside the mesh, whose lines hold H = 0 (and P = -Y), as one warning text: "point 3
// outside the mesh written as H = 0"; empty when every point lies in the mesh.
std::string PointsOutsideWarning(const Store& s);

}  // namespace seep
