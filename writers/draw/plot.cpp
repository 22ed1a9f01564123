#include "writers/draw/plot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <string_view>

#include "core/io/number_text.h"
#include "core/model/contours.h"
#include "core/model/gradient.h"
#include "core/model/locate.h"
#include "writers/draw/overlays.h"
#include "writers/draw/svg.h"

namespace seep {
namespace {

// Picture sizes in picture units (pixels at 100 %). The plot area takes the section's shape within
// these bounds; the canvas adds fixed room around it: the title line and the colour bar's title above,
// the tick labels and the axis titles left and below, the colour bar to the right.
constexpr double kWidth = 1000.0;  // history charts
constexpr double kLeft = 80.0, kTop = 56.0, kBottom = 56.0;
constexpr double kColourBarRoom = 150.0;  // right of the section
constexpr double kMostPlotWidth = 800.0, kMostPlotHeight = 640.0;
constexpr double kLeastPlotWidth = 160.0, kLeastPlotHeight = 200.0;
constexpr double kMostArrows = 300.0;
constexpr double kLeastArrow = 8.0;  // picture units: shorter arrows are drawn this long

constexpr std::string_view kStyle =
    "text{font-family:DejaVu Sans,Arial,Helvetica,sans-serif;font-size:12px;fill:#222}\n"
    ".title{font-size:15px}\n"
    ".end{text-anchor:end}.mid{text-anchor:middle}\n"
    ".band{stroke-width:0.4;stroke-linejoin:round}\n"
    ".outline{fill:none;stroke:#111;stroke-width:1.2;stroke-linejoin:round}\n"
    ".mesh{fill:none;stroke:#000;stroke-opacity:0.35;stroke-width:0.35}\n"
    ".casing{fill:none;stroke:#fff;stroke-width:6;stroke-linejoin:round;stroke-linecap:round}\n"
    ".phreatic{fill:none;stroke:#e6194b;stroke-width:3;stroke-linejoin:round;stroke-linecap:round}\n"
    ".arrow,.arrow-key{fill:#fff;stroke:#111;stroke-width:0.7;stroke-linejoin:round}\n"
    ".axis{fill:none;stroke:#222;stroke-width:1}\n"
    ".grid{fill:none;stroke:#ccc;stroke-width:0.6}\n"
    ".swatch{stroke:#222;stroke-width:0.6}\n"
    ".label{fill:#8a3200}.halo{fill:none;stroke:#fff;stroke-width:3;stroke-linejoin:round}\n"
    ".marker{fill:#fff;stroke:#d55e00;stroke-width:1.5}\n"
    ".contour{fill:none;stroke:#222;stroke-opacity:0.7;stroke-width:0.7}.clabel{fill:#222;font-size:11px}\n";

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
    const XY first = to(line.front());
    std::int64_t hx = svg::Hundredths(first.x), hy = svg::Hundredths(first.y);
    out += 'M';
    svg::AppendHundredths(out, hx);
    out += ' ';
    svg::AppendHundredths(out, hy);
    out += 'l';
    bool any = false;
    for (std::size_t k = 1; k < line.size(); ++k) {
      const XY p = to(line[k]);
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

void Begin(std::string& out, double width, double height) {
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
  Attribute(out, "width", width);
  Attribute(out, "height", height);
  out += " viewBox=\"0 0 ";
  PathPoint(out, width, height);
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

// "TITLE - step N, time T" on the first line of a picture; on two lines when the canvas is too narrow
// for one (judged from the count of characters).
void TitleLine(std::string& out, const Store& s, std::string_view what, double width) {
  const std::string_view title = Title(s);
  const double room = (width - kLeft) / 8.5;  // characters of 15 px type
  if (!title.empty() && static_cast<double>(title.size() + what.size() + 5) > room) {
    Text(out, 12.0, 18.0, "title", title);
    Text(out, 12.0, 36.0, "title", what);
    return;
  }
  std::string text(title);
  if (!text.empty()) text += "  \xE2\x80\x94  ";  // em dash
  text += what;
  Text(out, kLeft, 26.0, "title", text);
}

// Tick marks and labels along the bottom and the left of a plot area, each axis in one notation; the
// exponents of the two axes (0: plain), for their titles.
template <class Px, class Py>
std::array<int, 2> Axes(std::string& out, double left, double top, double width, double height,
                        const Levels& xTicks, const Levels& yTicks, Px&& px, Py&& py) {
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
  const ScaleText xText = ScaleLabels(xTicks.values, xTicks.step),
                  yText = ScaleLabels(yTicks.values, yTicks.step);
  for (std::size_t k = 0; k < xTicks.values.size(); ++k)
    Text(out, px(xTicks.values[k]), bottom + 19.0, "mid", xText.labels[k]);
  for (std::size_t k = 0; k < yTicks.values.size(); ++k)
    Text(out, left - 8.0, py(yTicks.values[k]) + 4.0, "end", yText.labels[k]);
  return {xText.exponent, yText.exponent};
}

// Characters of UTF-8 text.
double Characters(std::string_view text) {
  return static_cast<double>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// "Total head (×10⁻⁵ m)": a scale's title with its exponent and its unit, when it has either.
std::string ScaleTitle(std::string_view title, std::string_view unit, int exponent) {
  std::string text(title);
  const std::string power = ExponentText(exponent);
  if (power.empty() && unit.empty()) return text;
  text += " (";
  text += power;
  if (!power.empty() && !unit.empty()) text += ' ';
  text += unit;
  text += ')';
  return text;
}

// Titles of the axes: one under the middle of the bottom axis, one turned upright left of the plot.
void AxisTitles(std::string& out, double left, double top, double width, double height, std::string_view x,
                std::string_view y) {
  Text(out, left + width / 2.0, top + height + 40.0, "mid", x);
  const double tx = 18.0, ty = top + height / 2.0;
  out += "<text class=\"mid\" transform=\"rotate(-90 ";
  PathPoint(out, tx, ty);
  out += ")\"";
  Attribute(out, "x", tx);
  Attribute(out, "y", ty);
  out += '>';
  svg::AppendText(out, y);
  out += "</text>\n";
}

// How many ticks fit along `length` picture units, one per `room`: 2 to 20.
int TickRoom(double length, double room) {
  const double n = length / room;
  return n >= 2.0 ? static_cast<int>(std::min(n, 20.0)) : 2;
}

void EmptyPicture(std::string& out, const Store& s, std::string_view what, std::string_view note) {
  const double height = 200.0;
  Begin(out, kWidth, height);
  BeginBody(out);
  TitleLine(out, s, what, kWidth);
  Text(out, kWidth / 2.0, height / 2.0, "mid", note);
  out += "</svg>\n";
}

// ---------------------------------------------------------------------------------------------------
// The step picture.

// |i| of element e, NaN when it has no gradient.
double GradientMagnitude(const Store& s, std::int32_t e) {
  const ElementGradient g = HydraulicGradient(s, e);
  return g.ok ? g.Magnitude() : std::numeric_limits<double>::quiet_NaN();
}

// The field's values where the picture needs them: per node for heads, per element for speed and
// gradient.
struct FieldValues {
  std::vector<double> values;
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
};

// The field in the file's units.
FieldValues CollectFileField(const Store& s, PlotField field, PlotWarnings& warnings) {
  FieldValues f;
  if (field == PlotField::kSpeed || field == PlotField::kGradient) {
    f.values.resize(static_cast<std::size_t>(std::max(s.NUMEL, 0)));
    for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
      const double v = field == PlotField::kSpeed ? Speed(s.VXE(e), s.VYE(e)) : GradientMagnitude(s, e);
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

// The field in the units shown.
FieldValues CollectField(const Store& s, PlotField field, const MeasureUnits& units, PlotWarnings& warnings) {
  FieldValues f = CollectFileField(s, field, warnings);
  const double factor = units.Factor(FieldQuantity(field));
  if (factor != 1.0) {
    for (double& v : f.values) v *= factor;
    f.lo *= factor;
    f.hi *= factor;
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

// The plot area and the model range it shows. The section, padded a little so that its outline stays
// clear of the axes, takes the plot area's full width or full height at one scale; its shape sets the
// area's shape within kLeast… and kMost…, and where a bound stops it the model range widens about the
// section's middle to fill the area. False when the coordinates are too large to draw.
struct Layout {
  Frame frame;
  double x0 = 0.0, x1 = 0.0, y0 = 0.0, y1 = 0.0;  // model range shown
  double width = 0.0, height = 0.0;               // plot area
};

bool LayOut(const Box& box, Layout& layout) {
  const double span = std::max(box.x1 - box.x0, box.y1 - box.y0);
  const double pad = span > 0.0 ? 0.02 * span : 1.0;
  double x0 = box.x0 - pad, x1 = box.x1 + pad, y0 = box.y0 - pad, y1 = box.y1 + pad;
  const double dx = x1 - x0, dy = y1 - y0;
  if (!std::isfinite(dx) || !std::isfinite(dy) || !(dx > 0.0) || !(dy > 0.0)) return false;
  const double scale = std::min(kMostPlotWidth / dx, kMostPlotHeight / dy);
  if (!std::isfinite(scale)) return false;
  const double width = std::max(dx * scale, kLeastPlotWidth), height = std::max(dy * scale, kLeastPlotHeight);
  const double wx = (width / scale - dx) / 2.0, wy = (height / scale - dy) / 2.0;
  x0 -= wx, x1 += wx, y0 -= wy, y1 += wy;
  layout = Layout{};
  layout.frame.x0 = x0;
  layout.frame.y1 = y1;
  layout.frame.scale = scale;
  layout.x0 = x0, layout.x1 = x1, layout.y0 = y0, layout.y1 = y1;
  layout.width = width;
  layout.height = height;
  return true;
}

// The colour bar beside the plot, as tall as the plot area, titled with the field. Levels closer than
// a line of type are labelled every second (or third, …) one.
void ColourBar(std::string& out, const Levels& levels, std::string_view title, std::string_view unit,
               double x, double top, double height) {
  const ScaleText text = ScaleLabels(levels.values, levels.step);
  // On two lines, the unit under the name, when one is wider than the room right of the plot.
  const std::string full = ScaleTitle(title, unit, text.exponent);
  if (Characters(full) * 7.0 <= kColourBarRoom - 28.0 || full.size() == title.size()) {
    Text(out, x, top - 8.0, "", full);
  } else {
    Text(out, x, top - 22.0, "", title);
    Text(out, x, top - 8.0, "", std::string_view(full).substr(title.size() + 1));
  }
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
  const std::int32_t every = std::max(1, static_cast<std::int32_t>(std::ceil(14.0 / bandHeight)));
  for (std::int32_t k = 0; k <= levels.Bands(); ++k) {
    if (k % every != 0 && k != levels.Bands()) continue;
    if (k != levels.Bands() && k + every > levels.Bands() && (levels.Bands() - k) * bandHeight < 14.0)
      continue;
    const double y = top + height - k * bandHeight;
    Line(out, "axis", x + 20.0, y, x + 24.0, y);
    Text(out, x + 27.0, y + 4.0, "", text.labels[static_cast<std::size_t>(k)]);
  }
}

// The colours of the bands, from the bottom of viridis to its top.
void BandStyles(std::string& css, const Levels& levels) {
  for (std::int32_t b = 0; b < levels.Bands(); ++b) {
    const double t = levels.Bands() > 1 ? static_cast<double>(b) / (levels.Bands() - 1) : 0.5;
    css += ".b";
    css += std::to_string(b);
    css += "{fill:";
    svg::AppendViridis(css, t);
    css += ";stroke:";
    svg::AppendViridis(css, t);
    css += "}\n";
  }
}

// The key of the phreatic line, under the colour bar.
void PhreaticKey(std::string& out, double x, double y) {
  Line(out, "casing", x, y, x + 24.0, y);
  Line(out, "phreatic", x, y, x + 24.0, y);
  Text(out, x + 30.0, y + 4.0, "", "Phreatic line");
}

// Velocity arrows at the centres of the cells of a regular grid over the section, at most about
// kMostArrows of them: each with the velocity of the active element that holds its centre, and one per
// element at most (the cell nearest its centroid), so that a coarse mesh is not crowded. On a grid,
// arrows no longer than a cell never overlap, however the elements beneath are shaped.
struct ArrowSite {
  std::int32_t element = 0;
  XY at{};
};

std::vector<ArrowSite> ArrowSites(const Store& s, const ElementBins& bins, const Box& box, double& cell) {
  const double dx = std::max(box.x1 - box.x0, 0.0), dy = std::max(box.y1 - box.y0, 0.0);
  cell = std::sqrt(dx * dy / kMostArrows);
  cell = std::max(cell, std::max(dx, dy) / kMostArrows);
  if (!(cell > 0.0) || !std::isfinite(cell)) return {};
  const auto nx = static_cast<std::int64_t>(std::min(std::ceil(dx / cell), kMostArrows));
  const auto ny = static_cast<std::int64_t>(std::min(std::ceil(dy / cell), kMostArrows));
  // The grid centred over the box.
  const double x0 = 0.5 * (box.x0 + box.x1) - 0.5 * static_cast<double>(nx) * cell;
  const double y0 = 0.5 * (box.y0 + box.y1) - 0.5 * static_cast<double>(ny) * cell;
  std::vector<ArrowSite> sites;
  std::vector<std::pair<std::size_t, double>> kept(static_cast<std::size_t>(std::max(s.NUMEL, 0)) + 1,
                                                   {0, std::numeric_limits<double>::infinity()});
  for (std::int64_t iy = 0; iy < ny; ++iy) {
    for (std::int64_t ix = 0; ix < nx; ++ix) {
      const XY c{x0 + (static_cast<double>(ix) + 0.5) * cell, y0 + (static_cast<double>(iy) + 0.5) * cell};
      const std::int32_t e = LocatePoint(bins, s, c.x, c.y).element;
      if (e == 0 || !IsActive(s, e) || !std::isfinite(Speed(s.VXE(e), s.VYE(e)))) continue;
      const int corners = IsTriangle(s, e) ? 3 : 4;
      // An element with a corner outside the mesh has no centroid to draw from.
      bool nodes = true;
      for (int k = 0; k < corners; ++k) nodes = nodes && IsNode(s, s.ELEM(e, kI + k));
      if (!nodes) continue;
      XY centroid{0.0, 0.0};
      for (int k = 0; k < corners; ++k) {
        centroid.x += s.X(s.ELEM(e, kI + k)) / corners;
        centroid.y += s.Y(s.ELEM(e, kI + k)) / corners;
      }
      const double d = std::hypot(c.x - centroid.x, c.y - centroid.y);
      auto& [at, distance] = kept[static_cast<std::size_t>(e)];
      if (std::isfinite(distance) && !(d < distance)) continue;
      if (std::isfinite(distance)) {
        sites[at].at = c;
      } else {
        at = sites.size();
        sites.push_back({e, c});
      }
      distance = d;
    }
  }
  return sites;
}

// An arrow of `length` picture units centred on `mid`, pointing along (ux, uy) (picture units, y
// downward): a shaft and a head as one closed outline.
Polyline ArrowShape(XY mid, double ux, double uy, double length) {
  const double head = std::min(0.45 * length, 7.0), shaft = 0.9, wing = std::min(3.2, 0.3 * length + 1.0);
  const double nx = -uy, ny = ux;
  const XY tail{mid.x - 0.5 * length * ux, mid.y - 0.5 * length * uy};
  const XY tip{mid.x + 0.5 * length * ux, mid.y + 0.5 * length * uy};
  const XY neck{tip.x - head * ux, tip.y - head * uy};
  return {{tail.x + shaft * nx, tail.y + shaft * ny}, {neck.x + shaft * nx, neck.y + shaft * ny},
          {neck.x + wing * nx, neck.y + wing * ny},   tip,
          {neck.x - wing * nx, neck.y - wing * ny},   {neck.x - shaft * nx, neck.y - shaft * ny},
          {tail.x - shaft * nx, tail.y - shaft * ny}};
}

// Arrows with their length by speed, at least kLeastArrow so that slow flow still shows, and shortened
// (down to that least length, or left out) until every corner lies in an active element.
// What an arrow's length means: `length` picture units for `speed` (file units); none drawn: speed 0.
struct ArrowScale {
  double length = 0.0, speed = 0.0;
};

std::vector<Polyline> Arrows(const Store& s, const Box& box, const Frame& frame, ArrowScale& scale) {
  double cell = 0.0;
  const ElementBins bins = BinElements(s);
  const std::vector<ArrowSite> sites = ArrowSites(s, bins, box, cell);
  double fastest = 0.0;
  for (const ArrowSite& site : sites) {
    if (site.element != 0) fastest = std::max(fastest, Speed(s.VXE(site.element), s.VYE(site.element)));
  }
  std::vector<Polyline> arrows;
  if (!(fastest > 0.0) || !std::isfinite(fastest)) return arrows;
  auto inside = [&](const Polyline& shape) {
    for (const XY& p : shape) {
      const double x = frame.x0 + (p.x - frame.left) / frame.scale,
                   y = frame.y1 - (p.y - frame.top) / frame.scale;
      const PointLocation at = LocatePoint(bins, s, x, y);
      if (at.element == 0 || !IsActive(s, at.element)) return false;
    }
    return true;
  };
  const double longest = 0.85 * cell * frame.scale;  // picture units
  scale = {longest, fastest};
  for (const ArrowSite& site : sites) {
    if (site.element == 0) continue;
    const double vx = s.VXE(site.element), vy = s.VYE(site.element);
    const double speed = Speed(vx, vy);
    if (!(speed > 0.0)) continue;
    const double ux = vx / speed, uy = -vy / speed;
    const XY mid{frame.Px(site.at.x), frame.Py(site.at.y)};
    double length = std::max(longest * speed / fastest, kLeastArrow);
    Polyline shape = ArrowShape(mid, ux, uy, length);
    while (!inside(shape) && length > kLeastArrow) {
      length = std::max(0.7 * length, kLeastArrow);
      shape = ArrowShape(mid, ux, uy, length);
    }
    if (inside(shape)) arrows.push_back(std::move(shape));
  }
  return arrows;
}

// The scale of the arrows under the colour bar: an arrow for a round speed, at most 56 picture units
// long, and that speed with its unit.
void ArrowKey(std::string& out, const ArrowScale& scale, const MeasureUnits& units, double x, double y) {
  const double length = scale.length, speed = scale.speed;
  if (!(speed > 0.0) || !(length > 0.0) || !std::isfinite(speed)) return;
  const double most = speed * std::min(1.0, 56.0 / length);  // the speed of the longest key arrow
  const double shownMost = units.Show(Quantity::kSpeed, most);
  const double power = std::pow(10.0, std::floor(std::log10(shownMost)));
  double round = power;
  for (double m : {2.0, 5.0, 10.0}) {
    if (m * power <= shownMost * (1.0 + 1e-9)) round = m * power;
  }
  const double keyLength = length * (round / units.Factor(Quantity::kSpeed)) / speed;
  const Polyline shape = ArrowShape({x + 0.5 * keyLength, y}, 1.0, 0.0, std::max(keyLength, kLeastArrow));
  Path(out, "arrow-key", std::vector<Polyline>{shape}, true, [](const XY& p) { return p; });
  const std::vector<double> value{round};
  const ScaleText text = ScaleLabels(value, round);
  Text(out, x + std::max(keyLength, kLeastArrow) + 6.0, y + 4.0, "",
       text.labels[0] + ExponentText(text.exponent) + " " + units.Name(Quantity::kSpeed));
}

}  // namespace

std::string TimeText(double time, const MeasureUnits& units) {
  std::string text;
  if (std::isfinite(time)) {
    svg::AppendValue(text, units.Show(Quantity::kTime, time));
  } else {
    text += "\xE2\x80\x93";  // an en dash, as a table shows a value that is no number
  }
  text += units.stated ? " " + units.Name(Quantity::kTime) : " (" + units.Name(Quantity::kTime) + ")";
  return text;
}

Levels PictureLevels(const PlotOptions& options, double lo, double hi) {
  if (options.userLevels.size() >= 2) {
    Levels levels;
    levels.values = options.userLevels;
    // The step that ScaleLabels writes them by: the smallest gap between two of them.
    levels.step = std::numeric_limits<double>::infinity();
    for (std::size_t k = 1; k < levels.values.size(); ++k)
      levels.step = std::min(levels.step, levels.values[k] - levels.values[k - 1]);
    return levels;
  }
  if (options.userRange) return RoundLevels(options.userRange->lo, options.userRange->hi);
  if (options.levels) {
    const double factor = options.units.Factor(FieldQuantity(options.field));
    return RoundLevels(factor * options.levels->lo, factor * options.levels->hi);
  }
  return RoundLevels(lo, hi);
}

namespace {

// The numbers of a level list, split at `separator`; false when one does not read as a finite number.
bool ReadNumbers(std::string_view text, char separator, std::vector<double>& numbers) {
  numbers.clear();
  for (;;) {
    const std::size_t end = text.find(separator);
    const std::string_view part = text.substr(0, end);
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
    if (part.empty() || ec != std::errc{} || ptr != part.data() + part.size() || !std::isfinite(v))
      return false;
    numbers.push_back(v);
    if (end == std::string_view::npos) return true;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

bool ReadLevels(std::string_view text, std::vector<double>& levels, std::string& error) {
  std::vector<double> n;
  if (text.find(':') != std::string_view::npos) {
    if (!ReadNumbers(text, ':', n) || n.size() != 3 || !(n[2] > 0.0) || !(n[1] > n[0]) ||
        (n[1] - n[0]) / n[2] > 1000.0) {
      error = "--levels A:B:STEP: A below B and a positive STEP giving at most 1000 levels, as 0:10:0.5";
      return false;
    }
    levels.clear();
    // A + k STEP, up to B (with room for rounding).
    for (int k = 0; n[0] + k * n[2] <= n[1] + 1e-9 * n[2]; ++k) levels.push_back(n[0] + k * n[2]);
  } else if (!ReadNumbers(text, ',', levels) || levels.size() < 2 ||
             !std::is_sorted(levels.begin(), levels.end(), std::less_equal<>())) {
    error = "--levels v1,v2,...: two or more rising numbers, as 1,2,5,10";
    return false;
  }
  if (levels.size() < 2) {
    error = "--levels: at least two levels";
    return false;
  }
  return true;
}

bool ReadRange(std::string_view text, std::vector<double>& range, std::string& error) {
  if (!ReadNumbers(text, ':', range) || range.size() != 2 || !(range[1] > range[0])) {
    error = "--range MIN:MAX: two numbers, the first below the second, as 0:12.5";
    return false;
  }
  return true;
}

Quantity FieldQuantity(PlotField field) {
  switch (field) {
    case PlotField::kTotalHead:
    case PlotField::kPressureHead:
      return Quantity::kLength;
    case PlotField::kSpeed:
      return Quantity::kSpeed;
    case PlotField::kGradient:
      return Quantity::kNone;
  }
  return Quantity::kNone;
}

std::string_view FieldName(PlotField field) {
  switch (field) {
    case PlotField::kTotalHead:
      return "Total head";
    case PlotField::kPressureHead:
      return "Pressure head";
    case PlotField::kSpeed:
      return "Speed";
    case PlotField::kGradient:
      return "Hydraulic gradient";
  }
  return "";
}

void AppendPictureStyle(std::string& css, const Levels& levels) {
  css += kStyle;
  BandStyles(css, levels);
}

void DrawStepPictureParts(StepPictureParts& parts, Store& s, const PictureMesh& mesh,
                          const PlotOptions& options, bool constant, PlotWarnings& warnings) {
  warnings = PlotWarnings{};
  parts.bands.clear();
  parts.section.clear();
  parts.lines.clear();
  parts.frame.clear();
  parts.title.clear();
  const std::string what = "step " + std::to_string(s.ISTEP) + ", time " + TimeText(s.TIME, options.units);

  // A section that cannot be drawn: its title and a note on an empty canvas.
  const Box box = ActiveBox(s);
  Layout layout;
  const bool drawable = !box.Empty() && LayOut(box, layout);
  if (!drawable) {
    warnings.noActiveElements = box.Empty();
    parts.width = kWidth;
    parts.height = 200.0;
    parts.plotLeft = parts.plotTop = parts.plotWidth = parts.plotHeight = 0.0;
    parts.levels = RoundLevels(0.0, 0.0);
    TitleLine(parts.title, s, what, kWidth);
    Text(parts.lines, kWidth / 2.0, 100.0, "mid",
         box.Empty() ? "No active element in this step"
                     : "The coordinates of the section are too large to draw");
    return;
  }
  Frame& frame = layout.frame;
  parts.width = kLeft + layout.width + kColourBarRoom;
  parts.height = kTop + layout.height + kBottom;
  parts.plotLeft = frame.left;
  parts.plotTop = frame.top;
  parts.plotWidth = layout.width;
  parts.plotHeight = layout.height;

  const MeasureUnits& units = options.units;
  const FieldValues field = CollectField(s, options.field, units, warnings);
  const bool anyValue = field.hi >= field.lo;
  parts.levels = anyValue ? PictureLevels(options, field.lo, field.hi) : PictureLevels(options, 0.0, 0.0);
  const Levels& levels = parts.levels;
  auto toPicture = [&frame](const XY& p) { return XY{frame.Px(p.x), frame.Py(p.y)}; };
  auto toSame = [](const XY& p) { return p; };

  // The step's bands.
  const bool perElement = options.field == PlotField::kSpeed || options.field == PlotField::kGradient;
  const Bands bands = perElement ? ElementBands(mesh.triangles, s, field.values, levels)
                                 : NodalBands(mesh.triangles, s, field.values, levels);
  (options.field == PlotField::kGradient ? warnings.noGradient : warnings.nanElements) = bands.blankElements;
  if (options.field == PlotField::kGradient && bands.blankElements > 0)
    warnings.noGradientCauses = CountGradientLacks(s);
  for (std::int32_t b = 0; b < levels.Bands(); ++b) {
    const std::string cls = "band b" + std::to_string(b);
    Path(parts.bands, cls, bands.loops[static_cast<std::size_t>(b)], true, toPicture);
  }

  // The section's lines.
  if (constant) {
    if (options.mesh) Path(parts.section, "mesh", MeshEdges(s), false, toPicture);
    Path(parts.section, "outline", OutlineLoops(mesh.triangles, s), true, toPicture);
  }

  // The step's lines on top: the phreatic line with its key under the colour bar, the arrows.
  const std::vector<Polyline> phreatic = PhreaticLine(mesh.triangles, s);
  Path(parts.lines, "casing", phreatic, false, toPicture);
  Path(parts.lines, "phreatic", phreatic, false, toPicture);
  const double barX = kLeft + layout.width + 24.0;
  if (!phreatic.empty()) PhreaticKey(parts.lines, barX, kTop + layout.height + 30.0);
  if (options.arrows) {
    ArrowScale scale;
    Path(parts.lines, "arrow", Arrows(s, box, frame, scale), true, toSame);
    // The key on a row of its own under the plot, the canvas taller for it.
    ArrowKey(parts.lines, scale, units, kLeft, parts.height + 4.0);
    if (scale.speed > 0.0) parts.height += 22.0;
  }
  const plot::Placement place{frame.x0,    frame.y1,
                              frame.scale, frame.left,
                              frame.top,   {kLeft, kTop, kLeft + layout.width, kTop + layout.height}};
  if (options.flowLines > 0) {
    const plot::FlowLineNotes notes =
        plot::AppendFlowLines(parts.lines, s, mesh.triangles, options.flowLines, place);
    warnings.flowLinesInside = notes.endedInside;
    warnings.flowLinesFromVelocities = notes.fromVelocities;
  }
  // Equipotentials at the inner levels, under the lines; their labels after the sections' labels.
  plot::ContourLines contours;
  std::vector<std::string> contourTexts;
  if (options.contourLabels && !perElement && levels.Bands() > 1) {
    const std::vector<double> inner(levels.values.begin() + 1, levels.values.end() - 1);
    contours = plot::TraceContours(mesh.triangles, field.values, inner, place);
    contourTexts = ScaleLabels(inner, levels.step).labels;
    plot::AppendContourLines(parts.bands, contours);
  }
  // The labels clear of the phreatic line where they can be, in picture units.
  std::vector<Polyline> obstacles = phreatic;
  for (Polyline& line : obstacles) {
    for (XY& p : line) p = toPicture(p);
  }
  std::vector<plot::LabelBox> taken;
  const std::vector<std::string> legend =
      plot::AppendSections(parts.lines, s, options.sections, mesh.cuts, place, units, taken, obstacles);
  if (!contourTexts.empty()) {
    // Clear of the phreatic line and the sections.
    for (const Section& section : options.sections) {
      Polyline& line = obstacles.emplace_back(section.points);
      for (XY& p : line) p = toPicture(p);
    }
    plot::AppendContourLabels(parts.lines, contours, contourTexts, place.area, taken, obstacles);
  }
  // Labels with no room beside their lines: their text under the plot, the canvas taller for them.
  for (std::size_t k = 0; k < legend.size(); ++k) {
    Text(parts.lines, kLeft, parts.height + 4.0 + 16.0 * static_cast<double>(k), "", legend[k]);
  }
  if (!legend.empty()) parts.height += 16.0 * static_cast<double>(legend.size()) + 6.0;
  plot::AppendSafetyLines(parts.lines, options.exits, options.bases, place);
  if (!anyValue) {
    Text(parts.lines, kLeft + layout.width / 2.0, kTop + layout.height / 2.0, "mid",
         "No finite value in this step");
  }

  // Axes, their titles and the colour bar.
  if (constant) {
    // The ticks at round values of the shown length unit.
    const double shown = units.length;
    const Levels xTicks = RoundTicks(shown * layout.x0, shown * layout.x1, TickRoom(layout.width, 80.0));
    const Levels yTicks = RoundTicks(shown * layout.y0, shown * layout.y1, TickRoom(layout.height, 45.0));
    const std::array<int, 2> exponents = Axes(
        parts.frame, kLeft, kTop, layout.width, layout.height, xTicks, yTicks,
        [&](double x) { return frame.Px(x / shown); }, [&](double y) { return frame.Py(y / shown); });
    const std::string length = units.Name(Quantity::kLength);
    AxisTitles(parts.frame, kLeft, kTop, layout.width, layout.height, ScaleTitle("x", length, exponents[0]),
               ScaleTitle("y", length, exponents[1]));
    ColourBar(parts.frame, levels, FieldName(options.field), units.Name(FieldQuantity(options.field)), barX,
              kTop, layout.height);
  }
  TitleLine(parts.title, s, what, parts.width);
}

PictureMesh PictureMeshOf(const Store& s, const PlotOptions& options) {
  PictureMesh mesh{SplitActiveElements(s), {}};
  for (const Section& section : options.sections) mesh.cuts.push_back(CutSection(mesh.triangles, section));
  return mesh;
}

void DrawStepPicture(std::string& svg, Store& s, const PictureMesh& mesh, const PlotOptions& options,
                     PlotWarnings& warnings) {
  thread_local StepPictureParts parts;
  DrawStepPictureParts(parts, s, mesh, options, true, warnings);
  svg.clear();
  Begin(svg, parts.width, parts.height);
  if (parts.plotWidth > 0.0) BandStyles(svg, parts.levels);
  BeginBody(svg);
  svg += parts.title;
  svg += parts.bands;
  svg += parts.section;
  svg += parts.lines;
  svg += parts.frame;
  svg += "</svg>\n";
}

// ---------------------------------------------------------------------------------------------------
// The point time history.

namespace {

constexpr double kLegendRoom = 250.0, kChartHeight = 560.0;

// Class of the line of the k-th point in a history chart.
std::string PointClass(std::size_t k) {
  std::string cls = "p";
  cls += std::to_string(k);
  return cls;
}

// The chart's plot area over the ranges of the finite times and values, widened where they are one
// value (and the values by a twentieth, so that no line runs along the frame).
ChartFrame HistoryFrame(const HistoryChart& chart) {
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
  return {t0, t1, v0, v1, kLeft, kTop, kWidth - kLeft - kLegendRoom, kChartHeight - kTop - kBottom - 10.0};
}

// One colour per point, and a dash pattern once the colours have all been used.
void PointStyles(std::string& css, std::size_t points) {
  for (std::size_t k = 0; k < points; ++k) {
    css += ".p";
    css += std::to_string(k);
    css += "{fill:none;stroke-width:1.8;stroke:";
    css += kLineColours[k % kLineColours.size()];
    const std::string_view dash = kDashes[(k / kLineColours.size()) % kDashes.size()];
    if (!dash.empty()) {
      css += ";stroke-dasharray:";
      css += dash;
    }
    css += "}\n";
  }
}

// Grid lines at the value ticks, the axes and their titles.
void HistoryAxes(std::string& svg, const ChartFrame& frame, std::string_view name,
                 const HistoryChart& chart) {
  const MeasureUnits& units = chart.units;
  const Levels xTicks = RoundTicks(frame.x0, frame.x1, TickRoom(frame.width, 90.0));
  const Levels yTicks = RoundTicks(frame.y0, frame.y1, TickRoom(frame.height, 45.0));
  auto px = [&](double x) { return frame.Px(x); };
  auto py = [&](double y) { return frame.Py(y); };
  for (double y : yTicks.values) Line(svg, "grid", frame.left, py(y), frame.left + frame.width, py(y));
  const std::array<int, 2> exponents =
      Axes(svg, frame.left, frame.top, frame.width, frame.height, xTicks, yTicks, px, py);
  AxisTitles(svg, frame.left, frame.top, frame.width, frame.height,
             ScaleTitle(chart.across, units.Name(chart.acrossQuantity), exponents[0]),
             ScaleTitle(name, units.Name(chart.quantity), exponents[1]));
}

// One line per point; a value that is not finite breaks it. Markers where the steps are few.
void PointLines(std::string& svg, const ChartFrame& frame, const HistoryChart& chart) {
  const std::size_t points = chart.inside.size(), steps = chart.times.size();
  const bool markers = steps == 1 || (steps <= 40 && steps * points <= 4000);
  std::vector<Polyline> runs;
  for (std::size_t k = 0; k < points; ++k) {
    runs.assign(1, {});
    for (std::size_t step = 0; step < steps; ++step) {
      const double t = chart.times[step], v = chart.values[step * points + k];
      if (std::isfinite(t) && std::isfinite(v)) {
        runs.back().push_back({frame.Px(t), frame.Py(v)});
      } else if (!runs.back().empty()) {
        runs.emplace_back();
      }
    }
    Path(svg, PointClass(k), runs, false, [](const XY& p) { return p; });
    if (!markers) continue;
    svg += "<g class=\"p";
    svg += std::to_string(k);
    svg += "\">";
    for (const Polyline& run : runs) {
      for (const XY& p : run) {
        svg += "<circle";
        Attribute(svg, "cx", p.x);
        Attribute(svg, "cy", p.y);
        svg += " r=\"2.5\"/>";
      }
    }
    svg += "</g>\n";
  }
}

// Legend: point number and coordinates with their unit ("Point 1 (10, 3 m)"), as many as there is
// room for.
void Legend(std::string& svg, const ChartFrame& frame, const HistoryChart& chart, const Store& s) {
  const std::size_t points = chart.inside.size();
  const double x = frame.left + frame.width + 24.0;
  const auto rows = static_cast<std::size_t>(std::max(2.0, (frame.height - 20.0) / 18.0));
  const std::size_t shown = points <= rows ? points : rows - 1;
  for (std::size_t k = 0; k < shown; ++k) {
    const double y = frame.top + 8.0 + 18.0 * static_cast<double>(k);
    Line(svg, PointClass(k), x, y, x + 26.0, y);
    const std::int32_t i = chart.inside[k];
    std::string label = "Point " + std::to_string(i) + " (";
    if (k < chart.labels.size()) {
      label = chart.labels[k];
    } else {
      // Six significant digits: a converted coordinate seldom has a short exact form.
      AppendNumberText(label, chart.units.Show(Quantity::kLength, s.XP(i)), 6);
      label += ", ";
      AppendNumberText(label, chart.units.Show(Quantity::kLength, s.YP(i)), 6);
      label += ' ' + chart.units.Name(Quantity::kLength) + ')';
    }
    Text(svg, x + 32.0, y + 4.0, "", label);
  }
  if (shown < points) {
    Text(svg, x, frame.top + 8.0 + 18.0 * static_cast<double>(shown) + 4.0, "",
         "\xE2\x80\xA6 and " + std::to_string(points - shown) +
             (chart.labels.empty() ? " more points" : " more"));
  }
}

// The points outside the mesh, named under the chart (the first eight).
void LeftOutNote(std::string& svg, const ChartFrame& frame, const HistoryChart& chart) {
  if (chart.outside.empty()) return;
  std::string left = "Left out, outside the mesh: point";
  if (chart.outside.size() > 1) left += 's';
  left += ' ';
  for (std::size_t k = 0; k < chart.outside.size() && k < 8; ++k) {
    if (k > 0) left += ", ";
    left += std::to_string(chart.outside[k]);
  }
  if (chart.outside.size() > 8) left += ", \xE2\x80\xA6";
  Text(svg, frame.left, kChartHeight - 8.0, "", left);
}

}  // namespace

void SetUpHistory(HistoryChart& chart, const Store& s, PlotField field, const MeasureUnits& units) {
  chart = HistoryChart{};
  chart.units = units;
  chart.field = field == PlotField::kPressureHead ? PlotField::kPressureHead : PlotField::kTotalHead;
  for (std::int32_t i = 1; i <= s.NPT && i <= s.IPN.Rows(); ++i) {
    (s.IPN(i, 1) != 0 ? chart.inside : chart.outside).push_back(i);
  }
  for (std::int32_t i = s.IPN.Rows() + 1; i <= s.NPT; ++i) chart.outside.push_back(i);
}

void AddHistoryStep(HistoryChart& chart, const Store& s) {
  chart.times.push_back(chart.units.Show(Quantity::kTime, s.TIME));
  for (std::int32_t i : chart.inside) {
    const double h = PointTotalHead(s, i);
    chart.values.push_back(
        chart.units.Show(Quantity::kLength, chart.field == PlotField::kPressureHead ? h - s.YP(i) : h));
  }
}

std::vector<std::int32_t> PointsOutside(const HistoryChart& chart) {
  return chart.outside;
}

void DrawHistoryChart(std::string& svg, const HistoryChart& chart, const Store& s) {
  svg.clear();
  const std::string what =
      chart.what.empty() ? std::string(FieldName(chart.field)) + " at points" : chart.what;
  if (chart.inside.empty() || chart.times.empty()) {
    EmptyPicture(svg, s, what,
                 chart.inside.empty() ? "No point lies in the mesh" : "No step in the result file");
    return;
  }
  const ChartFrame frame = HistoryFrame(chart);
  Begin(svg, kWidth, kChartHeight);
  PointStyles(svg, chart.inside.size());
  BeginBody(svg);
  TitleLine(svg, s, what, kWidth);
  HistoryAxes(svg, frame, chart.axis.empty() ? FieldName(chart.field) : std::string_view(chart.axis), chart);
  PointLines(svg, frame, chart);
  Legend(svg, frame, chart, s);
  LeftOutNote(svg, frame, chart);
  svg += "</svg>\n";
}

std::string DescribeLeftOut(const PlotWarnings& warnings, const HistoryChart& chart,
                            std::string_view outsideNote) {
  std::string text;
  auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
  if (warnings.nanNodes > 0 || warnings.nanElements > 0) {
    add(std::to_string(warnings.nanNodes) + " node and " + std::to_string(warnings.nanElements) +
        " element values that are not finite left blank");
  }
  if (warnings.noActiveElements) add("no active element to draw");
  if (warnings.noGradient > 0) {
    const std::string causes = DescribeGradientLacks(warnings.noGradientCauses);
    add(std::to_string(warnings.noGradient) + (warnings.noGradient == 1 ? " element" : " elements") +
        " without a hydraulic gradient" + (causes.empty() ? std::string() : " (" + causes + ")") +
        " left blank");
  }
  if (warnings.flowLinesInside > 0) {
    add(std::to_string(warnings.flowLinesInside) +
        (warnings.flowLinesInside == 1 ? " flow line ends" : " flow lines end") + " inside the mesh");
  }
  if (warnings.flowLinesFromVelocities) {
    add("flow lines seeded from the element velocities across the edge (no node's Q shows inflow)");
  }
  const std::vector<std::int32_t> outside = PointsOutside(chart);
  if (!outside.empty()) {
    std::string points;
    for (const std::int32_t p : outside) points += (points.empty() ? "" : ", ") + std::to_string(p);
    add((outside.size() == 1 ? "point " : "points ") + points + " outside the mesh " +
        std::string(outsideNote));
  }
  return text;
}

void AddPlotWarnings(PlotWarnings& sum, const PlotWarnings& picture) {
  sum.nanNodes += picture.nanNodes;
  sum.nanElements += picture.nanElements;
  sum.noActiveElements = sum.noActiveElements || picture.noActiveElements;
  sum.flowLinesInside += picture.flowLinesInside;
  sum.flowLinesFromVelocities = sum.flowLinesFromVelocities || picture.flowLinesFromVelocities;
  if (picture.noGradient > sum.noGradient) {
    sum.noGradient = picture.noGradient;
    sum.noGradientCauses = picture.noGradientCauses;
  }
}

PlotOptions PictureOptionsOf(const OutputChoices& choices) {
  PlotOptions options;
  options.field = choices.field;
  options.mesh = choices.mesh;
  options.arrows = choices.arrows;
  options.flowLines = choices.flowLines;
  options.sections = choices.sections;
  if (choices.levels.size() >= 2) options.userLevels = choices.levels;
  if (choices.range.size() == 2) options.userRange = LevelRange{choices.range[0], choices.range[1]};
  options.contourLabels = choices.contourLabels;
  options.units = choices.units;
  options.exits = choices.exits;
  options.bases = choices.bases;
  return options;
}

}  // namespace seep
