#include "writers/plot/picture_files.h"

#include <algorithm>
#include <filesystem>

#include "core/io/platform.h"
#include "core/io/replace.h"

namespace seep {

std::string NumberedPictureName(const std::string& target, std::int32_t k) {
  const std::filesystem::path path = NativePath(target);
  char number[16];
  std::snprintf(number, sizeof number, "_%04d", static_cast<int>(k));
  std::filesystem::path numbered = path;
  numbered.replace_filename(NativePath(NameOf(path.stem()) + number + NameOf(path.extension())));
  return NameOf(numbered);
}

void WriteStepPictureFile(PictureState& run, Store& s) {
  PlotWarnings w;
  DrawStepPicture(run.svg, s, run.mesh, run.options, w);
  AddPlotWarnings(run.warnings, w);
  ++run.written;
  if (!run.numbered && run.written == 2) {
    // The first picture was taken to be the only one. A device or pipe holds that one only.
    if (WritesDirectly(run.target)) {
      throw OutputRefused{run.target,
                          "the steps selected give several pictures, and a device or pipe takes "
                          "one; name a file with -o"};
    }
    MoveIntoPlace(run.target, NumberedPictureName(run.target, 1));
    run.numbered = true;
  }
  WriteWholeFile(run.numbered ? NumberedPictureName(run.target, run.written) : run.target, run.svg);
  run.bytesWritten += run.svg.size();
}

void SetUpHistoryFile(PictureState& run, const Store& s) {
  SetUpHistory(run.chart, s, run.options.field);
}

void AddHistoryFileStep(PictureState& run, const Store& s) {
  AddHistoryStep(run.chart, s);
}

void WriteHistoryFile(PictureState& run, const Store& s) {
  DrawHistoryChart(run.svg, run.chart, s);
  WriteWholeFile(run.target, run.svg);
  run.written = 1;
  run.bytesWritten += run.svg.size();
}

std::string PictureFilesWritten(const PictureState& run) {
  if (!run.numbered) return run.target;
  return NumberedPictureName(run.target, 1) + " … " + NumberedPictureName(run.target, run.written);
}

std::string PictureWarnings(const PictureState& run) {
  return DescribeLeftOut(run.warnings, run.chart, "left out");
}

}  // namespace seep
