#include "app/command_line.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/conversion.h"
#include "app/convert.h"
#include "app/info.h"
#include "app/options.h"
#include "app/text.h"
#include "core/io/failure.h"
#include "core/io/platform.h"

#ifndef SEEPCONV_VERSION
#define SEEPCONV_VERSION "0.0.0"
#endif

namespace seep {
namespace {

using cli::OptionSpec;

constexpr int kSuccess = 0, kFailed = 1, kUsage = 2, kPartial = 3;

// Command bits of the option table.
constexpr std::uint32_t kInfo = 1, kConvert = 2, kProgram = 4, kPlot = 8, kAll = kInfo | kConvert | kPlot;

struct Command {
  std::string_view name;
  std::uint32_t bit;
  std::string_view operands;
  std::string_view summary;
};

constexpr std::array kCommands{
    Command{"info", kInfo, "RESULT",
            "what a result file holds: mesh, materials, bounds, every step's ranges"},
    Command{"convert", kConvert, "RESULT... --to KIND", "convert result files for another program"},
    Command{"plot", kPlot, "RESULT",
            "SVG pictures: the head field of steps, or heads at points against time"},
};

constexpr std::array kOptions{
    OptionSpec{"to", 0, "KIND", kConvert, "output kind (see below); required", ""},
    OptionSpec{"output", 'o', "PATH", kConvert | kPlot, "output file, with one RESULT only",
               "RESULT with the kind's extension, in its folder"},
    OptionSpec{"steps", 0, "SEL", kConvert | kPlot, "time steps: all, last, N, A:B or a list 1,10:20,last",
               "all; plot: last"},
    OptionSpec{"head", 0, "pressure|total", kConvert, "head column of restart data", "pressure"},
    OptionSpec{"points", 0, "PATH", kConvert | kPlot,
               "point-data file: required for interp; plot draws heads at the points against time", ""},
    OptionSpec{"field", 0, "FIELD", kPlot, "plot: total-head, pressure-head or speed", "total-head"},
    OptionSpec{"mesh", 0, "", kPlot, "plot: every element edge, thin", ""},
    OptionSpec{"arrows", 0, "", kPlot, "plot: velocity arrows on a coarse sample of elements", ""},
    OptionSpec{"all-elements", 0, "", kConvert, "vtu cells of every element, inactive ones too",
               "active only"},
    OptionSpec{"allow-overflow", 0, "", kConvert, "write a mesh too large for the kind's fields (asterisks)",
               ""},
    OptionSpec{"partial", 0, "", kConvert,
               "a file damaged part way: write the whole steps before the damage (status 3)", ""},
    OptionSpec{"jobs", 'j', "N", kConvert, "files converted side by side", "the number of processors"},
    OptionSpec{"quiet", 'q', "", kConvert | kPlot, "no progress and no closing line", ""},
    OptionSpec{"progress", 0, "", kConvert | kPlot,
               "progress also when standard error is no terminal (one line a second)", ""},
    OptionSpec{"json", 0, "", kInfo, "one JSON document instead of the table", ""},
    OptionSpec{"help", 'h', "", kAll | kProgram, "this help", ""},
    OptionSpec{"version", 0, "", kProgram, "the program's version", ""},
};

void Put(std::FILE* f, const std::string& text) {
  std::fputs(text.c_str(), f);
  std::fflush(f);
}

int Usage(std::FILE* err, const std::string& what) {
  Put(err, "seepconv: " + what + "\nTry 'seepconv --help'.\n");
  return kUsage;
}

std::string KindTable() {
  std::string text;
  for (const OutputKind& k : OutputKinds()) {
    std::string name(k.name);
    name.resize(10, ' ');
    std::string ext(k.extension);
    ext.resize(6, ' ');
    text += "  " + name + ext + std::string(k.description) + "\n";
  }
  return text;
}

std::string Help(std::uint32_t only) {
  std::string text;
  text += "Usage: seepconv                       the numbered dialogue (classic mode)\n";
  for (const Command& c : kCommands) {
    if (only != 0 && c.bit != only) continue;
    std::string head =
        "       seepconv " + std::string(c.name) + " " + std::string(c.operands) + " [options]";
    text +=
        (only != 0 ? "Usage: seepconv " + std::string(c.name) + " " + std::string(c.operands) + " [options]"
                   : head) +
        "\n";
  }
  if (only == 0) text += "       seepconv --help | --version\n";
  text += "\nCommands:\n";
  for (const Command& c : kCommands) {
    if (only != 0 && c.bit != only) continue;
    std::string name(c.name);
    name.resize(10, ' ');
    text += "  " + name + std::string(c.summary) + "\n";
  }
  text += "\nOptions:\n" + cli::DescribeOptions(kOptions, only != 0 ? only : kAll | kProgram);
  if (only == 0 || only == kConvert) {
    text += "\nOutput kinds (--to KIND):\n" + KindTable();
    text +=
        "\nSteps (--steps SEL): step numbers as stored in the file; all, last (the file's last step),\n"
        "N, a range A:B, or a comma-separated mix such as 1,10:20,last. interp writes every step.\n";
  }
  text +=
      "\nExit status: 0 success; 1 a conversion or read failed (each failure named on standard error);\n"
      "2 a usage error. The dialogue keeps its own statuses (an error number, or 1111 for a rejected\n"
      "summary).\n"
      "\nExamples:\n"
      "  seepconv info RESULT.DAT\n"
      "  seepconv convert RESULT.DAT --to tecplot --steps last -o embank.tec\n"
      "  seepconv convert runs/*.res --to femap --jobs 4\n"
      "  seepconv plot RESULT.DAT --steps last --field total-head -o head.svg\n";
  return text;
}

bool ParseCount(std::string_view text, int& value) {
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && ptr == text.data() + text.size() && value >= 1;
}

int Info(const cli::ParsedArgs& args, std::FILE* out, std::FILE* err) {
  if (args.operands.size() != 1)
    return Usage(err, args.operands.empty() ? "info needs a RESULT file" : "info takes one RESULT file");
  const std::string path(args.operands[0]);
  ResultSummary summary;
  try {
    summary = SummariseResultFile(path);
  } catch (const IoFailure& failure) {
    Put(err,
        "seepconv: " + path + ": " + PlainWords(failure) + " (" + std::to_string(failure.number) + ")\n");
    return kFailed;
  }
  if (!summary.notResultFile && args.Has("json")) {
    PrintSummaryJson(out, summary);
  } else if (!summary.notResultFile) {
    PrintSummary(out, summary);
  }
  std::fflush(out);
  if (summary.damage) {
    Put(err, "seepconv: " + summary.file + ": " + summary.damage->what + " (" +
                 std::to_string(summary.damage->number) + ")\n");
    return kFailed;
  }
  return kSuccess;
}

// The step selection of --steps, or `fallback`, into the request; false with `error` set when it is none.
bool TakeSteps(const cli::ParsedArgs& args, ConvertRequest& r, std::string& error,
               std::string_view fallback = "all") {
  const std::string_view text = args.Value("steps").value_or(fallback);
  const auto parsed = StepSelection::Parse(text, error);
  if (!parsed) return false;
  r.steps = *parsed;
  r.stepsText = std::string(text);
  return true;
}

// Converts every request, `jobs` at a time, with the progress line the arguments ask for.
int Run(const std::vector<ConvertRequest>& requests, const cli::ParsedArgs& args, int jobs, std::FILE* err) {
  std::uint64_t total = 0;
  for (const ConvertRequest& r : requests) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(r.result, ec);
    if (!ec) total += size;
  }
  const bool quiet = args.Has("quiet");
  Progress::Mode mode = Progress::Mode::kOff;
  if (!quiet && IsTerminal(err)) mode = Progress::Mode::kTerminal;
  if (!quiet && args.Has("progress") && mode == Progress::Mode::kOff) mode = Progress::Mode::kLog;
  Progress progress(err, mode, total, static_cast<int>(requests.size()), TerminalColumns(err));
  const BatchOutcome done = ConvertFiles(requests, jobs, progress);
  if (requests.size() > 1 && !quiet) {
    progress.Message(std::to_string(done.written + done.partial) + " converted" +
                     (done.partial > 0 ? " (" + std::to_string(done.partial) + " in part)" : std::string()) +
                     ", " + std::to_string(done.failed) + " failed");
  }
  progress.Finish();
  if (done.failed > 0) return kFailed;
  return done.partial > 0 ? kPartial : kSuccess;
}

// The kind whose files carry the extension of `output`: the kind's own, or .vtu for one step's grid.
const OutputKind* KindOfExtension(std::string_view output) {
  const std::string extension = std::filesystem::path(output).extension().string();
  if (extension.empty()) return nullptr;
  for (const OutputKind& k : OutputKinds()) {
    if (k.extension == extension || (k.ownFiles && extension == ".vtu")) return &k;
  }
  return nullptr;
}

// A usage error when a name promises one file of one step and the selection may give several.
std::optional<std::string> OneStepName(std::string_view output, const ConvertRequest& r) {
  if (r.steps.NamesOneStep()) return std::nullopt;
  const std::string stem = std::filesystem::path(output).replace_extension(".pvd").string();
  return std::string(output) + " holds one step and --steps " + r.stepsText +
         " may select several: name the collection " + stem +
         ", or select one step (--steps last or a step number)";
}

int Convert(const cli::ParsedArgs& args, std::FILE* err) {
  if (args.operands.empty()) return Usage(err, "convert needs a RESULT file");
  const std::optional<std::string_view> to = args.Value("to");
  const std::optional<std::string_view> output = args.Value("output");
  const OutputKind* kind = nullptr;
  if (to) {
    kind = KindOfName(*to);
    if (kind == nullptr) {
      std::string names;
      std::vector<std::string_view> known;
      for (const OutputKind& k : OutputKinds()) {
        names += (names.empty() ? "" : ", ") + std::string(k.name);
        known.push_back(k.name);
      }
      std::string what = "unknown output kind '" + std::string(*to) + "' (one of " + names + ")";
      if (const std::string_view near = cli::NearestName(*to, known); !near.empty())
        what += "; did you mean " + std::string(near) + "?";
      return Usage(err, what);
    }
  } else if (!output) {
    return Usage(err, "convert needs --to KIND");
  } else {
    // As other converters do, the output's extension tells the kind.
    kind = KindOfExtension(*output);
    if (kind == nullptr)
      return Usage(err,
                   "convert needs --to KIND; the extension of " + std::string(*output) + " names no kind");
  }
  ConvertRequest base;
  base.kind = kind;
  base.kindFromName = !to;
  base.partial = args.Has("partial");
  if (std::string error; !TakeSteps(args, base, error)) return Usage(err, error);
  if (output && kind->ownFiles && std::filesystem::path(*output).extension() == ".vtu") {
    if (const auto wrong = OneStepName(*output, base)) return Usage(err, *wrong);
  }
  if (const auto head = args.Value("head")) {
    if (kind->ITYPE != kRestart) return Usage(err, "--head applies to --to restart only");
    if (*head == "pressure") {
      base.IHEAD = 0;
    } else if (*head == "total") {
      base.IHEAD = 1;
    } else {
      return Usage(err, "--head takes pressure or total, not '" + std::string(*head) + "'");
    }
  }
  if (const auto points = args.Value("points")) {
    if (!kind->readsPoints) return Usage(err, "--points applies to --to interp only");
    if (points->empty()) return Usage(err, "--points needs a file name");
    base.points = std::string(*points);
  } else if (kind->readsPoints) {
    return Usage(err, "--to " + std::string(kind->name) + " needs --points PATH");
  }
  base.allowOverflow = args.Has("allow-overflow");
  base.allElements = args.Has("all-elements");
  if (base.allElements && !kind->ownFiles) return Usage(err, "--all-elements applies to --to vtu only");
  base.quiet = args.Has("quiet");
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (const auto j = args.Value("jobs")) {
    if (!ParseCount(*j, jobs))
      return Usage(err, "--jobs takes a whole number of 1 or more, not '" + std::string(*j) + "'");
  }
  if (output && args.operands.size() > 1) return Usage(err, "-o/--output takes one RESULT file only");
  if (output && output->empty()) return Usage(err, "-o/--output needs a file name");
  for (std::string_view operand : args.operands) {
    if (operand == kStandardInput && !output)
      return Usage(err, "a result file read from standard input (-) needs -o PATH");
  }

  std::vector<ConvertRequest> requests;
  for (std::string_view operand : args.operands) {
    ConvertRequest r = base;
    r.result = std::string(operand);
    r.output = output ? std::string(*output) : DefaultOutput(r.result, *kind);
    // A collection named without extension is NAME.pvd beside its folder NAME/.
    if (kind->ownFiles && output && std::filesystem::path(r.output).has_filename() &&
        !std::filesystem::path(r.output).has_extension())
      r.output += ".pvd";
    requests.push_back(std::move(r));
  }
  return Run(requests, args, jobs, err);
}

// `plot RESULT`: the field of the selected steps (the last by default), or with --points the heads at
// the points against time, through the same road as a conversion.
int Plot(const cli::ParsedArgs& args, std::FILE* err) {
  if (args.operands.size() != 1) {
    return Usage(err, args.operands.empty() ? "plot needs a RESULT file" : "plot takes one RESULT file");
  }
  ConvertRequest r;
  r.result = std::string(args.operands[0]);
  // A step picture shows the last step unless told; a chart at points draws the whole history.
  if (std::string error; !TakeSteps(args, r, error, args.Has("points") ? "all" : "last"))
    return Usage(err, error);
  if (const auto field = args.Value("field")) {
    if (*field == "total-head") {
      r.plot.field = PlotField::kTotalHead;
    } else if (*field == "pressure-head") {
      r.plot.field = PlotField::kPressureHead;
    } else if (*field == "speed") {
      r.plot.field = PlotField::kSpeed;
    } else {
      return Usage(err,
                   "--field takes total-head, pressure-head or speed, not '" + std::string(*field) + "'");
    }
  }
  r.plot.mesh = args.Has("mesh");
  r.plot.arrows = args.Has("arrows");
  r.quiet = args.Has("quiet");
  const std::filesystem::path stem = std::filesystem::path(r.result).replace_extension();
  if (const auto points = args.Value("points")) {
    if (points->empty()) return Usage(err, "--points needs a file name");
    if (r.plot.field == PlotField::kSpeed) return Usage(err, "--points charts total-head or pressure-head");
    if (r.plot.mesh || r.plot.arrows) return Usage(err, "--mesh and --arrows apply to step pictures");
    r.kind = &HistoryChartPicture();
    r.points = std::string(*points);
    r.output = stem.string() + "_history.svg";
  } else {
    r.kind = &StepPictures();
    r.output = stem.string() + ".svg";
  }
  if (const auto output = args.Value("output")) {
    if (output->empty()) return Usage(err, "-o/--output needs a file name");
    const std::filesystem::path name(*output);
    if (name.has_extension() && name.extension() != ".svg") {
      return Usage(err, "plot draws SVG pictures: name the output " +
                            std::filesystem::path(name).replace_extension(".svg").string() + ", not " +
                            std::string(*output));
    }
    r.output = std::string(*output);
  }
  if (r.result == kStandardInput && !args.Has("output"))
    return Usage(err, "a result file read from standard input (-) needs -o PATH");
  return Run({r}, args, 1, err);
}

}  // namespace

int RunCommandLine(std::span<const std::string_view> args, std::FILE* out, std::FILE* err) {
  const std::string_view first = args.front();
  if (first == "--help" || first == "-h" || first == "help") {
    std::uint32_t only = 0;
    if (first == "help" && args.size() > 1) {
      for (const Command& c : kCommands) {
        if (c.name == args[1]) only = c.bit;
      }
      if (only == 0) return Usage(err, "no command '" + std::string(args[1]) + "'");
    }
    Put(out, Help(only));
    return kSuccess;
  }
  if (first == "--version") {
    Put(out, "seepconv " SEEPCONV_VERSION "\n");
    return kSuccess;
  }
  const Command* command = nullptr;
  for (const Command& c : kCommands) {
    if (c.name == first) command = &c;
  }
  if (command == nullptr) {
    if (first.starts_with("-")) return Usage(err, "unknown option '" + std::string(first) + "'");
    return Usage(err, "unknown command '" + std::string(first) + "'");
  }
  std::string error;
  const auto parsed = cli::Parse(args.subspan(1), kOptions, command->bit, error);
  if (!parsed) return Usage(err, error);
  if (parsed->Has("help")) {
    Put(out, Help(command->bit));
    return kSuccess;
  }
  if (command->bit == kInfo) return Info(*parsed, out, err);
  if (command->bit == kPlot) return Plot(*parsed, err);
  return Convert(*parsed, err);
}

}  // namespace seep
