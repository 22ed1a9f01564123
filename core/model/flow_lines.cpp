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

// A node through which the file's nodal flow enters (Q > 0) or leaves (Q < 0): one with a boundary code.
bool NodalInflow(const Store& s, std::int32_t n) {
  return IsNode(s, n) && s.NCODE(n) != 0 && s.Q(n) > 0.0 && std::isfinite(s.Q(n));
}
bool NodalOutflow(const Store& s, std::int32_t n) {
  return IsNode(s, n) && s.NCODE(n) != 0 && s.Q(n) < 0.0;
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

// A seed: a point on the rim of the mesh and the triangle whose edge it lies on.
struct Seed {
  std::int32_t triangle;
  XY at;
};

class Tracer {
 public:
  Tracer(const Store& s, const ActiveTriangles& mesh, bool nodalFlow)
      : s_(s),
        mesh_(mesh),
        nodalFlow_(nodalFlow),
        around_(static_cast<std::size_t>(s.NUMNP) + 1),
        onRim_(around_.size(), 0) {
    for (const MeshTriangle& t : mesh.triangles) {
      for (int k = 0; k < 3; ++k) {
        if (t.neighbour[k] < 0)
          onRim_[static_cast<std::size_t>(t.nodes[(k + 1) % 3])] =
              onRim_[static_cast<std::size_t>(t.nodes[(k + 2) % 3])] = 1;
      }
    }
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
      for (std::int32_t n : mesh.triangles[i].nodes)
        around_[static_cast<std::size_t>(n)].push_back(static_cast<std::int32_t>(i));
    }
    budget_ = kCrossingsPerTriangle * static_cast<std::int64_t>(mesh.triangles.size()) + 8;
  }

  // Follows the element velocities from point p in triangle `at` until one of the ends.
  FlowLine Trace(std::int32_t at, XY p) const {
    FlowLine line;
    line.points.push_back(p);
    for (std::int64_t crossings = 0;; ++crossings) {
      if (crossings >= budget_) {
        line.end = FlowLineEnd::kBudget;
        break;
      }
      const MeshTriangle& t = mesh_.triangles[static_cast<std::size_t>(at)];
      const double vx = s_.VXE(t.element), vy = s_.VYE(t.element);
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
      const std::int32_t na = t.nodes[(exit + 1) % 3], nb = t.nodes[(exit + 2) % 3];
      double sx = vx, sy = vy;  // the velocity that slides the line along a blocked edge
      if (across < 0) {
        AddPoint(line, p);
        if (!nodalFlow_ || NodalOutflow(s_, na) || NodalOutflow(s_, nb)) {
          line.end = FlowLineEnd::kLeftMesh;
          break;
        }
      } else {
        const MeshTriangle& u = mesh_.triangles[static_cast<std::size_t>(across)];
        if (u.element == t.element) {
          at = across;
          continue;
        }
        AddPoint(line, p);
        // The neighbour's velocity against the edge's outward normal (to the right of a → b).
        const XY& a = EdgeStart(t, exit);
        const XY& b = EdgeEnd(t, exit);
        const double wx = s_.VXE(u.element), wy = s_.VYE(u.element);
        if (!(wx * (b.y - a.y) - wy * (b.x - a.x) < 0.0)) {
          at = across;
          continue;
        }
        sx = 0.5 * (vx + wx), sy = 0.5 * (vy + wy);
      }
      // Slide along the edge to the corner the velocity runs to, and on from there.
      const XY& a = EdgeStart(t, exit);
      const XY& b = EdgeEnd(t, exit);
      const double along = (b.x - a.x) * sx + (b.y - a.y) * sy;
      if (!(std::fabs(along) > 0.0)) {
        line.end = FlowLineEnd::kMeeting;
        break;
      }
      const std::int32_t from = along > 0 ? na : nb;
      std::int32_t node = along > 0 ? nb : na;
      AddPoint(line, along > 0 ? b : a);
      at = GoOn(line, from, node, crossings);
      if (at < 0) break;
      p = line.points.back();
    }
    return line;
  }

 private:
  // From corner `node`, reached along the edge from `from`: the triangle at the corner whose velocity
  // points into it, or, sliding along further blocked edges, the next corner's. -1 when the line ends
  // there (its end set).
  std::int32_t GoOn(FlowLine& line, std::int32_t from, std::int32_t node, std::int64_t& crossings) const {
    for (; crossings < budget_; ++crossings) {
      // Without nodal flows every edge of the mesh lets water out, as where a line meets it.
      if (nodalFlow_ ? NodalOutflow(s_, node) : static_cast<bool>(onRim_[static_cast<std::size_t>(node)])) {
        line.end = FlowLineEnd::kLeftMesh;
        return -1;
      }
      const std::vector<std::int32_t>& fan = around_[static_cast<std::size_t>(node)];
      std::int32_t into = -1;
      double fastest = 0.0;
      for (std::int32_t i : fan) {
        const MeshTriangle& t = mesh_.triangles[static_cast<std::size_t>(i)];
        const double vx = s_.VXE(t.element), vy = s_.VYE(t.element);
        if (!Moving(vx, vy)) continue;
        const int c = t.nodes[0] == node ? 0 : (t.nodes[1] == node ? 1 : 2);
        const XY& o = t.at[static_cast<std::size_t>(c)];
        const XY ahead{o.x + vx, o.y + vy};
        if (Orient(o, t.at[static_cast<std::size_t>((c + 1) % 3)], ahead) > 0.0 &&
            Orient(t.at[static_cast<std::size_t>((c + 2) % 3)], o, ahead) > 0.0 &&
            std::hypot(vx, vy) > fastest) {
          into = i;
          fastest = std::hypot(vx, vy);
        }
      }
      if (into >= 0) return into;
      // No element carries the line away from the corner: on along the edge from it that the mean
      // velocity of its elements runs along most nearly.
      std::int32_t next = 0;
      double best = 0.0;
      XY to{};
      const XY here = line.points.back();
      for (std::int32_t i : fan) {
        const MeshTriangle& t = mesh_.triangles[static_cast<std::size_t>(i)];
        for (int c = 0; c < 3; ++c) {
          const std::int32_t m = t.nodes[static_cast<std::size_t>(c)];
          if (m == node || m == from) continue;
          double vx = 0.0, vy = 0.0;
          int sides = 0;
          for (std::int32_t j : fan) {
            const MeshTriangle& w = mesh_.triangles[static_cast<std::size_t>(j)];
            if (w.nodes[0] != m && w.nodes[1] != m && w.nodes[2] != m) continue;
            vx += s_.VXE(w.element), vy += s_.VYE(w.element), ++sides;
          }
          const XY& q = t.at[static_cast<std::size_t>(c)];
          const double length = std::hypot(q.x - here.x, q.y - here.y);
          const double cosine = ((q.x - here.x) * vx + (q.y - here.y) * vy) / (length * std::hypot(vx, vy));
          if (sides > 0 && length > 0.0 && cosine > best) {
            best = cosine;
            next = m;
            to = q;
          }
        }
      }
      if (next == 0) {
        line.end = FlowLineEnd::kMeeting;
        return -1;
      }
      AddPoint(line, to);
      from = node;
      node = next;
    }
    line.end = FlowLineEnd::kBudget;
    return -1;
  }

  const Store& s_;
  const ActiveTriangles& mesh_;
  bool nodalFlow_;
  std::vector<std::vector<std::int32_t>> around_;  // triangles at each node
  std::vector<char> onRim_;                        // the node lies on the edge of the mesh
  std::int64_t budget_ = 0;
};

// Seed k of `count` at inflow (k − ½) Q / N counted along pieces of the rim, each piece from `a` to `b`
// carrying `q`, spread evenly along it.
struct Piece {
  std::int32_t triangle;
  XY a, b;
  double q;
};

std::vector<Seed> SpreadSeeds(const std::vector<Piece>& pieces, int count) {
  std::vector<Seed> seeds;
  double total = 0.0;
  for (const Piece& p : pieces) total += p.q;
  if (!(total > 0.0) || !std::isfinite(total) || pieces.empty()) return seeds;
  double before = 0.0;
  int k = 0;
  for (const Piece& p : pieces) {
    for (; k < count; ++k) {
      const double target = (k + 0.5) * total / count;
      if (target > before + p.q) break;
      const double f = std::clamp((target - before) / p.q, 0.0, 1.0);
      seeds.push_back({p.triangle, {p.a.x + f * (p.b.x - p.a.x), p.a.y + f * (p.b.y - p.a.y)}});
    }
    before += p.q;
  }
  // Rounding may leave the last seeds past the counted inflow: they start at the end of the last piece.
  for (; k < count; ++k) seeds.push_back({pieces.back().triangle, pieces.back().b});
  return seeds;
}

// The rim's inflow from the nodal flows: each inflow node's Q over the halves of its rim edges that join
// it to another inflow node (all its rim edges when none does).
std::vector<Piece> NodalInflowPieces(const Store& s, const ActiveTriangles& mesh,
                                     const std::vector<Rim>& rim) {
  std::vector<int> joined(static_cast<std::size_t>(s.NUMNP) + 1, 0), edges(joined.size(), 0);
  auto ends = [&](const Rim& r) {
    const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(r.triangle)];
    return std::pair<std::int32_t, std::int32_t>{t.nodes[(r.k + 1) % 3], t.nodes[(r.k + 2) % 3]};
  };
  for (const Rim& r : rim) {
    const auto [a, b] = ends(r);
    ++edges[static_cast<std::size_t>(a)], ++edges[static_cast<std::size_t>(b)];
    if (NodalInflow(s, a) && NodalInflow(s, b))
      ++joined[static_cast<std::size_t>(a)], ++joined[static_cast<std::size_t>(b)];
  }
  // The share of node n's inflow on one half of a rim edge at it; `both`: the edge joins two inflow nodes.
  auto share = [&](std::int32_t n, bool both) {
    if (!NodalInflow(s, n)) return 0.0;
    const int j = joined[static_cast<std::size_t>(n)];
    if (j > 0) return both ? s.Q(n) / j : 0.0;
    return s.Q(n) / std::max(1, edges[static_cast<std::size_t>(n)]);
  };
  std::vector<Piece> pieces;
  for (const Rim& r : rim) {
    const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(r.triangle)];
    const auto [a, b] = ends(r);
    const bool both = NodalInflow(s, a) && NodalInflow(s, b);
    const XY& pa = EdgeStart(t, r.k);
    const XY& pb = EdgeEnd(t, r.k);
    const XY mid{0.5 * (pa.x + pb.x), 0.5 * (pa.y + pb.y)};
    const double qa = share(a, both), qb = share(b, both);
    if (qa > 0.0) pieces.push_back({r.triangle, pa, mid, qa});
    if (qb > 0.0) pieces.push_back({r.triangle, mid, pb, qb});
  }
  return pieces;
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

std::vector<FlowLine> TraceFlowLines(const Store& s, const ActiveTriangles& mesh, int count,
                                     FlowLineSeeds* seeds) {
  std::vector<FlowLine> lines;
  if (seeds != nullptr) *seeds = FlowLineSeeds::kNodalFlow;
  if (count <= 0) return lines;
  const std::vector<Rim> rim = RimInOrder(mesh);
  std::vector<Piece> pieces = NodalInflowPieces(s, mesh, rim);
  const bool nodalFlow = !pieces.empty();
  if (!nodalFlow) {
    if (seeds != nullptr) *seeds = FlowLineSeeds::kVelocities;
    for (const Rim& r : rim) {
      const MeshTriangle& t = mesh.triangles[static_cast<std::size_t>(r.triangle)];
      const double q = Inflow(s, t, r.k);
      if (q > 0.0 && std::isfinite(q)) pieces.push_back({r.triangle, EdgeStart(t, r.k), EdgeEnd(t, r.k), q});
    }
  }
  const Tracer tracer(s, mesh, nodalFlow);
  for (const Seed& seed : SpreadSeeds(pieces, count)) lines.push_back(tracer.Trace(seed.triangle, seed.at));
  return lines;
}

}  // namespace seep
