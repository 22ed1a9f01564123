// Sections over a step picture, each with its name and the step's net flow rate, an arrow head at its
// end for its direction, and its label placed clear of every other label and inside the plot area.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <tuple>

#include "core/io/number_text.h"
#include "writers/draw/overlays.h"
#include "writers/draw/svg.h"

namespace seep::plot {
namespace {

// Section labels: 12-pixel type with a white halo. A character is taken as kCharWidth wide (DejaVu
// Sans' digits and letters are at most about 7.6 px at 12 px; most are narrower), so that a box holds
// its text.
constexpr double kCharWidth = 7.2, kAscent = 11.0, kDescent = 4.0, kGap = 5.0;
constexpr double kMarkerRadius = 8.0;
// Room kept between a label and a line it stays clear of: half the phreatic line's white casing and a
// pixel more.
constexpr double kLineRoom = 4.0;

// Characters of UTF-8 text.
double Characters(std::string_view text) {
  return static_cast<double>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool Overlap(const LabelBox& a, const LabelBox& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool Inside(const LabelBox& box, const LabelBox& area) {
  return box.x0 >= area.x0 && box.x1 <= area.x1 && box.y0 >= area.y0 && box.y1 <= area.y1;
}

// A point at share t of a polyline's length and the direction of its piece there.
struct AlongLine {
  XY at{}, direction{1.0, 0.0};
};

AlongLine PointAlong(const std::vector<XY>& line, double t) {
  double total = 0.0;
  for (std::size_t i = 1; i < line.size(); ++i)
    total += std::hypot(line[i].x - line[i - 1].x, line[i].y - line[i - 1].y);
  double rest = t * total;
  AlongLine along{line.back(), {1.0, 0.0}};
  for (std::size_t i = 1; i < line.size(); ++i) {
    const double dx = line[i].x - line[i - 1].x, dy = line[i].y - line[i - 1].y, d = std::hypot(dx, dy);
    if (!(d > 0.0)) continue;
    along.direction = {dx / d, dy / d};
    if (rest <= d) {
      along.at = {line[i - 1].x + dx * rest / d, line[i - 1].y + dy * rest / d};
      return along;
    }
    rest -= d;
  }
  return along;
}

// The box of a label `width` wide beside `along`, `side` (+1 or -1) along the line's normal, `away`
// picture units clear of the line; centred on the line for side 0.
LabelBox BoxBeside(const AlongLine& along, int side, double width, double height, double away) {
  const double nx = -along.direction.y * side, ny = along.direction.x * side;
  const double reach = 0.5 * width * std::fabs(nx) + 0.5 * height * std::fabs(ny);
  const double cx = along.at.x + nx * (reach + away), cy = along.at.y + ny * (reach + away);
  return {cx - 0.5 * width, cy - 0.5 * height, cx + 0.5 * width, cy + 0.5 * height};
}

// The first box among the candidates along each line that stays in the area, misses every box taken
// and (when `clearOfLines`) every one of `lines` by `room`; false when none does.
bool FindPlace(const std::vector<XY>& line, double width, double height, const LabelBox& area,
               const std::vector<LabelBox>& taken, const std::vector<std::vector<XY>>& lines,
               bool clearOfLines, LabelBox& found, bool wide = false, double room = 0.0) {
  static constexpr double kShares[] = {0.5, 0.35, 0.65, 0.2, 0.8, 1.0, 0.0, 0.1, 0.9};
  // Wide (for markers): also every twentieth of the line, on it and further off it on either side.
  std::vector<double> shares(std::begin(kShares), std::end(kShares));
  std::vector<std::pair<int, double>> placings{{1, kGap}, {-1, kGap}};
  if (wide) {
    for (int k = 0; k <= 20; ++k) shares.push_back(0.05 * k);
    placings.insert(placings.begin(), {0, 0.0});
    for (double away : {4.0 * kGap, 8.0 * kGap}) placings.insert(placings.end(), {{1, away}, {-1, away}});
  }
  for (double t : shares) {
    const AlongLine along = PointAlong(line, t);
    for (const auto& [side, away] : placings) {
      const LabelBox box = BoxBeside(along, side, width, height, away);
      if (!Inside(box, area)) continue;
      if (std::any_of(taken.begin(), taken.end(), [&](const LabelBox& b) { return Overlap(box, b); }))
        continue;
      bool crosses = false;
      const LabelBox clear{box.x0 - room, box.y0 - room, box.x1 + room, box.y1 + room};
      for (const auto& other : lines) {
        for (std::size_t i = 1; i < other.size() && !crosses && clearOfLines; ++i)
          crosses = CrossesBox(clear, other[i - 1], other[i]);
      }
      if (crosses) continue;
      found = box;
      return true;
    }
  }
  return false;
}

// A filled arrow head at the end of the line, pointing along its last piece.
void AppendEndArrow(std::string& svg, const std::vector<XY>& line) {
  const AlongLine end = PointAlong(line, 1.0);
  const double ux = end.direction.x, uy = end.direction.y, length = 11.0, wing = 5.0;
  const XY tip = end.at, neck{tip.x - length * ux, tip.y - length * uy};
  svg += "<path fill=\"#d55e00\" stroke=\"#fff\" stroke-width=\"0.8\" d=\"M";
  const XY corners[3] = {
      tip, {neck.x - wing * uy, neck.y + wing * ux}, {neck.x + wing * uy, neck.y - wing * ux}};
  for (int k = 0; k < 3; ++k) {
    if (k > 0) svg += 'L';
    svg::AppendCoordinate(svg, corners[k].x);
    svg += ' ';
    svg::AppendCoordinate(svg, corners[k].y);
  }
  svg += "z\"/>\n";
}

// The label over a white halo of its own outline, drawn first (a printer may not honour paint-order).
void AppendLabel(std::string& svg, const LabelBox& box, std::string_view text) {
  for (const char* cls : {"mid halo", "mid label"}) {
    svg += "<text class=\"";
    svg += cls;
    svg += "\" x=\"";
    svg::AppendCoordinate(svg, 0.5 * (box.x0 + box.x1));
    svg += "\" y=\"";
    svg::AppendCoordinate(svg, box.y1 - kDescent);
    svg += "\">";
    svg::AppendText(svg, text);
    svg += "</text>\n";
  }
}

}  // namespace

// Liang–Barsky clipping.
bool CrossesBox(const LabelBox& box, XY p, XY q) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = q.x - p.x, dy = q.y - p.y;
  const double edges[4][2] = {
      {-dx, p.x - box.x0}, {dx, box.x1 - p.x}, {-dy, p.y - box.y0}, {dy, box.y1 - p.y}};
  for (const auto& e : edges) {
    if (e[0] == 0.0) {
      if (e[1] < 0.0) return false;
      continue;
    }
    const double t = e[1] / e[0];
    if (e[0] < 0.0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

std::vector<std::string> AppendSections(std::string& svg, const Store& s,
                                        const std::vector<Section>& sections,
                                        const std::vector<SectionCut>& cuts, const Placement& at,
                                        const MeasureUnits& units, std::vector<LabelBox>& taken,
                                        const std::vector<std::vector<XY>>& clearOf) {
  std::vector<std::string> legend;
  if (sections.empty()) return legend;
  svg += "<g class=\"sections\">\n";
  std::vector<std::vector<XY>> lines;
  int markers = 0;
  for (const Section& section : sections) {
    std::vector<XY>& line = lines.emplace_back();
    for (const XY& p : section.points) line.push_back({at.Px(p.x), at.Py(p.y)});
  }
  for (std::size_t k = 0; k < sections.size(); ++k) {
    if (lines[k].size() < 2) continue;
    std::string d;
    for (std::size_t i = 0; i < lines[k].size(); ++i) {
      d += i == 0 ? 'M' : 'L';
      svg::AppendCoordinate(d, lines[k][i].x);
      d += ' ';
      svg::AppendCoordinate(d, lines[k][i].y);
    }
    svg += "<path fill=\"none\" stroke=\"#fff\" stroke-width=\"4.5\" stroke-linecap=\"round\" d=\"" + d +
           "\"/>\n";
    svg +=
        "<path fill=\"none\" stroke=\"#d55e00\" stroke-width=\"2.2\" stroke-dasharray=\"7 3\" "
        "stroke-linecap=\"round\" d=\"" +
        d + "\"/>\n";
    AppendEndArrow(svg, lines[k]);
  }
  // The labels, "NAME: q = NET unit" in four significant digits, in the order of the sections: beside
  // its line, clear of the other labels and of every line, also of the phreatic line where a place is;
  // then, for those left, a numbered marker on
  // or near the line with the text in the legend.
  std::vector<std::vector<XY>> linesAndClearOf = lines;
  linesAndClearOf.insert(linesAndClearOf.end(), clearOf.begin(), clearOf.end());
  std::vector<std::string> labels(sections.size());
  std::vector<char> placed(sections.size(), 0);
  for (std::size_t k = 0; k < sections.size(); ++k) {
    if (lines[k].size() < 2) continue;
    const SectionFlow flow = FlowAcross(s, cuts[k]);
    std::string& label = labels[k];
    label = sections[k].name + ": q = ";
    AppendNumberText(label, units.Show(Quantity::kFlow, flow.net), 4);
    label += units.stated ? " " + units.Name(Quantity::kFlow) : " (" + units.Name(Quantity::kFlow) + ")";
    const double width = Characters(label) * kCharWidth + 4.0, height = kAscent + kDescent;
    LabelBox box;
    if (FindPlace(lines[k], width, height, at.area, taken, linesAndClearOf, true, box, false, kLineRoom) ||
        FindPlace(lines[k], width, height, at.area, taken, lines, true, box)) {
      taken.push_back(box);
      AppendLabel(svg, box, label);
      placed[k] = 1;
    }
  }
  for (std::size_t k = 0; k < sections.size(); ++k) {
    if (lines[k].size() < 2 || placed[k]) continue;
    const double size = 2.0 * kMarkerRadius, height = kAscent + kDescent;
    LabelBox box;
    if (!FindPlace(lines[k], size, size, at.area, taken, {}, false, box, true)) {
      legend.push_back("\xE2\x80\x93  " + labels[k]);  // no room even for a marker
      continue;
    }
    const std::string number = std::to_string(++markers);
    taken.push_back(box);
    svg += "<circle class=\"marker\" r=\"8\" cx=\"";
    svg::AppendCoordinate(svg, 0.5 * (box.x0 + box.x1));
    svg += "\" cy=\"";
    svg::AppendCoordinate(svg, 0.5 * (box.y0 + box.y1));
    svg += "\"/>\n";
    AppendLabel(svg, {box.x0, box.y0, box.x1, box.y1 - 0.5 * (size - height)}, number);
    legend.push_back(number + "  " + labels[k]);
  }
  svg += "</g>\n";
  return legend;
}

namespace {

// A small open arrow head at the last point of a line, pointing along its last piece, as path data.
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
