// A small finite-element solver of steady two-dimensional Darcy flow, for the examples, the tests and
// the benchmark file: bilinear quadrilaterals and linear triangles, a permeability per material (kx, ky),
// inactive elements (material ≤ 0) as impermeable, fixed heads, seepage faces and, when asked, a free
// surface through a saturated–unsaturated relative permeability. It writes result files of the layout
// the converter reads. The standard library only; no part of the converter.
//
// The unknown is the total head H = P + Y at the nodes. Each element adds
//   K_e = ∫ Bᵀ kr(P) diag(kx, ky) B dA      (B = ∇N, 2 × 2 Gauss points on a quadrilateral)
// and the heads of the free nodes solve K_ff H_f = −K_fc H_c. The nodal flow Q_n = Σ_m K_nm H_m is the
// flow into the mesh at node n: the reaction of a fixed node, zero (to the solver's tolerance) elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace seepage {

struct Element {
  std::int32_t i = 0, j = 0, k = 0,
               l = 0;    // 1-based corners, counterclockwise; a triangle has L = K or L = 0
  std::int32_t mat = 1;  // material number; ≤ 0: inactive (impermeable)
};

struct Material {
  double kx = 1.0, ky = 1.0;  // saturated permeability along x and y
};

struct Mesh {
  std::vector<double> x, y;  // node n at (x[n − 1], y[n − 1])
  std::vector<Element> elements;
  std::vector<Material> materials;  // material m is materials[m − 1]
};

// What holds at a node in one state of the boundary.
enum Condition : std::int32_t {
  kNoFlow = 0,   // free node: no flow in or out
  kHead = 1,     // fixed total head
  kSeepage = 2,  // seepage face: P = 0 where water leaves, no flow where it would enter
};

struct Boundary {
  std::vector<std::int32_t> condition;  // per node
  std::vector<double> head;             // per node, for kHead
};

// Relative permeability of a pressure head P below zero: kr = (1 + P / range)³ for −range < P < 0, at
// least `least`, and 1 for P ≥ 0. Off (confined flow): kr = 1 everywhere. Water that flows in the
// unsaturated fringe adds about k · range / 4 per unit gradient to the discharge below the phreatic line.
struct Unsaturated {
  bool on = false;
  double range = 0.5;
  double least = 1.0e-3;
  // Weight of the new kr in each Picard pass (geometric mean with the old one).
  double relax = 0.6;
};

struct Settings {
  Unsaturated unsaturated;
  double tolerance = 1.0e-12;     // of the conjugate gradients, relative to the right-hand side
  double headTolerance = 1.0e-7;  // of the Picard iteration: largest change of H between passes
  int passes = 1000;              // Picard passes at most
};

struct Solution {
  std::vector<std::int32_t> ncode;  // the condition the node ends with: 0 free, 1 head, 2 seeping face
  std::vector<double> h, q;         // per node
  std::vector<double> vx, vy;       // per element: Darcy velocity at the centre (0 when inactive)
  int passes = 0;                   // Picard passes made
  long iterations = 0;              // conjugate-gradient iterations in all
  bool converged = false;
};

// Solves the steady state for one boundary. `start` (may be empty) is a guess of H, for example the
// solution of the step before.
Solution SolveSteady(const Mesh& mesh, const Boundary& boundary, const Settings& settings,
                     const std::vector<double>& start);

struct Step {
  std::int32_t number = 0;
  double time = 0.0;
  Solution solution;
};

// The word after `name` on a tool's command line (`--out R.DAT`), or `fallback` when it is not given.
const char* OptionText(int argc, char** argv, const char* name, const char* fallback);

// Writes the result file: title, nodes, elements (with kx of the material and a porosity of 0.3),
// then per step NCODE, P = H − Y and Q per node and VXE, VYE per element. False when it cannot be written.
bool WriteResultFile(const std::string& path, const std::string& title, const Mesh& mesh,
                     const std::vector<Step>& steps);

}  // namespace seepage
