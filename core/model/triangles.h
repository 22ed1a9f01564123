// The mesh as triangles: every element split once, fanned from its first corner, so that point
// location, the pictures and the quantities that follow lines through the mesh (flow across sections,
// flow lines) all see the same triangles. A triangle (K = L or L = 0) gives (I, J, K), a quadrilateral
// (I, J, K) and then (I, K, L).
//
// The active mesh keeps the triangles of the active elements, each turned counterclockwise, with its
// neighbour across each edge. Triangles with a corner outside 1 … NUMNP, a coordinate that is not finite
// or no area are left out there, so an edge next to one of them lies on the edge of the active mesh.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/model/store.h"

namespace seep {

// A point in model coordinates.
struct XY {
  double x = 0.0, y = 0.0;
};

// Twice the signed area of a, b, p: positive when p lies left of the direction from a to b, negative
// right of it, zero on the line. Every decision of which side a point lies on goes through this test.
inline double Orient(const XY& a, const XY& b, const XY& p) {
  return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

// Coordinates of node n.
inline XY NodeAt(const Store& s, std::int32_t n) {
  return {s.X(n), s.Y(n)};
}

// Number of triangles element e splits into: 1 for a triangle, 2 for a quadrilateral.
inline int CountSubTriangles(const Store& s, std::int32_t e) {
  return IsTriangle(s, e) ? 1 : 2;
}

// Corners (I, a, b) of triangle `part` of element e.
inline std::array<std::int32_t, 3> SubTriangleCorners(const Store& s, std::int32_t e, std::int32_t part) {
  if (part == 1) return {s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK)};
  return {s.ELEM(e, kI), s.ELEM(e, kK), s.ELEM(e, kL)};
}

// One triangle of an element, its corners (I, a, b) in the element's own turn.
struct ElementPart {
  std::int32_t element = 0;
  std::int32_t part = 0;  // 1: (I, J, K), 2: (I, K, L)
  std::array<std::int32_t, 3> nodes{};
};

// The triangles of every element, active or not, whose corners are all nodes, in element order and
// within an element in the order of their parts.
std::vector<ElementPart> SplitElements(const Store& s);

struct MeshTriangle {
  std::int32_t element = 0;
  std::array<std::int32_t, 3> nodes{};  // counterclockwise
  std::array<XY, 3> at{};               // their coordinates
  // Index of the triangle across the edge opposite corner k (from corner k + 1 to corner k + 2), or
  // -1 on the edge of the active mesh.
  std::array<std::int32_t, 3> neighbour{-1, -1, -1};
  // Bounding box.
  double x0 = 0.0, x1 = 0.0, y0 = 0.0, y1 = 0.0;
};

struct ActiveTriangles {
  std::vector<MeshTriangle> triangles;
};

// The active elements' triangles of SplitElements. The mesh and the materials are those of the header,
// so one split serves every step.
ActiveTriangles SplitActiveElements(const Store& s);

// A directed edge from node `from` to node `to`, one of a set to be followed into loops; `group` keeps
// sets apart (the bands of a picture, say).
struct LoopEdge {
  std::int32_t group, from, to;
};

// Follows edges sorted by group and then by `from` into loops: from the first edge not yet taken, on
// along the first edge not yet taken that leaves the node reached, until the loop comes back to its
// first node or no edge leaves. Each loop as the indices of its edges, in the order of the first edges.
// Every boundary loop of the model is followed here: the rim of the active mesh and the regions of the
// contours.
std::vector<std::vector<std::size_t>> FollowLoops(const std::vector<LoopEdge>& edges);

// An edge of the active mesh's rim: the edge opposite corner k of a triangle that has no neighbour
// there, counterclockwise around the mesh (clockwise around a hole).
struct Rim {
  std::int32_t triangle = 0;
  int k = 0;
};

// The rim's edges in order along each of its boundary loops, loop after loop (FollowLoops, the edges
// leaving a node in the order of their triangles): each loop starts at its node of the smallest number
// not yet walked, and each edge ends where the next begins.
std::vector<Rim> RimInOrder(const ActiveTriangles& mesh);

// Corner k + 1 and k + 2 of a triangle, the ends of the edge opposite corner k, counterclockwise.
inline const XY& EdgeStart(const MeshTriangle& t, int k) {
  return t.at[(k + 1) % 3];
}
inline const XY& EdgeEnd(const MeshTriangle& t, int k) {
  return t.at[(k + 2) % 3];
}

}  // namespace seep
