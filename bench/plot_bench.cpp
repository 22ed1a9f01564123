// Draws the last step of a result file as an SVG picture, and optionally the time history of the
// points of a point-data file, timing the drawing: for looking at the pictures and measuring them
// before the command line draws them.
//
//   plot_bench RESULT.DAT PICTURE.svg [--field total-head|pressure-head|speed] [--mesh] [--arrows]
//              [--points POINTS.DAT HISTORY.svg] [--repeat N]
//
// File names are at most 20 characters, as the result file reader takes them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/io/failure.h"
#include "core/io/units.h"
#include "core/model/locate.h"
#include "core/model/store.h"
#include "core/reader/point_file.h"
#include "core/reader/result_file.h"
#include "writers/draw/plot.h"

namespace {

bool Save(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace seep;
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: plot_bench RESULT PICTURE.svg [--field F] [--mesh] [--arrows] "
                 "[--points POINTS HISTORY.svg] [--repeat N]\n");
    return 2;
  }
  PlotOptions options;
  std::string points, history;
  int repeat = 5;
  for (int a = 3; a < argc; ++a) {
    const std::string_view arg = argv[a];
    if (arg == "--field" && a + 1 < argc) {
      const std::string_view f = argv[++a];
      options.field = f == "speed"           ? PlotField::kSpeed
                      : f == "pressure-head" ? PlotField::kPressureHead
                                             : PlotField::kTotalHead;
    } else if (arg == "--mesh") {
      options.mesh = true;
    } else if (arg == "--arrows") {
      options.arrows = true;
    } else if (arg == "--points" && a + 2 < argc) {
      points = argv[++a];
      history = argv[++a];
    } else if (arg == "--repeat" && a + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++a]));
    }
  }

  Io io(stdin, stdout, stderr);
  Store s;
  HistoryChart chart;
  try {
    result::Open(io, argv[1]);
    result::ReadHeader(io, s);
    if (!points.empty()) {
      ReadPointFile(io, s, points);
      LocatePoints(s);
      SetUpHistory(chart, s, options.field);
    }
    while (result::ReadStep(io, s)) {
      if (!points.empty()) AddHistoryStep(chart, s);
    }
  } catch (const IoFailure& f) {
    std::fprintf(stderr, "plot_bench: reading failed (error %d)\n", f.number);
    return 1;
  }

  std::string svg;
  PlotWarnings warnings;
  double best = 1e300;
  for (int r = 0; r < repeat; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    DrawStepPicture(svg, s, PictureMeshOf(s, options), options, warnings);
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  std::printf("step %d: %d nodes, %d elements; picture %zu bytes, drawn in %.1f ms (best of %d)\n", s.ISTEP,
              s.NUMNP, s.NUMEL, svg.size(), best * 1e3, repeat);
  if (warnings.nanNodes != 0 || warnings.nanElements != 0) {
    std::printf("left blank: %lld nodes, %lld elements with values that are not finite\n",
                static_cast<long long>(warnings.nanNodes), static_cast<long long>(warnings.nanElements));
  }
  if (!Save(argv[2], svg)) return 1;
  if (!points.empty()) {
    DrawHistoryChart(svg, chart, s);
    std::printf("history: %zu points in the mesh, %zu outside, %zu steps; %zu bytes\n", chart.inside.size(),
                chart.outside.size(), chart.times.size(), svg.size());
    if (!Save(history, svg)) return 1;
  }
  return 0;
}
