#include "app/command_line.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/io/failure.h"
#include "core/io/platform.h"
#include "core/reader/sections_file.h"
#include "app/conversion.h"
#include "app/convert.h"
#include "app/flux.h"
#include "app/info.h"
#include "app/options.h"
#include "app/text.h"

#ifndef SEEPCONV_VERSION
#define SEEPCONV_VERSION "0.0.0"
#endif

namespace seep {
namespace {

using cli::OptionSpec;

constexpr int kSuccess = 0, kFailed = 1, kUsage = 2;

// Command bits of the option table.
constexpr std::uint32_t kInfo = 1, kConvert = 2, kProgram = 4, kPlot = 8, kFlux = 16,
                        kAll = kInfo | kConvert | kPlot | kFlux;

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
    Command{"flux", kFlux, "RESULT --section \"x1,y1 x2,y2 ...\"",
            "flow rate per unit thickness through sections, step by step"},
};

constexpr std::array kOptions{
    OptionSpec{"to", 0, "KIND", kConvert, "output kind (see below); required", ""},
    OptionSpec{"output", 'o', "PATH", kConvert | kPlot | kFlux, "output file, with one RESULT only",
               "RESULT with the kind's extension, in its folder; flux: standard output"},
    OptionSpec{"steps", 0, "SEL", kConvert | kPlot | kFlux,
               "time steps: all, last, N, A:B or a list 1,10:20,last", "all; plot: last"},
    OptionSpec{"head", 0, "pressure|total", kConvert, "head column of restart data", "pressure"},
    OptionSpec{"points", 0, "PATH", kConvert | kPlot,
               "point-data file: required for interp; plot draws heads at the points against time", ""},
    OptionSpec{"field", 0, "FIELD", kPlot, "plot: total-head, pressure-head, speed or gradient (hydraulic)",
               "total-head"},
    OptionSpec{"mesh", 0, "", kPlot, "plot: every element edge, thin", ""},
    OptionSpec{"arrows", 0, "", kPlot, "plot: velocity arrows on a coarse sample of elements", ""},
    OptionSpec{"flow-lines", 0, "N", kPlot, "plot: N flow lines from where water enters (a flow net)", ""},
    OptionSpec{"section", 0, "\"x1,y1 x2,y2 ...\"", kFlux,
               "flux: a section (a polyline), named S1, S2, ... in order; may be repeated", ""},
    OptionSpec{"sections", 0, "PATH", kFlux | kPlot,
               "sections file, one 'name: x1,y1 x2,y2 ...' a line; plot draws them with their flow", ""},
    OptionSpec{"csv", 0, "", kFlux, "flux: one header line and one row per step (a spreadsheet)", ""},
    OptionSpec{"chart", 0, "PATH", kFlux, "flux: an SVG chart of the net flow rates against time", ""},
    OptionSpec{"all-elements", 0, "", kConvert, "vtu cells of every element, inactive ones too",
               "active only"},
    OptionSpec{"allow-overflow", 0, "", kConvert, "write a mesh too large for the kind's fields (asterisks)",
               ""},
    OptionSpec{"jobs", 'j', "N", kConvert, "files converted side by side", "the number of processors"},
    OptionSpec{"quiet", 'q', "", kConvert | kPlot, "no progress and no closing line", ""},
    OptionSpec{"progress", 0, "", kConvert | kPlot,
               "progress also when standard error is no terminal (one line a second)", ""},
    OptionSpec{"json", 0, "", kInfo | kFlux, "one JSON document instead of the table", ""},
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
      "  seepconv plot RESULT.DAT --steps last --field total-head -o head.svg\n"
      "  seepconv plot RESULT.DAT --flow-lines 12 -o flownet.svg\n"
      "  seepconv flux RESULT.DAT --section \"10,0 10,8\" --section \"30,0 30,6\" --csv -o flow.csv\n";
  return text;
}

// Sections of a sections file appended to `sections`: kSuccess, a usage error for a file whose text
// is wrong, or kFailed for one that cannot be read.
int TakeSectionsFile(std::string_view path, std::vector<Section>& sections, std::FILE* err) {
  if (path.empty()) return Usage(err, "--sections needs a file name");
  std::string error;
  int failure = 0;
  if (ReadSectionsFile(std::string(path), sections, error, failure)) return kSuccess;
  if (failure == 0) return Usage(err, std::string(path) + ": " + error);
  Put(err, "seepconv: " + std::string(path) + ": " + error + " (" + std::to_string(failure) + ")\n");
  return kFailed;
}

// Flow lines a picture may draw.
constexpr int kMostFlowLines = 10000;

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
  if (args.Has("json")) {
    PrintSummaryJson(out, summary);
  } else {
    PrintSummary(out, summary);
  }
  std::fflush(out);
  if (summary.damage) {
    Put(err, "seepconv: " + path + ": " + summary.damage->what + " (" +
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
  Progress progress(err, mode, total, static_cast<int>(requests.size()));
  const bool ok = ConvertFiles(requests, jobs, progress);
  progress.Finish();
  return ok ? kSuccess : kFailed;
}

int Convert(const cli::ParsedArgs& args, std::FILE* err) {
  if (args.operands.empty()) return Usage(err, "convert needs a RESULT file");
  const std::optional<std::string_view> to = args.Value("to");
  if (!to) return Usage(err, "convert needs --to KIND");
  const OutputKind* kind = KindOfName(*to);
  if (kind == nullptr) {
    std::string names;
    for (const OutputKind& k : OutputKinds()) names += (names.empty() ? "" : ", ") + std::string(k.name);
    return Usage(err, "unknown output kind '" + std::string(*to) + "' (one of " + names + ")");
  }
  ConvertRequest base;
  base.kind = kind;
  if (std::string error; !TakeSteps(args, base, error)) return Usage(err, error);
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
  const std::optional<std::string_view> output = args.Value("output");
  if (output && args.operands.size() > 1) return Usage(err, "-o/--output takes one RESULT file only");
  if (output && output->empty()) return Usage(err, "-o/--output needs a file name");

  std::vector<ConvertRequest> requests;
  for (std::string_view operand : args.operands) {
    ConvertRequest r = base;
    r.result = std::string(operand);
    r.output = output ? std::string(*output) : DefaultOutput(r.result, *kind);
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
  if (std::string error; !TakeSteps(args, r, error, "last")) return Usage(err, error);
  if (const auto field = args.Value("field")) {
    if (*field == "total-head") {
      r.plot.field = PlotField::kTotalHead;
    } else if (*field == "pressure-head") {
      r.plot.field = PlotField::kPressureHead;
    } else if (*field == "speed") {
      r.plot.field = PlotField::kSpeed;
    } else if (*field == "gradient") {
      r.plot.field = PlotField::kGradient;
    } else {
      return Usage(err, "--field takes total-head, pressure-head, speed or gradient, not '" +
                            std::string(*field) + "'");
    }
  }
  if (const auto lines = args.Value("flow-lines")) {
    if (!ParseCount(*lines, r.plot.flowLines) || r.plot.flowLines > kMostFlowLines) {
      return Usage(err, "--flow-lines takes a whole number from 1 to " + std::to_string(kMostFlowLines) +
                            ", not '" + std::string(*lines) + "'");
    }
  }
  if (const auto sections = args.Value("sections")) {
    if (const int status = TakeSectionsFile(*sections, r.plot.sections, err); status != kSuccess)
      return status;
  }
  r.plot.mesh = args.Has("mesh");
  r.plot.arrows = args.Has("arrows");
  r.quiet = args.Has("quiet");
  const std::filesystem::path stem = std::filesystem::path(r.result).replace_extension();
  if (const auto points = args.Value("points")) {
    if (points->empty()) return Usage(err, "--points needs a file name");
    if (r.plot.field == PlotField::kSpeed) return Usage(err, "--points charts total-head or pressure-head");
    if (args.Has("steps") || r.plot.mesh || r.plot.arrows || r.plot.flowLines > 0 ||
        !r.plot.sections.empty()) {
      return Usage(err,
                   "--points charts every step; --steps, --mesh, --arrows, --flow-lines and --sections apply "
                   "to step pictures");
    }
    r.kind = &HistoryChartPicture();
    r.points = std::string(*points);
    r.output = stem.string() + "_history.svg";
  } else {
    r.kind = &StepPictures();
    r.output = stem.string() + ".svg";
  }
  if (const auto output = args.Value("output")) {
    if (output->empty()) return Usage(err, "-o/--output needs a file name");
    r.output = std::string(*output);
  }
  return Run({r}, args, 1, err);
}

// `flux RESULT`: the flow rate through the sections of --section and --sections, per selected step.
int Flux(const cli::ParsedArgs& args, std::FILE* out, std::FILE* err) {
  if (args.operands.size() != 1) {
    return Usage(err, args.operands.empty() ? "flux needs a RESULT file" : "flux takes one RESULT file");
  }
  FluxRequest r;
  r.result = std::string(args.operands[0]);
  for (const cli::Given& given : args.options) {
    if (given.option->name != "section") continue;
    Section section{std::string(1, 'S'), {}};
    section.name += std::to_string(r.sections.size() + 1);
    if (std::string error; !ParseSectionPoints(given.value, section.points, error)) {
      return Usage(err, "--section '" + std::string(given.value) + "': " + error);
    }
    r.sections.push_back(std::move(section));
  }
  if (const auto file = args.Value("sections")) {
    if (const int status = TakeSectionsFile(*file, r.sections, err); status != kSuccess) return status;
  }
  if (r.sections.empty()) return Usage(err, "flux needs --section \"x1,y1 x2,y2 ...\" or --sections PATH");
  ConvertRequest steps;
  if (std::string error; !TakeSteps(args, steps, error)) return Usage(err, error);
  r.steps = steps.steps;
  r.stepsText = steps.stepsText;
  if (args.Has("csv") && args.Has("json")) return Usage(err, "--csv and --json: one of them");
  r.format = args.Has("csv") ? FluxFormat::kCsv : args.Has("json") ? FluxFormat::kJson : FluxFormat::kTable;
  if (const auto output = args.Value("output")) {
    if (output->empty()) return Usage(err, "-o/--output needs a file name");
    r.output = std::string(*output);
  }
  if (const auto chart = args.Value("chart")) {
    if (chart->empty()) return Usage(err, "--chart needs a file name");
    r.chart = std::string(*chart);
  }
  return RunFlux(r, out, err);
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
  if (command->bit == kFlux) return Flux(*parsed, out, err);
  return Convert(*parsed, err);
}

}  // namespace seep
