// Sections over a step picture, each with its name and the step's net flow rate.
#include <charconv>
#include <string_view>

#include "writers/draw/overlays.h"
#include "writers/draw/svg.h"

namespace seep::plot {

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

}  // namespace seep::plot
