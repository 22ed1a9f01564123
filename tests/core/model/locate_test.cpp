// Point location: the sub-triangle that holds a point and its weights, by the plain search over
// every element and by the binned search, which must agree to the bit.
#include "core/model/locate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "support/store_builder.h"

namespace seep {
namespace {

using test::ElementRow;
using test::MakeStore;
using test::NodeRow;

bool SameLocation(const PointLocation& a, const PointLocation& b) {
  return a.element == b.element && a.part == b.part && a.nodes == b.nodes && a.weights == b.weights;
}

// Both searches; they must give the same answer.
PointLocation Locate(const Store& s, double x, double y) {
  const PointLocation plain = LocatePointPlain(s, x, y);
  const PointLocation binned = LocatePoint(BinElements(s), s, x, y);
  EXPECT_TRUE(SameLocation(plain, binned)) << "binned search: element " << binned.element << " part "
                                           << binned.part << ", plain: " << plain.element;
  return plain;
}

using Nodes = std::array<std::int32_t, 3>;
using Weights = std::array<double, 3>;

// A 2 x 1 strip of unit squares, all counterclockwise:
//   4---5---6
//   |   |   |
//   1---2---3
std::vector<NodeRow> Strip() {
  return {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
}

// Node 5 is a corner of both squares. The right square comes first in element order and has node 5
// as L, which only its second sub-triangle (I, K, L) holds.
TEST(LocatePoint, PointOnANodeGoesToTheFirstElementHavingItWithWeightOne) {
  const Store s = MakeStore(Strip(), {{2, 3, 6, 5, 1}, {1, 2, 5, 4, 1}});
  const PointLocation at = Locate(s, 1.0, 1.0);
  EXPECT_EQ(at.element, 1);
  EXPECT_EQ(at.part, 2);
  EXPECT_EQ(at.nodes, (Nodes{2, 6, 5}));
  EXPECT_EQ(at.weights, (Weights{0.0, 0.0, 1.0}));

  // Node 2 is the first corner of the first element: its first sub-triangle takes it.
  const PointLocation corner = Locate(s, 1.0, 0.0);
  EXPECT_EQ(corner.element, 1);
  EXPECT_EQ(corner.part, 1);
  EXPECT_EQ(corner.weights, (Weights{1.0, 0.0, 0.0}));
}

// The diagonal I-K belongs to both sub-triangles; the first one, (I, J, K), takes it.
TEST(LocatePoint, PointOnTheDiagonalGoesToTheFirstSubTriangle) {
  const Store s = MakeStore(Strip(), {{1, 2, 5, 4, 1}});
  const PointLocation at = Locate(s, 0.25, 0.25);
  EXPECT_EQ(at.part, 1);
  EXPECT_EQ(at.nodes, (Nodes{1, 2, 5}));
  EXPECT_EQ(at.weights, (Weights{0.75, 0.0, 0.25}));
  // Just above the diagonal only the second sub-triangle holds the point.
  EXPECT_EQ(Locate(s, 0.25, 0.375).part, 2);
}

// L = 0 and L = K are triangles; L = 0 is not read as node 0.
TEST(LocatePoint, LZeroAndLEqualKAreTriangles) {
  for (std::int32_t l : {0, 5}) {
    SCOPED_TRACE(l);
    const Store s = MakeStore(Strip(), {{1, 2, 5, l, 1}});
    EXPECT_EQ(CountSubTriangles(s, 1), 1);
    const PointLocation at = Locate(s, 0.75, 0.25);
    EXPECT_EQ(at.element, 1);
    EXPECT_EQ(at.nodes, (Nodes{1, 2, 5}));
    EXPECT_EQ(at.weights, (Weights{0.25, 0.5, 0.25}));
    EXPECT_EQ(Locate(s, 0.25, 0.75).element, 0);  // where a second sub-triangle would be
  }
}

// A clockwise element holds no point, not even on its corners or edges; a later counterclockwise
// copy of it does.
TEST(LocatePoint, ClockwiseElementsHoldNoPoint) {
  const Store cw = MakeStore(Strip(), {{1, 4, 5, 2, 1}, {2, 5, 3, 3, 1}});
  for (const auto& [x, y] : {std::pair{0.5, 0.5}, {0.0, 0.0}, {0.5, 0.0}, {1.0, 1.0}, {1.25, 0.25}}) {
    SCOPED_TRACE(testing::Message() << x << ", " << y);
    EXPECT_EQ(Locate(cw, x, y).element, 0);
  }
  const Store both = MakeStore(Strip(), {{1, 4, 5, 2, 1}, {1, 2, 5, 4, 1}});
  EXPECT_EQ(Locate(both, 0.5, 0.5).element, 2);
}

TEST(LocatePoint, PointOutsideEveryElementIsNotLocated) {
  const Store s = MakeStore(Strip(), {{1, 2, 5, 4, 1}, {2, 3, 6, 5, 1}});
  for (const auto& [x, y] : {std::pair{-0.5, 0.5}, {2.0, 1.0 + 1e-15}, {50.0, 50.0}, {3.0, -7.0}}) {
    SCOPED_TRACE(testing::Message() << x << ", " << y);
    const PointLocation at = Locate(s, x, y);
    EXPECT_EQ(at.element, 0);
    EXPECT_EQ(at.nodes, (Nodes{0, 0, 0}));
    EXPECT_EQ(at.weights, (Weights{0.0, 0.0, 0.0}));
  }
}

// So far away that every difference to a corner rounds to the same value, all three areas come out
// as zero and the first element passes the test; its weights are all zero, so the point's heads are
// zero like those of any point outside the mesh.
TEST(LocatePoint, PointTooFarForTheAreasToTellTheCornersApartGetsZeroWeights) {
  const Store s = MakeStore(Strip(), {{2, 3, 6, 5, 1}, {1, 2, 5, 4, 1}});
  const PointLocation at = Locate(s, 1e20, 1e20);
  EXPECT_EQ(at.element, 1);
  EXPECT_EQ(at.weights, (Weights{0.0, 0.0, 0.0}));
}

// A clockwise triangle so flat that the area of its corner with the other two rounds to zero or
// more: the test lets it hold that corner. The binned search must try it too, though clockwise
// elements hold nothing elsewhere.
TEST(LocatePoint, NearlyFlatClockwiseTriangleHoldsItsCornerThroughRounding) {
  const Store s = MakeStore({{0.29999999999999999, 0.099999999999999992, 0},
                             {9.0, 3.0, 0},
                             {4.6500000000000004, 1.5500000000000003, 0},
                             {0.0, 0.0, 0},
                             {10.0, 0.0, 0},
                             {10.0, 10.0, 0},
                             {0.0, 10.0, 0}},
                            {{1, 2, 3, 3, 1}, {4, 5, 6, 7, 1}});
  ASSERT_LT(SignedArea(NodeAt(s, 1), NodeAt(s, 2), NodeAt(s, 3)), 0.0);
  EXPECT_EQ(Locate(s, s.X(3), s.Y(3)).element, 1);
  EXPECT_EQ(Locate(s, 4.0, 1.0).element, 2);
}

// A point on a flat sub-triangle passes the area test with every area zero; it is passed over (no
// division by zero) and the point goes to the next element that holds it.
TEST(LocatePoint, FlatSubTrianglesArePassedOver) {
  const Store s = MakeStore(Strip(), {{1, 2, 3, 3, 1}, {1, 1, 2, 2, 1}, {1, 2, 5, 4, 1}});
  const PointLocation at = Locate(s, 0.5, 0.0);
  EXPECT_EQ(at.element, 3);
  EXPECT_EQ(at.weights, (Weights{0.5, 0.5, 0.0}));
}

// Corner numbers outside the mesh are passed over with their sub-triangle, never used as indices.
TEST(LocatePoint, SubTrianglesWithCornersOutsideTheMeshArePassedOver) {
  const Store s = MakeStore(Strip(), {{1, 2, 7, 4, 1}, {2, 3, 6, -1, 1}, {-3, 0, 0, 0, 1}});
  EXPECT_EQ(Locate(s, 0.25, 0.5).element, 0);      // element 1 has K = 7 in both sub-triangles
  const PointLocation at = Locate(s, 1.75, 0.25);  // element 2's first sub-triangle is whole
  EXPECT_EQ(at.element, 2);
  EXPECT_EQ(at.part, 1);
  EXPECT_EQ(Locate(s, 1.25, 0.75).element, 0);  // its second one names node -1
}

// --- Random meshes and points ------------------------------------------------------------------

// A mesh with every kind of element: quadrilaterals split along either diagonal, triangles with L = K
// and with L = 0, clockwise elements (some with a counterclockwise copy later in element order),
// flat elements, corners outside the mesh and a large element overlapping many others, all in a
// random element order.
Store MixedMesh(std::mt19937_64& rng, int cells, double x0, double y0, double h, double jitterShare) {
  std::uniform_real_distribution<double> jitter(-jitterShare * h, jitterShare * h);
  std::vector<NodeRow> nodes;
  for (int j = 0; j <= cells; ++j) {
    for (int i = 0; i <= cells; ++i) nodes.push_back({x0 + i * h + jitter(rng), y0 + j * h + jitter(rng), 0});
  }
  const std::int32_t numnp = static_cast<std::int32_t>(nodes.size());
  std::vector<ElementRow> elements;
  std::uniform_int_distribution<int> shape(0, 7);
  for (int j = 0; j < cells; ++j) {
    for (int i = 0; i < cells; ++i) {
      const std::int32_t a = j * (cells + 1) + i + 1, b = a + 1, c = b + cells + 1, d = a + cells + 1;
      switch (shape(rng)) {
        case 0:
          elements.push_back({a, b, c, d, 1});
          break;
        case 1:
          elements.push_back({b, c, d, a, 1});
          break;
        case 2:
          elements.push_back({a, b, c, c, 1});
          elements.push_back({a, c, d, d, 0});
          break;
        case 3:
          elements.push_back({a, b, d, 0, 1});
          elements.push_back({b, c, d, 0, 1});
          break;
        case 4:
          elements.push_back({a, d, c, b, 1});
          break;  // clockwise, a hole
        case 5:
          elements.push_back({a, d, c, b, 1});
          elements.push_back({a, b, c, d, 1});
          break;
        case 6:
          elements.push_back({a, b, c, numnp + 3, 1});
          break;  // second sub-triangle passed over
        default:
          elements.push_back({a, a, b, b, 1});  // flat
          elements.push_back({d, a, b, c, 1});
          break;
      }
    }
  }
  const std::int32_t last = numnp;
  elements.push_back({1, 1 + cells, last, last - cells, 1});  // over the whole mesh
  std::shuffle(elements.begin(), elements.end(), rng);
  return MakeStore(nodes, elements);
}

// --- Weights against barycentric coordinates solved independently -------------------------------

// Solves p = v1 + u (v2 - v1) + w (v3 - v1) for (u, w) by Cramer's rule in extended precision and gives
// the weights (1 - u - w, u, w) of the corners.
Weights Barycentric(const Store& s, const Nodes& n, double x, double y) {
  using Ld = long double;
  const Ld x1 = s.X(n[0]), y1 = s.Y(n[0]);
  const Ld a11 = s.X(n[1]) - x1, a12 = s.X(n[2]) - x1, a21 = s.Y(n[1]) - y1, a22 = s.Y(n[2]) - y1;
  const Ld b1 = x - x1, b2 = y - y1;
  const Ld det = a11 * a22 - a12 * a21;
  const Ld u = (b1 * a22 - a12 * b2) / det, w = (a11 * b2 - b1 * a21) / det;
  return {static_cast<double>(1 - u - w), static_cast<double>(u), static_cast<double>(w)};
}

TEST(LocatePoint, WeightsAreTheBarycentricCoordinatesOfThePoint) {
  std::mt19937_64 rng(7);
  const Store s = MixedMesh(rng, 12, -3.0, 2.0, 0.5, 0.3);
  std::uniform_real_distribution<double> x(-3.0, 3.0), y(2.0, 8.0);
  const std::vector<ElementPart> parts = SplitElements(s);
  int located = 0;
  for (int n = 0; n < 2000; ++n) {
    const double px = x(rng), py = y(rng);
    const PointLocation at = LocatePointPlain(parts, s, px, py);
    if (at.element == 0) continue;
    ++located;
    const Weights expected = Barycentric(s, at.nodes, px, py);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(at.weights[k], expected[k], 1e-12) << px << ", " << py << " weight " << k;
      EXPECT_GE(at.weights[k], 0.0);
    }
  }
  EXPECT_GT(located, 1500);
}

// --- The binned search against the plain one -----------------------------------------------------

// Points inside, on nodes, on edges (at exact midpoints and at rounded positions along them),
// around the mesh, and far beyond it.
std::vector<std::pair<double, double>> ProbePoints(std::mt19937_64& rng, const Store& s, int count) {
  double x0 = s.X(1), x1 = x0, y0 = s.Y(1), y1 = y0;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    x0 = std::min(x0, s.X(n));
    x1 = std::max(x1, s.X(n));
    y0 = std::min(y0, s.Y(n));
    y1 = std::max(y1, s.Y(n));
  }
  const double wx = x1 - x0, wy = y1 - y0;
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::uniform_int_distribution<std::int32_t> node(1, s.NUMNP), kind(0, 5);
  std::vector<std::pair<double, double>> points;
  for (int n = 0; n < count; ++n) {
    const std::int32_t a = node(rng), b = std::min(a + 1, s.NUMNP);
    switch (kind(rng)) {
      case 0:
        points.emplace_back(x0 + u(rng) * wx, y0 + u(rng) * wy);
        break;
      case 1:
        points.emplace_back(s.X(a), s.Y(a));
        break;
      case 2:
        points.emplace_back((s.X(a) + s.X(b)) / 2, (s.Y(a) + s.Y(b)) / 2);
        break;
      case 3: {
        const double t = u(rng);
        points.emplace_back(s.X(a) + t * (s.X(b) - s.X(a)), s.Y(a) + t * (s.Y(b) - s.Y(a)));
        break;
      }
      case 4:
        points.emplace_back(x0 + (4 * u(rng) - 1.5) * wx, y0 + (4 * u(rng) - 1.5) * wy);
        break;
      default: {
        const double far[] = {1e20, -1e20, 1e300, 3.0 * wx, -1e6 * wy};
        points.emplace_back(x0 + far[n % 5], y0 - far[(n / 5) % 5]);
        break;
      }
    }
  }
  return points;
}

struct Agreement {
  int points = 0, located = 0, mismatches = 0;
};

Agreement CompareSearches(const Store& s, const std::vector<std::pair<double, double>>& points) {
  Agreement r;
  const ElementBins bins = BinElements(s);
  EXPECT_TRUE(bins.usable);
  const std::vector<ElementPart> parts = SplitElements(s);
  for (const auto& [x, y] : points) {
    const PointLocation plain = LocatePointPlain(parts, s, x, y);
    const PointLocation binned = LocatePoint(bins, s, x, y);
    ++r.points;
    if (plain.element != 0) ++r.located;
    if (!SameLocation(plain, binned)) {
      if (r.mismatches++ == 0) {
        ADD_FAILURE() << "point " << x << ", " << y << ": plain element " << plain.element << " part "
                      << plain.part << ", binned element " << binned.element << " part " << binned.part;
      }
    }
  }
  return r;
}

TEST(LocatePoint, BinnedSearchAgreesWithThePlainSearch) {
  struct Case {
    const char* name;
    double x0, y0, h, jitter;
  } cases[] = {
      {"unit cells near the origin", 0.0, 0.0, 1.0, 0.3},
      {"undisturbed grid", -10.0, -10.0, 0.25, 0.0},
      {"map coordinates, metre cells", 512345.678, 4123456.789, 1.3, 0.35},
      {"small cells", 1e-6, 2e-6, 1e-7, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::mt19937_64 rng(42);
    const Store s = MixedMesh(rng, 30, c.x0, c.y0, c.h, c.jitter);
    const Agreement r = CompareSearches(s, ProbePoints(rng, s, 6000));
    EXPECT_EQ(r.mismatches, 0);
    EXPECT_GT(r.located, r.points / 4);
  }
}

// Near-flat slivers, nearly flat clockwise ones, and elements far larger than the rest.
TEST(LocatePoint, BinnedSearchAgreesOnSliversAndMixedSizes) {
  std::mt19937_64 rng(3);
  std::vector<NodeRow> nodes;
  std::vector<ElementRow> elements;
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int n = 0; n < 600; ++n) {
    const double x = 100 * u(rng), y = 100 * u(rng), len = 50 * u(rng), lift = std::pow(10.0, -16 * u(rng));
    const std::int32_t a = static_cast<std::int32_t>(nodes.size()) + 1;
    nodes.push_back({x, y, 0});
    nodes.push_back({x + len, y + len / 3, 0});
    nodes.push_back({x + len / 2, y + len / 6 + (n % 2 ? lift : -lift), 0});
    elements.push_back({a, a + 1, a + 2, a + 2, 1});
  }
  const std::int32_t big = static_cast<std::int32_t>(nodes.size()) + 1;
  nodes.insert(nodes.end(), {{-50, -50, 0}, {150, -50, 0}, {150, 150, 0}, {-50, 150, 0}});
  elements.push_back({big, big + 1, big + 2, big + 3, 1});
  std::shuffle(elements.begin(), elements.end(), rng);
  const Store s = MakeStore(nodes, elements);

  std::vector<std::pair<double, double>> points = ProbePoints(rng, s, 4000);
  // On the long edge of each sliver and at its corners, where rounding decides.
  for (std::int32_t a = 1; a + 2 < big; a += 3) {
    const double t = u(rng);
    points.emplace_back(s.X(a) + t * (s.X(a + 1) - s.X(a)), s.Y(a) + t * (s.Y(a + 1) - s.Y(a)));
    for (std::int32_t n = a; n < a + 3; ++n) points.emplace_back(s.X(n), s.Y(n));
  }
  const Agreement r = CompareSearches(s, points);
  EXPECT_EQ(r.mismatches, 0);
  EXPECT_GT(r.located, r.points / 4);
}

}  // namespace
}  // namespace seep
