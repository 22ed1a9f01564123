// The active mesh as triangles, for the quantities that follow lines through it (flow across
// sections, flow lines): every active element split as the pictures and point location split it,
// (I, J, K) and for a quadrilateral (I, K, L), each triangle turned counterclockwise, with its
// neighbour across each edge.
//
// Triangles with a corner outside 1 … NUMNP, a coordinate that is not finite or no area are left out,
// so an edge next to one of them lies on the edge of the active mesh.
#pragma once

#include <array>
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

// Splits the active elements of the store. The mesh and the materials are those of the header, so one
// split serves every step.
ActiveTriangles SplitActiveElements(const Store& s);

// An edge of the active mesh's rim: the edge opposite corner k of a triangle that has no neighbour
// there, counterclockwise around the mesh (clockwise around a hole).
struct Rim {
  std::int32_t triangle = 0;
  int k = 0;
};

// The rim's edges in order along each of its boundary loops, loop after loop: each loop starts at its
// node of the smallest number not yet walked, and each edge ends where the next begins.
std::vector<Rim> RimInOrder(const ActiveTriangles& mesh);

// Corner k + 1 and k + 2 of a triangle, the ends of the edge opposite corner k, counterclockwise.
inline const XY& EdgeStart(const MeshTriangle& t, int k) {
  return t.at[(k + 1) % 3];
}
inline const XY& EdgeEnd(const MeshTriangle& t, int k) {
  return t.at[(k + 2) % 3];
}

}  // namespace seep
