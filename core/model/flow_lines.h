// Flow lines traced through the element velocities: the lines of a flow net.
//
// Seeds lie where water enters, at equal steps of the inflow, so that neighbouring lines enclose equal
// flow: with Q the whole inflow, line k of N starts where the inflow counted along the mesh's edge
// reaches (k − ½) Q / N. The inflow is the file's nodal flow Q where it shows any (nodes with a boundary
// code and Q > 0, each node's flow spread over the halves of its edges on the rim that join it to
// another such node); otherwise the element velocities across the rim (v · inward normal × length).
//
// A line runs straight through each triangle of an element along the element's velocity (VXE, VYE) and
// goes on in the triangle it enters. At an edge where the velocities on both sides point into it, and,
// when the nodal flows are known, at an edge of the mesh that no water leaves through (no node of it
// with Q < 0), it slides along the edge in the direction of the velocity there, and from the corner it
// reaches goes on into the element whose velocity points into it (or along the next such edge). It
// ends where it leaves the active mesh (through an outflow face when the nodal flows are known), in an
// element whose velocity is zero or not finite, where sliding finds no way on, or after a budget of
// crossings proportional to the number of triangles: it never runs on forever.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep {

enum class FlowLineEnd {
  kLeftMesh,  // left the active mesh (through an outflow face when the nodal flows are known)
  kStill,     // entered an element whose velocity is zero or not finite
  kMeeting,   // reached an edge where the velocities on both sides point against each other, and no
              // way on along it
  kBudget,    // crossed as many triangles as the budget allows
};

// Where the seeds came from.
enum class FlowLineSeeds {
  kNodalFlow,   // the nodal flows Q of nodes with a boundary code
  kVelocities,  // no node shows inflow: the element velocities across the rim
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

// Traces `count` flow lines for the current step. Fewer (none) when no water enters the mesh. `seeds`,
// when given, receives where the seeds came from.
std::vector<FlowLine> TraceFlowLines(const Store& s, const ActiveTriangles& mesh, int count,
                                     FlowLineSeeds* seeds = nullptr);

}  // namespace seep
