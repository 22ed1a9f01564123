#include "core/model/gradient.h"

#include <cmath>

namespace seep {

ElementGradient HydraulicGradient(const Store& s, std::int32_t e) {
  ElementGradient g;
  const int corners = IsTriangle(s, e) ? 3 : 4;
  double x[4], y[4], h[4];
  for (int k = 0; k < corners; ++k) {
    const std::int32_t n = s.ELEM(e, kI + k);
    if (!IsNode(s, n)) return g;
    x[k] = s.X(n);
    y[k] = s.Y(n);
    h[k] = s.P(n) + s.Y(n);
    if (!std::isfinite(x[k]) || !std::isfinite(y[k]) || !std::isfinite(h[k])) return g;
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
  if (det == 0.0 || !std::isfinite(det)) return g;
  const double hx = (ha * yb - hb * ya) / det;
  const double hy = (hb * xa - ha * xb) / det;
  if (!std::isfinite(hx) || !std::isfinite(hy)) return g;
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
    if (!g.ok) {
      ++largest.degenerate;
      continue;
    }
    const double m = g.Magnitude();
    if (!std::isfinite(m)) {
      ++largest.degenerate;
      continue;
    }
    if (largest.element == 0 || m > largest.magnitude) largest = {e, m, g.cx, g.cy, largest.degenerate};
  }
  return largest;
}

}  // namespace seep
