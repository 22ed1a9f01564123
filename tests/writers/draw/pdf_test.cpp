// The PDF writer on a small drawing, read back by poppler: text where the SVG anchors it, upright
// text turned, superscripts raised, and a document that qpdf finds sound.
#include "writers/draw/pdf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "support/files.h"
#include "support/scratch.h"

namespace seep {
namespace {

constexpr const char* kDrawing =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"200\" viewBox=\"0 0 400 200\">\n"
    "<style>\ntext{font-size:12px;fill:#222}\n.mid{text-anchor:middle}.end{text-anchor:end}\n"
    ".mesh{fill:none;stroke:#000;stroke-opacity:0.35;stroke-width:0.35}\n</style>\n"
    "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n"
    "<path class=\"mesh\" d=\"M10 10l100 0 0 50z\"/>\n"
    "<path fill=\"none\" stroke=\"#d55e00\" stroke-dasharray=\"7 3\" d=\"M10 100H300V150\"/>\n"
    "<g class=\"mid\"><circle cx=\"50\" cy=\"50\" r=\"5\" fill=\"#fff\" stroke=\"#000\"/></g>\n"
    "<text class=\"mid\" x=\"200\" y=\"40\">Centred &amp; placed</text>\n"
    "<text class=\"end\" x=\"390\" y=\"80\">Ends here</text>\n"
    "<text class=\"mid\" transform=\"rotate(-90 18 100)\" x=\"18\" y=\"100\">Upright</text>\n"
    "<text x=\"20\" y=\"190\">Flow (\xC3\x97"
    "10\xE2\x81\xBB\xE2\x81\xB5 m\xC2\xB3/s/m)</text>\n"
    "</svg>\n";

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// The box of a word as pdftotext -bbox gives it, in points from the top left.
struct Word {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

Word Find(const std::string& bbox, const std::string& word) {
  const std::regex re("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">" +
                      word + "</word>");
  std::smatch m;
  if (!std::regex_search(bbox, m, re)) return {};
  return {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
}

TEST(PdfWriter, TextWhereTheDrawingPutsIt) {
#ifdef _WIN32
  GTEST_SKIP() << "poppler reads the PDF on Linux";
#endif
  if (!Have("pdftotext") || !Have("qpdf")) GTEST_SKIP() << "poppler-utils and qpdf read the PDF back";
  test::Scratch dir(test::Scratch::kEnter);
  std::string pdf;
  WritePdf(pdf, {kDrawing, kDrawing}, "A (small) test");
  test::WriteFile("d.pdf", pdf);
  EXPECT_EQ(std::system("qpdf --check d.pdf > /dev/null 2>&1"), 0);
  ASSERT_EQ(std::system("pdftotext -f 1 -l 1 -bbox d.pdf d.html"), 0);
  const std::string bbox = test::ReadFile("d.html");
  EXPECT_NE(bbox.find("<title>A (small) test</title>"), std::string::npos) << bbox;
  // The page at 0.75 points a unit: 300 × 150 points.
  EXPECT_NE(bbox.find("<page width=\"300.000000\" height=\"150.000000\">"), std::string::npos) << bbox;
  // "Centred & placed" centred on x = 200 units (150 points), its baseline at 40 units (30 points).
  const Word first = Find(bbox, "Centred"), last = Find(bbox, "placed");
  EXPECT_NEAR(0.5 * (first.x0 + last.x1), 150.0, 1.5);
  EXPECT_NEAR(first.y1, 30.0, 3.0);
  EXPECT_NEAR(Find(bbox, "here").x1, 292.5, 1.5);  // ends at 390 units
  // Turned upright: taller than wide, about x = 18 units.
  const Word upright = Find(bbox, "Upright");
  EXPECT_GT(upright.y1 - upright.y0, 2.0 * (upright.x1 - upright.x0)) << bbox;
  EXPECT_NEAR(0.5 * (upright.x0 + upright.x1), 13.5, 6.0);
  ASSERT_EQ(std::system("pdftotext d.pdf d.txt"), 0);
  const std::string text = test::ReadFile("d.txt");
  EXPECT_NE(text.find("Flow (\xC3\x97"
                      "10"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("m\xC2\xB3/s/m)"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 2);  // two pages
}

}  // namespace
}  // namespace seep
