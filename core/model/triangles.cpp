#include "core/model/triangles.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace seep {

std::vector<ElementPart> SplitElements(const Store& s) {
  std::vector<ElementPart> parts;
  parts.reserve(static_cast<std::size_t>(std::max(s.NUMEL, 0)) * 2);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const int count = CountSubTriangles(s, e);
    for (std::int32_t part = 1; part <= count; ++part) {
      const std::array<std::int32_t, 3> c = SubTriangleCorners(s, e, part);
      if (IsNode(s, c[0]) && IsNode(s, c[1]) && IsNode(s, c[2])) parts.push_back({e, part, c});
    }
  }
  return parts;
}

ActiveTriangles SplitActiveElements(const Store& s) {
  ActiveTriangles mesh;
  auto& ts = mesh.triangles;
  for (const ElementPart& part : SplitElements(s)) {
    if (!IsActive(s, part.element)) continue;
    MeshTriangle t;
    t.element = part.element;
    t.nodes = part.nodes;
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
      t.at[k] = NodeAt(s, t.nodes[k]);
      finite = finite && std::isfinite(t.at[k].x) && std::isfinite(t.at[k].y);
    }
    if (!finite) continue;
    const double area = Orient(t.at[0], t.at[1], t.at[2]);
    if (area == 0.0 || !std::isfinite(area)) continue;
    if (area < 0.0) {
      std::swap(t.nodes[1], t.nodes[2]);
      std::swap(t.at[1], t.at[2]);
    }
    t.x0 = std::min({t.at[0].x, t.at[1].x, t.at[2].x});
    t.x1 = std::max({t.at[0].x, t.at[1].x, t.at[2].x});
    t.y0 = std::min({t.at[0].y, t.at[1].y, t.at[2].y});
    t.y1 = std::max({t.at[0].y, t.at[1].y, t.at[2].y});
    ts.push_back(t);
  }

  // Neighbours: the edges sorted by their two nodes; the first two triangles on an edge are each
  // other's neighbours (a third, in an overlapping mesh, has none there).
  struct Side {
    std::int32_t a, b, triangle, k;
  };
  std::vector<Side> sides;
  sides.reserve(ts.size() * 3);
  for (std::size_t i = 0; i < ts.size(); ++i) {
    for (int k = 0; k < 3; ++k) {
      const std::int32_t n1 = ts[i].nodes[(k + 1) % 3], n2 = ts[i].nodes[(k + 2) % 3];
      sides.push_back({std::min(n1, n2), std::max(n1, n2), static_cast<std::int32_t>(i), k});
    }
  }
  std::sort(sides.begin(), sides.end(), [](const Side& p, const Side& q) {
    return std::tie(p.a, p.b, p.triangle, p.k) < std::tie(q.a, q.b, q.triangle, q.k);
  });
  for (std::size_t i = 0; i + 1 < sides.size();) {
    std::size_t j = i + 1;
    while (j < sides.size() && sides[j].a == sides[i].a && sides[j].b == sides[i].b) ++j;
    if (j - i >= 2) {
      const Side& p = sides[i];
      const Side& q = sides[i + 1];
      ts[static_cast<std::size_t>(p.triangle)].neighbour[p.k] = q.triangle;
      ts[static_cast<std::size_t>(q.triangle)].neighbour[q.k] = p.triangle;
    }
    i = j;
  }
  return mesh;
}

std::vector<std::vector<std::size_t>> FollowLoops(const std::vector<LoopEdge>& edges) {
  auto byStart = [](const LoopEdge& a, const LoopEdge& b) {
    return a.group != b.group ? a.group < b.group : a.from < b.from;
  };
  std::vector<char> used(edges.size(), 0);
  auto leaving = [&](std::int32_t group, std::int32_t node) {
    const LoopEdge key{group, node, 0};
    for (auto it = std::lower_bound(edges.begin(), edges.end(), key, byStart);
         it != edges.end() && it->group == group && it->from == node; ++it) {
      const auto k = static_cast<std::size_t>(it - edges.begin());
      if (!used[k]) return k;
    }
    return edges.size();
  };
  std::vector<std::vector<std::size_t>> loops;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    if (used[i]) continue;
    used[i] = 1;
    std::vector<std::size_t> loop{i};
    for (std::int32_t at = edges[i].to; at != edges[i].from;) {
      const std::size_t k = leaving(edges[i].group, at);
      if (k == edges.size()) break;
      used[k] = 1;
      loop.push_back(k);
      at = edges[k].to;
    }
    loops.push_back(std::move(loop));
  }
  return loops;
}

std::vector<Rim> RimInOrder(const ActiveTriangles& mesh) {
  std::vector<Rim> rims;
  for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
    for (int k = 0; k < 3; ++k) {
      if (mesh.triangles[i].neighbour[k] < 0) rims.push_back({static_cast<std::int32_t>(i), k});
    }
  }
  auto node = [&](const Rim& r, int corner) {
    return mesh.triangles[static_cast<std::size_t>(r.triangle)].nodes[(r.k + corner) % 3];
  };
  std::stable_sort(rims.begin(), rims.end(),
                   [&](const Rim& a, const Rim& b) { return node(a, 1) < node(b, 1); });
  std::vector<LoopEdge> edges;
  edges.reserve(rims.size());
  for (const Rim& r : rims) edges.push_back({0, node(r, 1), node(r, 2)});
  std::vector<Rim> order;
  order.reserve(rims.size());
  for (const auto& loop : FollowLoops(edges)) {
    for (std::size_t k : loop) order.push_back(rims[k]);
  }
  return order;
}

}  // namespace seep
