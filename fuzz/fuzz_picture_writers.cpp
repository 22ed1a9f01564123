// Hostile steps drawn: a small mesh whose coordinates, heads, velocities and times come from the bytes
// as raw doubles (NaN, infinities, huge and tiny numbers, negative zero), drawn as step pictures with
// every overlay, as a report of two steps and as a flow-rate chart. Never a crash, and no number in
// the documents that a reader cannot take ("nan", "inf").
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/model/store.h"
#include "harness.h"
#include "writers/draw/flow_rate_chart.h"
#include "writers/draw/plot.h"
#include "writers/report/report.h"

namespace {

using namespace seep;

using fuzz::Bytes;

Store Mesh(Bytes& b) {
  Store s;
  const int nx = 2 + b.Next() % 4, ny = 2 + b.Next() % 4;
  s.NUMNP = nx * ny;
  SizeNodeArrays(s, s.NUMNP);
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      const std::int32_t n = j * nx + i + 1;
      s.X(n) = b.Next() % 3 == 0 ? b.Value() : i;
      s.Y(n) = b.Next() % 3 == 0 ? b.Value() : j;
    }
  }
  s.NUMEL = (nx - 1) * (ny - 1);
  SizeElementArrays(s, s.NUMEL);
  std::int32_t e = 0;
  for (int j = 0; j + 1 < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      const std::int32_t a = j * nx + i + 1;
      const std::uint8_t shape = b.Next();
      ++e;
      s.ELEM(e, kI) = a;
      s.ELEM(e, kJ) = a + 1;
      s.ELEM(e, kK) = a + nx + 1;
      s.ELEM(e, kL) = shape % 4 == 0 ? 0 : a + nx;
      s.ELEM(e, kMAT) = shape % 5 == 1 ? 0 : 1 + shape % 3;
    }
  }
  std::memcpy(s.TITLE.data(), "HOSTILE", 7);
  return s;
}

void Step(Bytes& b, Store& s) {
  s.ISTEP = static_cast<std::int32_t>(b.Next());
  s.TIME = b.Value();
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) s.P(n) = b.Value();
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    s.VXE(e) = b.Value();
    s.VYE(e) = b.Value();
  }
}

void CheckNumbers(const char* what, const std::string& text) {
  for (const char* bad : {"nan", "NaN", "inf\"", "inf ", "inf,", "Infinity"}) {
    if (const std::size_t at = text.find(bad); at != std::string::npos) {
      const std::size_t from = at < 80 ? 0 : at - 80;
      std::fprintf(stderr, "%s holds \"%s\": ...%s...\n", what, bad, text.substr(from, 160).c_str());
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::EnterWorkDir();
  Bytes b{data, size};
  Store s = Mesh(b);
  PlotOptions options;
  options.field = static_cast<PlotField>(b.Next() % 4);
  options.mesh = b.Next() % 2 == 0;
  options.arrows = b.Next() % 2 == 0;
  options.flowLines = b.Next() % 8;
  options.sections.push_back({"S1", {{b.Value(), b.Value()}, {b.Value(), b.Value()}}});
  Step(b, s);
  std::string svg;
  PlotWarnings warnings;
  DrawStepPicture(svg, s, PictureMeshOf(s, options), options, warnings);
  if (!svg.ends_with("</svg>\n")) std::abort();
  CheckNumbers("the step picture", svg);

  ReportState report;
  report.target = "R.html";
  report.options = options;
  for (int k = 0; k < 2; ++k) {
    ReportStep step;
    step.number = k + 1;
    step.time = b.Value();
    step.hMin = b.Value();
    step.hMax = b.Value();
    step.pMin = step.pMax = step.speedMin = step.speedMax = step.gradientMax = b.Value();
    step.drawn = true;
    report.plan.steps.push_back(step);
  }
  try {
    SetUpReport(report, s);
    for (int k = 0; k < 2; ++k) {
      Step(b, s);
      AddReportStep(report, s);
    }
    WriteReport(report, s);
  } catch (const IoFailure& failure) {
    fuzz::CheckKnownFailure(failure);
  }
  CheckNumbers("the report's pictures", report.pictures);

  std::vector<double> times = {b.Value(), b.Value(), b.Value()};
  std::vector<double> net = {b.Value(), b.Value(), b.Value()};
  std::string chart;
  DrawFlowRateChart(chart, s, {"S1"}, times, net, MeasureUnits{});
  CheckNumbers("the flow-rate chart", chart);
  return 0;
}
