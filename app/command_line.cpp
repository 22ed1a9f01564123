#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
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
#include "core/io/replace.h"
#include "core/io/same_file.h"
#include "core/io/text_input.h"
#include "core/reader/sections_file.h"
#include "writers/draw/plot.h"
#include "writers/flux/flux_kind.h"
#include "writers/profile/profile_kind.h"
#include "writers/safety/safety_kind.h"

#ifndef SEEPCONV_VERSION
#define SEEPCONV_VERSION "0.0.0"
#endif

namespace seep {
namespace {

using cli::Opt;
using cli::OptionSpec;
using cli::ValueKind;

constexpr std::uint32_t kInfo = kInfoCommand, kConvert = kConvertCommand, kProgram = kProgramOptions,
                        kPlot = kPlotCommand, kFlux = kFluxCommand, kReport = kReportCommand,
                        kProfile = kProfileCommand, kSafety = kSafetyCommand,
                        kAll = kInfo | kConvert | kPlot | kFlux | kReport | kProfile | kSafety;

using Command = CommandSpec;

constexpr std::array kCommands{
    Command{"info", kInfo, "RESULT...",
            "what a result file holds: mesh, materials, bounds, every step's ranges",
            "  seepconv info RESULT.DAT\n"
            "  seepconv info RESULT.DAT --json\n"
            "  seepconv info runs/*.res --csv -o study.csv\n"
            "  seepconv info RESULT.DAT --file-units m,s --units m,h\n"
            "  seepconv info - < RESULT.DAT\n"},
    Command{"convert", kConvert, "RESULT... [--to KIND]", "convert result files for another program",
            "  seepconv convert RESULT.DAT --to tecplot\n"
            "  seepconv convert RESULT.DAT --steps last -o embank.neu\n"
            "  seepconv convert RESULT.DAT --to interp --points POINTS.DAT --steps 2:\n"
            "  seepconv convert RESULT.DAT --steps last -o head.vtu\n"
            "  seepconv convert CUT.DAT --to vtu --partial -o cut.pvd\n"
            "  seepconv convert runs/*.res --to igpost -qj4\n"},
    Command{"plot", kPlot, "RESULT", "SVG pictures: the head field of steps, or heads at points against time",
            "  seepconv plot RESULT.DAT\n"
            "  seepconv plot RESULT.DAT --steps all --field speed --arrows -o speed.svg\n"
            "  seepconv plot RESULT.DAT --points POINTS.DAT --steps 5:\n"
            "  seepconv plot RESULT.DAT --flow-lines 12 --sections SECTIONS.TXT -o flownet.svg\n"
            "  seepconv plot RESULT.DAT --field gradient -o gradient.svg\n"},
    Command{"flux", kFlux, "RESULT... --section \"x1,y1 x2,y2 ...\"",
            "flow rate per unit thickness through sections, step by step",
            "  seepconv flux RESULT.DAT --section \"5,0 5,6\" --section \"15,0 15,6\"\n"
            "  seepconv flux RESULT.DAT --sections SECTIONS.TXT --csv -o flow.csv --chart flow.svg\n"
            "  seepconv flux runs/*.res --sections SECTIONS.TXT --csv -o study.csv\n"},
    Command{"profile", kProfile, "RESULT --line \"x1,y1 x2,y2 ...\"",
            "the field along a line, at evenly spaced points or where it crosses element edges, step by step",
            "  seepconv profile RESULT.DAT --line \"0,1 20,1\"\n"
            "  seepconv profile RESULT.DAT --line \"10,0 10,6\" --field pressure-head --steps all --csv "
            "--chart p.svg\n"
            "  seepconv profile RESULT.DAT --line \"0,1 20,1\" --at crossings --csv\n"},
    Command{
        "safety", kSafety, "RESULT... [--exit \"x1,y1 x2,y2 ...\"] [--uplift \"x1,y1 ...\"]",
        "exit gradients and factors of safety, uplift, and the balance of the nodal flows, step by step",
        "  seepconv safety RESULT.DAT --exit \"Toe: 15,6 20,6\" --critical-gradient 0.9\n"
        "  seepconv safety RESULT.DAT --uplift \"0,0 20,0\" --unit-weights 20,9.81 --json -o safety.json\n"
        "  seepconv safety RESULT.DAT --sections SECTIONS.TXT --steps last --csv\n"
        "  seepconv safety RESULT.DAT --sections SECTIONS.TXT --file-units m,s --units m,d,m3/d/m\n"},
    Command{"report", kReport, "RESULT",
            "one HTML file: pictures with a time slider, the steps table, heads at points",
            "  seepconv report RESULT.DAT\n"
            "  seepconv report RESULT.DAT --points POINTS.DAT --arrows -o run12.html\n"
            "  seepconv report RESULT.DAT --steps all --field pressure-head\n"
            "  seepconv report RESULT.DAT --profile \"0,1 20,1\"\n"},
};

// The head styles of restart data, in the order of IHEAD (the factor of the elevation).
constexpr std::array<std::string_view, 2> kHeadStyles{"pressure", "total"};
// Where a profile takes its values: evenly spaced points, or where the line crosses element edges.
constexpr std::array<std::string_view, 2> kProfilePlaces{"evenly", "crossings"};

// Flow lines a picture may draw.
constexpr int kMostFlowLines = 10000;

// clang-format off
constexpr std::array kOptions{
    OptionSpec{Opt::kTo, "to", 0, "KIND", kConvert, 0, {}, "output kind (see below)",
               "the kind of the extension of -o", ValueKind::kName},
    OptionSpec{Opt::kOutput, "output", 'o', "PATH", kInfo | kConvert | kPlot | kFlux | kReport | kProfile | kSafety, 0, {}, "output file; convert: with one RESULT only; info: one for all RESULT files",
               "RESULT with the kind's extension, in its folder; info, flux, profile, safety: standard output", ValueKind::kPath},
    OptionSpec{Opt::kSteps, "steps", 0, "SEL", kConvert | kPlot | kFlux | kReport | kProfile | kSafety, 0, {},
               "time steps: all, last, N, A:B, A:, :B or a list 1,10:20,last", "all; plot, profile: last; report: the last and 11 more spread over the run", ValueKind::kSteps},
    OptionSpec{Opt::kHead, "head", 0, "pressure|total", kConvert, kTakesHead, kHeadStyles,
               "head column of restart data", "pressure", ValueKind::kChoice},
    OptionSpec{Opt::kPoints, "points", 0, "PATH", kConvert | kPlot | kReport, kNeedsPoints, {},
               "point-data file; convert: required for --to interp; plot, report: heads at the points against time (plot: every step by default)", "", ValueKind::kPath},
    OptionSpec{Opt::kField, "field", 0, "FIELD", kPlot | kReport | kProfile, kTakesField, kPlotFieldNames,
               "plot, report, profile: total-head, pressure-head, speed or gradient (hydraulic)", "total-head", ValueKind::kChoice},
    OptionSpec{Opt::kMesh, "mesh", 0, "", kPlot | kReport, kTakesDrawing, {}, "plot, report: every element edge, thin", ""},
    OptionSpec{Opt::kArrows, "arrows", 0, "", kPlot | kReport, kTakesDrawing, {},
               "plot, report: velocity arrows on a coarse sample of elements", ""},
    OptionSpec{Opt::kFlowLines, "flow-lines", 0, "N", kPlot | kReport, kTakesDrawing, {},
               "plot, report: N flow lines from where water enters (a flow net)", "", ValueKind::kCount, 1, kMostFlowLines},
    OptionSpec{Opt::kSection, "section", 0, "\"x1,y1 x2,y2 ...\"", kFlux, 0, {},
               "flux: a section (a polyline), named S1, S2, ... in order; may be repeated", "", ValueKind::kPolyline},
    OptionSpec{Opt::kSections, "sections", 0, "PATH", kFlux | kPlot | kReport | kSafety, kTakesDrawing, {},
               "sections file, a line 'name: x1,y1 x2,y2 ...' each; plot, report: drawn with their flow rates; safety, report also take 'exit name: ...' and 'uplift name: ...'", "", ValueKind::kPath},
    OptionSpec{Opt::kExit, "exit", 0, "\"[NAME:] x1,y1 x2,y2 ...\"", kSafety | kReport, 0, {},
               "safety, report: an exit face, water leaving to the left of its direction (up for ground drawn left to right), named E1, E2, ... when unnamed; may be repeated", "", ValueKind::kLine},
    OptionSpec{Opt::kUplift, "uplift", 0, "\"[NAME:] x1,y1 x2,y2 ...\"", kSafety | kReport, 0, {},
               "safety, report: a base under a structure for the uplift, named U1, U2, ... when unnamed; may be repeated", "", ValueKind::kLine},
    OptionSpec{Opt::kCriticalGradient, "critical-gradient", 0, "IC", kSafety | kReport, 0, {},
               "safety, report: critical gradient ic for the factors of safety ic / i", "none: gradients alone", ValueKind::kNumbers, 1, 1},
    OptionSpec{Opt::kUnitWeights, "unit-weights", 0, "GAMMA_SAT,GAMMA_W", kSafety | kReport, 0, {},
               "safety, report: unit weights of the saturated ground and of water: ic = (GAMMA_SAT - GAMMA_W) / GAMMA_W, uplift = GAMMA_W x integral of P", "GAMMA_W 9.81 (kN/m3)", ValueKind::kNumbers, 2, 2},
    OptionSpec{Opt::kCsv, "csv", 0, "", kInfo | kFlux | kProfile | kSafety, 0, {}, "info: a header line and one row per file; flux, safety: a header line and one row per step (several files: per file and step, a file column first); profile: a header line and one row per step and point", ""},
    OptionSpec{Opt::kExcel, "excel", 0, "", kInfo | kFlux | kProfile | kSafety, 0, {},
               "the CSV for a spreadsheet: a byte order mark; ';' and 1,5 in a decimal-comma locale", ""},
    OptionSpec{Opt::kChart, "chart", 0, "PATH", kFlux | kProfile, 0, {}, "flux: an SVG chart of the net flow rates; profile: an SVG chart of the profile", "", ValueKind::kPath},
    OptionSpec{Opt::kAllElements, "all-elements", 0, "", kConvert, kTakesAllElements, {},
               "vtu cells of every element, inactive ones too", "active only"},
    OptionSpec{Opt::kAllowOverflow, "allow-overflow", 0, "", kConvert, 0, {},
               "write a mesh too large for the kind's fields (asterisks)", ""},
    OptionSpec{Opt::kPartial, "partial", 0, "", kConvert | kPlot | kFlux | kReport | kProfile | kSafety, 0, {},
               "a file damaged part way: write the whole steps before the damage (status 3)", ""},
    OptionSpec{Opt::kJobs, "jobs", 'j', "N", kConvert, 0, {}, "files converted side by side",
               "the number of processors", ValueKind::kCount, 1},
    OptionSpec{Opt::kQuiet, "quiet", 'q', "", kAll, 0, {}, "no progress and no closing line", ""},
    OptionSpec{Opt::kProgress, "progress", 0, "", kConvert | kPlot | kFlux | kReport | kProfile | kSafety, 0, {},
               "progress also when standard error is no terminal (one line a second)", ""},
    OptionSpec{Opt::kJson, "json", 0, "", kInfo | kFlux | kProfile | kSafety, 0, {}, "one JSON document instead of the table", ""},
    OptionSpec{Opt::kFileUnits, "file-units", 0, "L,T", kInfo | kPlot | kFlux | kReport | kProfile | kSafety, 0, {},
               "info, plot, report, flux, profile, safety: the file's length and time units, as m,s (lengths m, cm, mm, ft, in; times s, min, h, d)",
               "labels say \"model units\"", ValueKind::kName},
    OptionSpec{Opt::kUnits, "units", 0, "L,T[,FLOW]", kInfo | kPlot | kFlux | kReport | kProfile | kSafety, 0, {},
               "info, plot, report, flux, profile, safety: show figures in these units, as ft,min,l/min/m (flows m3/s/m, m3/h/m, m3/d/m, "
               "l/s/m, l/min/m, ft3/s/ft, ft3/min/ft, ft3/d/ft, gal/min/ft); needs --file-units", "the file's", ValueKind::kName},
    OptionSpec{Opt::kLevels, "levels", 0, "A:B:STEP|v1,v2,...", kPlot | kReport, 0, {},
               "plot, report: the colour bar's levels, in the units shown", "round levels over the values", ValueKind::kName},
    OptionSpec{Opt::kRange, "range", 0, "MIN:MAX", kPlot | kReport, 0, {},
               "plot, report: round levels over MIN to MAX, values beyond in the end colours", "", ValueKind::kName},
    OptionSpec{Opt::kContourLabels, "contour-labels", 0, "", kPlot | kReport, 0, {},
               "plot, report: equipotentials along the band edges, labelled with their level (heads)", ""},
    OptionSpec{Opt::kLine, "line", 0, "\"x1,y1 x2,y2 ...\"", kProfile, 0, {},
               "profile: the line (a polyline) the field is sampled along", "", ValueKind::kName},
    OptionSpec{Opt::kAt, "at", 0, "evenly|crossings", kProfile | kReport, 0, kProfilePlaces,
               "profile: the points of the line: 101 evenly spaced, or its ends and every crossing of an element edge; report: the points of the --profile line, as profile places them", "evenly", ValueKind::kChoice},
    OptionSpec{Opt::kProfileLine, "profile", 0, "\"x1,y1 x2,y2 ...\"", kReport, 0, {},
               "report: a section with the profile of the field along this line (a polyline): a chart of the drawn steps and a table", "", ValueKind::kName},
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

// Steps and exit statuses, as every help tells them.
constexpr std::string_view kStepsHelp =
    "\nSteps (--steps SEL): step numbers as stored in the file; all, last (the file's last step), N, a\n"
    "range A:B, open ranges A: and :B (2:last is 2:), or a comma-separated mix such as 1,10:20,last.\n"
    "The histories of interp and plot --points hold the selected steps. A part that matches no step\n"
    "is named in a warning; a selection that matches none fails.\n";
constexpr std::string_view kExitHelp =
    "\nExit status: 0 success; 1 a conversion or read failed (each failure named on standard error);\n"
    "2 a usage error.\n";
constexpr std::string_view kSignalExitHelp =
    "128 + the signal's number when a signal ended the run (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP, 141 a\n"
    "reader that went away), its temporary files removed.\n";
constexpr std::string_view kPartialExitHelp =
    "3 (--partial) a damaged file of which the whole steps before the damage were written.\n";

// The help of the whole program: every command, option and kind, and how the dialogue starts.
std::string ProgramHelp() {
  std::string text = "Usage: seepconv                       the numbered dialogue (classic mode)\n";
  for (const Command& c : kCommands) {
    text += "       seepconv " + std::string(c.name) + " " + std::string(c.operands) + " [options]\n";
  }
  text += "       seepconv --help | --version | help COMMAND\n\nCommands:\n";
  for (const Command& c : kCommands) {
    std::string name(c.name);
    name.resize(10, ' ');
    text += "  " + name + std::string(c.summary) + "\n";
  }
  text += "\nOptions:\n" + cli::DescribeOptions(kOptions, kAll | kProgram);
  text += "\nOutput kinds (--to KIND):\n" + KindTable();
  text += kStepsHelp;
  text += kExitHelp;
  text += kPartialExitHelp;
  text += kSignalExitHelp;
  text += "The dialogue keeps its own statuses (an error number, or 1111 for a rejected summary).\n";
  text += "\nExamples:\n";
  for (const Command& c : kCommands) text += c.examples;
  return text;
}

// The help of one command: its usage, its own options and examples.
std::string CommandHelp(const Command& c) {
  std::string text =
      "Usage: seepconv " + std::string(c.name) + " " + std::string(c.operands) + " [options]\n";
  text += "\n" + std::string(c.summary) + "\n";
  text += "\nOptions:\n" + cli::DescribeOptions(kOptions, c.bit, c.name);
  if (c.bit == kConvert) {
    text += "\nOutput kinds (--to KIND; without it, the kind of the extension of -o):\n" + KindTable();
    text += "  (.vtu   one step's grid alone, with --steps last or N)\n";
  }
  if (c.bit != kInfo) text += kStepsHelp;
  text += kExitHelp;
  if (c.bit != kInfo) text += kPartialExitHelp;
  if (c.bit != kInfo) text += kSignalExitHelp;
  text += "\nExamples:\n";
  text += c.examples;
  return text;
}

// Sections of a sections file appended to `sections`: kSuccess, a usage error for a file whose text
// is wrong, or kFailed for one that cannot be read.
int TakeSectionsFile(std::string_view path, std::vector<Section>& sections, Messages& messages) {
  std::string error;
  int failure = 0;
  if (ReadSectionsFile(std::string(path), sections, error, failure)) {
    ProtectInput(std::string(path), "the sections file");
    return kSuccess;
  }
  if (failure == 0) return messages.Usage(std::string(path) + ": " + error);
  messages.Failure(path, error, failure);
  return kFailed;
}

// A point file saved in an encoding the list reads cannot take, in words; empty for any other file. Only
// a regular file is looked into here: a pipe is read once, where its limits are kept.
std::string PointFileEncoding(const std::string& name) {
  std::error_code ec;
  if (name.empty() || name == kStandardInput || !std::filesystem::is_regular_file(NativePath(name), ec))
    return {};
  std::FILE* f = OpenFile(name, "rb");
  if (f == nullptr) return {};
  char start[2] = {};
  const std::size_t got = std::fread(start, 1, sizeof start, f);
  std::fclose(f);
  const std::string_view encoding = UnreadableEncoding(std::string_view(start, got));
  return encoding.empty() ? std::string()
                          : name + ": saved as " + std::string(encoding) + ": save it as UTF-8";
}

// The first option given that the kind does not take, or nullptr.
const OptionSpec* NotTaken(const cli::ParsedArgs& args, const OutputKind& kind) {
  for (const OptionSpec& o : kOptions) {
    if (o.kinds != 0 && args.Has(o.id) && !kind.Takes(o.kinds)) return &o;
  }
  return nullptr;
}

// Writes `text` to `output` (made whole under a temporary name, or written in place to a device or pipe),
// or to `out` when no output is named; a failure is one message line. True when written.
bool WriteText(const std::string& text, std::optional<std::string_view> output, std::FILE* out,
               Messages& messages) {
  if (!output) {
    if (std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0) return true;
    messages.Failure("standard output", "write error", kErrWrite);
    return false;
  }
  try {
    WriteWholeFile(std::string(*output), text);
    return true;
  } catch (const IoFailure& failure) {
    messages.Failure(*output, PlainWords(failure), failure.number);
  } catch (const OutputRefused& refused) {
    messages.Failure(refused.file, refused.what);
  }
  return false;
}

// The extension of a file name in small letters, as the kinds name theirs: "EMBANK.TEC" gives ".tec".
std::string Extension(std::string_view name) {
  std::string extension = NameOf(NativePath(name).extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// The style of a table from --csv, --json and --excel into `choices`; where `byExtension`, an output
// named .csv or .json is that format, as convert takes its kind from the extension. A usage message
// when the options clash.
std::string TakeTableStyle(const cli::ParsedArgs& args, bool byExtension, OutputChoices& choices) {
  if (args.Has(Opt::kCsv) && args.Has(Opt::kJson)) return "--csv and --json: one of them";
  if (args.Has(Opt::kExcel) && (args.Has(Opt::kCsv) || args.Has(Opt::kJson)))
    return "--excel is CSV for a spreadsheet: with neither --csv nor --json";
  const std::string extension = byExtension ? Extension(args.Value(Opt::kOutput).value_or("")) : "";
  choices.table = args.Has(Opt::kExcel) ? TableStyle::kSpreadsheet
                  : args.Has(Opt::kCsv) || (!args.Has(Opt::kJson) && extension == ".csv") ? TableStyle::kCsv
                  : args.Has(Opt::kJson) || extension == ".json"                          ? TableStyle::kJson
                                                                 : TableStyle::kAligned;
  if (choices.table == TableStyle::kSpreadsheet) choices.spreadsheet = UserSpreadsheetCsv();
  return {};
}

// `info RESULT...`: what each file holds, as aligned lines, JSON (an array for several files) or CSV (a
// row per file, for a study of many runs).
int Info(const cli::ParsedArgs& args, std::FILE* out, Messages& messages) {
  if (args.operands.empty()) return messages.Usage("info needs a RESULT file");
  OutputChoices table;
  if (const std::string error = TakeTableStyle(args, false, table); !error.empty())
    return messages.Usage(error);
  const bool csv = table.table == TableStyle::kCsv || table.table == TableStyle::kSpreadsheet;
  const bool json = table.table == TableStyle::kJson, several = args.operands.size() > 1;
  const CsvStyle& style = table.spreadsheet;  // plain unless --excel
  const std::optional<std::string_view> output = args.Value(Opt::kOutput);
  std::string error;
  const std::optional<MeasureUnits> units =
      ReadMeasureUnits(args.Value(Opt::kFileUnits).value_or(""), args.Value(Opt::kUnits).value_or(""), error);
  if (!units) return messages.Usage(error);
  ForgetProtectedInputs();
  for (const std::string_view path : args.operands) {
    if (path != kStandardInput) ProtectInput(std::string(path), "the result file");
  }
  std::string text;
  if (csv) PrintSummaryCsvHeader(text, *units, style);
  if (json && several) text += "[\n";
  int status = kSuccess, summarised = 0;
  for (const std::string_view operand : args.operands) {
    const std::string path(operand);
    ResultSummary summary;
    try {
      summary = SummariseResultFile(path);
    } catch (const IoFailure& failure) {
      messages.Failure(path, PlainWords(failure), failure.number);
      status = kFailed;
      continue;
    }
    // A file that is no result file has no summary to tell.
    if (!summary.notResultFile) {
      if (csv) {
        PrintSummaryCsvRow(text, summary, *units, style);
      } else if (json) {
        if (several && summarised > 0) text.insert(text.size() - 1, ",");
        PrintSummaryJson(text, summary, *units);
      } else {
        if (summarised > 0) text += '\n';
        PrintSummary(text, summary, *units);
      }
      ++summarised;
    }
    if (summary.damage) {
      messages.Failure(summary.file, summary.damage->what, summary.damage->number);
      status = kFailed;
    }
  }
  if (json && several) text += "]\n";
  if (!WriteText(text, output, out, messages)) return kFailed;
  if (output && !args.Has(Opt::kQuiet)) {
    messages.Closing("wrote " + std::string(*output) + ": " + std::to_string(summarised) +
                     (summarised == 1 ? " file summarised" : " files summarised"));
  }
  return status;
}

// The step selection of --steps, or `fallback`, into the request; false with `error` set when it is none.
bool TakeSteps(const cli::ParsedArgs& args, ConvertRequest& r, std::string& error,
               std::string_view fallback = "all") {
  if (args.steps) {
    r.steps = *args.steps;
    r.stepsText = std::string(*args.Value(Opt::kSteps));
    return true;
  }
  const auto parsed = StepSelection::Parse(fallback, error);
  if (!parsed) return false;
  r.steps = *parsed;
  r.stepsText = std::string(fallback);
  return true;
}

// The options that every kind reads from the same option: into the request's choices; a message when
// one cannot be taken.
std::string TakeChoices(const cli::ParsedArgs& args, ConvertRequest& r) {
  std::string error;
  const auto units =
      ReadMeasureUnits(args.Value(Opt::kFileUnits).value_or(""), args.Value(Opt::kUnits).value_or(""), error);
  if (!units) return error;
  r.choices.units = *units;
  if (const auto levels = args.Value(Opt::kLevels); levels && !ReadLevels(*levels, r.choices.levels, error))
    return error;
  if (const auto range = args.Value(Opt::kRange); range && !ReadRange(*range, r.choices.range, error))
    return error;
  r.choices.contourLabels = args.Has(Opt::kContourLabels);
  r.choices.atCrossings = args.Choice(Opt::kAt, 0) == 1;
  r.choices.IHEAD = static_cast<std::int32_t>(args.Choice(Opt::kHead, 0));
  r.choices.PNAME = std::string(args.Value(Opt::kPoints).value_or(""));
  r.choices.allElements = args.Has(Opt::kAllElements);
  r.choices.field = static_cast<PlotField>(args.Choice(Opt::kField, 0));
  r.choices.mesh = args.Has(Opt::kMesh);
  r.choices.arrows = args.Has(Opt::kArrows);
  r.choices.flowLines = args.Count(Opt::kFlowLines, 0);
  r.choices.numbered = !r.steps.NamesOneStep();
  r.allowOverflow = args.Has(Opt::kAllowOverflow);
  r.quiet = args.Has(Opt::kQuiet);
  r.partial = args.Has(Opt::kPartial);
  return {};
}

// Every input of the requests kept from every output, also from the ones named only while writing
// (numbered pictures, a collection's folder), and the progress line the arguments ask for started.
void StartBatch(const std::vector<ConvertRequest>& requests, const cli::ParsedArgs& args,
                Messages& messages) {
  std::uint64_t total = 0;
  for (const ConvertRequest& r : requests) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(NativePath(r.result), ec);
    if (!ec) total += size;
    ProtectInput(r.result, "the result file");
    if (!r.choices.PNAME.empty()) ProtectInput(r.choices.PNAME, "the point file");
    if (!r.sectionsFile.empty()) ProtectInput(r.sectionsFile, "the sections file");
  }
  const bool quiet = args.Has(Opt::kQuiet);
  Messages::Mode mode = Messages::Mode::kOff;
  if (!quiet && IsTerminal(stderr)) mode = Messages::Mode::kTerminal;
  if (!quiet && args.Has(Opt::kProgress) && mode == Messages::Mode::kOff) mode = Messages::Mode::kLog;
  messages.StartProgress(mode, total, static_cast<int>(requests.size()), TerminalColumns(stderr));
}

// The summary line of a batch of several files ("3 converted, 1 failed"; `done` says what became of a
// file that did not fail), the progress line taken away, and the batch's status.
int EndBatch(const BatchOutcome& done, std::size_t files, std::string_view what, const cli::ParsedArgs& args,
             Messages& messages) {
  if (files > 1 && !args.Has(Opt::kQuiet)) {
    messages.Closing(std::to_string(done.written + done.partial) + " " + std::string(what) +
                     (done.partial > 0 ? " (" + std::to_string(done.partial) + " in part)" : std::string()) +
                     ", " + std::to_string(done.failed) + " failed");
  }
  messages.FinishProgress();
  if (done.usage > 0) return kUsage;
  if (done.failed > 0) return kFailed;
  return done.partial > 0 ? kPartial : kSuccess;
}

// Converts every request, `jobs` at a time, with the progress line the arguments ask for.
int ConvertBatch(const std::vector<ConvertRequest>& requests, const cli::ParsedArgs& args, int jobs,
                 Messages& messages) {
  if (const std::string apart = OutputsApart(requests); !apart.empty()) return messages.Usage(apart);
  if (const std::string odd = PointFileEncoding(requests.front().choices.PNAME); !odd.empty())
    return messages.Usage(odd);
  StartBatch(requests, args, messages);
  const BatchOutcome done = ConvertFiles(requests, jobs, messages);
  return EndBatch(done, requests.size(), "converted", args, messages);
}

// The tables of a study's files joined into one: CSV under the first file's header line, a row per
// file and step; JSON as an array of the files' documents; aligned tables one after another, each
// under a line naming its file. A file that failed has no table.
std::string JoinStudy(const std::vector<std::string>& tables, const std::vector<ConvertRequest>& requests,
                      TableStyle style) {
  std::string text;
  bool first = true;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const std::string& table = tables[i];
    if (table.empty()) continue;
    switch (style) {
      case TableStyle::kCsv:
      case TableStyle::kSpreadsheet:
        text.append(first ? std::string_view(table) : std::string_view(table).substr(table.find('\n') + 1));
        break;
      case TableStyle::kJson:
        if (!first) text.insert(text.size() - 1, ",");
        text += table;
        break;
      case TableStyle::kAligned:
        text += (first ? "==> " : "\n==> ") + ShownName(requests[i].result) + " <==\n" + table;
        break;
    }
    first = false;
  }
  if (style == TableStyle::kJson && !text.empty()) text = "[\n" + text + "]\n";
  return text;
}

// flux and safety over several result files, a parameter study: each file read as one conversion with
// the choices of `base`, its table kept, and the tables joined into one output (standard output unless
// -o names a file). A file that fails is reported and left out; the others are still read.
int StudyBatch(const ConvertRequest& base, const cli::ParsedArgs& args, Messages& messages) {
  std::vector<std::string> tables(args.operands.size());
  std::vector<ConvertRequest> requests;
  for (std::size_t i = 0; i < args.operands.size(); ++i) {
    ConvertRequest r = base;
    r.result = std::string(args.operands[i]);
    r.output.clear();
    r.quiet = true;
    r.choices.studyTable = &tables[i];
    requests.push_back(std::move(r));
  }
  StartBatch(requests, args, messages);
  const auto start = std::chrono::steady_clock::now();
  const BatchOutcome done = ConvertFiles(requests, 1, messages);
  const int tabled = done.written + done.partial;
  bool written = true;
  if (tabled > 0) {
    const std::string text = JoinStudy(tables, requests, base.choices.table);
    const std::optional<std::string_view> output = args.Value(Opt::kOutput);
    written = WriteText(text, output, stdout, messages);
    if (written && output && !args.Has(Opt::kQuiet)) {
      messages.Closing(
          "wrote " + std::string(*output) + ": a table of " + std::to_string(tabled) +
          (tabled == 1 ? " result file, " : " result files, ") + Bytes(text.size()) + ", " +
          Seconds(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()));
    }
  }
  // A table that could not be written has its failure line and no summary.
  if (!written) {
    messages.FinishProgress();
    return kFailed;
  }
  return EndBatch(done, requests.size(), "in the table", args, messages);
}

// The kind of convert whose files carry the extension of `output`: the kind's own, or .vtu for one step's
// grid of the kind that writes grids.
const OutputKind* KindOfExtension(std::string_view output) {
  const std::string extension = Extension(output);
  if (extension.empty()) return nullptr;
  for (const OutputKind* k : OutputKinds()) {
    if (k->command != "convert") continue;
    if (k->extension == extension || (extension == ".vtu" && k->extension == ".pvd")) return k;
  }
  return nullptr;
}

// A .vtu name holds one step's grid: a selection that may give several is a usage error.
std::optional<std::string> SeveralStepsForOneGrid(std::string_view output, const ConvertRequest& r) {
  if (Extension(output) != ".vtu" || r.steps.NamesOneStep()) return std::nullopt;
  return std::string(output) + " holds one step and --steps " + r.stepsText +
         " may select several: name the collection " + NameOf(NativePath(output).replace_extension(".pvd")) +
         ", or select one step (--steps last or a step number)";
}

int Convert(const cli::ParsedArgs& args, Messages& messages) {
  if (args.operands.empty()) return messages.Usage("convert needs a RESULT file");
  const std::optional<std::string_view> to = args.Value(Opt::kTo);
  const std::optional<std::string_view> output = args.Value(Opt::kOutput);
  const OutputKind* kind = nullptr;
  if (to) {
    kind = KindOfName("convert", *to);
    if (kind == nullptr) {
      std::vector<std::string_view> names;
      for (const OutputKind* k : OutputKinds()) {
        if (k->command == "convert") names.push_back(k->name);
      }
      std::string what =
          "unknown output kind '" + std::string(*to) + "' (one of " + KindNames("convert") + ")";
      std::string_view near = cli::NearestName(*to, names);
      for (const OutputKind* k : OutputKinds()) {
        if (!near.empty()) break;
        for (std::size_t at = 0; k->command == "convert" && at < k->otherNames.size();) {
          const std::size_t end = std::min(k->otherNames.find(' ', at), k->otherNames.size());
          if (!cli::NearestName(*to, std::array{k->otherNames.substr(at, end - at)}).empty() ||
              k->otherNames.substr(at, end - at) == *to)
            near = k->name;
          at = end + 1;
        }
      }
      if (!near.empty()) what += "; did you mean " + std::string(near) + "?";
      return messages.Usage(what);
    }
  } else if (!output) {
    return messages.Usage("convert needs --to KIND");
  } else {
    // As other converters do, the output's extension tells the kind.
    kind = KindOfExtension(*output);
    if (kind == nullptr) {
      return messages.Usage("convert needs --to KIND; the extension of " + std::string(*output) +
                            " names no kind");
    }
  }
  if (const OptionSpec* o = NotTaken(args, *kind)) {
    return messages.Usage("--" + std::string(o->name) + " applies to --to " +
                          KindNamesTaking("convert", o->kinds) + " only");
  }
  // An output named with the extension of another kind is written all the same, with a word of warning.
  if (const OutputKind* named = output ? KindOfExtension(*output) : nullptr; to && named && named != kind) {
    messages.Warning(*output, "the extension of " + std::string(named->name) + "; written as " +
                                  std::string(kind->name) + " as --to says");
  }
  ConvertRequest base;
  base.kind = kind;
  base.kindFromName = !to;
  if (std::string error; !TakeSteps(args, base, error)) return messages.Usage(error);
  if (output && kind->ownFiles) {
    if (const auto several = SeveralStepsForOneGrid(*output, base)) return messages.Usage(*several);
  }
  if (kind->Takes(kNeedsPoints) && !args.Has(Opt::kPoints))
    return messages.Usage("--to " + std::string(kind->name) + " needs --points PATH");
  if (const std::string error = TakeChoices(args, base); !error.empty()) return messages.Usage(error);
  const int jobs = args.Count(Opt::kJobs, static_cast<int>(ProcessorCount()));
  if (output && args.operands.size() > 1) return messages.Usage("-o/--output takes one RESULT file only");
  if (!output && std::find(args.operands.begin(), args.operands.end(), kStandardInput) != args.operands.end())
    return messages.Usage("a result file read from standard input (-) needs -o PATH");

  std::vector<ConvertRequest> requests;
  for (std::string_view operand : args.operands) {
    ConvertRequest r = base;
    r.result = std::string(operand);
    r.output = output ? std::string(*output) : DefaultOutput(r.result, *kind);
    // A collection named without extension is NAME.pvd beside its folder NAME/.
    const std::filesystem::path named = NativePath(r.output);
    if (kind->ownFiles && named.has_filename() && !named.has_extension() && !WritesDirectly(r.output))
      r.output += ".pvd";
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
  // A step picture shows the last step unless told; a chart at points draws the whole history.
  if (std::string error; !TakeSteps(args, r, error, history ? "all" : "last")) return messages.Usage(error);
  if (const std::string error = TakeChoices(args, r); !error.empty()) return messages.Usage(error);
  if (history) {
    if (r.choices.field != PlotField::kTotalHead && r.choices.field != PlotField::kPressureHead)
      return messages.Usage("--points charts total-head or pressure-head");
    if (NotTaken(args, *r.kind) != nullptr)
      return messages.Usage("--mesh, --arrows, --flow-lines and --sections apply to step pictures");
  }
  if (const auto sections = args.Value(Opt::kSections)) {
    if (const int status = TakeSectionsFile(*sections, r.choices.sections, messages); status != kSuccess)
      return status;
    r.sectionsFile = std::string(*sections);
  }
  r.output = NameOf(NativePath(r.result).replace_extension()) + (history ? "_history.svg" : ".svg");
  if (const auto output = args.Value(Opt::kOutput)) {
    const std::filesystem::path name = NativePath(*output);
    if (name.has_extension() && Extension(*output) != ".svg" && Extension(*output) != ".pdf") {
      return messages.Usage("plot draws SVG pictures: name the output " +
                            NameOf(std::filesystem::path(name).replace_extension(".svg")) + ", not " +
                            std::string(*output));
    }
    r.output = std::string(*output);
  } else if (r.result == kStandardInput) {
    return messages.Usage("a result file read from standard input (-) needs -o PATH");
  }
  return ConvertBatch({r}, args, 1, messages);
}

// A line without length, or two lines of one kind with one name, in words ("section Up has no length");
// empty when there is none.
std::string LineFault(const std::vector<Section>& lines, std::string_view what) {
  for (auto line = lines.begin(); line != lines.end(); ++line) {
    double length = 0.0;
    for (std::size_t k = 0; k + 1 < line->points.size(); ++k)
      length +=
          std::hypot(line->points[k + 1].x - line->points[k].x, line->points[k + 1].y - line->points[k].y);
    if (!(length > 0.0)) return std::string(what) + " " + line->name + " has no length";
    if (std::any_of(lines.begin(), line, [&](const Section& s) { return s.name == line->name; }))
      return "two " + std::string(what) + "s are named " + line->name;
  }
  return {};
}

// `flux RESULT`: the flow rate through the sections of --section and --sections, per selected step,
// through the same road as a conversion; the table goes to standard output unless -o names a file.
int Flux(const cli::ParsedArgs& args, Messages& messages) {
  if (args.operands.empty()) return messages.Usage("flux needs a RESULT file");
  const bool study = args.operands.size() > 1;
  if (study && args.Has(Opt::kChart))
    return messages.Usage("--chart draws the flow rates of one RESULT file: name one");
  ConvertRequest r;
  r.result = std::string(args.operands[0]);
  r.kind = &kFlowRatesKind;
  std::vector<Section>& sections = r.choices.sections;
  for (const std::vector<XY>& points : args.sections)
    sections.push_back(Section{"S" + std::to_string(sections.size() + 1), points});
  if (const auto file = args.Value(Opt::kSections)) {
    if (const int status = TakeSectionsFile(*file, sections, messages); status != kSuccess) return status;
    r.sectionsFile = std::string(*file);
  }
  if (sections.empty()) return messages.Usage("flux needs --section \"x1,y1 x2,y2 ...\" or --sections PATH");
  if (const std::string fault = LineFault(sections, "section"); !fault.empty()) return messages.Usage(fault);
  if (std::string error; !TakeSteps(args, r, error)) return messages.Usage(error);
  if (const std::string error = TakeTableStyle(args, true, r.choices); !error.empty())
    return messages.Usage(error);
  if (const auto chart = args.Value(Opt::kChart); chart && Extension(*chart) != ".svg")
    return messages.Usage("--chart draws an SVG chart: name it " +
                          NameOf(NativePath(*chart).replace_extension(".svg")) + ", not " +
                          std::string(*chart));
  if (const std::string error = TakeChoices(args, r); !error.empty()) return messages.Usage(error);
  // The table goes to standard output unless a file is named; then a closing line names it.
  r.output = "-";
  if (const auto output = args.Value(Opt::kOutput)) {
    r.output = std::string(*output);
  } else {
    r.quiet = true;
  }
  r.choices.chart = std::string(args.Value(Opt::kChart).value_or(""));
  return study ? StudyBatch(r, args, messages) : ConvertBatch({r}, args, 1, messages);
}

// `profile RESULT --line "x,y x,y"`: the field at evenly spaced points of the line, per selected step
// (the last by default), through the same road as a conversion.
int Profile(const cli::ParsedArgs& args, Messages& messages) {
  if (args.operands.size() != 1) {
    return messages.Usage(args.operands.empty() ? "profile needs a RESULT file"
                                                : "profile takes one RESULT file");
  }
  ConvertRequest r;
  r.result = std::string(args.operands[0]);
  r.kind = &kProfileKind;
  const auto line = args.Value(Opt::kLine);
  if (!line) return messages.Usage("profile needs --line \"x1,y1 x2,y2 ...\"");
  std::vector<XY> points;
  if (std::string error; !ParseSectionPoints(*line, points, error))
    return messages.Usage("--line '" + std::string(*line) + "': " + error);
  r.choices.sections.push_back(Section{"line", points});
  if (std::string error; !TakeSteps(args, r, error, "last")) return messages.Usage(error);
  if (const std::string error = TakeTableStyle(args, false, r.choices); !error.empty())
    return messages.Usage(error);
  if (const std::string error = TakeChoices(args, r); !error.empty()) return messages.Usage(error);
  r.output = std::string(args.Value(Opt::kOutput).value_or("-"));
  if (!args.Has(Opt::kOutput)) r.quiet = true;
  r.choices.chart = std::string(args.Value(Opt::kChart).value_or(""));
  return ConvertBatch({r}, args, 1, messages);
}

// The exit faces and bases of --exit, --uplift and the sections file, its flow sections, and the critical
// gradient and the unit weight of water, into the request: kSuccess, or the status of a usage error or of
// a sections file that cannot be read, its line written.
int TakeSafetyChoices(const cli::ParsedArgs& args, ConvertRequest& r, Messages& messages) {
  SectionsFile lines;
  for (const auto& [option, given] : args.lines) {
    std::vector<Section>& into = option == Opt::kExit ? lines.exits : lines.uplifts;
    into.push_back(given);
    if (given.name.empty())
      into.back().name = (option == Opt::kExit ? "E" : "U") + std::to_string(into.size());
  }
  if (const auto file = args.Value(Opt::kSections)) {
    std::string error;
    if (int failure = 0; !ReadSectionsFile(std::string(*file), lines, error, failure)) {
      if (failure == 0) return messages.Usage(std::string(*file) + ": " + error);
      messages.Failure(*file, error, failure);
      return kFailed;
    }
    r.sectionsFile = std::string(*file);
  }
  for (const auto& [named, what] : {std::pair{&lines.exits, "exit face"}, std::pair{&lines.uplifts, "base"},
                                    std::pair{&lines.sections, "section"}}) {
    if (const std::string fault = LineFault(*named, what); !fault.empty()) return messages.Usage(fault);
  }
  // ic as given, or from the unit weights: ic = (γsat − γw) / γw.
  if (args.Has(Opt::kCriticalGradient) && args.Has(Opt::kUnitWeights))
    return messages.Usage("--critical-gradient and --unit-weights: one of them");
  if (args.Has(Opt::kCriticalGradient)) r.choices.criticalGradient = args.Numbers(Opt::kCriticalGradient)[0];
  if (args.Has(Opt::kUnitWeights)) {
    const auto [saturated, water] = args.Numbers(Opt::kUnitWeights);
    if (!(saturated > water)) {
      return messages.Usage("--unit-weights " + std::string(*args.Value(Opt::kUnitWeights)) +
                            ": GAMMA_SAT must exceed GAMMA_W");
    }
    r.choices.criticalGradient = (saturated - water) / water;
    r.choices.gammaW = water;
  }
  r.choices.exits = std::move(lines.exits);
  r.choices.bases = std::move(lines.uplifts);
  r.choices.sections = std::move(lines.sections);
  return kSuccess;
}

// `safety RESULT`: exit gradients, uplift and the balance of the nodal flows per selected step, through the
// same road as a conversion; the table goes to standard output unless -o names a file.
int Safety(const cli::ParsedArgs& args, Messages& messages) {
  if (args.operands.empty()) return messages.Usage("safety needs a RESULT file");
  ConvertRequest r;
  r.result = std::string(args.operands[0]);
  r.kind = &kSafetyKind;
  if (const int status = TakeSafetyChoices(args, r, messages); status != kSuccess) return status;
  if (std::string error; !TakeSteps(args, r, error)) return messages.Usage(error);
  if (const std::string error = TakeTableStyle(args, true, r.choices); !error.empty())
    return messages.Usage(error);
  if (const std::string error = TakeChoices(args, r); !error.empty()) return messages.Usage(error);
  r.output = std::string(args.Value(Opt::kOutput).value_or("-"));
  r.quiet = r.quiet || !args.Has(Opt::kOutput);
  return args.operands.size() > 1 ? StudyBatch(r, args, messages) : ConvertBatch({r}, args, 1, messages);
}

// `report RESULT`: a first pass over the file for the header, the steps table and the steps drawn, then
// the report kind through the same road as a conversion.
int Report(const cli::ParsedArgs& args, std::span<const std::string_view> all, Messages& messages) {
  if (args.operands.size() != 1) {
    return messages.Usage(args.operands.empty() ? "report needs a RESULT file"
                                                : "report takes one RESULT file");
  }
  ConvertRequest r;
  r.result = std::string(args.operands[0]);
  r.kind = KindOfName("report", "html");
  if (const int status = TakeSafetyChoices(args, r, messages); status != kSuccess) return status;
  if (const std::string error = TakeChoices(args, r); !error.empty()) return messages.Usage(error);
  // Two passes over the file: a pipe cannot be read again.
  if (std::error_code ec;
      r.result == kStandardInput || (std::filesystem::exists(NativePath(r.result), ec) &&
                                     !std::filesystem::is_regular_file(NativePath(r.result), ec)))
    return messages.Usage("report reads the result file twice: name a file, not a pipe or standard input");
  ResultSummary summary;
  try {
    summary = SummariseResultFile(r.result);
  } catch (const IoFailure& failure) {
    messages.Failure(r.result, PlainWords(failure), failure.number);
    return kFailed;
  }
  std::string error;
  const std::optional<ReportPlan> plan =
      PlanReport(summary, args.steps ? &*args.steps : nullptr, args.Value(Opt::kSteps).value_or(""),
                 ReportDate(), r.choices.units, all, error);
  if (!plan) {
    messages.Failure(r.result, error);
    return kFailed;
  }
  if (const auto line = args.Value(Opt::kProfileLine)) {
    if (std::string error; !ParseSectionPoints(*line, r.choices.profile, error))
      return messages.Usage("--profile '" + std::string(*line) + "': " + error);
  } else if (args.Has(Opt::kAt)) {
    return messages.Usage("--at places the points of --profile \"x1,y1 x2,y2 ...\": name the line");
  }
  r.choices.report = &*plan;
  r.output =
      args.Value(Opt::kOutput) ? std::string(*args.Value(Opt::kOutput)) : DefaultOutput(r.result, *r.kind);
  return ConvertBatch({r}, args, 1, messages);
}

// The command named first, with its options.
int RunCommand(std::span<const std::string_view> args, std::FILE* out, Messages& messages) {
  const std::string_view first = args.front();
  if (first == "--help" || first == "-h" || first == "help") {
    std::uint32_t only = 0;
    if (first == "help" && args.size() > 1) {
      for (const Command& c : kCommands) {
        if (c.name == args[1]) only = c.bit;
      }
      if (only == 0) return messages.Usage("no command '" + std::string(args[1]) + "'");
    }
    const Command* command = nullptr;
    for (const Command& c : kCommands) {
      if (c.bit == only) command = &c;
    }
    Put(out, command != nullptr ? CommandHelp(*command) : ProgramHelp());
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
    std::vector<std::string_view> names;
    for (const Command& c : kCommands) names.push_back(c.name);
    std::string what = "unknown command '" + std::string(first) + "'";
    if (const std::string_view near = cli::NearestName(first, names); !near.empty())
      what += "; did you mean " + std::string(near) + "?";
    return messages.Usage(what);
  }
  messages.ForCommand(command->name);
  std::string error;
  auto parsed = cli::Parse(args.subspan(1), kOptions, command->bit, error);
  if (!parsed) return messages.Usage(error);
  // No shell expands the wildcards of a Windows command line: the program does (platform.h). The
  // operands then view the names matched.
  std::vector<std::string> matched;
  for (const std::string_view operand : parsed->operands) {
    const std::vector<std::string> names =
        operand == kStandardInput ? std::vector{std::string(operand)} : MatchingNames(std::string(operand));
    if (names.empty()) {
      messages.Failure(operand, "no file matches the pattern");
      return kFailed;
    }
    matched.insert(matched.end(), names.begin(), names.end());
  }
  parsed->operands.assign(matched.begin(), matched.end());
  if (parsed->Has(Opt::kHelp)) {
    Put(out, CommandHelp(*command));
    return kSuccess;
  }
  if (command->bit == kInfo) return Info(*parsed, out, messages);
  if (command->bit == kPlot) return Plot(*parsed, messages);
  if (command->bit == kFlux) return Flux(*parsed, messages);
  if (command->bit == kProfile) return Profile(*parsed, messages);
  if (command->bit == kReport) return Report(*parsed, args, messages);
  if (command->bit == kSafety) return Safety(*parsed, messages);
  return Convert(*parsed, messages);
}

}  // namespace

std::span<const cli::OptionSpec> CommandLineOptions() {
  return kOptions;
}

std::span<const CommandSpec> CommandLineCommands() {
  return kCommands;
}

int RunCommandLine(std::span<const std::string_view> args, std::FILE* out, std::FILE* err) {
  Messages messages(err);
  ForgetProtectedInputs();  // each command names its own
  // Nothing unexpected ends the program otherwise than with one line and status 1.
  try {
    return RunCommand(args, out, messages);
  } catch (const std::filesystem::filesystem_error& e) {
    const int number = OpenErrorNumber(e.code().value());
    messages.Failure(NameOf(e.path1()), PlainWords(IoFailure{number, 0, "", e.code().value()}), number);
  } catch (const std::bad_alloc&) {
    messages.Failure("", "out of memory");
  } catch (const std::exception& e) {
    messages.Failure("", std::string("unexpected failure: ") + e.what());
  } catch (...) {
    messages.Failure("", "unexpected failure");
  }
  return kFailed;
}

}  // namespace seep
