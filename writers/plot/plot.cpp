#include "writers/plot/plot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string_view>

#include "core/model/locate.h"
#include "writers/plot/plot_geometry.h"
#include "writers/plot/svg.h"

namespace seep {
namespace {

using plot::Levels;
using plot::Point;
using plot::Polyline;

// Picture sizes in picture units (pixels at 100 %).
constexpr double kWidth = 1000.0;
constexpr double kLeft = 80.0, kTop = 56.0, kBottom = 52.0;
constexpr double kColourBarRoom = 150.0;  // right of the section
constexpr double kMostSectionHeight = 640.0;
constexpr double kMostArrows = 300.0;

constexpr std::string_view kStyle =
    "text{font-family:DejaVu Sans,Arial,Helvetica,sans-serif;font-size:12px;fill:#222}\n"
    ".title{font-size:15px}\n"
    ".end{text-anchor:end}.mid{text-anchor:middle}\n"
    ".band{stroke-width:0.4;stroke-linejoin:round}\n"
    ".outline{fill:none;stroke:#111;stroke-width:1.2;stroke-linejoin:round}\n"
    ".mesh{fill:none;stroke:#000;stroke-opacity:0.35;stroke-width:0.35}\n"
    ".casing{fill:none;stroke:#fff;stroke-width:6;stroke-linejoin:round;stroke-linecap:round}\n"
    ".phreatic{fill:none;stroke:#e6194b;stroke-width:3;stroke-linejoin:round;stroke-linecap:round}\n"
    ".arrow-casing{fill:none;stroke:#fff;stroke-width:2.2;stroke-linecap:round;stroke-linejoin:round}\n"
    ".arrow{fill:none;stroke:#111;stroke-width:1.1;stroke-linecap:round;stroke-linejoin:round}\n"
    ".axis{fill:none;stroke:#222;stroke-width:1}\n"
    ".grid{fill:none;stroke:#ccc;stroke-width:0.6}\n"
    ".swatch{stroke:#222;stroke-width:0.6}\n";

// Okabe and Ito's colours, safe for colour-blind readers, for the lines of a history chart.
constexpr std::array<std::string_view, 8> kLineColours = {"#0072b2", "#e69f00", "#009e73", "#cc79a7",
                                                          "#56b4e9", "#d55e00", "#000000", "#f0e442"};
constexpr std::array<std::string_view, 3> kDashes = {"", "7 4", "2 3"};

// Model coordinates to picture units: equal scale on both axes, y upward.
struct Frame {
  double x0 = 0.0, y1 = 0.0;  // model left and top
  double scale = 1.0;
  double left = kLeft, top = kTop;
  double Px(double x) const { return left + (x - x0) * scale; }
  double Py(double y) const { return top + (y1 - y) * scale; }
};

// Plot coordinates with separate scales, for charts.
struct ChartFrame {
  double x0 = 0.0, x1 = 1.0, y0 = 0.0, y1 = 1.0;
  double left = 0.0, top = 0.0, width = 1.0, height = 1.0;
  double Px(double x) const { return left + (x - x0) / (x1 - x0) * width; }
  double Py(double y) const { return top + (y1 - y) / (y1 - y0) * height; }
};

// ---------------------------------------------------------------------------------------------------
// Writing elements.

void Number(std::string& out, double x) {
  svg::AppendCoordinate(out, x);
}

void Attribute(std::string& out, std::string_view name, double x) {
  out += ' ';
  out += name;
  out += "=\"";
  Number(out, x);
  out += '"';
}

// Polylines as path data: each starts absolute, goes on in relative steps of whole hundredths (so the
// steps add up to exactly the rounded corners), and closes with z when `closed`.
template <class ToPicture>
void AppendPathData(std::string& out, const std::vector<Polyline>& lines, bool closed, ToPicture&& to) {
  for (const Polyline& line : lines) {
    if (line.size() < 2) continue;
    const Point first = to(line.front());
    std::int64_t hx = svg::Hundredths(first.x), hy = svg::Hundredths(first.y);
    out += 'M';
    svg::AppendHundredths(out, hx);
    out += ' ';
    svg::AppendHundredths(out, hy);
    out += 'l';
    bool any = false;
    for (std::size_t k = 1; k < line.size(); ++k) {
      const Point p = to(line[k]);
      const std::int64_t nx = svg::Hundredths(p.x), ny = svg::Hundredths(p.y);
      if (nx == hx && ny == hy) continue;
      if (any && nx - hx >= 0) out += ' ';
      svg::AppendHundredths(out, nx - hx);
      if (ny - hy >= 0) out += ' ';
      svg::AppendHundredths(out, ny - hy);
      hx = nx;
      hy = ny;
      any = true;
    }
    if (!any) out += "0 0";
    if (closed) out += 'z';
  }
}

template <class ToPicture>
void Path(std::string& out, std::string_view cls, const std::vector<Polyline>& lines, bool closed,
          ToPicture&& to) {
  if (lines.empty()) return;
  out += "<path class=\"";
  out += cls;
  out += "\" d=\"";
  AppendPathData(out, lines, closed, to);
  out += "\"/>\n";
}

void Text(std::string& out, double x, double y, std::string_view cls, std::string_view text) {
  out += "<text";
  Attribute(out, "x", x);
  Attribute(out, "y", y);
  if (!cls.empty()) {
    out += " class=\"";
    out += cls;
    out += '"';
  }
  out += '>';
  svg::AppendText(out, text);
  out += "</text>\n";
}

void ValueText(std::string& out, double x, double y, std::string_view cls, double value) {
  std::string digits;
  svg::AppendValue(digits, value);
  Text(out, x, y, cls, digits);
}

// A point of path data: "x y".
void PathPoint(std::string& out, double x, double y) {
  Number(out, x);
  out += ' ';
  Number(out, y);
}

void Line(std::string& out, std::string_view cls, double x0, double y0, double x1, double y1) {
  out += "<path class=\"";
  out += cls;
  out += "\" d=\"M";
  PathPoint(out, x0, y0);
  out += 'L';
  PathPoint(out, x1, y1);
  out += "\"/>\n";
}

void Begin(std::string& out, double height) {
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
  Attribute(out, "width", kWidth);
  Attribute(out, "height", height);
  out += " viewBox=\"0 0 ";
  PathPoint(out, kWidth, height);
  out += "\">\n<style>\n";
  out += kStyle;
}

void BeginBody(std::string& out) {
  out += "</style>\n<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
}

// The analysis title without its trailing blanks (and NULs).
std::string_view Title(const Store& s) {
  std::string_view title(s.TITLE.data(), s.TITLE.size());
  while (!title.empty() && (title.back() == ' ' || title.back() == '\0')) title.remove_suffix(1);
  return title;
}

std::string_view FieldName(PlotField field) {
  switch (field) {
    case PlotField::kTotalHead:
      return "Total head";
    case PlotField::kPressureHead:
      return "Pressure head";
    case PlotField::kSpeed:
      return "Speed";
  }
  return "";
}

// "TITLE - step N, time T" on the first line of a picture.
void TitleLine(std::string& out, const Store& s, std::string_view what) {
  std::string text(Title(s));
  if (!text.empty()) text += "  \xE2\x80\x94  ";  // em dash
  text += what;
  out += "<text";
  Attribute(out, "x", kLeft);
  Attribute(out, "y", 26.0);
  out += " class=\"title\">";
  svg::AppendText(out, text);
  out += "</text>\n";
}

// Tick marks and labels along the bottom and the left of a plot area; the labels in model units.
template <class Px, class Py>
void Axes(std::string& out, double left, double top, double width, double height, const Levels& xTicks,
          const Levels& yTicks, Px&& px, Py&& py) {
  const double bottom = top + height;
  out += "<path class=\"axis\" d=\"M";
  PathPoint(out, left, top);
  out += 'V';
  Number(out, bottom);
  out += 'H';
  Number(out, left + width);
  for (double x : xTicks.values) {
    out += 'M';
    PathPoint(out, px(x), bottom);
    out += "v5";
  }
  for (double y : yTicks.values) {
    out += 'M';
    PathPoint(out, left, py(y));
    out += "h-5";
  }
  out += "\"/>\n";
  for (double x : xTicks.values) ValueText(out, px(x), bottom + 19.0, "mid", x);
  for (double y : yTicks.values) ValueText(out, left - 8.0, py(y) + 4.0, "end", y);
}

// How many ticks fit along `length` picture units, one per `room`: 2 to 20.
int TickRoom(double length, double room) {
  const double n = length / room;
  return n >= 2.0 ? static_cast<int>(std::min(n, 20.0)) : 2;
}

// ---------------------------------------------------------------------------------------------------
// The step picture.

// The field's values where the picture needs them: per node for heads, per element for speed.
struct FieldValues {
  std::vector<double> values;
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
};

FieldValues CollectField(const Store& s, PlotField field, PlotWarnings& warnings) {
  FieldValues f;
  if (field == PlotField::kSpeed) {
    f.values.resize(static_cast<std::size_t>(std::max(s.NUMEL, 0)));
    for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
      const double v = Speed(s.VXE(e), s.VYE(e));
      f.values[static_cast<std::size_t>(e - 1)] = v;
      if (IsActive(s, e) && std::isfinite(v)) {
        f.lo = std::min(f.lo, v);
        f.hi = std::max(f.hi, v);
      }
    }
    return f;
  }
  f.values.resize(static_cast<std::size_t>(std::max(s.NUMNP, 0)));
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    f.values[static_cast<std::size_t>(n - 1)] = field == PlotField::kTotalHead ? s.P(n) + s.Y(n) : s.P(n);
  }
  // The range and the count of bad values over the nodes of active elements only.
  std::vector<char> seen(static_cast<std::size_t>(std::max(s.NUMNP, 0)) + 1, 0);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e)) continue;
    const int corners = IsTriangle(s, e) ? 3 : 4;
    for (int k = 0; k < corners; ++k) {
      const std::int32_t n = s.ELEM(e, kI + k);
      if (!IsNode(s, n) || seen[static_cast<std::size_t>(n)]) continue;
      seen[static_cast<std::size_t>(n)] = 1;
      const double v = f.values[static_cast<std::size_t>(n - 1)];
      if (!std::isfinite(v)) {
        ++warnings.nanNodes;
      } else {
        f.lo = std::min(f.lo, v);
        f.hi = std::max(f.hi, v);
      }
    }
  }
  return f;
}

struct Box {
  double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
  bool Empty() const { return !(x1 >= x0); }
};

// Bounding box of the active elements' corners.
Box ActiveBox(const Store& s) {
  Box box;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e)) continue;
    const int corners = IsTriangle(s, e) ? 3 : 4;
    for (int k = 0; k < corners; ++k) {
      const std::int32_t n = s.ELEM(e, kI + k);
      if (!IsNode(s, n) || !std::isfinite(s.X(n)) || !std::isfinite(s.Y(n))) continue;
      box.x0 = std::min(box.x0, s.X(n));
      box.x1 = std::max(box.x1, s.X(n));
      box.y0 = std::min(box.y0, s.Y(n));
      box.y1 = std::max(box.y1, s.Y(n));
    }
  }
  return box;
}

void ColourBar(std::string& out, const Levels& levels, PlotField field, double x, double top, double height,
               bool phreatic) {
  Text(out, x, top - 10.0, "", FieldName(field));
  const std::int32_t bands = std::max(levels.Bands(), 1);
  const double bandHeight = height / bands;
  for (std::int32_t b = 0; b < bands; ++b) {
    out += "<rect class=\"b";
    out += std::to_string(b);
    out += '"';
    Attribute(out, "x", x);
    Attribute(out, "y", top + height - (b + 1) * bandHeight);
    Attribute(out, "width", 20.0);
    Attribute(out, "height", bandHeight);
    out += "/>\n";
  }
  out += "<rect class=\"swatch\" fill=\"none\"";
  Attribute(out, "x", x);
  Attribute(out, "y", top);
  Attribute(out, "width", 20.0);
  Attribute(out, "height", height);
  out += "/>\n";
  for (std::int32_t k = 0; k <= levels.Bands(); ++k) {
    const double y = top + height - k * bandHeight;
    Line(out, "axis", x + 20.0, y, x + 24.0, y);
    ValueText(out, x + 27.0, y + 4.0, "", levels.values[static_cast<std::size_t>(k)]);
  }
  if (phreatic) {
    const double y = top + height + 30.0;
    Line(out, "casing", x, y, x + 24.0, y);
    Line(out, "phreatic", x, y, x + 24.0, y);
    Text(out, x + 30.0, y + 4.0, "", "Phreatic line");
  }
}

// Velocity arrows at the centroids of at most about kMostArrows elements, one per cell of a regular
// grid over the section: the element whose centroid lies nearest the cell's centre.
std::vector<Polyline> Arrows(const Store& s, const Box& box, const Frame& frame) {
  const double dx = std::max(box.x1 - box.x0, 0.0), dy = std::max(box.y1 - box.y0, 0.0);
  double cell = std::sqrt(dx * dy / kMostArrows);
  cell = std::max(cell, std::max(dx, dy) / kMostArrows);
  if (!(cell > 0.0) || !std::isfinite(cell)) return {};
  const auto nx = static_cast<std::int64_t>(std::min(std::ceil(dx / cell), kMostArrows)) + 1;
  const auto ny = static_cast<std::int64_t>(std::min(std::ceil(dy / cell), kMostArrows)) + 1;
  struct Pick {
    std::int32_t element = 0;
    double distance = 0.0;
    Point at{};
  };
  std::vector<Pick> picks(static_cast<std::size_t>(nx * ny));
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e) || !std::isfinite(Speed(s.VXE(e), s.VYE(e)))) continue;
    const int corners = IsTriangle(s, e) ? 3 : 4;
    Point c{0.0, 0.0};
    bool ok = true;
    for (int k = 0; k < corners; ++k) {
      const std::int32_t n = s.ELEM(e, kI + k);
      if (!IsNode(s, n)) {
        ok = false;
        break;
      }
      c.x += s.X(n) / corners;
      c.y += s.Y(n) / corners;
    }
    if (!ok || !std::isfinite(c.x) || !std::isfinite(c.y)) continue;
    const auto ix = std::clamp<std::int64_t>(static_cast<std::int64_t>((c.x - box.x0) / cell), 0, nx - 1);
    const auto iy = std::clamp<std::int64_t>(static_cast<std::int64_t>((c.y - box.y0) / cell), 0, ny - 1);
    const double cx = box.x0 + (static_cast<double>(ix) + 0.5) * cell;
    const double cy = box.y0 + (static_cast<double>(iy) + 0.5) * cell;
    const double d = std::hypot(c.x - cx, c.y - cy);
    Pick& p = picks[static_cast<std::size_t>(iy * nx + ix)];
    if (p.element == 0 || d < p.distance) p = {e, d, c};
  }
  double fastest = 0.0;
  for (const Pick& p : picks) {
    if (p.element != 0) fastest = std::max(fastest, Speed(s.VXE(p.element), s.VYE(p.element)));
  }
  std::vector<Polyline> arrows;
  if (!(fastest > 0.0) || !std::isfinite(fastest)) return arrows;
  const double longest = 0.85 * cell * frame.scale;  // picture units
  for (const Pick& p : picks) {
    if (p.element == 0) continue;
    const double vx = s.VXE(p.element), vy = s.VYE(p.element);
    const double speed = Speed(vx, vy);
    const double length = longest * speed / fastest;
    if (!(length >= 0.5)) continue;
    // In picture units, y downward.
    const double ux = vx / speed, uy = -vy / speed;
    const Point mid{frame.Px(p.at.x), frame.Py(p.at.y)};
    const Point tail{mid.x - 0.5 * length * ux, mid.y - 0.5 * length * uy};
    const Point head{mid.x + 0.5 * length * ux, mid.y + 0.5 * length * uy};
    const double wing = std::min(0.3 * length, 5.0);
    const double ca = std::cos(0.45), sa = std::sin(0.45);
    const Point w1{head.x - wing * (ux * ca - uy * sa), head.y - wing * (uy * ca + ux * sa)};
    const Point w2{head.x - wing * (ux * ca + uy * sa), head.y - wing * (uy * ca - ux * sa)};
    arrows.push_back({tail, head});
    arrows.push_back({w1, head, w2});
  }
  return arrows;
}

// Class of the line of the k-th point in a history chart.
std::string PointClass(std::size_t k) {
  std::string cls = "p";
  cls += std::to_string(k);
  return cls;
}

void EmptyPicture(std::string& out, const Store& s, std::string_view what, std::string_view note) {
  const double height = 200.0;
  Begin(out, height);
  BeginBody(out);
  TitleLine(out, s, what);
  Text(out, kWidth / 2.0, height / 2.0, "mid", note);
  out += "</svg>\n";
}

}  // namespace

PlotField PlotFieldOfName(std::string_view name) {
  for (std::size_t i = 0; i < kPlotFieldNames.size(); ++i) {
    if (kPlotFieldNames[i] == name) return static_cast<PlotField>(i);
  }
  return PlotField::kTotalHead;
}

void DrawStepPicture(std::string& svg, Store& s, const PlotOptions& options, PlotWarnings& warnings) {
  svg.clear();
  warnings = PlotWarnings{};
  std::string what = "step " + std::to_string(s.ISTEP) + ", time ";
  svg::AppendValue(what, s.TIME);

  const Box box = ActiveBox(s);
  if (box.Empty()) {
    warnings.noActiveElements = true;
    EmptyPicture(svg, s, what, "No active element in this step");
    return;
  }
  const FieldValues field = CollectField(s, options.field, warnings);
  const bool anyValue = field.hi >= field.lo;
  const Levels levels = anyValue ? plot::RoundLevels(field.lo, field.hi) : plot::RoundLevels(0.0, 0.0);
  plot::Bands bands = options.field == PlotField::kSpeed ? plot::ElementBands(s, field.values, levels)
                                                         : plot::NodalBands(s, field.values, levels);
  warnings.nanElements = bands.blankElements;

  // Layout: the section at one scale, padded a little so the outline stays clear of the axes.
  const double span = std::max(box.x1 - box.x0, box.y1 - box.y0);
  const double pad = span > 0.0 ? 0.02 * span : 1.0;
  const double x0 = box.x0 - pad, x1 = box.x1 + pad, y0 = box.y0 - pad, y1 = box.y1 + pad;
  if (!std::isfinite(x1 - x0) || !std::isfinite(y1 - y0)) {
    EmptyPicture(svg, s, what, "The coordinates of the section are too large to draw");
    return;
  }
  const double mostWidth = kWidth - kLeft - kColourBarRoom;
  Frame frame;
  frame.x0 = x0;
  frame.y1 = y1;
  frame.scale = std::min(mostWidth / (x1 - x0), kMostSectionHeight / (y1 - y0));
  const double width = (x1 - x0) * frame.scale, height = (y1 - y0) * frame.scale;
  const double barHeight = std::clamp(height - 50.0, 180.0, 400.0);
  const double pictureHeight = kTop + std::max(height, barHeight + 50.0) + kBottom;
  auto toPicture = [&frame](const Point& p) { return Point{frame.Px(p.x), frame.Py(p.y)}; };
  auto toSame = [](const Point& p) { return p; };

  Begin(svg, pictureHeight);
  for (std::int32_t b = 0; b < levels.Bands(); ++b) {
    const double t = levels.Bands() > 1 ? static_cast<double>(b) / (levels.Bands() - 1) : 0.5;
    svg += ".b";
    svg += std::to_string(b);
    svg += "{fill:";
    svg::AppendViridis(svg, t);
    svg += ";stroke:";
    svg::AppendViridis(svg, t);
    svg += "}\n";
  }
  BeginBody(svg);
  TitleLine(svg, s, what);

  // Bands, then the lines on top of them.
  for (std::int32_t b = 0; b < levels.Bands(); ++b) {
    const std::string cls = "band b" + std::to_string(b);
    Path(svg, cls, bands.loops[static_cast<std::size_t>(b)], true, toPicture);
  }
  if (options.mesh) Path(svg, "mesh", plot::MeshEdges(s), false, toPicture);
  Path(svg, "outline", plot::MeshOutline(s), true, toPicture);
  const std::vector<Polyline> phreatic = plot::PhreaticLine(s);
  Path(svg, "casing", phreatic, false, toPicture);
  Path(svg, "phreatic", phreatic, false, toPicture);
  if (options.arrows) {
    const std::vector<Polyline> arrows = Arrows(s, box, frame);
    Path(svg, "arrow-casing", arrows, false, toSame);
    Path(svg, "arrow", arrows, false, toSame);
  }

  const Levels xTicks = plot::RoundTicks(x0, x1, TickRoom(width, 80.0));
  const Levels yTicks = plot::RoundTicks(y0, y1, TickRoom(height, 45.0));
  Axes(
      svg, kLeft, kTop, width, height, xTicks, yTicks, [&](double x) { return frame.Px(x); },
      [&](double y) { return frame.Py(y); });
  ColourBar(svg, levels, options.field, kLeft + width + 28.0, kTop + 14.0, barHeight, !phreatic.empty());
  if (!anyValue) Text(svg, kLeft + width / 2.0, kTop + height / 2.0, "mid", "No finite value in this step");
  svg += "</svg>\n";
}

// ---------------------------------------------------------------------------------------------------
// The point time history.

void SetUpHistory(HistoryChart& chart, const Store& s, PlotField field) {
  chart = HistoryChart{};
  chart.field = field == PlotField::kPressureHead ? PlotField::kPressureHead : PlotField::kTotalHead;
  for (std::int32_t i = 1; i <= s.NPT && i <= s.IPN.Rows(); ++i) {
    (s.IPN(i, 1) != 0 ? chart.inside : chart.outside).push_back(i);
  }
  for (std::int32_t i = s.IPN.Rows() + 1; i <= s.NPT; ++i) chart.outside.push_back(i);
}

void AddHistoryStep(HistoryChart& chart, const Store& s) {
  chart.times.push_back(s.TIME);
  for (std::int32_t i : chart.inside) {
    const double h = PointTotalHead(s, i);
    chart.values.push_back(chart.field == PlotField::kPressureHead ? h - s.YP(i) : h);
  }
}

std::vector<std::int32_t> PointsOutside(const HistoryChart& chart) {
  return chart.outside;
}

void DrawHistoryChart(std::string& svg, const HistoryChart& chart, const Store& s) {
  svg.clear();
  const std::string what = std::string(FieldName(chart.field)) + " at points";
  const std::size_t points = chart.inside.size(), steps = chart.times.size();
  if (points == 0 || steps == 0) {
    EmptyPicture(svg, s, what, points == 0 ? "No point lies in the mesh" : "No step in the result file");
    return;
  }

  // Ranges of the finite times and values, widened where they are one value.
  double t0 = std::numeric_limits<double>::infinity(), t1 = -t0, v0 = t0, v1 = -t0;
  for (double t : chart.times) {
    if (std::isfinite(t)) t0 = std::min(t0, t), t1 = std::max(t1, t);
  }
  for (double v : chart.values) {
    if (std::isfinite(v)) v0 = std::min(v0, v), v1 = std::max(v1, v);
  }
  auto widen = [](double& lo, double& hi, double share) {
    if (!(hi >= lo)) lo = 0.0, hi = 1.0;
    const double d = hi - lo;
    const double w = d > 0.0 ? share * d : (lo != 0.0 ? 0.05 * std::fabs(lo) : 1.0);
    lo -= w;
    hi += w;
  };
  widen(t0, t1, 0.0);
  widen(v0, v1, 0.05);

  constexpr double kLegendRoom = 250.0, kHeight = 560.0;
  ChartFrame frame{
      t0, t1, v0, v1, kLeft, kTop, kWidth - kLeft - kLegendRoom, kHeight - kTop - kBottom - 14.0};
  Begin(svg, kHeight);
  for (std::size_t k = 0; k < points; ++k) {
    svg += ".p";
    svg += std::to_string(k);
    svg += "{fill:none;stroke-width:1.8;stroke:";
    svg += kLineColours[k % kLineColours.size()];
    const std::string_view dash = kDashes[(k / kLineColours.size()) % kDashes.size()];
    if (!dash.empty()) {
      svg += ";stroke-dasharray:";
      svg += dash;
    }
    svg += "}\n";
  }
  BeginBody(svg);
  TitleLine(svg, s, what);

  const Levels xTicks = plot::RoundTicks(t0, t1, TickRoom(frame.width, 90.0));
  const Levels yTicks = plot::RoundTicks(v0, v1, TickRoom(frame.height, 45.0));
  auto px = [&](double x) { return frame.Px(x); };
  auto py = [&](double y) { return frame.Py(y); };
  for (double y : yTicks.values) Line(svg, "grid", frame.left, py(y), frame.left + frame.width, py(y));
  Axes(svg, frame.left, frame.top, frame.width, frame.height, xTicks, yTicks, px, py);
  Text(svg, frame.left + frame.width / 2.0, frame.top + frame.height + 40.0, "mid", "Time");
  {
    const double x = 18.0, y = frame.top + frame.height / 2.0;
    svg += "<text class=\"mid\" transform=\"rotate(-90 ";
    Number(svg, x);
    svg += ' ';
    Number(svg, y);
    svg += ")\"";
    Attribute(svg, "x", x);
    Attribute(svg, "y", y);
    svg += '>';
    svg::AppendText(svg, FieldName(chart.field));
    svg += "</text>\n";
  }

  // One line per point; a value that is not finite breaks it. Markers where the steps are few.
  const bool markers = steps == 1 || (steps <= 40 && steps * points <= 4000);
  auto value = [&](std::size_t step, std::size_t k) { return chart.values[step * points + k]; };
  for (std::size_t k = 0; k < points; ++k) {
    std::vector<Polyline> runs(1);
    for (std::size_t step = 0; step < steps; ++step) {
      const double t = chart.times[step], v = value(step, k);
      if (std::isfinite(t) && std::isfinite(v)) {
        runs.back().push_back({px(t), py(v)});
      } else if (!runs.back().empty()) {
        runs.emplace_back();
      }
    }
    Path(svg, PointClass(k), runs, false, [](const Point& p) { return p; });
    if (!markers) continue;
    svg += "<g class=\"p";
    svg += std::to_string(k);
    svg += "\">";
    for (const Polyline& run : runs) {
      for (const Point& p : run) {
        svg += "<circle";
        Attribute(svg, "cx", p.x);
        Attribute(svg, "cy", p.y);
        svg += " r=\"2.5\"/>";
      }
    }
    svg += "</g>\n";
  }

  // Legend: point number and coordinates, as many as there is room for.
  const double legendX = frame.left + frame.width + 24.0;
  const auto rows = static_cast<std::size_t>(std::max(2.0, (frame.height - 20.0) / 18.0));
  const std::size_t shown = points <= rows ? points : rows - 1;
  for (std::size_t k = 0; k < shown; ++k) {
    const double y = frame.top + 8.0 + 18.0 * static_cast<double>(k);
    Line(svg, PointClass(k), legendX, y, legendX + 26.0, y);
    const std::int32_t i = chart.inside[k];
    std::string label = "Point " + std::to_string(i) + " (";
    svg::AppendValue(label, s.XP(i));
    label += ", ";
    svg::AppendValue(label, s.YP(i));
    label += ')';
    Text(svg, legendX + 32.0, y + 4.0, "", label);
  }
  if (shown < points) {
    Text(svg, legendX, frame.top + 8.0 + 18.0 * static_cast<double>(shown) + 4.0, "",
         "\xE2\x80\xA6 and " + std::to_string(points - shown) + " more points");
  }
  if (!chart.outside.empty()) {
    std::string left = "Left out, outside the mesh: point";
    if (chart.outside.size() > 1) left += 's';
    left += ' ';
    for (std::size_t k = 0; k < chart.outside.size() && k < 8; ++k) {
      if (k > 0) left += ", ";
      left += std::to_string(chart.outside[k]);
    }
    if (chart.outside.size() > 8) left += ", \xE2\x80\xA6";
    Text(svg, frame.left, kHeight - 8.0, "", left);
  }
  svg += "</svg>\n";
}

}  // namespace seep
