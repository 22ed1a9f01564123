// What a step picture may draw over its bands: flow lines (the flow net with the head bands as
// equipotentials), sections with the step's net flow rate through them, exit faces and bases.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/model/contours.h"
#include "core/model/measure.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"
#include "core/model/triangles.h"

namespace seep::plot {

// A box in picture units (y downward): a label's room.
struct LabelBox {
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
};

// Model coordinates to picture units: equal scale on both axes, y upward; the plot area that labels
// stay in.
struct Placement {
  double x0 = 0.0, y1 = 0.0;  // model left and top
  double scale = 1.0;
  double left = 0.0, top = 0.0;
  LabelBox area{};
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

// Each section as a dashed line with an arrow head at its end (its direction: "right" of the flow
// rates is to the right of it) and a label with its name and the step's net flow rate; cuts[k] is
// section k cut by the active mesh. Each label takes the first place beside its line, at its middle or
// further along, on either side, that stays in the plot area, clear of the boxes `taken` (which
// it joins), of the section lines and of the lines `clearOf` (picture units: the phreatic line); where
// every place crosses one of `clearOf`, the first clear of the rest; where none is, a numbered marker on
// the line stands for it and its text is returned for a legend ("1  NAME: q = ..."), one a line.
std::vector<std::string> AppendSections(std::string& svg, const Store& s,
                                        const std::vector<Section>& sections,
                                        const std::vector<SectionCut>& cuts, const Placement& at,
                                        const MeasureUnits& units, std::vector<LabelBox>& taken,
                                        const std::vector<std::vector<XY>>& clearOf = {});

// Whether the segment from p to q crosses the box.
bool CrossesBox(const LabelBox& box, XY p, XY q);

// Equipotential lines: the level crossings of a nodal field (LevelCrossings), in picture units.
struct ContourLines {
  LevelPieces pieces;  // per level
};
ContourLines TraceContours(const ActiveTriangles& mesh, const std::vector<double>& nodeValue,
                           const std::vector<double>& levels, const Placement& at);
// The lines, thin and dark, as one path.
void AppendContourLines(std::string& svg, const ContourLines& contours);
// Up to two labels a level (texts[l]), set on the line in the plot area, clear of the boxes `taken`
// (which they join) and of the `lines` (picture units: sections, the phreatic line); a level with no
// room keeps its line unlabelled.
void AppendContourLabels(std::string& svg, const ContourLines& contours,
                         const std::vector<std::string>& texts, const LabelBox& area,
                         std::vector<LabelBox>& taken, const std::vector<std::vector<XY>>& lines);

// Exit faces as solid green lines and bases as solid purple ones, each with its name at its last point and
// a small arrow head there: an exit face's direction says which side is out (its left).
void AppendSafetyLines(std::string& svg, const std::vector<Section>& exits, const std::vector<Section>& bases,
                       const Placement& at);

}  // namespace seep::plot
