// Pictures as a vector PDF: the SVG documents that the picture writer draws, one page each, turned
// into PDF drawing operators. Only what the pictures use is understood: paths (M, L, H, V, l, h, v, z),
// rectangles, circles, text (anchored, turned upright, with a halo), groups, and a style sheet of
// simple rules (tag or classes, fill, stroke, widths, dashes, opacity, font size, anchor). Text is set
// in Helvetica, a font every PDF reader has, in WinAnsi encoding; superscript digits are set raised
// and smaller. A page is as large as the picture at 96 picture units to the inch.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace seep {

// The whole PDF document of the pages, titled `title` (its document information).
void WritePdf(std::string& pdf, const std::vector<std::string>& svgPages, std::string_view title);

}  // namespace seep
