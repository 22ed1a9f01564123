// Section labels read back from the picture: every label box inside the plot area and clear of every
// other, however close the sections lie; a numbered marker and a legend line where no place is left.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/draw.h"
#include "support/store_builder.h"

namespace seep {
namespace {

struct Box {
  double x0, y0, x1, y1;
};

// The boxes of the section labels (class "label", anchored in the middle), as wide as their
// characters at the widest glyph of 12-pixel type that the labels take, from baseline-11 to baseline+4.
std::vector<Box> LabelBoxes(const std::string& svg, const std::string& cls = "label") {
  std::vector<Box> boxes;
  const std::regex text(R"re(<text class="mid (c?label)" x="([-0-9.]+)" y="([-0-9.]+)">([^<]*)</text>)re");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator(); ++it) {
    if ((*it)[1] != cls && cls != "any") continue;
    const double x = std::stod((*it)[2]), y = std::stod((*it)[3]);
    std::size_t chars = 0;
    for (char c : (*it)[4].str()) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    const double half = 0.5 * 7.2 * static_cast<double>(chars);
    boxes.push_back({x - half, y - 11.0, x + half, y + 4.0});
  }
  return boxes;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The plot area: the axes' path starts at its top left corner and runs down and right.
Box PlotArea(const std::string& svg) {
  std::smatch m;
  const std::regex axis(R"re(<path class="axis" d="M([-0-9.]+) ([-0-9.]+)V([-0-9.]+)H([-0-9.]+))re");
  EXPECT_TRUE(std::regex_search(svg, m, axis));
  return {std::stod(m[1]), std::stod(m[2]), std::stod(m[4]), std::stod(m[3])};
}

// 10 × 4 quadrilaterals over [0, 10] × [0, 4], flow to the right.
Store Channel() {
  std::vector<test::NodeRow> nodes;
  for (int j = 0; j <= 4; ++j) {
    for (int i = 0; i <= 10; ++i) nodes.push_back({1.0 * i, 1.0 * j, 5.0 - 0.3 * i - j});
  }
  std::vector<test::ElementRow> elements;
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 10; ++i) {
      const std::int32_t a = j * 11 + i + 1;
      elements.push_back({a, a + 1, a + 12, a + 11, 1, 1.5e-4, 0.0});
    }
  }
  return test::MakeStore(nodes, elements, "Channel", 60.0, 1);
}

TEST(SectionLabels, ClearOfEachOtherAndInsideThePlot) {
  struct Case {
    std::string what;
    std::vector<Section> sections;
    bool crowded;  // some labels can only be markers
  };
  std::vector<Case> cases = {
      {"either side of a pile",
       {{"Left of pile", {{4.8, 0}, {4.8, 4}}},
        {"Right of pile", {{5.2, 0}, {5.2, 4}}},
        {"Downstream", {{0, 0.5}, {10, 0.5}}}},
       false},
      {"at the edge of the plot",
       {{"Upstream face", {{0, 0}, {0, 4}}}, {"Downstream face", {{10, 0}, {10, 4}}}},
       false},
  };
  // Ten short sections side by side: some labels can only be markers.
  Case crowded{"ten short sections", {}, true};
  for (int k = 0; k < 10; ++k) {
    const double x = 0.5 + k;
    crowded.sections.push_back({"Section number " + std::to_string(k + 1), {{x, 1.0}, {x, 1.6}}});
  }
  cases.push_back(crowded);
  for (const Case& c : cases) {
    Store s = Channel();
    PlotOptions options;
    options.sections = c.sections;
    std::string svg;
    PlotWarnings warnings;
    test::DrawPicture(svg, s, options, warnings);
    const std::vector<Box> boxes = LabelBoxes(svg);
    const Box area = PlotArea(svg);
    const std::size_t markers = Count(svg, "<circle class=\"marker\"");
    // A label or a marker's number each, but for a section with no room even for a marker (legend "–").
    EXPECT_EQ(boxes.size() + Count(svg, ">\xE2\x80\x93  Section number "), c.sections.size()) << c.what;
    EXPECT_EQ(markers > 0, c.crowded) << c.what;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const Box& a = boxes[i];
      EXPECT_TRUE(a.x0 >= area.x0 && a.x1 <= area.x1 && a.y0 >= area.y0 && a.y1 <= area.y1)
          << c.what << ": label " << i << " leaves the plot";
      for (std::size_t j = i + 1; j < boxes.size(); ++j) {
        const Box& b = boxes[j];
        EXPECT_FALSE(a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1)
            << c.what << ": labels " << i << " and " << j << " overlap";
      }
    }
    // Every marker's text is in the legend under the plot, numbered as the marker.
    for (std::size_t k = 1; k <= markers; ++k) {
      EXPECT_NE(svg.find(">" + std::to_string(k) + "  Section number "), std::string::npos) << c.what;
    }
    // An arrow head at the end of every section.
    EXPECT_EQ(Count(svg, "<path fill=\"#d55e00\""), c.sections.size()) << c.what;
  }
}

// A section label keeps clear of the phreatic line where a place beside its line allows: over the middle
// of this level section, drawn right to left, the first place lies across the line (y = 5 - 0.3 x), so the
// label goes under it.
TEST(SectionLabels, ClearOfThePhreaticLineWhereThereIsRoom) {
  Store s = Channel();  // P = 5 - 0.3 x - y
  PlotOptions options;
  options.sections = {{"Level", {{9, 2.8}, {3, 2.8}}}};
  std::string svg;
  PlotWarnings warnings;
  test::DrawPicture(svg, s, options, warnings);
  const std::vector<Box> boxes = LabelBoxes(svg);
  ASSERT_EQ(boxes.size(), 1u);
  std::smatch m;
  ASSERT_TRUE(
      std::regex_search(svg, m, std::regex(R"re(stroke-dasharray="7 3"[^>]*d="M[-0-9.]+ ([-0-9.]+)L)re")));
  EXPECT_GT(boxes[0].y0, std::stod(m[1]));  // y downward: under the section
}

bool AnyOverlap(const std::vector<Box>& boxes) {
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    for (std::size_t j = i + 1; j < boxes.size(); ++j) {
      const Box &a = boxes[i], &b = boxes[j];
      if (a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1) return true;
    }
  }
  return false;
}

TEST(ContourLabels, OnTheirLinesClearOfSectionLabels) {
  Store s = Channel();  // H = 5 - 0.3 x: equipotentials upright at x = (5 - H) / 0.3
  PlotOptions options;
  options.userLevels = {2.0, 2.5, 3.0, 3.5, 4.0, 4.5, 5.0};
  options.contourLabels = true;
  options.sections = {{"Across", {{0, 2}, {10, 2}}}};
  std::string svg;
  PlotWarnings warnings;
  test::DrawPicture(svg, s, options, warnings);
  const std::vector<Box> labels = LabelBoxes(svg, "clabel");
  EXPECT_GE(labels.size(), 5u);  // the inner levels 2.5 ... 4.5, one or two labels each
  EXPECT_FALSE(AnyOverlap(LabelBoxes(svg, "any")));
  // Each label at its level's line: H = 3.0 at x = 6.67, at the plot's scale from the left of the axes.
  const Box area = PlotArea(svg);
  const double scale = (area.x1 - area.x0) / 10.4;  // the section padded by 2 % each side
  const std::regex three(R"re(<text class="mid clabel" x="([-0-9.]+)"[^>]*>3.0</text>)re");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, three)) << svg;
  EXPECT_NEAR(std::stod(m[1]), area.x0 + (0.2 + 2.0 / 0.3) * scale, 1.0);
  // The colour bar labelled at the levels given, in one notation.
  EXPECT_NE(svg.find(">2.0</text>"), std::string::npos);
  EXPECT_NE(svg.find(">4.5</text>"), std::string::npos);
}

TEST(ContourLabels, LevelsAndRangeAsTyped) {
  struct Case {
    std::string text;
    bool range;
    std::vector<double> values;  // empty: refused
  };
  const Case cases[] = {{"0:1:0.25", false, {0, 0.25, 0.5, 0.75, 1}},
                        {"1,2,5,10", false, {1, 2, 5, 10}},
                        {"0:0.3:0.1", false, {0, 0.1, 0.2, 0.30000000000000004}},
                        {"2,1", false, {}},
                        {"1", false, {}},
                        {"1:0:1", false, {}},
                        {"0:1:0", false, {}},
                        {"0:1e9:1", false, {}},
                        {"a,b", false, {}},
                        {"0:12.5", true, {0, 12.5}},
                        {"3:3", true, {}},
                        {"1:2:3", true, {}}};
  for (const Case& c : cases) {
    std::vector<double> values;
    std::string error;
    const bool ok = c.range ? ReadRange(c.text, values, error) : ReadLevels(c.text, values, error);
    EXPECT_EQ(ok, !c.values.empty()) << c.text;
    if (ok) {
      EXPECT_EQ(values, c.values) << c.text;
    }
  }
}

}  // namespace
}  // namespace seep
