// `seepconv flux`: the flow rate through sections, step by step, read in one streaming pass.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/selection.h"
#include "core/model/section_flux.h"

namespace seep {

enum class FluxFormat { kTable, kCsv, kJson };

struct FluxRequest {
  std::string result;
  std::vector<Section> sections;
  StepSelection steps;
  std::string stepsText = "all";
  FluxFormat format = FluxFormat::kTable;
  std::string output;  // empty: standard output
  std::string chart;   // the SVG chart of the net flow rates; empty: none
};

// Reads the result file, writes the table and the chart; one line per failure or warning through
// `messages`. Returns the exit status: 0, or 1 when the file could not be read or written.
int RunFlux(const FluxRequest& request, std::FILE* out, Messages& messages);

}  // namespace seep
