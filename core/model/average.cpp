#include "core/model/average.h"

#include <cstddef>

namespace seep {

void AverageNodalVelocity(Store& s) {
  // Plain pointers into the arrays, so that a count stored for one corner is not taken to change the
  // element table or the node count read for the next.
  const std::int32_t numnp = s.NUMNP;
  const std::int32_t numel = s.NUMEL;
  std::int32_t* const count = s.NCNT.Data();
  double* const vxn = s.VXN.Data();
  double* const vyn = s.VYN.Data();
  const double* const vxe = s.VXE.Data();
  const double* const vye = s.VYE.Data();
  const std::int32_t* const elem = s.ELEM.Data();
  for (std::int32_t n = 0; n < numnp; ++n) {
    count[n] = 0;
    vxn[n] = 0.0;
    vyn[n] = 0.0;
  }
  for (std::int32_t e = 0; e < numel; ++e) {
    const std::int32_t* const row = elem + static_cast<std::ptrdiff_t>(e) * 5;
    if (row[kMAT - 1] <= 0) continue;  // inactive
    const std::int32_t corner[4] = {row[kI - 1], row[kJ - 1], row[kK - 1], row[kL - 1]};
    // A triangle repeats its third corner as the fourth; its L is never read.
    const int corners = corner[2] == corner[3] ? 3 : 4;
    const double vx = vxe[e];
    const double vy = vye[e];
    for (int j = 0; j < corners; ++j) {
      const std::int32_t m = corner[j];
      if (m < 1 || m > numnp) continue;  // not a node of the mesh
      count[m - 1] += 1;
      vxn[m - 1] += vx;
      vyn[m - 1] += vy;
    }
  }
  // A node without an active element keeps zero: its sums, +0.0, are divided by 1. No branch, so that
  // the divisions of neighbouring nodes overlap.
  for (std::int32_t n = 0; n < numnp; ++n) {
    const double divisor = count[n] > 0 ? static_cast<double>(count[n]) : 1.0;
    vxn[n] = vxn[n] / divisor;
    vyn[n] = vyn[n] / divisor;
  }
}

void UseNodalAverage(Store& s) {
  if (!TakePrepared(s)) AverageNodalVelocity(s);
}

}  // namespace seep
