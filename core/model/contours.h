// Contours of a field over the active mesh in model coordinates: round levels, the filled bands between
// them, the lines where a nodal field crosses them (equipotentials, and the phreatic line where the
// pressure head is zero), and the mesh's outline and element edges. Pictures only scale and print what
// these give.
//
// Everything here is taken on the active mesh split into triangles once per run (SplitActiveElements);
// triangles of zero area, with a corner outside the mesh or a coordinate that is not finite are left
// out there.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep {

// A closed loop (the last point joins the first) or an open polyline.
using Polyline = std::vector<XY>;

// Round levels: value k is (first + k) * step, step being 1, 2, 2.5 or 5 times a power of ten. Band b
// lies between values[b] and values[b + 1]; the first value is at most the lowest value of the field,
// the last at least its highest.
struct Levels {
  std::vector<double> values;
  double step = 1.0;
  std::int64_t first = 0;
  std::int32_t Bands() const { return static_cast<std::int32_t>(values.size()) - 1; }
};

// Levels spanning lo ... hi (finite, lo <= hi): the round step whose levels number closest to 11. One
// band around the value when lo == hi.
Levels RoundLevels(double lo, double hi);
// Tick values for an axis from lo to hi with at most `most` ticks (at least 2), at a round step; none
// for an axis that is not finite.
Levels RoundTicks(double lo, double hi, int most);
// The band that holds value v: the band whose lower level is the largest at most v, the last band for
// the highest level, clamped to the bands.
std::int32_t BandOf(const Levels& levels, double v);

// Filled bands: per band, closed loops whose interiors by the nonzero rule make up the band. Loops run
// counterclockwise around the area they fill and clockwise around holes, so the signed areas of a
// band's loops add up to its area.
struct Bands {
  std::vector<std::vector<Polyline>> loops;
  std::int64_t blankElements = 0;  // active elements left blank: a value or coordinate not finite
};

// Bands of a field given at the nodes (value(n) = nodeValue[n - 1]), linear on each sub-triangle.
// Sub-triangles that lie wholly in one band are merged with their neighbours in that band into
// common loops; cut ones give one convex piece per band.
Bands NodalBands(const ActiveTriangles& mesh, const Store& s, const std::vector<double>& nodeValue,
                 const Levels& levels);
// Bands of a field constant on each element (value(e) = elementValue[e - 1]).
Bands ElementBands(const ActiveTriangles& mesh, const Store& s, const std::vector<double>& elementValue,
                   const Levels& levels);

// The line where the pressure head P is zero, by linear interpolation on each active sub-triangle
// whose corners have P both above zero and at most zero; sub-triangles with a P that is not finite
// are passed over. Open or closed polylines; none when P does not change sign.
std::vector<Polyline> PhreaticLine(const ActiveTriangles& mesh, const Store& s);

// Boundary of the active elements: closed loops, counterclockwise around them.
std::vector<Polyline> OutlineLoops(const ActiveTriangles& mesh, const Store& s);
// Every edge of the active elements once, joined into polylines.
std::vector<Polyline> MeshEdges(const Store& s);

// The pieces where a field given at the nodes (value(n) = nodeValue[n - 1]), linear on each triangle,
// crosses each level: per level, one segment for every triangle whose corners lie on both sides of it
// (above it, and at most it), in the triangles' order. Triangles with a value that is not finite are
// passed over. The band edges of NodalBands lie on them.
using LevelPieces = std::vector<std::vector<std::array<XY, 2>>>;
LevelPieces LevelCrossings(const ActiveTriangles& mesh, const std::vector<double>& nodeValue,
                           const std::vector<double>& levels);

// Signed area of a closed loop: positive when it runs counterclockwise.
double LoopArea(const Polyline& loop);

}  // namespace seep
