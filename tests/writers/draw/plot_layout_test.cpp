// The layout of step pictures read back from the SVG text: the canvas takes the section's shape, the
// section fills the plot area, the colour bar is as tall as the plot; arrows keep a least length and stay
// inside the section; levels fixed for a run are the same in every picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/draw.h"
#include "support/store_builder.h"
#include "writers/draw/plot.h"

namespace seep {
namespace {

using test::ElementRow;
using test::NodeRow;

// nx × ny quadrilaterals over [0, w] × [0, h], P = 1 + x / w - y / h, every element moving at (vx, 0).
Store Rectangle(double w, double h, int nx, int ny, double vx = 0.0) {
  std::vector<NodeRow> nodes;
  for (int j = 0; j <= ny; ++j) {
    for (int i = 0; i <= nx; ++i) {
      const double x = w * i / nx, y = h * j / ny;
      nodes.push_back({x, y, 1.0 + x / w - y / h});
    }
  }
  std::vector<ElementRow> elements;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      const std::int32_t a = j * (nx + 1) + i + 1;
      elements.push_back({a, a + 1, a + nx + 2, a + nx + 1, 1, vx, 0.0});
    }
  }
  return test::MakeStore(nodes, elements, "Section", 60.0, 1);
}

// The number right after the first `marker` found after `from`; NaN when there is none.
double After(const std::string& svg, std::string_view marker, std::string_view from = "") {
  const std::size_t base = from.empty() ? 0 : svg.find(from);
  const std::size_t at = base == std::string::npos ? base : svg.find(marker, base);
  EXPECT_NE(at, std::string::npos) << marker;
  return at == std::string::npos ? NAN : std::strtod(svg.c_str() + at + marker.size(), nullptr);
}

// The loops of every path of a class: "M x y" then relative "l dx dy …" steps, "z" closing.
std::vector<Polyline> Loops(const std::string& svg, const std::string& cls) {
  std::vector<Polyline> loops;
  const std::string head = "<path class=\"" + cls + "\" d=\"";
  for (std::size_t at = svg.find(head); at != std::string::npos; at = svg.find(head, at + 1)) {
    const char* p = svg.c_str() + at + head.size();
    XY pen{0.0, 0.0};
    while (*p != '"' && *p != '\0') {
      const char command = *p++;
      if (command == 'M') {
        char* end = nullptr;
        pen.x = std::strtod(p, &end);
        pen.y = std::strtod(end, &end);
        p = end;
        loops.push_back({pen});
      } else if (command == 'l') {
        while (*p != 'M' && *p != 'z' && *p != '"' && *p != '\0') {
          char* end = nullptr;
          const double dx = std::strtod(p, &end);
          const double dy = std::strtod(end, &end);
          p = end;
          pen = {pen.x + dx, pen.y + dy};
          loops.back().push_back(pen);
        }
      }
    }
  }
  return loops;
}

struct Extent {
  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
};

Extent ExtentOf(const std::vector<Polyline>& loops) {
  Extent e;
  for (const Polyline& l : loops) {
    for (const XY& p : l) {
      e.x0 = std::min(e.x0, p.x), e.x1 = std::max(e.x1, p.x);
      e.y0 = std::min(e.y0, p.y), e.y1 = std::max(e.y1, p.y);
    }
  }
  return e;
}

// The fixed room around the plot area, in picture units.
constexpr double kLeftRoom = 80.0, kRightRoom = 150.0, kTopRoom = 56.0, kBottomRoom = 56.0;
// How far the section may stay from the plot area's frame, as a share of the area's longer side.
constexpr double kGap = 0.025;

TEST(PlotLayout, CanvasTakesTheSectionsShape) {
  const struct {
    double w, h;
    bool fills;  // the section fills the plot area on all four sides (within kGap)
  } cases[] = {{10.0, 40.0, true}, {20.0, 20.0, true}, {40.0, 10.0, true}, {200.0, 10.0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
    Store s = Rectangle(c.w, c.h, 8, 8);
    std::string svg;
    PlotWarnings warnings;
    test::DrawPicture(svg, s, PlotOptions{}, warnings);
    const double width = After(svg, " width=\""), height = After(svg, " height=\"");
    // The axes run down the left of the plot area and along its bottom: M left top V bottom H right.
    const std::string axis = svg.substr(svg.find("class=\"axis\" d=\"M") + 17);
    char* end = nullptr;
    const double left = std::strtod(axis.c_str(), &end), top = std::strtod(end, &end);
    const double bottom = std::strtod(end + 1, &end), right = std::strtod(end + 1, &end);
    EXPECT_LE(left, kLeftRoom);
    EXPECT_LE(top, kTopRoom);
    EXPECT_LE(width - right, kRightRoom);
    EXPECT_LE(height - bottom, kBottomRoom);

    // The colour bar: from the plot's top to its bottom.
    const double barTop = After(svg, " y=\"", "class=\"swatch\"");
    const double barHeight = After(svg, " height=\"", "class=\"swatch\"");
    EXPECT_NEAR(barTop, top, 0.01);
    EXPECT_NEAR(barHeight, bottom - top, 0.01);

    // The section at one scale (its shape kept), centred, touching the frame within kGap.
    const Extent e = ExtentOf(Loops(svg, "outline"));
    EXPECT_NEAR((e.x1 - e.x0) / (e.y1 - e.y0), c.w / c.h, 0.01 * c.w / c.h);
    EXPECT_NEAR(e.x0 - left, right - e.x1, 0.02);
    EXPECT_NEAR(e.y0 - top, bottom - e.y1, 0.02);
    const double gap = kGap * std::max(right - left, bottom - top);
    EXPECT_LE(e.x0 - left, gap);
    if (c.fills) {
      EXPECT_LE(e.y0 - top, gap);
    } else {
      EXPECT_GE(bottom - top, 200.0);  // a very wide section keeps a colour bar of some height
    }
  }
}

// Every element moves to the right. The arrows of the last column would cross the section's right edge
// at full length; the slow column's arrows would be dots. Both keep a least length and stay inside.
TEST(PlotLayout, ArrowsHaveALeastLengthAndStayInside) {
  Store s = Rectangle(20.0, 20.0, 40, 40, 1e-4);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if ((e - 1) % 40 < 20) s.VXE(e) = 1e-10;  // the left half barely moves
  }
  std::string svg;
  PlotWarnings warnings;
  test::DrawPicture(svg, s, PlotOptions{PlotField::kTotalHead, false, true}, warnings);
  const Extent section = ExtentOf(Loops(svg, "outline"));
  const std::vector<Polyline> arrows = Loops(svg, "arrow");
  ASSERT_GT(arrows.size(), 100u);
  double shortest = INFINITY, longest = 0.0;
  for (const Polyline& a : arrows) {
    ASSERT_EQ(a.size(), 7u);  // shaft and head: tail corners 0 and 6, tip 3
    const XY tail{(a[0].x + a[6].x) / 2, (a[0].y + a[6].y) / 2};
    const double length = std::hypot(a[3].x - tail.x, a[3].y - tail.y);
    shortest = std::min(shortest, length);
    longest = std::max(longest, length);
    for (const XY& p : a) {
      EXPECT_GE(p.x, section.x0 - 0.01);
      EXPECT_LE(p.x, section.x1 + 0.01);
      EXPECT_GE(p.y, section.y0 - 0.01);
      EXPECT_LE(p.y, section.y1 + 0.01);
    }
  }
  EXPECT_NEAR(shortest, 8.0, 0.05);
  EXPECT_GT(longest, 20.0);
}

// A run's levels: the same in every picture and spanning the run's range, whatever each step holds.
TEST(PlotLayout, LevelsFixedForARun) {
  Store s = Rectangle(20.0, 10.0, 4, 4);
  StepPictureParts parts;
  PlotWarnings warnings;
  PlotOptions own, fixed;
  fixed.levels = LevelRange{0.0, 6.0};
  std::vector<std::vector<double>> ownLevels, fixedLevels;
  for (double k : {1.0, 3.0}) {
    for (std::int32_t n = 1; n <= s.NUMNP; ++n)
      s.P(n) = k * (1.0 + s.X(n) / 20.0) - s.Y(n);  // H = k (1 + x/20)
    DrawStepPictureParts(parts, s, PictureMeshOf(s, own), own, true, warnings);
    ownLevels.push_back(parts.levels.values);
    EXPECT_LE(parts.levels.values.front(), k);
    EXPECT_GE(parts.levels.values.back(), 2.0 * k);
    DrawStepPictureParts(parts, s, PictureMeshOf(s, fixed), fixed, true, warnings);
    fixedLevels.push_back(parts.levels.values);
  }
  EXPECT_NE(ownLevels[0], ownLevels[1]);
  EXPECT_EQ(fixedLevels[0], fixedLevels[1]);
  EXPECT_LE(fixedLevels[0].front(), 0.0);
  EXPECT_GE(fixedLevels[0].back(), 6.0);
  EXPECT_GE(fixedLevels[0].size(), 8u);
}

}  // namespace
}  // namespace seep
