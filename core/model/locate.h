// Point location in the mesh: the triangle that holds a point and the point's interpolation weights.
//
// The elements are split as the mesh's one split gives them (SplitElements, core/model/triangles.h),
// every element, active or not. A triangle (I, a, b) holds a point when the three areas of the point
// with (I, a), (a, b) and (b, I) are all zero or more, so points on edges and corners count as inside
// and only counterclockwise triangles can hold a point. Every area is half the orientation test Orient.
// A point belongs to the first element in element order that holds it, and within a quadrilateral to
// its first triangle that does.
//
// Triangles of zero area and triangles with a corner outside 1 ... NUMNP are passed over.
//
// Two searches give the same answer: the plain one tries every triangle in order; the binned one tries
// only the triangles that rounding can let pass the test at the point, with the same floating-point
// expressions, and takes the first in element order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep {

// Signed area of the triangle a, b, c: positive when the corners run counterclockwise, negative when
// clockwise, zero when they lie on one line.
inline double SignedArea(const XY& a, const XY& b, const XY& c) {
  return 0.5 * Orient(a, b, c);
}

// The triangle that holds a point: its element and sub-triangle, its corners (I, a, b) and their
// weights. Element 0: the point lies in no element, and nodes and weights are 0.
struct PointLocation {
  std::int32_t element = 0;
  std::int32_t part = 0;  // 1: (I, J, K), 2: (I, K, L)
  std::array<std::int32_t, 3> nodes{};
  std::array<double, 3> weights{};
};

// The test of one triangle: true when it has corners in the mesh and an area, and holds the point;
// then `at` receives its corners and the weights (A2 / A0, A3 / A0, A1 / A0).
bool HoldsPoint(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
                PointLocation& at);

// The weights of a point in triangle (I, a, b), by the areas of HoldsPoint, whether or not the
// triangle holds it: a point on an edge that rounding puts just outside keeps weights near 0 and 1.
// False when a corner lies outside the mesh or the triangle has no area.
bool WeightsIn(const Store& s, const std::array<std::int32_t, 3>& corners, double xp, double yp,
               PointLocation& at);

// Tries every triangle of `parts` (SplitElements) in order.
PointLocation LocatePointPlain(const std::vector<ElementPart>& parts, const Store& s, double xp, double yp);
// The same over the mesh split anew.
PointLocation LocatePointPlain(const Store& s, double xp, double yp);

// Triangles sorted into a uniform grid of bins over the mesh, each under every bin that its
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
  std::vector<ElementPart> parts;        // the mesh split, searched plainly
  std::vector<std::size_t> first;        // bin b holds entries[first[b], first[b + 1])
  std::vector<std::int32_t> entries;     // indices into parts, per bin, in element order
  std::vector<std::int32_t> everywhere;  // tried for every point, in element order
};

ElementBins BinElements(const Store& s);

// Same answer as LocatePointPlain, trying only the triangles of the point's bin and `everywhere`.
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
