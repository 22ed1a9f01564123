// A model store filled from plain rows of node and element values, for in-process tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/model/store.h"

namespace seep::test {

struct NodeRow {
  double x, y;
  double p = 0.0;
  double q = 0.0;
  std::int32_t ncode = 0;
};

struct ElementRow {
  std::int32_t i, j, k, l, mat;
  double vx = 0.0, vy = 0.0;
};

inline Store MakeStore(const std::vector<NodeRow>& nodes, const std::vector<ElementRow>& elements,
                       std::string_view title = "", double time = 0.0, std::int32_t istep = 1) {
  Store s;
  s.TITLE.fill(' ');
  title.copy(s.TITLE.data(), std::min(title.size(), s.TITLE.size()));
  s.ISTEP = istep;
  s.TIME = time;
  s.NUMNP = static_cast<std::int32_t>(nodes.size());
  SizeNodeArrays(s, s.NUMNP);
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    const NodeRow& r = nodes[n - 1];
    s.X(n) = r.x;
    s.Y(n) = r.y;
    s.P(n) = r.p;
    s.Q(n) = r.q;
    s.NCODE(n) = r.ncode;
  }
  s.NUMEL = static_cast<std::int32_t>(elements.size());
  SizeElementArrays(s, s.NUMEL);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const ElementRow& r = elements[e - 1];
    s.ELEM(e, kI) = r.i;
    s.ELEM(e, kJ) = r.j;
    s.ELEM(e, kK) = r.k;
    s.ELEM(e, kL) = r.l;
    s.ELEM(e, kMAT) = r.mat;
    s.VXE(e) = r.vx;
    s.VYE(e) = r.vy;
  }
  return s;
}

}  // namespace seep::test
