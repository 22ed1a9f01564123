// Flow lines over a step picture.
#include <cmath>

#include "core/model/flow_lines.h"
#include "writers/draw/overlays.h"
#include "writers/draw/svg.h"

namespace seep::plot {
namespace {

void AppendPoint(std::string& svg, double x, double y) {
  svg::AppendCoordinate(svg, x);
  svg += ' ';
  svg::AppendCoordinate(svg, y);
}

// An arrow head at half the line's length, pointing along it: a filled triangle.
void AppendArrowHead(std::string& svg, const std::vector<XY>& line, const Placement& at) {
  double total = 0.0;
  for (std::size_t k = 1; k < line.size(); ++k) {
    total += std::hypot(at.Px(line[k].x) - at.Px(line[k - 1].x), at.Py(line[k].y) - at.Py(line[k - 1].y));
  }
  if (!(total > 12.0)) return;  // too short to carry an arrow in picture units
  double walked = 0.0;
  for (std::size_t k = 1; k < line.size(); ++k) {
    const double ax = at.Px(line[k - 1].x), ay = at.Py(line[k - 1].y);
    const double bx = at.Px(line[k].x), by = at.Py(line[k].y);
    const double piece = std::hypot(bx - ax, by - ay);
    if (walked + piece < 0.5 * total || piece == 0.0) {
      walked += piece;
      continue;
    }
    const double f = (0.5 * total - walked) / piece;
    const double ux = (bx - ax) / piece, uy = (by - ay) / piece;
    const double tipx = ax + f * (bx - ax) + 3.5 * ux, tipy = ay + f * (by - ay) + 3.5 * uy;
    svg += 'M';
    AppendPoint(svg, tipx, tipy);
    svg += 'L';
    AppendPoint(svg, tipx - 7.0 * ux - 3.0 * uy, tipy - 7.0 * uy + 3.0 * ux);
    svg += 'L';
    AppendPoint(svg, tipx - 7.0 * ux + 3.0 * uy, tipy - 7.0 * uy - 3.0 * ux);
    svg += 'z';
    return;
  }
}

}  // namespace

FlowLineNotes AppendFlowLines(std::string& svg, const Store& s, const ActiveTriangles& mesh, int count,
                              const Placement& at) {
  FlowLineSeeds seeds = FlowLineSeeds::kNodalFlow;
  const std::vector<FlowLine> lines = TraceFlowLines(s, mesh, count, &seeds);
  FlowLineNotes notes;
  notes.fromVelocities = seeds == FlowLineSeeds::kVelocities && !lines.empty();
  for (const FlowLine& line : lines) notes.endedInside += line.end != FlowLineEnd::kLeftMesh;
  if (lines.empty()) return notes;
  svg +=
      "<path class=\"flow-lines\" fill=\"none\" stroke=\"#1b1b1b\" stroke-width=\"0.9\" "
      "stroke-linejoin=\"round\" stroke-linecap=\"round\" d=\"";
  for (const FlowLine& line : lines) {
    if (line.points.size() < 2) continue;
    for (std::size_t k = 0; k < line.points.size(); ++k) {
      svg += k == 0 ? 'M' : 'L';
      AppendPoint(svg, at.Px(line.points[k].x), at.Py(line.points[k].y));
    }
  }
  svg += "\"/>\n<path class=\"flow-arrows\" fill=\"#1b1b1b\" d=\"";
  for (const FlowLine& line : lines) AppendArrowHead(svg, line.points, at);
  svg += "\"/>\n";
  return notes;
}

}  // namespace seep::plot
