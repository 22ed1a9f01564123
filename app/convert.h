// `seepconv convert` and `seepconv plot`: result files converted on the command line, through the same
// conversion road as the dialogue, with the command line's own rules: any path, atomic output (a
// temporary file renamed over the target only when the conversion succeeded), field limits checked
// before writing, failures in plain words, and several files converted side by side.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/messages.h"
#include "app/selection.h"
#include "writers/kind.h"

namespace seep {

// The result file name that stands for standard input.
inline constexpr std::string_view kStandardInput = "-";

struct ConvertRequest {
  std::string result;  // the result file; "-" for standard input
  std::string output;  // the target
  const OutputKind* kind = nullptr;
  StepSelection steps;
  std::string stepsText = "all";
  std::string sectionsFile;  // an input besides the result and point files: never replaced by an output
  OutputChoices choices;     // what the writer reads; ONAME is set when the target is planned
  bool allowOverflow = false;
  bool quiet = false;
  bool partial = false;       // a damaged file: write the whole steps before the damage
  bool kindFromName = false;  // the kind came from the output's extension, as the closing line says
};

// How one conversion ended: written, written in part (--partial, a damaged file), failed, or refused
// for input that does not fit the file (a usage error).
enum class Outcome { kWritten, kPartial, kFailed, kUsage };

// How a batch ended: the files of each outcome.
struct BatchOutcome {
  int written = 0, partial = 0, failed = 0, usage = 0;
};

// The name that messages give a result file: "standard input" for "-".
std::string ShownName(const std::string& result);
// Opens the result file `result` ("-": standard input) as the result unit, named `shown` in reports.
void OpenResultFile(Io& io, const std::string& result, const std::string& shown);

// The target that a result file gets by default: its name with the kind's extension, in its folder.
std::string DefaultOutput(const std::string& result, const OutputKind& kind);

// Converts one file; every message goes through `messages`. `processors`: how many processors the
// conversion may keep busy (0: all of them); with one, its files are written in its own thread, not
// behind it by another.
Outcome ConvertFile(const ConvertRequest& request, Messages& messages, unsigned processors = 0);

// Why the outputs of these requests cannot be written, as a usage error: two inputs whose outputs are
// one file, an output that is another request's input, a folder of files or several pictures to a
// device or pipe. Empty when they can.
std::string OutputsApart(const std::vector<ConvertRequest>& requests);

// Converts every request, `jobs` at a time, the processors shared out among those side by side.
BatchOutcome ConvertFiles(const std::vector<ConvertRequest>& requests, int jobs, Messages& messages);

}  // namespace seep
