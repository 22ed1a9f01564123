// A step picture drawn as a run draws it: the mesh split and the sections cut for the options first.
#pragma once

#include <string>

#include "writers/draw/plot.h"

namespace seep::test {

inline void DrawPicture(std::string& svg, Store& s, const PlotOptions& options, PlotWarnings& warnings) {
  DrawStepPicture(svg, s, PictureMeshOf(s, options), options, warnings);
}

}  // namespace seep::test
