// The flow rate per unit thickness across a section: a polyline through the mesh.
//
// q = Σ (v · n) ℓ over the pieces of the polyline inside active elements, v = (VXE, VYE) of the piece's
// element and n the unit normal to the right of the direction from one vertex of the polyline to the
// next. A piece along an edge between two active elements takes the mean of their velocities; on the
// edge of the active mesh the one element's. Elements are cut as the triangles (I, J, K) and (I, K, L);
// a piece on the diagonal I–K of a quadrilateral lies in one element and takes its velocity.
//
// The cut depends on the mesh alone, so it is made once (CutSection) and every step only sums its
// pieces (FlowAcross).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep {

struct Section {
  std::string name;
  std::vector<XY> points;  // two or more
};

// One piece of a section inside the active mesh: its element (and the second element when it lies
// on an edge between two), and its normal to the right scaled by its length, so that its flow is
// v · (nx, ny).
struct SectionPiece {
  std::int32_t element = 0;
  std::int32_t other = 0;  // 0: one element
  double nx = 0.0, ny = 0.0;
  double length = 0.0;
  double from = 0.0;  // distance along the polyline to the piece's start
};

struct SectionCut {
  std::vector<SectionPiece> pieces;
  double length = 0.0;   // the whole polyline
  double outside = 0.0;  // the part outside the active mesh (inactive elements included)
};

// Cuts a section by the triangles of the active mesh.
SectionCut CutSection(const ActiveTriangles& mesh, const Section& section);

// The flow across a section in the current step, in velocity unit × length unit per unit thickness.
struct SectionFlow {
  double right = 0.0;        // sum of the pieces' flows to the right (≥ 0)
  double left = 0.0;         // sum of the pieces' flows to the left (≤ 0)
  double net = 0.0;          // right + left
  std::int64_t skipped = 0;  // pieces left out: a velocity that is not finite
};

// q = Σ v · n ℓ for the current step's VXE, VYE.
SectionFlow FlowAcross(const Store& s, const SectionCut& cut);

}  // namespace seep
