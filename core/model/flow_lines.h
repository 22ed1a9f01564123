// Flow lines traced through the element velocities: the lines of a flow net.
//
// Seeds lie on the edges of the active mesh where water enters (the element's velocity points
// inward), at equal steps of the inflow, so that neighbouring lines enclose equal flow: with Q the
// whole inflow, line k of N starts where the inflow counted along the mesh's edge reaches
// (k − ½) Q / N. A line runs straight through each triangle of an element along the element's velocity
// (VXE, VYE) and goes on in the triangle it enters. It ends where it leaves the active mesh, where it
// enters an element whose velocity is zero or not finite, at an edge where the velocities on both
// sides point against each other, or after a budget of crossings proportional to the number of
// triangles: it never runs on forever.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep {

enum class FlowLineEnd {
  kLeftMesh,  // reached the edge of the active mesh
  kStill,     // entered an element whose velocity is zero or not finite
  kMeeting,   // reached an edge where the velocities on both sides point against each other
  kBudget,    // crossed as many triangles as the budget allows
};

struct FlowLine {
  std::vector<XY> points;  // from the seed on; a corner where the line enters another element
  FlowLineEnd end = FlowLineEnd::kLeftMesh;
};

// Crossings a line may make: this many per triangle of the mesh, and a few more.
inline constexpr std::int64_t kCrossingsPerTriangle = 2;

// The whole inflow through the edge of the active mesh in the current step (velocity × length per
// unit thickness), over the edges where the element's velocity is finite and points inward.
double BoundaryInflow(const Store& s, const ActiveTriangles& mesh);

// Traces `count` flow lines for the current step. Fewer (none) when no water enters the mesh.
std::vector<FlowLine> TraceFlowLines(const Store& s, const ActiveTriangles& mesh, int count);

}  // namespace seep
