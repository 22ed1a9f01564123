#include "core/model/flow_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace seep {
namespace {

// An edge of the active mesh, counterclockwise around the mesh: the edge opposite corner k of a
// triangle that has no neighbour there.
struct Rim {
  std::int32_t triangle;
  int k;
};

// Flow into the mesh through edge k of triangle t (v · inward normal × edge length): positive where
// water enters. The outward normal of a counterclockwise triangle lies to the right of its edges.
double Inflow(const Store& s, const MeshTriangle& t, int k) {
  const XY& p = EdgeStart(t, k);
  const XY& q = EdgeEnd(t, k);
  const double vx = s.VXE(t.element), vy = s.VYE(t.element);
  return -(vx * (q.y - p.y) - vy * (q.x - p.x));
}

bool Moving(double vx, double vy) {
  return std::isfinite(vx) && std::isfinite(vy) && (vx != 0.0 || vy != 0.0);
}

// The mesh's edges in order along each of its boundary loops, so that seeds follow one another.
std::vector<Rim> RimInOrder(const ActiveTriangles& mesh) {
  struct Link {
    std::int32_t from;
    Rim rim;
  };
  std::vector<Link> links;
  for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
    const MeshTriangle& t = mesh.triangles[i];
    for (int k = 0; k < 3; ++k) {
      if (t.neighbour[k] < 0) links.push_back({t.nodes[(k + 1) % 3], {static_cast<std::int32_t>(i), k}});
    }
  }
  std::stable_sort(links.begin(), links.end(), [](const Link& a, const Link& b) { return a.from < b.from; });
  std::vector<char> used(links.size(), 0);
  std::vector<Rim> order;
  order.reserve(links.size());
  auto next = [&](std::int32_t node) -> std::ptrdiff_t {
    auto it = std::lower_bound(links.begin(), links.end(), node,
                               [](const Link& l, std::int32_t n) { return l.from < n; });
    for (; it != links.end() && it->from == node; ++it) {
      if (!used[static_cast<std::size_t>(it - links.begin())]) return it - links.begin();
    }
    return -1;
  };
  for (std::size_t start = 0; start < links.size(); ++start) {
    for (std::ptrdiff_t i = used[start] ? -1 : static_cast<std::ptrdiff_t>(start); i >= 0;) {
      used[static_cast<std::size_t>(i)] = 1;
      const Rim rim = links[static_cast<std::size_t>(i)].rim;
      order.push_back(rim);
      const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(rim.triangle)];
      i = next(t.nodes[(rim.k + 2) % 3]);
    }
  }
  return order;
}

// Points where the line goes on in the same element lie on one straight run and are not kept.
void AddPoint(FlowLine& line, const XY& p) {
  if (line.points.back().x != p.x || line.points.back().y != p.y) line.points.push_back(p);
}

// Follows the element velocities from point p in triangle `at` until one of the ends.
FlowLine Trace(const Store& s, const ActiveTriangles& mesh, std::int32_t at, XY p) {
  FlowLine line;
  line.points.push_back(p);
  const std::int64_t budget = kCrossingsPerTriangle * static_cast<std::int64_t>(mesh.triangles.size()) + 8;
  for (std::int64_t crossings = 0;; ++crossings) {
    if (crossings >= budget) {
      line.end = FlowLineEnd::kBudget;
      break;
    }
    const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(at)];
    const double vx = s.VXE(t.element), vy = s.VYE(t.element);
    if (!Moving(vx, vy)) {
      line.end = FlowLineEnd::kStill;
      break;
    }
    // The line leaves through the edge whose side area (twice the area of p and the edge) first
    // falls to zero: area_k(p + τ v) = area_k(p) + τ (edge_k × v).
    int exit = -1;
    double when = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 3; ++k) {
      const XY& a = EdgeStart(t, k);
      const XY& b = EdgeEnd(t, k);
      const double rate = (b.x - a.x) * vy - (b.y - a.y) * vx;
      if (!(rate < 0.0)) continue;
      const double tau = std::max(Orient(a, b, p), 0.0) / -rate;
      if (tau < when) {
        when = tau;
        exit = k;
      }
    }
    if (exit < 0 || !std::isfinite(when)) {
      line.end = FlowLineEnd::kStill;
      break;
    }
    p = {p.x + when * vx, p.y + when * vy};
    const std::int32_t across = t.neighbour[exit];
    if (across < 0) {
      AddPoint(line, p);
      line.end = FlowLineEnd::kLeftMesh;
      break;
    }
    const MeshTriangle& u = mesh.triangles[static_cast<std::size_t>(across)];
    if (u.element != t.element) {
      AddPoint(line, p);
      // The neighbour's velocity against the edge's outward normal (to the right of a → b).
      const XY& a = EdgeStart(t, exit);
      const XY& b = EdgeEnd(t, exit);
      const double wx = s.VXE(u.element), wy = s.VYE(u.element);
      if (wx * (b.y - a.y) - wy * (b.x - a.x) < 0.0) {
        line.end = FlowLineEnd::kMeeting;
        break;
      }
    }
    at = across;
  }
  AddPoint(line, p);
  return line;
}

}  // namespace

double BoundaryInflow(const Store& s, const ActiveTriangles& mesh) {
  double total = 0.0;
  for (const MeshTriangle& t : mesh.triangles) {
    for (int k = 0; k < 3; ++k) {
      if (t.neighbour[k] >= 0) continue;
      const double q = Inflow(s, t, k);
      if (q > 0.0 && std::isfinite(q)) total += q;
    }
  }
  return total;
}

std::vector<FlowLine> TraceFlowLines(const Store& s, const ActiveTriangles& mesh, int count) {
  std::vector<FlowLine> lines;
  if (count <= 0) return lines;
  const std::vector<Rim> rim = RimInOrder(mesh);
  double total = 0.0;
  for (const Rim& r : rim) {
    const double q = Inflow(s, mesh.triangles[static_cast<std::size_t>(r.triangle)], r.k);
    if (q > 0.0 && std::isfinite(q)) total += q;
  }
  if (!(total > 0.0) || !std::isfinite(total)) return lines;
  lines.reserve(static_cast<std::size_t>(count));
  // Rounding may leave the last seeds past the counted inflow: they start at the end of the last
  // inflow edge.
  const Rim* lastIn = nullptr;
  // Seed k at inflow (k − ½) Q / N counted along the rim; the inflow of an edge grows linearly along it.
  double before = 0.0;
  int k = 0;
  for (const Rim& r : rim) {
    const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(r.triangle)];
    const double q = Inflow(s, t, r.k);
    if (!(q > 0.0) || !std::isfinite(q)) continue;
    const XY& a = EdgeStart(t, r.k);
    const XY& b = EdgeEnd(t, r.k);
    for (; k < count; ++k) {
      const double target = (k + 0.5) * total / count;
      if (target > before + q) break;
      const double f = std::clamp((target - before) / q, 0.0, 1.0);
      lines.push_back(Trace(s, mesh, r.triangle, {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y)}));
    }
    before += q;
    lastIn = &r;
  }
  for (; k < count && lastIn != nullptr; ++k) {
    const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(lastIn->triangle)];
    lines.push_back(Trace(s, mesh, lastIn->triangle, EdgeEnd(t, lastIn->k)));
  }
  return lines;
}

}  // namespace seep
