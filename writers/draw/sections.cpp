// Sections over a step picture, each with its name and the step's net flow rate; exit faces and bases.
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <tuple>

#include "writers/draw/overlays.h"
#include "writers/draw/svg.h"

namespace seep::plot {

namespace {

// An arrow head at the end of a polyline, along its last segment, as path data: two short strokes back
// from the last point, so that the line's direction reads on the picture. Empty for a last segment of
// no length.
std::string ArrowHead(const std::vector<XY>& points, const Placement& at) {
  std::string d;
  const XY& a = points[points.size() - 2];
  const XY& b = points.back();
  const double ux = at.Px(b.x) - at.Px(a.x), uy = at.Py(b.y) - at.Py(a.y);
  const double length = std::hypot(ux, uy);
  if (!(length > 0.0)) return d;
  const double cx = ux / length * 9.0, cy = uy / length * 9.0;
  for (const double side : {1.0, -1.0}) {
    d += d.empty() ? "M" : " M";
    svg::AppendCoordinate(d, at.Px(b.x) - cx - side * 0.5 * cy);
    d += ' ';
    svg::AppendCoordinate(d, at.Py(b.y) - cy + side * 0.5 * cx);
    d += 'L';
    svg::AppendCoordinate(d, at.Px(b.x));
    d += ' ';
    svg::AppendCoordinate(d, at.Py(b.y));
  }
  return d;
}

}  // namespace

void AppendSections(std::string& svg, const Store& s, const std::vector<Section>& sections,
                    const std::vector<SectionCut>& cuts, const Placement& at) {
  if (sections.empty()) return;
  svg += "<g class=\"sections\">\n";
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const Section& section = sections[k];
    if (section.points.size() < 2) continue;
    const SectionFlow flow = FlowAcross(s, cuts[k]);
    std::string d;
    for (std::size_t i = 0; i < section.points.size(); ++i) {
      d += i == 0 ? 'M' : 'L';
      svg::AppendCoordinate(d, at.Px(section.points[i].x));
      d += ' ';
      svg::AppendCoordinate(d, at.Py(section.points[i].y));
    }
    svg += "<path fill=\"none\" stroke=\"#fff\" stroke-width=\"4.5\" stroke-linecap=\"round\" d=\"" + d +
           "\"/>\n";
    svg +=
        "<path fill=\"none\" stroke=\"#d55e00\" stroke-width=\"2.2\" stroke-dasharray=\"7 3\" "
        "stroke-linecap=\"round\" d=\"" +
        d + "\"/>\n";
    // The direction, which gives the sign of q: a solid arrow head at the end.
    if (const std::string arrow = ArrowHead(section.points, at); !arrow.empty()) {
      svg += "<path fill=\"none\" stroke=\"#d55e00\" stroke-width=\"2.2\" stroke-linecap=\"round\" d=\"" +
             arrow + "\"/>\n";
    }
    // The label above the last point: "NAME: q = NET", the flow in four significant digits.
    std::string label = section.name + ": q = ";
    char digits[32];
    label.append(digits,
                 std::to_chars(digits, digits + sizeof digits, flow.net, std::chars_format::general, 4).ptr);
    const XY& end = section.points.back();
    svg += "<text class=\"mid\" x=\"";
    svg::AppendCoordinate(svg, at.Px(end.x));
    svg += "\" y=\"";
    svg::AppendCoordinate(svg, at.Py(end.y) - 6.0);
    svg += "\" stroke=\"#fff\" stroke-width=\"3\" paint-order=\"stroke\" fill=\"#8a3200\">";
    svg::AppendText(svg, label);
    svg += "</text>\n";
  }
  svg += "</g>\n";
}

void AppendSafetyLines(std::string& svg, const std::vector<Section>& exits, const std::vector<Section>& bases,
                       const Placement& at) {
  if (exits.empty() && bases.empty()) return;
  svg += "<g class=\"safety-lines\">\n";
  for (const auto& [lines, colour, prefix] :
       {std::tuple{&exits, "#009e73", "exit "}, std::tuple{&bases, "#cc79a7", "base "}}) {
    for (const Section& line : *lines) {
      if (line.points.size() < 2) continue;
      std::string d;
      for (std::size_t i = 0; i < line.points.size(); ++i) {
        d += i == 0 ? 'M' : 'L';
        svg::AppendCoordinate(d, at.Px(line.points[i].x));
        d += ' ';
        svg::AppendCoordinate(d, at.Py(line.points[i].y));
      }
      if (const std::string arrow = ArrowHead(line.points, at); !arrow.empty()) d += ' ' + arrow;
      const XY& b = line.points.back();
      svg += "<path fill=\"none\" stroke=\"#fff\" stroke-width=\"5\" stroke-linecap=\"round\" d=\"" + d +
             "\"/>\n";
      svg += "<path fill=\"none\" stroke=\"" + std::string(colour) +
             "\" stroke-width=\"2.6\" stroke-linecap=\"round\" stroke-linejoin=\"round\" d=\"" + d + "\"/>\n";
      svg += "<text class=\"mid\" x=\"";
      svg::AppendCoordinate(svg, at.Px(b.x));
      svg += "\" y=\"";
      svg::AppendCoordinate(svg, at.Py(b.y) + 16.0);
      svg += "\" stroke=\"#fff\" stroke-width=\"3\" paint-order=\"stroke\" fill=\"" + std::string(colour) +
             "\">";
      svg::AppendText(svg, prefix + line.name);
      svg += "</text>\n";
    }
  }
  svg += "</g>\n";
}

}  // namespace seep::plot
