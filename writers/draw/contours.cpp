// Equipotential lines along the band edges of a field given at the nodes, labelled with their level.
#include <algorithm>
#include <cmath>

#include "core/io/number_text.h"
#include "writers/draw/overlays.h"
#include "writers/draw/svg.h"

namespace seep::plot {
namespace {

constexpr double kCharWidth = 7.2, kAscent = 11.0, kDescent = 4.0;
constexpr int kLabelsPerLevel = 2;

bool Overlap(const LabelBox& a, const LabelBox& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

}  // namespace

ContourLines TraceContours(const ActiveTriangles& mesh, const std::vector<double>& nodeValue,
                           const std::vector<double>& levels, const Placement& at) {
  ContourLines contours;
  contours.pieces.resize(levels.size());
  for (const MeshTriangle& t : mesh.triangles) {
    std::array<double, 3> v{};
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
      v[static_cast<std::size_t>(k)] =
          nodeValue[static_cast<std::size_t>(t.nodes[static_cast<std::size_t>(k)] - 1)];
      finite = finite && std::isfinite(v[static_cast<std::size_t>(k)]);
    }
    if (!finite) continue;
    for (std::size_t l = 0; l < levels.size(); ++l) {
      const double level = levels[l];
      // The points where the level crosses the triangle's edges (a corner above, the other not).
      std::array<Point, 2> ends{};
      int found = 0;
      for (int k = 0; k < 3 && found < 2; ++k) {
        const std::size_t a = static_cast<std::size_t>(k), b = static_cast<std::size_t>((k + 1) % 3);
        if ((v[a] > level) == (v[b] > level)) continue;
        const double f = (level - v[a]) / (v[b] - v[a]);
        const XY& pa = t.at[a];
        const XY& pb = t.at[b];
        ends[static_cast<std::size_t>(found++)] = {at.Px(pa.x + f * (pb.x - pa.x)),
                                                   at.Py(pa.y + f * (pb.y - pa.y))};
      }
      if (found == 2) contours.pieces[l].push_back(ends);
    }
  }
  return contours;
}

void AppendContourLines(std::string& svg, const ContourLines& contours) {
  std::string d;
  for (const auto& level : contours.pieces) {
    for (const auto& piece : level) {
      d += 'M';
      svg::AppendCoordinate(d, piece[0].x);
      d += ' ';
      svg::AppendCoordinate(d, piece[0].y);
      d += 'L';
      svg::AppendCoordinate(d, piece[1].x);
      d += ' ';
      svg::AppendCoordinate(d, piece[1].y);
    }
  }
  if (d.empty()) return;
  svg += "<path class=\"contour\" d=\"" + d + "\"/>\n";
}

void AppendContourLabels(std::string& svg, const ContourLines& contours,
                         const std::vector<std::string>& texts, const LabelBox& area,
                         std::vector<LabelBox>& taken, const std::vector<std::vector<Point>>& lines) {
  for (std::size_t l = 0; l < contours.pieces.size() && l < texts.size(); ++l) {
    const auto& pieces = contours.pieces[l];
    if (pieces.empty()) continue;
    // The pieces in order down the picture, then tried from the middle outward.
    std::vector<Point> mids;
    for (const auto& p : pieces) mids.push_back({0.5 * (p[0].x + p[1].x), 0.5 * (p[0].y + p[1].y)});
    std::sort(mids.begin(), mids.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    const double width = static_cast<double>(texts[l].size()) * kCharWidth + 4.0, height = kAscent + kDescent;
    int labelled = 0;
    const std::size_t n = mids.size();
    for (std::size_t step = 0; step < n && labelled < kLabelsPerLevel; ++step) {
      // 1/2, 1/4, 3/4, 1/8, ... of the way down, then every piece.
      const std::size_t k =
          step < 6 ? std::min(n - 1, n * std::array<std::size_t, 6>{4, 2, 6, 1, 3, 5}[step] / 8) : step;
      const LabelBox box{mids[k].x - 0.5 * width, mids[k].y - 0.5 * height, mids[k].x + 0.5 * width,
                         mids[k].y + 0.5 * height};
      if (box.x0 < area.x0 || box.x1 > area.x1 || box.y0 < area.y0 || box.y1 > area.y1) continue;
      const bool crosses = std::any_of(lines.begin(), lines.end(), [&](const std::vector<Point>& line) {
        for (std::size_t i = 1; i < line.size(); ++i) {
          if (CrossesBox(box, line[i - 1], line[i])) return true;
        }
        return false;
      });
      if (crosses ||
          std::any_of(taken.begin(), taken.end(), [&](const LabelBox& b) { return Overlap(box, b); }))
        continue;
      taken.push_back(box);
      ++labelled;
      for (const char* cls : {"mid halo", "mid clabel"}) {
        svg += "<text class=\"";
        svg += cls;
        svg += "\" x=\"";
        svg::AppendCoordinate(svg, mids[k].x);
        svg += "\" y=\"";
        svg::AppendCoordinate(svg, box.y1 - kDescent);
        svg += "\">";
        svg::AppendText(svg, texts[l]);
        svg += "</text>\n";
      }
    }
  }
}

}  // namespace seep::plot
