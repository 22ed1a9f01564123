// Whole pictures, read back as XML by a small Python script: the step picture of ordinary and
// degenerate steps, the point history chart and its values.
#include "writers/draw/plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/model/locate.h"
#include "support/draw.h"
#include "support/files.h"
#include "support/io_harness.h"
#include "support/scratch.h"
#include "support/store_builder.h"

namespace seep {
namespace {

using test::ElementRow;
using test::MakeStore;
using test::NodeRow;

// What the script saw in the picture; empty when it could not read it as XML.
std::string ReadBack(const std::string& svg) {
#ifdef _WIN32
  return "no python3";  // the Linux build reads the pictures back
#endif
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) return "no python3";
  test::WriteFile("picture.svg", svg);
  const std::string script = SEEPCONV_SOURCE_DIR "/tests/writers/draw/check_svg.py";
  if (std::system(("python3 " + script + " picture.svg > seen.txt 2> error.txt").c_str()) != 0) {
    ADD_FAILURE() << test::ReadFile("error.txt");
    return "";
  }
  return test::ReadFile("seen.txt");
}

bool Has(const std::string& seen, const std::string& line) {
  return seen.find(line + "\n") != std::string::npos;
}

// 4 × 2 quadrilaterals over [0, 8] × [0, 4], one of them inactive, P = 3 - 0.25 x - y: a phreatic line
// from (0, 3) down to (8, 1).
Store Section(std::string_view title = "Dam") {
  std::vector<NodeRow> nodes;
  for (int j = 0; j <= 2; ++j) {
    for (int i = 0; i <= 4; ++i) {
      const double x = 2.0 * i, y = 2.0 * j;
      nodes.push_back({x, y, 3.0 - 0.25 * x - y});
    }
  }
  std::vector<ElementRow> elements;
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 4; ++i) {
      const std::int32_t a = j * 5 + i + 1;
      elements.push_back({a, a + 1, a + 6, a + 5, 1, 1e-5 * (i + 1), -2e-6});
    }
  }
  elements[7].mat = 0;
  return MakeStore(nodes, elements, title, 3600.0, 3);
}

// Band area and outline area as the script measured them from the path data.
void ExpectBandsFillOutline(const std::string& seen) {
  const auto at = seen.find("area ");
  ASSERT_NE(at, std::string::npos);
  double band = 0.0, outline = 0.0;
  ASSERT_EQ(std::sscanf(seen.c_str() + at, "area %lf %lf", &band, &outline), 2);
  EXPECT_GT(outline, 0.0);
  EXPECT_NEAR(band, outline, 1e-3 * outline);
}

TEST(PlotPicture, StepWithTitleBandsLineAndColourBar) {
  test::Scratch dir(test::Scratch::kEnter);
  Store s = Section("Dam <A & B> \"1\" \xff\xfe caf\xc3\xa9   ");
  std::string svg;
  PlotWarnings warnings;
  test::DrawPicture(svg, s, PlotOptions{}, warnings);
  const std::string seen = ReadBack(svg);
  if (seen == "no python3") GTEST_SKIP() << "python3 is needed to read the picture back";
  EXPECT_TRUE(Has(seen,
                  "text Dam <A & B> \"1\" \xEF\xBF\xBD\xEF\xBF\xBD caf\xC3\xA9  \xE2\x80\x94  step 3, time "
                  "3600 (model units)"))
      << seen;
  EXPECT_TRUE(Has(seen, "text Total head"));  // the colour bar's title, its unit on a line of its own
  EXPECT_TRUE(Has(seen, "text (model units)"));
  EXPECT_TRUE(Has(seen, "path phreatic 2"));  // the line and its swatch beside the colour bar
  EXPECT_TRUE(Has(seen, "path outline 1"));
  EXPECT_TRUE(Has(seen, "text Phreatic line"));
  // Total head 3 - 0.25 x over 0 ... 8: 1 ... 3 in steps of 0.2, all labelled.
  for (const char* label : {"text 1", "text 1.2", "text 2.2", "text 3"})
    EXPECT_TRUE(Has(seen, label)) << label;
  ExpectBandsFillOutline(seen);
  EXPECT_EQ(warnings.nanNodes, 0);
  EXPECT_EQ(warnings.nanElements, 0);
  EXPECT_FALSE(warnings.noActiveElements);

  // The buffer is cleared for the next step, not appended to.
  const std::size_t size = svg.size();
  test::DrawPicture(svg, s, PlotOptions{}, warnings);
  EXPECT_EQ(svg.size(), size);
}

TEST(PlotPicture, DegenerateSteps) {
  test::Scratch dir(test::Scratch::kEnter);
  // One value everywhere: one band, no line.
  Store flat = Section();
  for (std::int32_t n = 1; n <= flat.NUMNP; ++n) flat.P(n) = 5.0;
  std::string svg;
  PlotWarnings warnings;
  test::DrawPicture(svg, flat, PlotOptions{PlotField::kPressureHead}, warnings);
  std::string seen = ReadBack(svg);
  if (seen == "no python3") GTEST_SKIP() << "python3 is needed to read the picture back";
  EXPECT_TRUE(Has(seen, "path band b0 1")) << seen;
  EXPECT_EQ(seen.find("band b1"), std::string::npos);
  EXPECT_EQ(seen.find("phreatic"), std::string::npos);
  ExpectBandsFillOutline(seen);

  // A value that is not finite: its elements blank, counted.
  Store nan = Section();
  nan.P(7) = std::numeric_limits<double>::quiet_NaN();  // corner of elements 1, 2, 5, 6
  test::DrawPicture(svg, nan, PlotOptions{}, warnings);
  EXPECT_EQ(warnings.nanNodes, 1);
  EXPECT_EQ(warnings.nanElements, 4);
  const std::string outline = ReadBack(svg);
  if (outline == "no python3") GTEST_SKIP() << "python3 is needed to read the picture back";
  EXPECT_TRUE(Has(outline, "path outline 1"));

  // No active element: a note instead of a section.
  Store none = Section();
  for (std::int32_t e = 1; e <= none.NUMEL; ++e) none.ELEM(e, kMAT) = 0;
  test::DrawPicture(svg, none, PlotOptions{}, warnings);
  EXPECT_TRUE(warnings.noActiveElements);
  const std::string note = ReadBack(svg);
  if (note == "no python3") GTEST_SKIP() << "python3 is needed to read the picture back";
  EXPECT_TRUE(Has(note, "text No active element in this step"));
}

TEST(PlotPicture, SpeedWithMeshAndArrows) {
  test::Scratch dir(test::Scratch::kEnter);
  Store s = Section();
  s.VXE(2) = std::numeric_limits<double>::infinity();
  std::string svg;
  PlotWarnings warnings;
  test::DrawPicture(svg, s, PlotOptions{PlotField::kSpeed, true, true}, warnings);
  const std::string seen = ReadBack(svg);
  if (seen == "no python3") GTEST_SKIP() << "python3 is needed to read the picture back";
  EXPECT_TRUE(Has(seen, "text Speed")) << seen;  // the colour bar's title, its scale and unit under it
  EXPECT_TRUE(Has(seen,
                  "text (\xC3\x97"
                  "10\xE2\x81\xBB\xE2\x81\xB6 model units)"))
      << seen;
  EXPECT_TRUE(Has(seen, "path mesh 1"));
  EXPECT_TRUE(Has(seen, "path arrow 1"));
  EXPECT_EQ(warnings.nanElements, 1);
  // Six finite elements, one arrow (two strokes) each at most.
  const std::size_t arrow = svg.find("class=\"arrow\"");
  ASSERT_NE(arrow, std::string::npos);
  const std::string d = svg.substr(arrow, svg.find("/>", arrow) - arrow);
  EXPECT_LE(std::count(d.begin(), d.end(), 'M'), 12);
}

// Damaged steps: values and coordinates that are not finite or far out of scale, corners outside the
// mesh. Every picture is still a whole document.
TEST(PlotPicture, HostileValuesGiveWholeDocuments) {
  const double specials[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             1e308,
                             -1e308,
                             1e-310,
                             0.0,
                             1e17};
  std::mt19937_64 random(3);
  for (int round = 0; round < 300; ++round) {
    Store s = Section();
    for (int k = 0; k < 4; ++k) {
      const double v = specials[random() % std::size(specials)];
      const auto n = static_cast<std::int32_t>(random() % s.NUMNP) + 1;
      const auto e = static_cast<std::int32_t>(random() % s.NUMEL) + 1;
      switch (random() % 5) {
        case 0:
          s.X(n) = v;
          break;
        case 1:
          s.Y(n) = v;
          break;
        case 2:
          s.P(n) = v;
          break;
        case 3:
          s.VXE(e) = v;
          break;
        default:
          s.ELEM(e, kI + static_cast<int>(random() % 4)) = static_cast<std::int32_t>(random() % 20) - 3;
      }
    }
    std::string svg;
    PlotWarnings warnings;
    test::DrawPicture(svg, s, PlotOptions{static_cast<PlotField>(round % 3), round % 2 == 0, true}, warnings);
    ASSERT_GE(svg.size(), 7u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_EQ(svg.find("nan"), std::string::npos) << svg;
  }
}

// Points in a mesh where P is linear (P = 1 + 0.5 x - 0.25 y + k): interpolation is exact, so the total
// head at (x, y) is 1 + 0.5 x + 0.75 y + k.
TEST(PlotHistory, ValuesPerPointAndStep) {
  test::Scratch dir(test::Scratch::kEnter);
  Store s = Section();
  s.NPT = 3;
  for (auto [x, y] : {std::pair{1.0, 0.5}, {5.5, 3.0}, {9.0, 1.0}}) {  // the third beside the mesh
    s.XP.PushBack(x);
    s.YP.PushBack(y);
  }
  LocatePoints(s);
  for (PlotField field : {PlotField::kTotalHead, PlotField::kPressureHead}) {
    HistoryChart chart;
    SetUpHistory(chart, s, field, {});
    EXPECT_EQ(PointsOutside(chart), std::vector<std::int32_t>{3});
    for (int k = 0; k < 3; ++k) {
      for (std::int32_t n = 1; n <= s.NUMNP; ++n) s.P(n) = 1.0 + 0.5 * s.X(n) - 0.25 * s.Y(n) + k;
      s.TIME = 100.0 * k;
      AddHistoryStep(chart, s);
    }
    ASSERT_EQ(chart.values.size(), 6u);
    for (int k = 0; k < 3; ++k) {
      for (int i = 0; i < 2; ++i) {
        const double x = s.XP(i + 1), y = s.YP(i + 1);
        const double h = 1.0 + 0.5 * x + 0.75 * y + k;
        EXPECT_NEAR(chart.values[k * 2 + i], field == PlotField::kTotalHead ? h : h - y, 1e-12);
      }
    }
    std::string svg;
    DrawHistoryChart(svg, chart, s);
    const std::string seen = ReadBack(svg);
    if (seen == "no python3") GTEST_SKIP() << "python3 is needed to read the chart back";
    EXPECT_TRUE(Has(seen, "text Point 1 (1, 0.5 model units)")) << seen;
    EXPECT_TRUE(Has(seen, "text Point 2 (5.5, 3 model units)"));
    EXPECT_TRUE(Has(seen, "text Left out, outside the mesh: point 3"));
    EXPECT_TRUE(Has(seen, "circles 6"));  // few steps: every value marked
  }

  // A single step is still seen; no point in the mesh gives a note.
  HistoryChart one;
  SetUpHistory(one, s, PlotField::kTotalHead, {});
  AddHistoryStep(one, s);
  std::string svg;
  DrawHistoryChart(svg, one, s);
  EXPECT_TRUE(Has(ReadBack(svg), "circles 2"));
  s.IPN(1, 1) = s.IPN(2, 1) = 0;
  SetUpHistory(one, s, PlotField::kTotalHead, {});
  DrawHistoryChart(svg, one, s);
  EXPECT_TRUE(Has(ReadBack(svg), "text No point lies in the mesh"));
}

}  // namespace
}  // namespace seep
