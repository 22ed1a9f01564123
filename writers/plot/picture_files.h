// Pictures as files: one SVG per selected step (PICTURE.svg, or PICTURE_0001.svg, … when a run draws
// several), or one history chart of the heads at points. Each file is made whole before it takes its
// name.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/store.h"
#include "writers/draw/plot.h"

namespace seep {

// The picture writer's state for one conversion.
struct PictureState {
  std::string target;  // PICTURE.svg as given
  PlotOptions options;
  PictureMesh mesh;       // split and cut once for every picture of the run
  bool numbered = false;  // several steps may be drawn: every picture gets its number
  std::int32_t written = 0;
  std::string svg;        // the picture being drawn, its room reused
  std::string held;       // the first picture of a run taken to draw one, until the run ends
  PlotWarnings warnings;  // summed over the pictures
  HistoryChart chart;
  std::uint64_t bytesWritten = 0;
};

// PICTURE_0001.svg for k = 1: the number before the extension.
std::string NumberedPictureName(const std::string& target, std::int32_t k);

// Draws the current step and writes its file. The first picture of a run that names one step waits for
// the end of the run; a second (a step number stored twice) numbers both.
void WriteStepPictureFile(PictureState& run, Store& s);
// At the end of the run: the waiting picture written under the plain name; numbered pictures of the
// same name beyond those written (an earlier run's) removed.
void FinishStepPictureFiles(PictureState& run);

// The history chart: set up once the points are located, every step added, written at the end.
void SetUpHistoryFile(PictureState& run, const Store& s);
void AddHistoryFileStep(PictureState& run, const Store& s);
void WriteHistoryFile(PictureState& run, const Store& s);

// The names written, for the closing line: "PICTURE.svg", or "PICTURE_0001.svg … PICTURE_0006.svg".
std::string PictureFilesWritten(const PictureState& run);
// What the pictures left out, as one warning text; empty when nothing.
std::string PictureWarnings(const PictureState& run);

}  // namespace seep
