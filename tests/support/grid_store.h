// A store holding a grid of nx × ny cells of size dx × dy from (0, 0), for the tests of the
// quantities over the mesh: each cell one quadrilateral, two triangles (stored with L = K or with
// L = 0), or, mixed, quadrilaterals and both kinds of triangles in turn. Nodes are numbered row by
// row from the bottom left; an optional map moves them (distorted meshes).
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "support/store_builder.h"

namespace seep::test {

enum class GridShape { kQuadrilaterals, kTrianglesRepeated, kTrianglesZero, kMixed };

struct Grid {
  int nx = 4, ny = 3;
  double dx = 1.0, dy = 1.0;
  GridShape shape = GridShape::kQuadrilaterals;
  std::set<std::pair<int, int>> inactive;  // cells (column, row) whose elements get MAT 0
  std::function<std::pair<double, double>(double, double)> move;  // node position from grid position
};

// Velocity of the elements of cell (column, row).
using CellVelocity = std::function<std::pair<double, double>(int, int)>;
// Total head H(x, y) at a node; P = H − y.
using HeadField = std::function<double(double, double)>;

inline Store GridStore(const Grid& g, const CellVelocity& velocity = {}, const HeadField& head = {}) {
  std::vector<NodeRow> nodes;
  for (int j = 0; j <= g.ny; ++j) {
    for (int i = 0; i <= g.nx; ++i) {
      double x = i * g.dx, y = j * g.dy;
      if (g.move) std::tie(x, y) = g.move(x, y);
      nodes.push_back({x, y, head ? head(x, y) - y : 0.0});
    }
  }
  std::vector<ElementRow> elements;
  auto node = [&](int i, int j) { return static_cast<std::int32_t>(j * (g.nx + 1) + i + 1); };
  int cell = 0;
  for (int j = 0; j < g.ny; ++j) {
    for (int i = 0; i < g.nx; ++i, ++cell) {
      const auto [vx, vy] = velocity ? velocity(i, j) : std::pair<double, double>{0.0, 0.0};
      const std::int32_t mat = g.inactive.count({i, j}) ? 0 : 1;
      const std::int32_t a = node(i, j), b = node(i + 1, j), c = node(i + 1, j + 1), d = node(i, j + 1);
      GridShape shape = g.shape;
      if (shape == GridShape::kMixed) {
        shape = cell % 3 == 0   ? GridShape::kQuadrilaterals
                : cell % 3 == 1 ? GridShape::kTrianglesRepeated
                                : GridShape::kTrianglesZero;
      }
      switch (shape) {
        case GridShape::kQuadrilaterals:
          elements.push_back({a, b, c, d, mat, vx, vy});
          break;
        case GridShape::kTrianglesRepeated:
          elements.push_back({a, b, c, c, mat, vx, vy});
          elements.push_back({a, c, d, d, mat, vx, vy});
          break;
        case GridShape::kTrianglesZero:
        case GridShape::kMixed:
          elements.push_back({a, b, d, 0, mat, vx, vy});
          elements.push_back({b, c, d, 0, mat, vx, vy});
          break;
      }
    }
  }
  return MakeStore(nodes, elements);
}

inline CellVelocity Uniform(double vx, double vy) {
  return [vx, vy](int, int) { return std::pair<double, double>{vx, vy}; };
}

}  // namespace seep::test
