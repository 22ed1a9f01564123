// The hydraulic gradient i = −∇H of the total head H = P + Y, per element at its centre.
//
// A triangle (L = K or L = 0) carries the linear interpolation of its three corner heads, whose
// gradient is the same everywhere in it; a quadrilateral carries the bilinear interpolation of its four
// corners, whose gradient is taken at the centre ξ = η = 0. An element has no gradient when it is
// degenerate: a corner outside 1 … NUMNP, a coordinate or head that is not finite, or no area (a
// triangle of zero area, a quadrilateral whose mapping is singular at its centre).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/model/store.h"

namespace seep {

// Why an element has no gradient: no area (or a coordinate that is not finite), a corner outside
// 1 … NUMNP, a head that is not a number (or infinite), or a gradient too large for a double.
enum class GradientLack : std::uint8_t { kDegenerate, kCornerOutside, kHeadNotANumber, kOverflow, kNone };

// Active elements without a gradient, counted by cause.
struct GradientLacks {
  std::array<std::int64_t, 4> count{};
  void Add(GradientLack why) { ++count[static_cast<std::size_t>(why)]; }
  std::int64_t Total() const { return count[0] + count[1] + count[2] + count[3]; }
};

// The causes in words, the counted ones only: "2 degenerate, 1 with a head that is not a number".
std::string DescribeGradientLacks(const GradientLacks& lacks);

// The gradient of one element and the point where it is taken.
struct ElementGradient {
  bool ok = false;  // false: the element has no gradient, for the reason `lack`
  GradientLack lack = GradientLack::kNone;
  double ix = 0.0, iy = 0.0;  // i = −∇H
  double cx = 0.0, cy = 0.0;  // centre: the mean of the corners
  double Magnitude() const { return Speed(ix, iy); }
};

// i = −∇H of element e for the current step (any element, active or not).
ElementGradient HydraulicGradient(const Store& s, std::int32_t e);

// The largest gradient magnitude over the active elements of the current step.
struct LargestGradient {
  std::int32_t element = 0;  // 0: no active element has a gradient
  double magnitude = 0.0;
  double cx = 0.0, cy = 0.0;    // the element's centre
  std::int64_t degenerate = 0;  // active elements without a gradient
  GradientLacks lacks;          // the same by cause
};

LargestGradient FindLargestGradient(const Store& s);

// Why element e has no gradient, its magnitude too large for a double included; kNone when it has one.
GradientLack LackOf(const ElementGradient& g);

// The active elements without a gradient in the current step, by cause.
GradientLacks CountGradientLacks(const Store& s);

}  // namespace seep
