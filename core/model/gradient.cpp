#include "core/model/gradient.h"

#include <cmath>

namespace seep {

ElementGradient HydraulicGradient(const Store& s, std::int32_t e) {
  ElementGradient g;
  const int corners = IsTriangle(s, e) ? 3 : 4;
  double x[4], y[4], h[4];
  for (int k = 0; k < corners; ++k) {
    const std::int32_t n = s.ELEM(e, kI + k);
    if (!IsNode(s, n)) {
      g.lack = GradientLack::kCornerOutside;
      return g;
    }
    x[k] = s.X(n);
    y[k] = s.Y(n);
    h[k] = s.P(n) + s.Y(n);
    if (!std::isfinite(x[k]) || !std::isfinite(y[k])) g.lack = GradientLack::kDegenerate;
  }
  if (g.lack != GradientLack::kNone) return g;
  for (int k = 0; k < corners; ++k) {
    if (!std::isfinite(h[k])) {
      g.lack = GradientLack::kHeadNotANumber;
      return g;
    }
  }
  // Derivatives of x, y and H along the two local directions; for a triangle along its edges from I,
  // for a quadrilateral along ξ and η at the centre (dN/dξ = (−1, 1, 1, −1) / 4, dN/dη = (−1, −1, 1, 1) / 4).
  double xa, ya, ha, xb, yb, hb;
  if (corners == 3) {
    xa = x[1] - x[0], ya = y[1] - y[0], ha = h[1] - h[0];
    xb = x[2] - x[0], yb = y[2] - y[0], hb = h[2] - h[0];
    g.cx = (x[0] + x[1] + x[2]) / 3.0;
    g.cy = (y[0] + y[1] + y[2]) / 3.0;
  } else {
    xa = 0.25 * ((x[1] + x[2]) - (x[0] + x[3])), ya = 0.25 * ((y[1] + y[2]) - (y[0] + y[3]));
    ha = 0.25 * ((h[1] + h[2]) - (h[0] + h[3]));
    xb = 0.25 * ((x[2] + x[3]) - (x[0] + x[1])), yb = 0.25 * ((y[2] + y[3]) - (y[0] + y[1]));
    hb = 0.25 * ((h[2] + h[3]) - (h[0] + h[1]));
    g.cx = 0.25 * ((x[0] + x[1]) + (x[2] + x[3]));
    g.cy = 0.25 * ((y[0] + y[1]) + (y[2] + y[3]));
  }
  // Chain rule: (ha, hb) = J (Hx, Hy) with J = [[xa, ya], [xb, yb]].
  const double det = xa * yb - xb * ya;
  if (det == 0.0 || !std::isfinite(det)) {
    g.lack = GradientLack::kDegenerate;
    return g;
  }
  const double hx = (ha * yb - hb * ya) / det;
  const double hy = (hb * xa - ha * xb) / det;
  if (!std::isfinite(hx) || !std::isfinite(hy)) {
    g.lack = GradientLack::kOverflow;
    return g;
  }
  g.ix = -hx;
  g.iy = -hy;
  g.ok = true;
  return g;
}

LargestGradient FindLargestGradient(const Store& s) {
  LargestGradient largest;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e)) continue;
    const ElementGradient g = HydraulicGradient(s, e);
    if (const GradientLack why = LackOf(g); why != GradientLack::kNone) {
      ++largest.degenerate;
      largest.lacks.Add(why);
      continue;
    }
    const double m = g.Magnitude();
    if (largest.element == 0 || m > largest.magnitude) {
      largest.element = e;
      largest.magnitude = m;
      largest.cx = g.cx;
      largest.cy = g.cy;
    }
  }
  return largest;
}

GradientLack LackOf(const ElementGradient& g) {
  if (!g.ok) return g.lack;
  return std::isfinite(g.Magnitude()) ? GradientLack::kNone : GradientLack::kOverflow;
}

GradientLacks CountGradientLacks(const Store& s) {
  GradientLacks lacks;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e)) continue;
    if (const GradientLack why = LackOf(HydraulicGradient(s, e)); why != GradientLack::kNone) lacks.Add(why);
  }
  return lacks;
}

std::string DescribeGradientLacks(const GradientLacks& lacks) {
  static constexpr std::array<const char*, 4> kWords{"without area", "with a corner outside the mesh",
                                                     "with a head that is not a number",
                                                     "with a gradient too large for a number"};
  std::string text;
  for (std::size_t k = 0; k < kWords.size(); ++k) {
    if (lacks.count[k] == 0) continue;
    text += (text.empty() ? "" : ", ") + std::to_string(lacks.count[k]) + " " + kWords[k];
  }
  return text;
}

}  // namespace seep
