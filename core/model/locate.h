// Point location in the mesh: the triangle that holds a point and the point's interpolation weights.
//
// Every element is split into sub-triangles fanned from its first corner: a triangle (K = L or L = 0)
// gives (I, J, K), a quadrilateral gives (I, J, K) and then (I, K, L). A sub-triangle (I, a, b) holds a
// point when the three areas PTAREA(point, I, a), PTAREA(point, a, b) and PTAREA(point, b, I) are all
// zero or more, so points on edges and corners count as inside and only counterclockwise
// sub-triangles can hold a point. A point belongs to the first element in element order that holds it,
// and within a quadrilateral to its first sub-triangle that does.
//
// Sub-triangles of zero area and sub-triangles with a corner outside 1 ... NUMNP are passed over.
//
// Two searches give the same answer: the plain one tries every sub-triangle in order; the binned one
// tries only the sub-triangles that rounding can let pass the test at the point, with the same
// floating-point expressions, and takes the first in element order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/model/store.h"

namespace seep {

// Signed area of the triangle (x1, y1), (x2, y2), (x3, y3): positive when the corners run
// counterclockwise, negative when clockwise, zero when they lie on one line.
inline double PTAREA(double x1, double y1, double x2, double y2, double x3, double y3) {
  return ((x2 - x1) * (y3 - y1) - (x1 - x3) * (y1 - y2)) * 0.5;
}

// The triangle that holds a point: its element and sub-triangle, its corners (I, a, b) and their
// weights. Element 0: the point lies in no element, and nodes and weights are 0.
struct PointLocation {
  std::int32_t element = 0;
  std::int32_t part = 0;  // 1: (I, J, K), 2: (I, K, L)
  std::array<std::int32_t, 3> nodes{};
  std::array<double, 3> weights{};
};

// One sub-triangle of an element.
struct SubTriangle {
  std::int32_t element;
  std::int32_t part;
};

// Number of sub-triangles of element e: 1 for a triangle, 2 for a quadrilateral.
inline int CountSubTriangles(const Store& s, std::int32_t e) {
  return IsTriangle(s, e) ? 1 : 2;
}

// Corners (I, a, b) of sub-triangle `part` of element e.
inline std::array<std::int32_t, 3> SubTriangleCorners(const Store& s, std::int32_t e, std::int32_t part) {
  if (part == 1) return {s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK)};
  return {s.ELEM(e, kI), s.ELEM(e, kK), s.ELEM(e, kL)};
}

// The test of one sub-triangle: true when it has corners in the mesh and an area, and holds the point;
// then `at` receives its corners and the weights (A2 / A0, A3 / A0, A1 / A0).
bool HoldsPoint(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
                PointLocation& at);

// The weights of a point in sub-triangle (I, a, b), by the areas of HoldsPoint, whether or not the
// sub-triangle holds it: a point on an edge that rounding puts just outside keeps weights near 0 and 1.
// False when a corner lies outside the mesh or the sub-triangle has no area.
bool WeightsIn(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
               PointLocation& at);

// Tries every sub-triangle of every element in element order.
PointLocation LocatePointPlain(const Store& s, double xp, double yp);

// Sub-triangles sorted into a uniform grid of bins over the mesh, each under every bin that its
// bounding box, widened by a bound on the rounding of the area test, touches. Plain data; built by
// BinElements for one mesh.
struct ElementBins {
  bool usable = false;  // false: every point is searched plainly
  // Points inside this box use the bins; the rounding bound holds only for them. Others are searched
  // plainly.
  double rx0 = 0.0, rx1 = 0.0, ry0 = 0.0, ry1 = 0.0;
  // The grid covers the mesh's bounding box; the outermost bins reach on to infinity.
  double gx0 = 0.0, gy0 = 0.0, invx = 0.0, invy = 0.0;
  std::int32_t nx = 0, ny = 0;
  std::vector<std::size_t> first;       // bin b holds entries[first[b], first[b + 1])
  std::vector<SubTriangle> entries;     // per bin, in element order
  std::vector<SubTriangle> everywhere;  // tried for every point, in element order
};

ElementBins BinElements(const Store& s);

// Same answer as LocatePointPlain, trying only the sub-triangles of the point's bin and `everywhere`.
PointLocation LocatePoint(const ElementBins& bins, const Store& s, double xp, double yp);

// Fills IPN and WPN for points 1 ... NPT; a point in no element keeps zeros.
void LocatePoints(Store& s);

// Total head P + Y at node n; a point in no element has node number 0 and weight 0 and takes nothing.
inline double NodeTotalHead(const Store& s, std::int32_t n) {
  return IsNode(s, n) ? s.P(n) + s.Y(n) : 0.0;
}

// Total head at point i of the current step, interpolated with its weights in the triangle that holds
// it; its pressure head is this less YP(i).
inline double PointTotalHead(const Store& s, std::int32_t i) {
  return (NodeTotalHead(s, s.IPN(i, 1)) * s.WPN(i, 1) + NodeTotalHead(s, s.IPN(i, 2)) * s.WPN(i, 2)) +
         NodeTotalHead(s, s.IPN(i, 3)) * s.WPN(i, 3);
}

}  // namespace seep
