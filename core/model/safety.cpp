#include "core/model/safety.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/model/gradient.h"
#include "core/model/locate.h"

namespace seep {
namespace {

// Two boundary edges at a node whose directions differ by a sine below this lie on one line.
constexpr double kStraight = 1e-6;
// A node within this share of its shortest edge of a line lies on it.
constexpr double kNodeOnLine = 0.01;

std::size_t At(std::int32_t n) {
  return static_cast<std::size_t>(n - 1);
}

// The pressure head P = H − y at point p of sub-triangle `corners`, H interpolated with its weights.
double PressureHeadAt(const Store& s, const std::array<std::int32_t, 3>& corners, const XY& p) {
  PointLocation at;
  if (!WeightsIn(s, corners, p.x, p.y, at)) return kNotANumber;
  double h = 0.0;
  for (int k = 0; k < 3; ++k) h += NodeTotalHead(s, at.nodes[k]) * at.weights[k];
  return h - p.y;
}

// ∫ P ds, ∫ P s ds and the length where P < 0 of a straight part from s = s0 to s1 on which P runs
// linearly from pa to pb.
struct LineIntegrals {
  double p = 0.0, ps = 0.0, negative = 0.0;
};

void AddLinearPart(LineIntegrals& sum, double s0, double s1, double pa, double pb) {
  const double length = s1 - s0;
  sum.p += 0.5 * (pa + pb) * length;
  sum.ps += length / 6.0 * (pa * s0 + (pa + pb) * (s0 + s1) + pb * s1);  // Simpson: exact for P s
  if (pa < 0.0 && pb < 0.0) {
    sum.negative += length;
  } else if (pa < 0.0) {
    sum.negative += length * pa / (pa - pb);
  } else if (pb < 0.0) {
    sum.negative += length * pb / (pb - pa);
  }
}

// The diagonal I–K of quadrilateral e, where its sub-triangles (I, J, K) and (I, K, L) meet, and the
// side of it that J lies on; `split` false for a triangle (or corners outside the mesh).
struct Diagonal {
  bool split = false;
  XY i, k;
  bool jLeft = false;
};

Diagonal DiagonalOf(const Store& s, std::int32_t e) {
  Diagonal d;
  const std::array<std::int32_t, 3> c = SubTriangleCorners(s, e, 1);
  if (CountSubTriangles(s, e) != 2 || !IsNode(s, c[0]) || !IsNode(s, c[1]) || !IsNode(s, c[2])) return d;
  d.split = true;
  d.i = {s.X(c[0]), s.Y(c[0])};
  d.k = {s.X(c[2]), s.Y(c[2])};
  d.jLeft = Orient(d.i, d.k, {s.X(c[1]), s.Y(c[1])}) > 0.0;
  return d;
}

}  // namespace

MeshOutline OutlineActiveMesh(const Store& s, const ActiveTriangles& mesh) {
  MeshOutline outline;
  const std::size_t nodes = static_cast<std::size_t>(std::max(s.NUMNP, 0));
  outline.active.assign(nodes, 0);
  outline.corner.assign(nodes, 0);
  outline.size.assign(nodes, std::numeric_limits<double>::infinity());
  // Per node, the boundary edges that leave it: their count and the first two unit directions.
  std::vector<std::uint8_t> count(nodes, 0);
  std::vector<std::array<XY, 2>> away(nodes);
  for (const MeshTriangle& t : mesh.triangles) {
    for (int k = 0; k < 3; ++k) {
      const std::int32_t a = t.nodes[(k + 1) % 3], b = t.nodes[(k + 2) % 3];
      const XY& p = EdgeStart(t, k);
      const XY& q = EdgeEnd(t, k);
      const double length = std::hypot(q.x - p.x, q.y - p.y);
      outline.active[At(a)] = 1;
      outline.size[At(a)] = std::min(outline.size[At(a)], length);
      outline.size[At(b)] = std::min(outline.size[At(b)], length);
      if (t.neighbour[k] >= 0) continue;
      const XY u{(q.x - p.x) / length, (q.y - p.y) / length};
      for (const auto& [n, d] : {std::pair{a, u}, std::pair{b, XY{-u.x, -u.y}}}) {
        std::uint8_t& c = count[At(n)];
        if (c < 2) away[At(n)][c] = d;
        c = static_cast<std::uint8_t>(std::min(c + 1, 3));
      }
    }
  }
  for (std::size_t n = 0; n < nodes; ++n) {
    if (count[n] == 0) continue;
    const XY& u = away[n][0];
    const XY& v = away[n][1];
    const bool straight =
        count[n] == 2 && std::fabs(u.x * v.y - u.y * v.x) <= kStraight && u.x * v.x + u.y * v.y < 0.0;
    outline.corner[n] = straight ? 0 : 1;
  }
  return outline;
}

bool TouchesCorner(const Store& s, const MeshOutline& outline, std::int32_t e) {
  for (int k = kI; k <= kL; ++k) {
    const std::int32_t n = s.ELEM(e, k);
    if (IsNode(s, n) && outline.corner[At(n)] != 0) return true;
  }
  return false;
}

ExitGradient ExitGradientAlong(const Store& s, const SectionCut& cut, const MeshOutline& outline) {
  ExitGradient exit;
  std::vector<std::int32_t> without;
  double sum = 0.0;
  for (const SectionPiece& piece : cut.pieces) {
    double pieceSum = 0.0;
    int counted = 0;
    for (const std::int32_t e : {piece.element, piece.other}) {
      if (e == 0) continue;
      const ElementGradient g = HydraulicGradient(s, e);
      // i_n = i · n with n to the left: the piece's normal to the right, turned round, over its length.
      const double in = -(g.ix * piece.nx + g.iy * piece.ny) / piece.length;
      if (!g.ok || !std::isfinite(in)) {
        without.push_back(e);
        continue;
      }
      pieceSum += in;
      ++counted;
      if (exit.maxElement == 0 || in > exit.maxGradient) {
        exit.maxElement = e;
        exit.maxGradient = in;
        exit.maxX = g.cx;
        exit.maxY = g.cy;
      }
    }
    if (counted == 0) continue;
    sum += pieceSum / counted * piece.length;
    exit.length += piece.length;
  }
  if (exit.length > 0.0) exit.meanGradient = sum / exit.length;
  if (exit.maxElement != 0) exit.maxAtCorner = TouchesCorner(s, outline, exit.maxElement);
  std::sort(without.begin(), without.end());
  exit.leftOut = std::unique(without.begin(), without.end()) - without.begin();
  return exit;
}

Uplift UpliftAlong(const Store& s, const Section& base, const SectionCut& cut, double gammaW) {
  // Distance along the line to each of its points.
  std::vector<double> along{0.0};
  for (std::size_t k = 0; k + 1 < base.points.size(); ++k) {
    const XY& a = base.points[k];
    const XY& b = base.points[k + 1];
    along.push_back(along.back() + std::hypot(b.x - a.x, b.y - a.y));
  }
  auto pointAt = [&](std::size_t k, double d) {
    const XY& a = base.points[k];
    const XY& b = base.points[k + 1];
    const double t = (d - along[k]) / (along[k + 1] - along[k]);
    return XY{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
  };
  Uplift uplift;
  LineIntegrals sum;
  for (const SectionPiece& piece : cut.pieces) {
    // The piece lies on one segment of the line: the one that holds its middle.
    const double s0 = piece.from, s1 = piece.from + piece.length;
    const double middle = 0.5 * (s0 + s1);
    std::size_t k = 0;
    while (k + 2 < along.size() && along[k + 1] < middle) ++k;
    const std::int32_t e = piece.element;
    const XY a = pointAt(k, s0), b = pointAt(k, s1);
    // A quadrilateral's piece that crosses its diagonal is integrated in two parts, each with the
    // linear P of its own sub-triangle.
    const Diagonal d = DiagonalOf(s, e);
    std::array<double, 3> ends{s0, s1, s1};
    int parts = 1;
    if (d.split) {
      const double fa = Orient(d.i, d.k, a), fb = Orient(d.i, d.k, b);
      if ((fa < 0.0 && fb > 0.0) || (fa > 0.0 && fb < 0.0)) {
        ends = {s0, s0 + fa / (fa - fb) * (s1 - s0), s1};
        parts = 2;
      }
    }
    LineIntegrals part;
    bool ok = true;
    for (int p = 0; p < parts && ok; ++p) {
      const double from = ends[p], to = ends[p + 1];
      if (!(to > from)) continue;
      const bool left = d.split && Orient(d.i, d.k, pointAt(k, 0.5 * (from + to))) > 0.0;
      const std::array<std::int32_t, 3> corners =
          SubTriangleCorners(s, e, d.split && left != d.jLeft ? 2 : 1);
      const double pa = PressureHeadAt(s, corners, pointAt(k, from));
      const double pb = PressureHeadAt(s, corners, pointAt(k, to));
      ok = std::isfinite(pa) && std::isfinite(pb);
      if (ok) AddLinearPart(part, from, to, pa, pb);
    }
    if (!ok) {
      ++uplift.leftOut;
      continue;
    }
    sum.p += part.p;
    sum.ps += part.ps;
    sum.negative += part.negative;
  }
  uplift.integralP = sum.p;
  uplift.force = gammaW * sum.p;
  if (sum.p != 0.0) uplift.actsAt = sum.ps / sum.p;
  uplift.lengthNegative = sum.negative;
  return uplift;
}

WaterBalance BalanceOfNodalFlows(const Store& s, const MeshOutline& outline) {
  WaterBalance balance;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    if (outline.active[At(n)] == 0) continue;
    const double q = s.Q(n);
    if (!std::isfinite(q)) {
      ++balance.leftOut;
    } else if (q > 0.0) {
      balance.inflow += q;
    } else {
      balance.outflow += q;
    }
  }
  balance.net = balance.inflow + balance.outflow;
  if (balance.inflow > 0.0) balance.error = std::fabs(balance.net) / balance.inflow;
  return balance;
}

std::vector<std::int32_t> NodesOnLine(const Store& s, const MeshOutline& outline,
                                      const std::vector<XY>& line) {
  std::vector<std::int32_t> on;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    if (outline.active[At(n)] == 0) continue;
    const XY p{s.X(n), s.Y(n)};
    const double tolerance = kNodeOnLine * outline.size[At(n)];
    for (std::size_t k = 0; k + 1 < line.size(); ++k) {
      const XY& a = line[k];
      const XY& b = line[k + 1];
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      if (!(length > 0.0)) continue;
      // Distance from the segment's line, and how far along it the foot of the point lies.
      const double off = std::fabs(Orient(a, b, p)) / length;
      const double foot = ((p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y)) / length;
      if (off <= tolerance && foot >= -tolerance && foot <= length + tolerance) {
        on.push_back(n);
        break;
      }
    }
  }
  return on;
}

double NodalFlowSum(const Store& s, const std::vector<std::int32_t>& nodes) {
  double sum = 0.0;
  for (const std::int32_t n : nodes) {
    if (std::isfinite(s.Q(n))) sum += s.Q(n);
  }
  return sum;
}

void SetUpSafety(SafetyRun& run, const Store& s) {
  const ActiveTriangles mesh = SplitActiveElements(s);
  run.outline = OutlineActiveMesh(s, mesh);
  run.exitCuts.clear();
  run.upliftCuts.clear();
  run.sectionCuts.clear();
  run.sectionNodes.clear();
  for (const Section& face : run.exits) run.exitCuts.push_back(CutSection(mesh, face));
  for (const Section& base : run.uplifts) run.upliftCuts.push_back(CutSection(mesh, base));
  for (const Section& section : run.sections) {
    run.sectionCuts.push_back(CutSection(mesh, section));
    run.sectionNodes.push_back(NodesOnLine(s, run.outline, section.points));
  }
}

std::string LineOutsideMesh(const SafetyRun& run) {
  for (std::size_t k = 0; k < run.exits.size(); ++k) {
    if (run.exitCuts[k].pieces.empty())
      return "exit face " + run.exits[k].name + " lies outside the active mesh";
  }
  for (std::size_t k = 0; k < run.uplifts.size(); ++k) {
    if (run.upliftCuts[k].pieces.empty())
      return "base " + run.uplifts[k].name + " lies outside the active mesh";
  }
  return {};
}

void AddSafetyStep(SafetyRun& run, const Store& s) {
  run.steps.push_back(s.ISTEP);
  run.times.push_back(s.TIME);
  for (const SectionCut& cut : run.exitCuts) run.exitRows.push_back(ExitGradientAlong(s, cut, run.outline));
  for (std::size_t k = 0; k < run.uplifts.size(); ++k)
    run.upliftRows.push_back(UpliftAlong(s, run.uplifts[k], run.upliftCuts[k], run.gammaW));
  run.balances.push_back(BalanceOfNodalFlows(s, run.outline));
  for (std::size_t k = 0; k < run.sections.size(); ++k)
    run.sectionRows.push_back({NodalFlowSum(s, run.sectionNodes[k]), FlowAcross(s, run.sectionCuts[k]).net});
}

}  // namespace seep
