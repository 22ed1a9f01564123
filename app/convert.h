// `seepconv convert` and `seepconv plot`: result files converted on the command line, through the same
// conversion road as the dialogue, with the command line's own rules: any path, atomic output (a
// temporary file renamed over the target only when the conversion succeeded), field limits checked
// before writing, failures in plain words, and several files converted side by side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/selection.h"
#include "writers/kind.h"

namespace seep {

struct ConvertRequest {
  std::string result;  // the result file
  std::string output;  // the target
  const OutputKind* kind = nullptr;
  StepSelection steps;
  std::string stepsText = "all";
  OutputChoices choices;  // what the writer reads; ONAME is set when the target is planned
  bool allowOverflow = false;
  bool quiet = false;
};

// The target that a result file gets by default: its name with the kind's extension, in its folder.
std::string DefaultOutput(const std::string& result, const OutputKind& kind);

// Converts one file; every message goes through `messages`. True when the target was written.
bool ConvertFile(const ConvertRequest& request, Messages& messages);

// Converts every request, `jobs` at a time. True when all succeeded.
bool ConvertFiles(const std::vector<ConvertRequest>& requests, int jobs, Messages& messages);

}  // namespace seep
