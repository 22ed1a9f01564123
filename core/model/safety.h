// The figures an engineer checks a seepage solution for safety with: the exit gradient along the ground
// where water leaves it, the uplift under a structure, and the water balance of the nodal flows.
//
// Exit faces and bases are polylines cut by the active mesh as sections are (CutSection); the gradient
// is the element's (HydraulicGradient) and the pressure head is interpolated in the sub-triangles that
// point location uses (WeightsIn), so every figure here agrees with those of `flux`, `info` and INTERP.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/model/measure.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep {

inline constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// What the safety figures ask of the active mesh besides its triangles, per node n at index n − 1.
struct MeshOutline {
  std::vector<std::uint8_t> active;  // a corner of an active element's triangle
  std::vector<std::uint8_t> corner;  // a corner of the boundary of the active mesh
  std::vector<double> size;          // length of the shortest triangle edge at the node
};

// A boundary node is a corner where the boundary of the active mesh turns: its two boundary edges are
// not on one line (the sine of the angle between them above 1e-6), or more or fewer than two edges of
// the boundary meet there.
MeshOutline OutlineActiveMesh(const Store& s, const ActiveTriangles& mesh);

// True when a corner of element e is a corner of the boundary of the active mesh.
bool TouchesCorner(const Store& s, const MeshOutline& outline, std::int32_t e);

// The exit gradient along a face: i_n = i · n, i = −∇H of each active element that the face runs
// along or through, n the unit normal to the LEFT of the face's direction from one point to the next,
// taken as outward: upward for ground drawn from left to right, so that water leaving the ground gives
// a positive gradient. A piece of the face on the edge between two active elements takes the mean of
// their two gradients.
struct ExitGradient {
  std::int32_t maxElement = 0;  // the element of the largest i_n; 0: no element of the face has one
  double maxGradient = kNotANumber;
  double maxX = kNotANumber, maxY = kNotANumber;  // that element's centre
  bool maxAtCorner = false;                       // the element touches a corner of the mesh's boundary
  double meanGradient = kNotANumber;              // Σ i_n ℓ / Σ ℓ over the pieces with a gradient
  double length = 0.0;                            // Σ ℓ of those pieces
  std::int64_t leftOut = 0;  // elements of the face without a gradient (a head that is not a number)
};

ExitGradient ExitGradientAlong(const Store& s, const SectionCut& cut, const MeshOutline& outline);

// The uplift along a base: U = γw ∫ P ds over the part of the line inside active elements, P the
// pressure head interpolated linearly in the element's sub-triangles (I, J, K) and (I, K, L) as INTERP
// interpolates it; it acts at s̄ = ∫ P s ds / ∫ P ds, s measured along the line from its first point.
// Negative pressure heads count as they are. Each part of the line inside one sub-triangle carries a
// linear P, so the trapezoid rule gives ∫ P ds and Simpson's rule ∫ P s ds exactly.
struct Uplift {
  double integralP = 0.0;       // ∫ P ds
  double force = 0.0;           // γw ∫ P ds
  double actsAt = kNotANumber;  // s̄; not a number when ∫ P ds is zero
  double lengthNegative = 0.0;  // length of the line where P < 0
  std::int64_t leftOut = 0;     // pieces without a pressure head (a head that is not a number)
};

Uplift UpliftAlong(const Store& s, const Section& base, const SectionCut& cut, double gammaW);

// The balance of the nodal flows Q over the nodes of active elements: inflow Σ Q > 0, outflow Σ Q < 0,
// net their sum, error |net| / inflow.
struct WaterBalance {
  double inflow = 0.0, outflow = 0.0, net = 0.0;
  double error = kNotANumber;  // not a number without inflow
  std::int64_t leftOut = 0;    // nodes whose Q is not a number
};

WaterBalance BalanceOfNodalFlows(const Store& s, const MeshOutline& outline);

// The nodes of active elements that lie on a polyline: within 1 % of the node's shortest edge of it.
std::vector<std::int32_t> NodesOnLine(const Store& s, const MeshOutline& outline,
                                      const std::vector<XY>& line);

// Σ Q of the nodes; Q that are not numbers left out.
double NodalFlowSum(const Store& s, const std::vector<std::int32_t>& nodes);

// The factor of safety against heave and piping, ic / i, where water leaves (i > 0); not a number
// where it does not, or without ic.
inline double FactorOfSafety(double ic, double i) {
  return i > 0.0 ? ic / i : kNotANumber;
}

// ---- The figures of a run: the lines, cut once, and one row of figures per step.

// γw when none is given: kN/m³, so that the uplift is in kN per metre when lengths are in m.
inline constexpr double kWaterUnitWeight = 9.81;

// The figures of one flow section in one step.
struct SectionBalance {
  double nodalQ = 0.0;  // Σ Q of the nodes on the section
  double flux = 0.0;    // the net flow rate across it, as `flux` gives it
};

struct SafetyRun {
  std::vector<Section> exits, uplifts, sections;
  double criticalGradient = kNotANumber;  // ic; not a number: none given, no factor of safety
  double gammaW = kWaterUnitWeight;
  MeasureUnits units{};  // the units the tables show (the rows keep the file's)

  // Made at set-up from the mesh.
  MeshOutline outline;
  std::vector<SectionCut> exitCuts, upliftCuts, sectionCuts;
  std::vector<std::vector<std::int32_t>> sectionNodes;

  // One row per selected step; the figures of row r, line k at r × (lines) + k.
  std::vector<std::int32_t> steps;
  std::vector<double> times;
  std::vector<ExitGradient> exitRows;
  std::vector<Uplift> upliftRows;
  std::vector<WaterBalance> balances;
  std::vector<SectionBalance> sectionRows;
};

// Cuts every line by the active mesh of the store (its header read).
void SetUpSafety(SafetyRun& run, const Store& s);
// The first exit face or base that lies wholly outside the active mesh, in words; empty when none.
std::string LineOutsideMesh(const SafetyRun& run);
// Adds the figures of the current step.
void AddSafetyStep(SafetyRun& run, const Store& s);

}  // namespace seep
