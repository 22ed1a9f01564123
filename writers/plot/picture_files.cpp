#include "writers/plot/picture_files.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/io/platform.h"
#include "core/io/replace.h"
#include "writers/draw/pdf.h"

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
  if (run.pdf) {
    run.pages.push_back(run.svg);
    return;
  }
  if (!run.numbered && run.written == 1) {
    // Taken to be the only picture, it waits for the end of the run: should a second come (a step
    // number stored twice), both are numbered and the plain name is never used.
    run.held.swap(run.svg);
    return;
  }
  if (!run.numbered && run.written == 2) {
    // A device or pipe holds one picture only.
    if (WritesDirectly(run.target)) {
      throw OutputRefused{run.target,
                          "the steps selected give several pictures, and a device or pipe takes "
                          "one; name a file with -o"};
    }
    run.numbered = true;
    WriteWholeFile(NumberedPictureName(run.target, 1), run.held);
    run.bytesWritten += run.held.size();
    run.held.clear();
  }
  WriteWholeFile(NumberedPictureName(run.target, run.written), run.svg);
  run.bytesWritten += run.svg.size();
}

void FinishStepPictureFiles(PictureState& run) {
  if (!run.numbered) {
    if (run.written == 1) {
      WriteWholeFile(run.target, run.held);
      run.bytesWritten += run.held.size();
    }
    return;
  }
  // Numbered pictures of this name beyond the last written are an earlier run's: they would pass for
  // steps of this one. Only names of exactly that form go.
  namespace fs = std::filesystem;
  const fs::path target(run.target);
  const std::string prefix = target.stem().string() + "_";
  const std::string extension = target.extension().string();
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix) || !name.ends_with(extension)) continue;
    const std::string_view digits =
        std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - extension.size());
    std::int32_t k = 0;
    const auto [end_, bad] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (bad != std::errc{} || end_ != digits.data() + digits.size() || k <= run.written) continue;
    if (fs::path(NumberedPictureName(run.target, k)).filename() != name) continue;
    if (it->is_symlink(ec) || !it->is_regular_file(ec)) continue;
    stale.push_back(it->path());
  }
  for (const fs::path& name : stale) fs::remove(name, ec);
}

void WritePictureDocument(PictureState& run, const Store& s) {
  std::string_view title(s.TITLE.data(), s.TITLE.size());
  while (!title.empty() && (title.back() == ' ' || title.back() == '\0')) title.remove_suffix(1);
  std::string pdf;
  WritePdf(pdf, run.pages, title);
  WriteWholeFile(run.target, pdf);
  run.bytesWritten = pdf.size();
}

void SetUpHistoryFile(PictureState& run, const Store& s) {
  SetUpHistory(run.chart, s, run.options.field, run.options.units);
}

void AddHistoryFileStep(PictureState& run, const Store& s) {
  AddHistoryStep(run.chart, s);
}

void WriteHistoryFile(PictureState& run, const Store& s) {
  DrawHistoryChart(run.svg, run.chart, s);
  if (run.pdf) {
    run.pages.assign(1, run.svg);
    WritePictureDocument(run, s);
    run.written = 1;
    return;
  }
  WriteWholeFile(run.target, run.svg);
  run.written = 1;
  run.bytesWritten += run.svg.size();
}

std::string PictureFilesWritten(const PictureState& run) {
  if (!run.numbered || run.pdf) return run.target;
  return NumberedPictureName(run.target, 1) + " … " + NumberedPictureName(run.target, run.written);
}

std::string PictureWarnings(const PictureState& run) {
  return DescribeLeftOut(run.warnings, run.chart, "left out");
}

}  // namespace seep
