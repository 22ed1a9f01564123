// What a step picture may draw over its bands: flow lines (the flow net with the head bands as
// equipotentials), sections with the step's net flow rate through them, exit faces and bases.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/section_flux.h"
#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep::plot {

// Model coordinates to picture units: equal scale on both axes, y upward.
struct Placement {
  double x0 = 0.0, y1 = 0.0;  // model left and top
  double scale = 1.0;
  double left = 0.0, top = 0.0;
  double Px(double x) const { return left + (x - x0) * scale; }
  double Py(double y) const { return top + (y1 - y) * scale; }
};

// What drawing the flow lines found, for the warnings of the run.
struct FlowLineNotes {
  std::int64_t endedInside = 0;  // lines that end inside the mesh (not where water leaves it)
  bool fromVelocities = false;   // seeded from the element velocities: no node's Q shows inflow
};

// `count` flow lines of the current step as thin dark lines, each with a small arrow head at half its
// length; nothing when no water enters the mesh.
FlowLineNotes AppendFlowLines(std::string& svg, const Store& s, const ActiveTriangles& mesh, int count,
                              const Placement& at);

// Each section as a dashed line with its name and the step's net flow rate at its last point; cuts[k]
// is section k cut by the active mesh.
void AppendSections(std::string& svg, const Store& s, const std::vector<Section>& sections,
                    const std::vector<SectionCut>& cuts, const Placement& at);

// Exit faces as solid green lines and bases as solid purple ones, each with its name at its last point and
// a small arrow head there: an exit face's direction says which side is out (its left).
void AppendSafetyLines(std::string& svg, const std::vector<Section>& exits, const std::vector<Section>& bases,
                       const Placement& at);

}  // namespace seep::plot
