#include "core/model/average.h"

namespace seep {

void AverageNodalVelocity(Store& s) {
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    s.NCNT(n) = 0;
    s.VXN(n) = 0.0;
    s.VYN(n) = 0.0;
  }
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (!IsActive(s, e)) continue;
    // A triangle repeats its third corner as the fourth; its L is never read.
    const int corners = RepeatsThirdCorner(s, e) ? 3 : 4;
    for (int j = 1; j <= corners; ++j) {
      const std::int32_t m = s.ELEM(e, j);
      if (!IsNode(s, m)) continue;
      s.NCNT(m) += 1;
      s.VXN(m) += s.VXE(e);
      s.VYN(m) += s.VYE(e);
    }
  }
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    if (s.NCNT(n) > 0) {
      s.VXN(n) = s.VXN(n) / s.NCNT(n);
      s.VYN(n) = s.VYN(n) / s.NCNT(n);
    }
  }
}

}  // namespace seep
