#include "app/command_line.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/convert.h"
#include "app/info.h"
#include "app/kinds.h"
#include "app/messages.h"
#include "app/options.h"
#include "app/report.h"
#include "app/text.h"
#include "core/io/failure.h"
#include "core/io/platform.h"
#include "writers/plot/plot.h"

#ifndef SEEPCONV_VERSION
#define SEEPCONV_VERSION "0.0.0"
#endif

namespace seep {
namespace {

using cli::Opt;
using cli::OptionSpec;

constexpr std::uint32_t kInfo = kInfoCommand, kConvert = kConvertCommand, kProgram = kProgramOptions,
                        kPlot = kPlotCommand, kReport = kReportCommand,
                        kAll = kInfo | kConvert | kPlot | kReport;

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
    Command{"report", kReport, "RESULT",
            "one HTML file: pictures with a time slider, the steps table, heads at points"},
};

constexpr std::array<std::string_view, 2> kHeadStyles{"pressure", "total"};

// clang-format off
constexpr std::array kOptions{
    OptionSpec{Opt::kTo, "to", 0, "KIND", kConvert, 0, {}, "output kind (see below); required", ""},
    OptionSpec{Opt::kOutput, "output", 'o', "PATH", kConvert | kPlot | kReport, 0, {}, "output file, with one RESULT only",
               "RESULT with the kind's extension, in its folder"},
    OptionSpec{Opt::kSteps, "steps", 0, "SEL", kConvert | kPlot | kReport, 0, {},
               "time steps: all, last, N, A:B or a list 1,10:20,last",
               "all; plot: last; report: the last and 11 more spread over the run"},
    OptionSpec{Opt::kHead, "head", 0, "pressure|total", kConvert, kTakesHead, kHeadStyles,
               "head column of restart data", "pressure"},
    OptionSpec{Opt::kPoints, "points", 0, "PATH", kConvert | kPlot | kReport, kNeedsPoints, {},
               "point-data file: required for interp; plot and report draw heads at the points against time", ""},
    OptionSpec{Opt::kField, "field", 0, "FIELD", kPlot | kReport, kTakesField, kPlotFieldNames,
               "plot, report: total-head, pressure-head or speed", "total-head"},
    OptionSpec{Opt::kMesh, "mesh", 0, "", kPlot | kReport, kTakesDrawing, {}, "plot, report: every element edge, thin", ""},
    OptionSpec{Opt::kArrows, "arrows", 0, "", kPlot | kReport, kTakesDrawing, {},
               "plot, report: velocity arrows on a coarse sample of elements", ""},
    OptionSpec{Opt::kAllElements, "all-elements", 0, "", kConvert, kTakesAllElements, {},
               "vtu cells of every element, inactive ones too", "active only"},
    OptionSpec{Opt::kAllowOverflow, "allow-overflow", 0, "", kConvert, 0, {},
               "write a mesh too large for the kind's fields (asterisks)", ""},
    OptionSpec{Opt::kJobs, "jobs", 'j', "N", kConvert, 0, {}, "files converted side by side",
               "the number of processors"},
    OptionSpec{Opt::kQuiet, "quiet", 'q', "", kConvert | kPlot | kReport, 0, {}, "no progress and no closing line", ""},
    OptionSpec{Opt::kProgress, "progress", 0, "", kConvert | kPlot | kReport, 0, {},
               "progress also when standard error is no terminal (one line a second)", ""},
    OptionSpec{Opt::kJson, "json", 0, "", kInfo, 0, {}, "one JSON document instead of the table", ""},
    OptionSpec{Opt::kHelp, "help", 'h', "", kAll | kProgram, 0, {}, "this help", ""},
    OptionSpec{Opt::kVersion, "version", 0, "", kProgram, 0, {}, "the program's version", ""},
};
// clang-format on
static_assert(cli::RowsInOrder(kOptions), "every option row stands at the index of its Opt");

void Put(std::FILE* f, const std::string& text) {
  std::fputs(text.c_str(), f);
  std::fflush(f);
}

std::string KindTable() {
  std::string text;
  for (const OutputKind* k : OutputKinds()) {
    if (k->command != "convert") continue;
    std::string name(k->name);
    name.resize(10, ' ');
    std::string ext(k->extension);
    ext.resize(6, ' ');
    text += "  " + name + ext + std::string(k->description) + "\n";
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
      "  seepconv report RESULT.DAT --points POINTS.DAT --arrows\n";
  return text;
}

bool ParseCount(std::string_view text, int& value) {
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && ptr == text.data() + text.size() && value >= 1;
}

// The first option given that the kind does not take, or nullptr.
const OptionSpec* NotTaken(const cli::ParsedArgs& args, const OutputKind& kind) {
  for (const OptionSpec& o : kOptions) {
    if (o.kinds != 0 && args.Has(o.id) && !kind.Takes(o.kinds)) return &o;
  }
  return nullptr;
}

int Info(const cli::ParsedArgs& args, std::FILE* out, Messages& messages) {
  if (args.operands.size() != 1)
    return messages.Usage(args.operands.empty() ? "info needs a RESULT file" : "info takes one RESULT file");
  const std::string path(args.operands[0]);
  ResultSummary summary;
  try {
    summary = SummariseResultFile(path);
  } catch (const IoFailure& failure) {
    messages.Failure(path, PlainWords(failure), failure.number);
    return kFailed;
  }
  if (args.Has(Opt::kJson)) {
    PrintSummaryJson(out, summary);
  } else {
    PrintSummary(out, summary);
  }
  std::fflush(out);
  if (summary.damage) {
    messages.Failure(path, summary.damage->what, summary.damage->number);
    return kFailed;
  }
  return kSuccess;
}

// The step selection of --steps, or `fallback`, into the request; false with `error` set when it is none.
bool TakeSteps(const cli::ParsedArgs& args, ConvertRequest& r, std::string& error,
               std::string_view fallback = "all") {
  const std::string_view text = args.Value(Opt::kSteps).value_or(fallback);
  const auto parsed = StepSelection::Parse(text, error);
  if (!parsed) return false;
  r.steps = *parsed;
  r.stepsText = std::string(text);
  return true;
}

// The options that every kind reads from the same option: into the request's choices.
void TakeChoices(const cli::ParsedArgs& args, ConvertRequest& r) {
  r.choices.IHEAD = args.Value(Opt::kHead).value_or("pressure") == "total" ? 1 : 0;
  r.choices.PNAME = std::string(args.Value(Opt::kPoints).value_or(""));
  r.choices.allElements = args.Has(Opt::kAllElements);
  r.choices.field = args.Value(Opt::kField).value_or("");
  r.choices.mesh = args.Has(Opt::kMesh);
  r.choices.arrows = args.Has(Opt::kArrows);
  r.choices.numbered = !r.steps.NamesOneStep();
  r.allowOverflow = args.Has(Opt::kAllowOverflow);
  r.quiet = args.Has(Opt::kQuiet);
}

// Converts every request, `jobs` at a time, with the progress line the arguments ask for.
int ConvertBatch(const std::vector<ConvertRequest>& requests, const cli::ParsedArgs& args, int jobs,
                 Messages& messages) {
  std::uint64_t total = 0;
  for (const ConvertRequest& r : requests) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(r.result, ec);
    if (!ec) total += size;
  }
  const bool quiet = args.Has(Opt::kQuiet);
  Messages::Mode mode = Messages::Mode::kOff;
  if (!quiet && IsTerminal(stderr)) mode = Messages::Mode::kTerminal;
  if (!quiet && args.Has(Opt::kProgress) && mode == Messages::Mode::kOff) mode = Messages::Mode::kLog;
  messages.StartProgress(mode, total, static_cast<int>(requests.size()));
  const bool ok = ConvertFiles(requests, jobs, messages);
  messages.FinishProgress();
  return ok ? kSuccess : kFailed;
}

int Convert(const cli::ParsedArgs& args, Messages& messages) {
  if (args.operands.empty()) return messages.Usage("convert needs a RESULT file");
  const std::optional<std::string_view> to = args.Value(Opt::kTo);
  if (!to) return messages.Usage("convert needs --to KIND");
  const OutputKind* kind = KindOfName("convert", *to);
  if (kind == nullptr) {
    return messages.Usage("unknown output kind '" + std::string(*to) + "' (one of " + KindNames("convert") +
                          ")");
  }
  if (const OptionSpec* o = NotTaken(args, *kind)) {
    return messages.Usage("--" + std::string(o->name) + " applies to --to " +
                          KindNamesTaking("convert", o->kinds) + " only");
  }
  ConvertRequest base;
  base.kind = kind;
  if (std::string error; !TakeSteps(args, base, error)) return messages.Usage(error);
  if (const auto points = args.Value(Opt::kPoints); points && points->empty())
    return messages.Usage("--points needs a file name");
  if (kind->Takes(kNeedsPoints) && !args.Has(Opt::kPoints))
    return messages.Usage("--to " + std::string(kind->name) + " needs --points PATH");
  TakeChoices(args, base);
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (const auto j = args.Value(Opt::kJobs)) {
    if (!ParseCount(*j, jobs))
      return messages.Usage("--jobs takes a whole number of 1 or more, not '" + std::string(*j) + "'");
  }
  const std::optional<std::string_view> output = args.Value(Opt::kOutput);
  if (output && args.operands.size() > 1) return messages.Usage("-o/--output takes one RESULT file only");
  if (output && output->empty()) return messages.Usage("-o/--output needs a file name");

  std::vector<ConvertRequest> requests;
  for (std::string_view operand : args.operands) {
    ConvertRequest r = base;
    r.result = std::string(operand);
    r.output = output ? std::string(*output) : DefaultOutput(r.result, *kind);
    requests.push_back(std::move(r));
  }
  return ConvertBatch(requests, args, jobs, messages);
}

// `plot RESULT`: the field of the selected steps (the last by default), or with --points the heads at
// the points against time, through the same road as a conversion.
int Plot(const cli::ParsedArgs& args, Messages& messages) {
  if (args.operands.size() != 1) {
    return messages.Usage(args.operands.empty() ? "plot needs a RESULT file" : "plot takes one RESULT file");
  }
  ConvertRequest r;
  r.result = std::string(args.operands[0]);
  const bool history = args.Has(Opt::kPoints);
  r.kind = KindOfName("plot", history ? "history" : "pictures");
  if (history) {
    if (args.Value(Opt::kPoints)->empty()) return messages.Usage("--points needs a file name");
    if (args.Value(Opt::kField) == "speed")
      return messages.Usage("--points charts total-head or pressure-head");
    if (args.Has(Opt::kSteps) || NotTaken(args, *r.kind) != nullptr) {
      return messages.Usage(
          "--points charts every step; --steps, --mesh and --arrows apply to step pictures");
    }
  }
  if (std::string error; !TakeSteps(args, r, error, "last")) return messages.Usage(error);
  TakeChoices(args, r);
  const std::filesystem::path stem = std::filesystem::path(r.result).replace_extension();
  r.output = stem.string() + (history ? "_history.svg" : ".svg");
  if (const auto output = args.Value(Opt::kOutput)) {
    if (output->empty()) return messages.Usage("-o/--output needs a file name");
    r.output = std::string(*output);
  }
  return ConvertBatch({r}, args, 1, messages);
}

// `report RESULT`: a first pass over the file for the header, the steps table and the steps drawn, then
// the report kind through the same road as a conversion.
int Report(const cli::ParsedArgs& args, std::span<const std::string_view> all, Messages& messages) {
  if (args.operands.size() != 1) {
    return messages.Usage(args.operands.empty() ? "report needs a RESULT file"
                                                : "report takes one RESULT file");
  }
  if (const auto points = args.Value(Opt::kPoints); points && points->empty())
    return messages.Usage("--points needs a file name");
  if (const auto output = args.Value(Opt::kOutput); output && output->empty())
    return messages.Usage("-o/--output needs a file name");
  std::optional<StepSelection> steps;
  if (const auto text = args.Value(Opt::kSteps)) {
    std::string error;
    steps = StepSelection::Parse(*text, error);
    if (!steps) return messages.Usage(error);
  }
  ConvertRequest r;
  r.result = std::string(args.operands[0]);
  r.kind = KindOfName("report", "html");
  ResultSummary summary;
  try {
    summary = SummariseResultFile(r.result);
  } catch (const IoFailure& failure) {
    messages.Failure(r.result, PlainWords(failure), failure.number);
    return kFailed;
  }
  std::string error;
  const std::optional<ReportPlan> plan = PlanReport(
      summary, steps ? &*steps : nullptr, args.Value(Opt::kSteps).value_or(""), ReportDate(), all, error);
  if (!plan) {
    messages.Failure(r.result, error);
    return kFailed;
  }
  if (steps) r.steps = *steps;  // the closing line counts the steps drawn
  TakeChoices(args, r);
  r.choices.report = &*plan;
  r.output =
      args.Value(Opt::kOutput) ? std::string(*args.Value(Opt::kOutput)) : DefaultOutput(r.result, *r.kind);
  return ConvertBatch({r}, args, 1, messages);
}

}  // namespace

std::span<const cli::OptionSpec> CommandLineOptions() {
  return kOptions;
}

int RunCommandLine(std::span<const std::string_view> args, std::FILE* out, std::FILE* err) {
  Messages messages(err);
  const std::string_view first = args.front();
  if (first == "--help" || first == "-h" || first == "help") {
    std::uint32_t only = 0;
    if (first == "help" && args.size() > 1) {
      for (const Command& c : kCommands) {
        if (c.name == args[1]) only = c.bit;
      }
      if (only == 0) return messages.Usage("no command '" + std::string(args[1]) + "'");
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
    if (first.starts_with("-")) return messages.Usage("unknown option '" + std::string(first) + "'");
    return messages.Usage("unknown command '" + std::string(first) + "'");
  }
  std::string error;
  const auto parsed = cli::Parse(args.subspan(1), kOptions, command->bit, error);
  if (!parsed) return messages.Usage(error);
  if (parsed->Has(Opt::kHelp)) {
    Put(out, Help(command->bit));
    return kSuccess;
  }
  if (command->bit == kInfo) return Info(*parsed, out, messages);
  if (command->bit == kPlot) return Plot(*parsed, messages);
  if (command->bit == kReport) return Report(*parsed, args, messages);
  return Convert(*parsed, messages);
}

}  // namespace seep
