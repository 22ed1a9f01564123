// Small meshes, sections and velocities from the bytes, checked against properties rather than values:
//   - a closed polyline inside a mesh of active elements in a uniform field carries no net flow;
//   - reversing a section negates its flow;
//   - splitting a section at a point of one of its segments leaves its flow as it was;
//   - flow lines end, within their budget of crossings (two points a crossing at most);
//   - a head that is linear in x and y gives every sound triangle that gradient.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/model/flow_lines.h"
#include "core/model/gradient.h"
#include "core/model/section_flux.h"
#include "core/model/store.h"
#include "core/model/triangles.h"
#include "harness.h"

namespace {

using namespace seep;

using fuzz::Bytes;

// A grid of nx × ny nodes a unit apart, each moved by at most a quarter, so that every element stays
// convex and counterclockwise; each cell a quadrilateral or a triangle, some inactive.
Store Mesh(Bytes& b, bool allActive, int& nx, int& ny) {
  Store s;
  nx = 2 + b.Next() % 5;
  ny = 2 + b.Next() % 5;
  s.NUMNP = nx * ny;
  SizeNodeArrays(s, s.NUMNP);
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      const std::int32_t n = j * nx + i + 1;
      s.X(n) = i + 0.5 * (b.Unit() - 0.5);
      s.Y(n) = j + 0.5 * (b.Unit() - 0.5);
    }
  }
  // A cell is one quadrilateral or two triangles (L = K), so that the mesh has no hole but an
  // inactive element.
  std::vector<std::uint8_t> shapes(static_cast<std::size_t>((nx - 1) * (ny - 1)));
  s.NUMEL = 0;
  for (std::uint8_t& shape : shapes) {
    shape = b.Next();
    s.NUMEL += shape % 4 == 0 ? 2 : 1;
  }
  SizeElementArrays(s, s.NUMEL);
  std::int32_t e = 0;
  auto add = [&](std::int32_t i, std::int32_t j, std::int32_t k, std::int32_t l, std::uint8_t shape) {
    ++e;
    s.ELEM(e, kI) = i;
    s.ELEM(e, kJ) = j;
    s.ELEM(e, kK) = k;
    s.ELEM(e, kL) = l;
    s.ELEM(e, kMAT) = !allActive && shape % 7 == 3 ? 0 : 1;
  };
  for (int j = 0; j + 1 < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      const std::int32_t a = j * nx + i + 1;
      const std::uint8_t shape = shapes[static_cast<std::size_t>(j * (nx - 1) + i)];
      if (shape % 4 == 0) {
        add(a, a + 1, a + nx + 1, a + nx + 1, shape);
        add(a, a + nx + 1, a + nx, a + nx, static_cast<std::uint8_t>(shape >> 1));
      } else {
        add(a, a + 1, a + nx + 1, a + nx, shape);
      }
    }
  }
  return s;
}

double Flow(const Store& s, const ActiveTriangles& mesh, const std::vector<XY>& points, bool& onEdge) {
  const SectionCut cut = CutSection(mesh, {"S", points});
  for (const SectionPiece& p : cut.pieces) onEdge = onEdge || p.other != 0;
  return FlowAcross(s, cut).net;
}

// A property that does not hold: named on standard error, then the fuzzer stops.
[[noreturn]] void Broken(const char* property, double got, double want) {
  std::fprintf(stderr, "%s: %.17g, not %.17g\n", property, got, want);
  std::abort();
}

bool Near(double a, double b, double scale) {
  return std::fabs(a - b) <= 1e-7 * (scale + 1.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes b{data, size};
  const bool uniform = b.Next() % 2 == 0;
  int nx = 0, ny = 0;
  Store s = Mesh(b, uniform, nx, ny);
  const double vx = 4.0 * (b.Unit() - 0.5), vy = 4.0 * (b.Unit() - 0.5);
  double speedSum = 0.0;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    s.VXE(e) = uniform ? vx : 4.0 * (b.Unit() - 0.5);
    s.VYE(e) = uniform ? vy : 4.0 * (b.Unit() - 0.5);
    speedSum += std::hypot(s.VXE(e), s.VYE(e));
  }
  const ActiveTriangles mesh = SplitActiveElements(s);
  double extentX = 0.0, extentY = 0.0;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    extentX = std::max(extentX, s.X(n));
    extentY = std::max(extentY, s.Y(n));
  }

  // A polyline of 2 to 6 points over and around the mesh.
  std::vector<XY> points(2 + b.Next() % 5);
  for (XY& p : points) p = {(extentX + 2.0) * b.Unit() - 1.0, (extentY + 2.0) * b.Unit() - 1.0};
  double length = 0.0;
  for (std::size_t k = 0; k + 1 < points.size(); ++k)
    length += std::hypot(points[k + 1].x - points[k].x, points[k + 1].y - points[k].y);
  const double scale = length * (speedSum + 1.0);
  bool onEdge = false;
  const double q = Flow(s, mesh, points, onEdge);
  if (!std::isfinite(q)) Broken("flow not finite", q, 0.0);

  std::vector<XY> reversed(points.rbegin(), points.rend());
  bool onEdgeReversed = false;
  if (const double r = Flow(s, mesh, reversed, onEdgeReversed); !Near(r, -q, scale))
    Broken("reversed section", r, -q);

  std::vector<XY> split = points;
  const std::size_t k = b.Next() % (points.size() - 1);
  const double t = 0.05 + 0.9 * b.Unit();
  split.insert(
      split.begin() + static_cast<std::ptrdiff_t>(k) + 1,
      {points[k].x + t * (points[k + 1].x - points[k].x), points[k].y + t * (points[k + 1].y - points[k].y)});
  bool onEdgeSplit = false;
  const double qSplit = Flow(s, mesh, split, onEdgeSplit);
  // A piece along an edge between two elements takes their mean; a point a rounding off the edge
  // takes one of them: the property holds away from edges.
  if (!onEdge && !onEdgeSplit && !Near(qSplit, q, scale)) Broken("split section", qSplit, q);

  if (uniform) {
    // A closed polyline inside the mesh: its nodes moved by a quarter at most from the grid's.
    std::vector<XY> loop(3 + b.Next() % 4);
    for (XY& p : loop) p = {0.3 + (nx - 1.6) * b.Unit(), 0.3 + (ny - 1.6) * b.Unit()};
    loop.push_back(loop.front());
    bool loopOnEdge = false;
    double perimeter = 0.0;
    for (std::size_t m = 0; m + 1 < loop.size(); ++m)
      perimeter += std::hypot(loop[m + 1].x - loop[m].x, loop[m + 1].y - loop[m].y);
    const double around = Flow(s, mesh, loop, loopOnEdge);
    if (!Near(around, 0.0, perimeter * (std::hypot(vx, vy) + 1.0))) Broken("closed polyline", around, 0.0);
  }

  const int count = 1 + b.Next() % 12;
  const std::vector<FlowLine> lines = TraceFlowLines(s, mesh, count);
  if (static_cast<int>(lines.size()) > count) Broken("flow lines", lines.size(), count);
  // A crossing adds at most two points (where the line meets a blocked edge and the corner it slides
  // to), besides the start; the tracer's budget is kCrossingsPerTriangle per triangle and a few more.
  const std::size_t budget =
      2 * (static_cast<std::size_t>(kCrossingsPerTriangle) * mesh.triangles.size() + 16);
  for (const FlowLine& line : lines) {
    if (line.points.size() > budget) Broken("flow line points", line.points.size(), budget);
  }

  // H = a x + c y + d: P = H − Y at each node.
  const double a = 2.0 * (b.Unit() - 0.5), c = 2.0 * (b.Unit() - 0.5);
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) s.P(n) = a * s.X(n) + c * s.Y(n) + 3.0 - s.Y(n);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const ElementGradient g = HydraulicGradient(s, e);
    if (!g.ok || !IsTriangle(s, e)) continue;  // a moved quadrilateral is bilinear, not linear
    if (!Near(g.ix, -a, 1e2)) Broken("gradient x", g.ix, -a);
    if (!Near(g.iy, -c, 1e2)) Broken("gradient y", g.iy, -c);
  }
  return 0;
}
