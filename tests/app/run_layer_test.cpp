// The run layer in process: the command line from its arguments to its messages and files on streams in
// memory, one conversion through ConvertFile, the step loop with a kind that counts what it is handed,
// the message funnel, and the report's plan of the steps it draws.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/conversion.h"
#include "app/convert.h"
#include "app/info.h"
#include "app/kinds.h"
#include "app/messages.h"
#include "app/report.h"
#include "core/io/failure.h"
#include "core/io/units.h"
#include "core/reader/result_file.h"
#include "support/result_file.h"
#include "support/scratch.h"

namespace seep {
namespace {

using test::ResultFile;
using test::Scratch;

// Four quadrilaterals and a triangle stored with L = K; step k has P = k − Y and VX = k.
ResultFile Steps(std::initializer_list<int> numbers) {
  ResultFile f;
  f.Header("RUN LAYER", {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 0}},
           {{1, 2, 5, 4, 1}, {2, 3, 6, 5, 1}, {3, 7, 6, 6, 2}});
  int k = 0;
  for (int number : numbers) {
    ++k;
    std::vector<test::NodeValues> nodes;
    for (double y : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0}) nodes.push_back({0, k - y, 0.0});
    f.Step(number, 10.0 * k, nodes, {{1.0 * k, 0}, {1.0 * k, 0}, {1.0 * k, 0}});
  }
  return f;
}

// A stream in memory that a test reads back as text.
class MemoryStream {
 public:
  MemoryStream() : f_(std::tmpfile()) {}
  ~MemoryStream() { std::fclose(f_); }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  std::FILE* get() const { return f_; }
  std::string Text() const {
    std::fflush(f_);
    std::string text;
    std::rewind(f_);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f_)) > 0;) text.append(buffer, n);
    return text;
  }

 private:
  std::FILE* f_;
};

struct Ran {
  int status;
  std::string out, err;
};

Ran CommandLine(std::vector<std::string> args) {
  const std::vector<std::string_view> views(args.begin(), args.end());
  MemoryStream out, err;
  const int status = RunCommandLine(views, out.get(), err.get());
  return {status, out.Text(), err.Text()};
}

TEST(RunLayer, CommandLineInProcess) {
  Scratch dir;
  const std::string r = dir.Path("R.DAT").string(), cut = dir.Path("CUT.DAT").string();
  const ResultFile f = Steps({1, 2, 3});
  f.WriteTo(r);
  f.WriteTo(cut, f.Ends()[f.Ends().size() - 2] + 3);  // inside the last record of the third step
  const std::string o = dir.Path("O").string();
  // A vertical section at x = 0.5 upward: flow to the right through a height of 1 at VX = k.
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;  // text the output holds (standard output, or the file O when named)
    std::string err;  // what standard error holds
  } cases[] = {
      {{"info", r, "--json"}, kSuccess, "\"title\": \"RUN LAYER\"", ""},
      {{"flux", r, "--section", "0.5,0 0.5,1", "--csv", "-o", o},
       kSuccess,
       "\n3,30,3,3,0,0\n",
       "wrote " + o + ": 3 steps"},
      {{"flux", r, "--section", "0.5,0 0.5,1", "-q", "--steps", "2", "-o", o}, kSuccess, "S1", ""},
      {{"flux", cut, "--section", "0.5,0 0.5,1", "--csv", "--partial", "-o", o},
       kPartial,
       "\n2,20,2,2,0,0\n",
       "seepconv: warning: " + cut + ": step 3 ends early"},
      {{"flux", cut, "--section", "0.5,0 0.5,1", "-o", o},
       kFailed,
       "",
       "seepconv: " + cut + ": step 3 ends early"},
      {{"flux", r, "--section", "0.5,0 0.5,1", "-o", o + ".svg", "--chart", o + ".svg"},
       kUsage,
       "",
       "seepconv: -o " + o + ".svg and --chart"},
      {{"flux", r, "--section", "0.5,0"}, kUsage, "", "seepconv: --section '0.5,0': "},
      {{"convert", r, "--to", "tecplot", "-o", o, "--steps", "lst"},
       kUsage,
       "",
       "seepconv: 'lst' is not a step selection (all, last, a step number N or a range A:B); did you mean "
       "last?\nTry 'seepconv convert --help'.\n"},
      {{"convert", r, "--to", "TECPLOT", "-o", o}, kUsage, "", "); did you mean tecplot?\n"},
      {{"convert", r, "--to", "paraview", "-o", o}, kUsage, "", "); did you mean vtu?\n"},
      {{"convert", r, "--steps", "1-2", "--to", "tecplot", "-o", o}, kUsage, "", "; did you mean 1:2?\n"},
      {{"plot", r, "--field", "total", "-o", o + ".svg"},
       kUsage,
       "",
       "seepconv: --field takes total-head, pressure-head, speed or gradient, not 'total'; did you mean "
       "total-head?\nTry 'seepconv plot --help'.\n"},
      {{"flux", r, "--section", "0.5,0 0.5,1", "-o", o, "--chart", o + ".png"},
       kUsage,
       "",
       "seepconv: --chart draws an SVG chart: name it " + o + ".svg, not " + o + ".png\nTry 'seepconv flux"},
      {{"flux", r, "--section", "0.5,0 0.5,1", "-q", "-o", o + ".json"}, kSuccess, "\"flows\": [", ""},
      {{"info", r, r, "--csv", "-o", o},
       kSuccess,
       "\n" + r + ",RUN LAYER,7,3,3,3,3,30,",
       "wrote " + o + ": 2 files"},
      {{"convert", r, "--to", "tecplot", "-o", o + ".neu", "-q"},
       kSuccess,
       "",
       "seepconv: warning: " + o + ".neu: the extension of femap; written as tecplot as --to says\n"},
      {{"plot", r, "--flow-lines", "0", "-o", o + ".svg"},
       kUsage,
       "",
       "seepconv: --flow-lines takes a whole number from 1 to 10000, not '0'"},
      {{"convert", r, "--to", "tecplot", "-o", o, "-q", "--steps", "2:"}, kSuccess, "ZONE", ""},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    SCOPED_TRACE(shown);
    // The output named after -o, if any.
    std::string named;
    for (std::size_t k = 0; k + 1 < c.args.size(); ++k) {
      if (c.args[k] == "-o") named = c.args[k + 1];
    }
    if (!named.empty()) std::remove(named.c_str());
    const Ran run = CommandLine(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    const bool made = !named.empty() && std::filesystem::exists(named);
    const std::string output = made ? dir.Read(std::filesystem::path(named).filename().string()) : run.out;
    if (!c.out.empty()) {
      EXPECT_NE(output.find(c.out), std::string::npos) << output;
    }
    if (c.status != kSuccess && c.status != kPartial) {
      EXPECT_FALSE(made);
    }
  }
}

TEST(RunLayer, ConvertFileReportsThroughItsMessages) {
  Scratch dir;
  Steps({1, 2}).WriteTo(dir.Path("R.DAT").string());
  ConvertRequest request;
  request.result = dir.Path("R.DAT").string();
  request.output = dir.Path("R.tec").string();
  request.kind = nullptr;
  for (const OutputKind* k : OutputKinds()) {
    if (k->name == "tecplot") request.kind = k;
  }
  ASSERT_NE(request.kind, nullptr);
  MemoryStream err;
  Messages messages(err.get());
  EXPECT_EQ(ConvertFile(request, messages), Outcome::kWritten);
  EXPECT_TRUE(err.Text().starts_with("wrote " + request.output + ": 2 steps, ")) << err.Text();
  EXPECT_TRUE(dir.Exists("R.tec"));
  // Onto its own input: refused before anything is read.
  request.output = request.result;
  EXPECT_EQ(ConvertFile(request, messages), Outcome::kFailed);
  EXPECT_NE(err.Text().find("the output would replace the result file"), std::string::npos);
}

// A kind that only counts the steps it is handed at each place.
struct Counted {
  std::vector<std::int32_t> history, selected;
  int finished = 0;
};

constexpr OutputKind kCountingKind{
    .command = "test",
    .name = "counting",
    .ownFiles = true,
    .state = StateOf<Counted>(),
    .historyStep = [](WriterCall& w) { w.Own<Counted>().history.push_back(w.s.ISTEP); },
    .selectedStep = [](WriterCall& w) { w.Own<Counted>().selected.push_back(w.s.ISTEP); },
    .finish = [](WriterCall& w) { ++w.Own<Counted>().finished; },
};

TEST(RunLayer, StepLoopHandsEachStepToItsPlaces) {
  Scratch dir;
  Steps({1, 2, 2, 3}).WriteTo(dir.Path("R.DAT").string());
  std::string error;
  const auto selection = StepSelection::Parse("2:", error);
  ASSERT_TRUE(selection) << error;
  for (const bool ofSelection : {false, true}) {
    SCOPED_TRACE(ofSelection ? "history of the selection" : "history of every step");
    Io io(stdin, stdout, stderr);
    Store s;
    const OutputChoices choices;
    Conversion c(io, s, choices, kCountingKind);
    c.historyOfSelection = ofSelection;
    result::Open(io, dir.Path("R.DAT").string());
    result::ReadHeader(io, s, &c.place);
    SetUpWriter(c);
    StepTally tally;
    int observed = 0;
    StepLoop(c, *selection, tally, [&](const StepTally&) { ++observed; });
    FinishWriter(c);
    const Counted& counted = *static_cast<const Counted*>(c.state.get());
    EXPECT_EQ(tally.numbers, (std::vector<std::int32_t>{1, 2, 2, 3}));
    EXPECT_EQ(tally.written, 3);
    EXPECT_EQ(observed, 4);
    EXPECT_EQ(counted.selected, (std::vector<std::int32_t>{2, 2, 3}));
    const std::vector<std::int32_t> history =
        ofSelection ? std::vector<std::int32_t>{2, 2, 3} : std::vector<std::int32_t>{1, 2, 2, 3};
    EXPECT_EQ(counted.history, history);
    EXPECT_EQ(counted.finished, 1);
  }
}

// Steps counted ahead are the steps the loop then selects, for every kind of selection; a damaged
// file is not counted; the count leaves the file where it was.
TEST(RunLayer, StepsCountedAheadAreTheStepsSelected) {
  Scratch dir;
  const ResultFile f = Steps({1, 2, 2, 3, 7});
  f.WriteTo(dir.Path("R.DAT").string());
  f.WriteTo(dir.Path("CUT.DAT").string(), f.Ends().back() - 3);
  for (const char* text : {"all", "last", "2", "2:", ":2,last", "9"}) {
    SCOPED_TRACE(text);
    std::string error;
    const auto selection = StepSelection::Parse(text, error);
    ASSERT_TRUE(selection) << error;
    for (const char* file : {"R.DAT", "CUT.DAT"}) {
      Io io(stdin, stdout, stderr);
      Store s;
      const OutputChoices choices;
      Conversion c(io, s, choices, kCountingKind);
      result::Open(io, dir.Path(file).string());
      result::ReadHeader(io, s, &c.place);
      const std::int32_t ahead = CountSelectedSteps(io, s, *selection);
      StepTally tally;
      try {
        StepLoop(c, *selection, tally);
      } catch (const IoFailure&) {
      }
      EXPECT_EQ(ahead, std::string(file) == "R.DAT" ? tally.written : -1);
      EXPECT_EQ(tally.numbers.size(), std::string(file) == "R.DAT" ? 5u : 4u);
    }
  }
}

TEST(RunLayer, MessagesAreOneLineEach) {
  MemoryStream err;
  Messages messages(err.get());
  messages.Failure("a\nb.dat", "file not found", 29);
  messages.Warning("R.DAT", "2 points\toutside");
  messages.Failure("", "out of memory");
  EXPECT_EQ(messages.Usage("unknown option '--x'"), kUsage);
  EXPECT_EQ(err.Text(),
            "seepconv: a\\nb.dat: file not found (29)\n"
            "seepconv: warning: R.DAT: 2 points\\toutside\n"
            "seepconv: out of memory\n"
            "seepconv: unknown option '--x'\nTry 'seepconv --help'.\n");
}

TEST(RunLayer, ReportPlansTheStepsItDraws) {
  Scratch dir;
  Steps({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20})
      .WriteTo(dir.Path("R.DAT").string());
  const ResultSummary summary = SummariseResultFile(dir.Path("R.DAT").string());
  auto drawn = [&](const char* text) {
    std::string error;
    std::optional<StepSelection> steps;
    if (text != nullptr) steps = StepSelection::Parse(text, error);
    const auto plan =
        PlanReport(summary, steps ? &*steps : nullptr, text ? text : "", "today", MeasureUnits{}, {}, error);
    std::vector<std::int32_t> numbers;
    if (!plan) return std::make_pair(numbers, error);
    for (const ReportStep& row : plan->steps) {
      if (row.drawn) numbers.push_back(row.number);
    }
    return std::make_pair(numbers, error);
  };
  // By default the last step and 11 more spread over the run.
  const auto byDefault = drawn(nullptr).first;
  EXPECT_EQ(byDefault.size(), 12u);
  EXPECT_EQ(byDefault.back(), 20);
  EXPECT_EQ(drawn("5,last").first, (std::vector<std::int32_t>{5, 20}));
  EXPECT_EQ(drawn("30:").second, "no step matches --steps 30:; the file has steps 1:20");
}

}  // namespace
}  // namespace seep

namespace seep {
namespace {

// The report's footer quotes each argument as the shell of the system that made it reads it back: a
// POSIX shell, or cmd.exe and the C runtime on Windows.
TEST(RunLayer, FooterQuotesForTheShellOfItsSystem) {
  struct Case {
    const char* arg;
    const char* posix;
    const char* cmd;
  };
  const Case cases[] = {
      {"RESULT.DAT", "RESULT.DAT", "RESULT.DAT"},
      {"runs\\case 1\\R.DAT", "'runs\\case 1\\R.DAT'", "\"runs\\case 1\\R.DAT\""},
      {"C:\\out\\", "'C:\\out\\'", "C:\\out\\"},
      {"C:\\my out\\", "'C:\\my out\\'", "\"C:\\my out\\\\\""},
      {"it's", "'it'\\''s'", "\"it's\""},
      {"say \"hi\"", "'say \"hi\"'", "\"say \\\"hi\\\"\""},
      {"a\\\"b", "'a\\\"b'", "\"a\\\\\\\"b\""},
      {"5,0 5,6", "'5,0 5,6'", "\"5,0 5,6\""},
      {"\xE7\xB5\x90\xE6\x9E\x9C.html", "'\xE7\xB5\x90\xE6\x9E\x9C.html'",
       "\"\xE7\xB5\x90\xE6\x9E\x9C.html\""},
      {"", "''", "\"\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QuotedArgument(c.arg, false), c.posix) << c.arg;
    EXPECT_EQ(QuotedArgument(c.arg, true), c.cmd) << c.arg;
  }
}

}  // namespace
}  // namespace seep
