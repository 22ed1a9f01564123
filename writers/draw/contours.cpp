// Equipotential lines along the band edges of a field given at the nodes, labelled with their level.
#include "core/model/contours.h"

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
  contours.pieces = LevelCrossings(mesh, nodeValue, levels);
  for (auto& level : contours.pieces) {
    for (auto& piece : level) {
      for (XY& p : piece) p = {at.Px(p.x), at.Py(p.y)};
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
                         std::vector<LabelBox>& taken, const std::vector<std::vector<XY>>& lines) {
  for (std::size_t l = 0; l < contours.pieces.size() && l < texts.size(); ++l) {
    const auto& pieces = contours.pieces[l];
    if (pieces.empty()) continue;
    // The pieces in order down the picture, then tried from the middle outward.
    std::vector<XY> mids;
    for (const auto& p : pieces) mids.push_back({0.5 * (p[0].x + p[1].x), 0.5 * (p[0].y + p[1].y)});
    std::sort(mids.begin(), mids.end(), [](const XY& a, const XY& b) { return a.y < b.y; });
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
      const bool crosses = std::any_of(lines.begin(), lines.end(), [&](const std::vector<XY>& line) {
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
