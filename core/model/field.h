// The fields of a seepage solution that pictures, profiles and charts show, by their command-line names.
#pragma once

#include <array>
#include <string_view>

namespace seep {

// The field a picture shows. kGradient: the magnitude of the hydraulic gradient i = −∇H of each element.
enum class PlotField { kTotalHead, kPressureHead, kSpeed, kGradient };

// The fields by their command-line names, in the order of PlotField.
inline constexpr std::array<std::string_view, 4> kPlotFieldNames{"total-head", "pressure-head", "speed",
                                                                 "gradient"};

}  // namespace seep
