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

}  // namespace seep
