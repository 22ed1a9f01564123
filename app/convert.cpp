#include "app/convert.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "app/conversion.h"
#include "app/text.h"
#include "core/io/bounded_input.h"
#include "core/io/failure.h"
#include "core/io/platform.h"
#include "core/io/replace.h"
#include "core/io/same_file.h"
#include "core/io/units.h"
#include "core/reader/point_file.h"
#include "core/reader/result_file.h"

namespace seep {
namespace {

namespace fs = std::filesystem;

// A failure that the conversion itself finds (no step selected, a field too narrow): its text.
struct ConversionRefused {
  std::string text;
};

// Where a conversion writes. A regular file (or a new one) is written as a temporary file beside it
// and renamed over it at the end; a link is followed, so that the link stays and its file is replaced.
// A device, a pipe or standard output is written directly, and work files then go into the temporary
// folder.
struct Target {
  std::string written;          // the file unit 8 writes, or the output's name for a stream
  std::string renamed;          // the file that `written` replaces at the end; empty: written directly
  std::string workBeside;       // work files are made beside this path
  std::FILE* stream = nullptr;  // the stream written directly, until unit 8 takes it
  TemporaryTicket ticket;       // `written` while it is a temporary file
};

Target PlanTarget(const std::string& output) {
  Target t;
  const OutputPlace place = PlanOutput(output);
  if (place.stream != nullptr) {
    std::error_code ec;
    t.written = output;
    t.stream = place.stream;
    t.workBeside = NameOf(fs::temp_directory_path(ec) / "seepconv-work");
    return t;
  }
  GuardInputs(place.file);
  std::fclose(CreateBeside(place.file, t.written, t.ticket));
  t.renamed = place.file;
  t.workBeside = place.file;
  return t;
}

// The node and element counts against the kind's fixed fields.
void CheckReach(const Store& s, const OutputKind& kind) {
  const FieldReach& reach = kind.reach;
  auto refuse = [&](std::int64_t count, std::string_view what, std::int32_t limit) {
    throw ConversionRefused{"the mesh has " + std::to_string(count) + " " + std::string(what) +
                            ", more than the " + std::string(reach.field) + " fields of " +
                            std::string(kind.name) + " hold (" + std::to_string(limit) +
                            "); --to vtu has no such limit, --allow-overflow writes asterisks"};
  };
  if (reach.nodes > 0 && s.NUMNP > reach.nodes) refuse(s.NUMNP, "nodes", reach.nodes);
  if (reach.elements > 0) {
    std::int64_t count = s.NUMEL;
    if (reach.activeElementsOnly) {
      count = 0;
      for (std::int32_t e = 1; e <= s.NUMEL; ++e) count += IsActive(s, e) ? 1 : 0;
    }
    if (count > reach.elements)
      refuse(count, reach.activeElementsOnly ? "active elements" : "elements", reach.elements);
  }
}

void Remove(const std::string& name) {
  std::error_code ec;
  if (!name.empty()) fs::remove(NativePath(name), ec);
}

// What went wrong in a failure the conversion did not foresee, in words; `file` is set to the file it
// names when it names one.
std::string Unexpected(const std::exception& e, std::string& file) {
  if (const auto* f = dynamic_cast<const std::filesystem::filesystem_error*>(&e)) {
    file = NameOf(f->path1());
    return PlainWords(IoFailure{OpenErrorNumber(f->code().value()), 0, file, f->code().value()}) + " (" +
           std::to_string(OpenErrorNumber(f->code().value())) + ")";
  }
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return "out of memory";
  return std::string("unexpected failure: ") + e.what();
}

// An output name that cannot be a file to write, in words; empty when it can be one: a name that ends
// with a separator or names a folder, or a collection whose step folder is taken by a file.
std::string OddOutput(const ConvertRequest& request) {
  const fs::path output = NativePath(request.output);
  std::error_code ec;
  if (!output.has_filename() || fs::is_directory(output, ec)) return "is a folder: name the output file";
  std::string extension = NameOf(output.extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // A collection (not one step's grid) puts its step files in the folder named after it.
  if (request.kind->extension == ".pvd" && extension != ".vtu") {
    const fs::path folder = output.parent_path() / output.stem();
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec))
      return "cannot make folder " + NameOf(folder) + "/ for the step files: a file of that name exists";
  }
  return {};
}

// The file's size when it is a regular file, else 0 (a pipe, standard input).
std::uint64_t RegularSize(const std::string& result) {
  std::error_code ec;
  if (result == kStandardInput || !fs::is_regular_file(NativePath(result), ec)) return 0;
  const std::uintmax_t size = fs::file_size(NativePath(result), ec);
  return ec ? 0 : size;
}

// An output as messages name it: "-" is standard output.
std::string Shown(const std::string& output) {
  return output == "-" ? "standard output" : output;
}

// One file's conversion from its first read to its closing line.
class FileConversion {
 public:
  FileConversion(const ConvertRequest& request, Messages& messages, unsigned processors)
      : request_(request),
        messages_(messages),
        io_(std::make_unique<Io>(stdin, stdout, stderr)),
        s_(std::make_unique<Store>()),
        choices_(request.choices),
        c_(*io_, *s_, choices_, *request.kind) {
    io_->CountWarnings();
    io_->LimitTextInput(kPointUnit, kLongestTextInput, kLongestTextLine);
    io_->UseProcessors(processors);
    choices_.resultName = shown_;
    c_.historyOfSelection = true;
  }

  Outcome Convert() {
    const auto start = std::chrono::steady_clock::now();
    std::string failure, usage;
    try {
      ReadHeaderAndCheck();
      OpenOutput();
      ConvertSteps();
      Complete();
    } catch (const IoFailure& f) {
      failure = Describe(f);
    } catch (const ConversionRefused& r) {
      failureFile_ = shown_;
      failure = r.text;
    } catch (const OutputRefused& r) {
      failureFile_ = r.file == target_.renamed ? request_.output : r.file;
      failure = r.what;
    } catch (const InputRefused& r) {
      usage = r.what;
    } catch (const std::exception& e) {
      failure = Unexpected(e, failureFile_);
      if (failureFile_.empty()) failureFile_ = request_.output;
    }
    const std::int64_t warnings = io_->WarningCount();
    CleanUp();
    messages_.FileDone();
    if (!usage.empty()) {
      messages_.Usage(usage);
      return Outcome::kUsage;
    }
    if (!ok_) {
      messages_.Failure(Shown(failureFile_), failure);
      return Outcome::kFailed;
    }
    Report(warnings, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return damage_.empty() ? Outcome::kWritten : Outcome::kPartial;
  }

 private:
  // The header read and the mesh held against the kind's fields, before anything is written.
  void ReadHeaderAndCheck() {
    OpenResultFile(*io_, request_.result, shown_);
    result::ReadHeader(*io_, *s_, &c_.place);
    headerRead_ = true;
    if (!request_.allowOverflow) CheckReach(*s_, c_.kind);
    // The dialogue's point-data file is opened as new or old, so that a mistyped name is created
    // empty; on the command line it is an input that must exist.
    if (c_.kind.Takes(kNeedsPoints)) {
      std::error_code ec;
      const fs::file_status st = fs::status(NativePath(choices_.PNAME), ec);
      if (!fs::exists(st)) {
        const int cause = st.type() == fs::file_type::not_found ? 0 : ec.value();
        throw IoFailure{cause == 0 ? kErrFileNotFound : OpenErrorNumber(cause), 50, choices_.PNAME, cause};
      }
    }
  }

  // A kind that writes files of its own makes them whole itself; the others write the output unit, but
  // for a study's table, which the run layer writes.
  void OpenOutput() {
    if (choices_.studyTable != nullptr) {
      SetUpWriter(c_);
      return;
    }
    if (c_.kind.ownFiles) {
      target_.written = target_.workBeside = request_.output;
    } else {
      target_ = PlanTarget(request_.output);
    }
    choices_.ONAME = target_.written;
    choices_.workFilesBeside = target_.workBeside;
    // A kind whose first lines count the steps writes in one pass when they are counted first: only a
    // file read by name can be read twice.
    if (c_.kind.countsStepsFirst && io_->OnRegularFile(result::kUnit))
      choices_.stepsAhead = CountSelectedSteps(*io_, *s_, request_.steps);
    if (target_.stream != nullptr) {
      std::FILE* stream = std::exchange(target_.stream, nullptr);
      io_->AttachUnit(kOutputUnit, stream, request_.output);
    } else if (!c_.kind.ownFiles) {
      io_->OpenUnit(kOutputUnit, choices_.ONAME, "unknown", "FORMATTED");
    }
    SetUpWriter(c_);
  }

  void ConvertSteps() {
    const std::uint64_t headerEnd = io_->Position(result::kUnit);
    const std::uint64_t size = RegularSize(request_.result);
    std::uint64_t lastRead = headerEnd, lastWritten = 0;
    try {
      StepLoop(c_, request_.steps, tally_, [&](const StepTally& t) {
        const std::uint64_t read = t.bytesRead;
        const std::uint64_t written = BytesWritten(c_);
        const auto steps = static_cast<std::int64_t>(t.numbers.size());
        messages_.Step(read - lastRead, written - lastWritten,
                       {shown_, steps, EstimatedSteps(headerEnd, read, steps, size)});
        lastRead = read;
        lastWritten = written;
      });
    } catch (const IoFailure& f) {
      // With --partial, damage in a step keeps the whole steps read before it: the writers have seen
      // only those.
      if (!request_.partial || f.unit != result::kUnit || tally_.numbers.empty()) throw;
      damage_ = Describe(f);
    }
    // Steps counted first and then read must agree: a file that grew or shrank in between (an analysis
    // still writing it) would give a header that is not the file's.
    if (choices_.stepsAhead >= 0 && tally_.written != choices_.stepsAhead) {
      throw ConversionRefused{"the file changed while it was read (" + std::to_string(choices_.stepsAhead) +
                              " steps selected at first, " + std::to_string(tally_.written) +
                              " then); convert it again"};
    }
    // A history of a file without steps is written as the dialogue writes it; otherwise no step
    // selected is a failure.
    if (tally_.written == 0 && (c_.kind.historyStep == nullptr || !tally_.numbers.empty())) {
      throw ConversionRefused{
          "no step matches --steps " + request_.stepsText + "; the file has " +
          (tally_.numbers.empty() ? std::string("no steps") : "steps " + DescribeSteps(tally_.numbers))};
    }
  }

  void Complete() {
    FinishWriter(c_);
    written_ = OutputBytes(c_);
    io_->CloseAll();
    if (!target_.renamed.empty()) MoveIntoPlace(target_.written, target_.renamed);
    target_.ticket.Forget();
    ok_ = true;
  }

  // The failure in words, naming the file as the user named it.
  std::string Describe(const IoFailure& failure) {
    failureFile_ = failure.file;
    const int n = failure.number;
    if (failure.unit == result::kUnit && n != kErrFileNotFound && n != kErrPermission &&
        n != kErrOpenFailure && n != kErrFileName) {
      failureFile_ = shown_;
      const std::int64_t steps = static_cast<std::int64_t>(tally_.numbers.size());
      return result::DescribeDamage(n, c_.place, headerRead_ ? steps + 1 : 0) + " (" + std::to_string(n) +
             ")";
    }
    // The output unit, its temporary file and the work files made beside it are the output to the user.
    const bool workFile = !target_.workBeside.empty() && failureFile_.starts_with(target_.workBeside);
    if (failure.unit == kOutputUnit || failureFile_ == target_.written || failureFile_ == target_.renamed ||
        workFile)
      failureFile_ = request_.output;
    return PlainWords(failure) + " (" + std::to_string(n) + ")";
  }

  // Every unit closed; after a failure the temporary file and the kind's half-made files taken away.
  void CleanUp() {
    try {
      io_->CloseAll();
    } catch (const IoFailure&) {
    }
    if (!ok_) AbandonWriter(c_);
    if (!ok_ && choices_.studyTable != nullptr) choices_.studyTable->clear();
    io_.reset();
    if (target_.stream != nullptr) std::fclose(target_.stream);
    if (!ok_ && !target_.renamed.empty()) Remove(target_.written);
    target_.ticket.Forget();
  }

  void Report(std::int64_t warnings, double seconds) {
    if (!damage_.empty()) {
      // The steps read whole before the damage, and of them the ones the selection took.
      const auto kept = static_cast<std::int64_t>(tally_.numbers.size());
      const std::int64_t written = tally_.written;
      const std::string whole = std::to_string(kept) + (kept == 1 ? " whole step" : " whole steps");
      const std::string what =
          written == kept
              ? "; the " + whole + (kept == 1 ? " before it was written" : " before it were written")
              : "; of the " + whole + " before it, the " + std::to_string(written) +
                    (written == 1 ? " selected was written" : " selected were written");
      messages_.Warning(shown_, damage_ + what);
    }
    // What the kind left out: a warning a line, naming the file where it lies.
    const std::string leftOut = LeftOut(c_);
    for (std::size_t at = 0; at < leftOut.size();) {
      std::size_t end = leftOut.find('\n', at);
      if (end == std::string::npos) end = leftOut.size();
      if (end > at)
        messages_.Warning(c_.kind.leftOutOfInput ? shown_ : request_.output, leftOut.substr(at, end - at));
      at = end + 1;
    }
    if (warnings > 0) {
      messages_.Warning(request_.output, std::to_string(warnings) +
                                             (warnings == 1 ? " record holds" : " records hold") +
                                             " a value too wide for its field, written as asterisks (63)");
    }
    if (const std::vector<std::string> unmatched = request_.steps.Unmatched(tally_.numbers);
        !unmatched.empty() && !tally_.numbers.empty()) {
      std::string parts;
      for (const std::string& part : unmatched) parts += (parts.empty() ? "" : ", ") + part;
      messages_.Warning(shown_, "no step matches " + parts + " of --steps " + request_.stepsText +
                                    "; the file has steps " + DescribeSteps(tally_.numbers));
    }
    if (request_.quiet) return;
    const std::int64_t steps = tally_.written;
    const std::string how =
        request_.kindFromName ? " (" + std::string(c_.kind.name) + ", from its extension)" : std::string();
    const std::string output = Shown(request_.output);
    messages_.Closing("wrote " + FilesWritten(c_, output) + how + ": " + std::to_string(steps) +
                      (steps == 1 ? " step, " : " steps, ") + Bytes(written_) + ", " + Seconds(seconds));
  }

  const ConvertRequest& request_;
  const std::string shown_ = ShownName(request_.result);
  Messages& messages_;
  std::unique_ptr<Io> io_;
  std::unique_ptr<Store> s_;
  OutputChoices choices_;
  Conversion c_;
  Target target_;
  StepTally tally_;
  std::uint64_t written_ = 0;
  bool headerRead_ = false;
  bool ok_ = false;
  std::string failureFile_;
  std::string damage_;  // --partial: the damage that ended the steps, in words
};

}  // namespace

std::string ShownName(const std::string& result) {
  return result == kStandardInput ? "standard input" : result;
}

void OpenResultFile(Io& io, const std::string& result, const std::string& shown) {
  if (result == kStandardInput) {
    result::OpenStream(io, stdin, shown);
  } else {
    result::Open(io, result);
  }
}

std::string DefaultOutput(const std::string& result, const OutputKind& kind) {
  return NameOf(NativePath(result).replace_extension(kind.extension));
}

Outcome ConvertFile(const ConvertRequest& request, Messages& messages, unsigned processors) {
  std::string refused;
  for (const auto& [input, what] : {std::pair{request.result, "result file"},
                                    {request.choices.PNAME, "point file"},
                                    {request.sectionsFile, "sections file"}}) {
    std::error_code ec;
    if (!input.empty() && input != kStandardInput &&
        fs::equivalent(NativePath(input), NativePath(request.output), ec)) {
      refused = "the output would replace the " + std::string(what) + "; name another with -o";
      break;
    }
  }
  if (refused.empty() && request.choices.studyTable == nullptr) refused = OddOutput(request);
  if (!refused.empty()) {
    messages.Failure(request.output, refused);
    messages.FileDone();
    return Outcome::kFailed;
  }
  FileConversion conversion(request, messages, processors);
  return conversion.Convert();
}

std::string OutputsApart(const std::vector<ConvertRequest>& requests) {
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const ConvertRequest& r = requests[i];
    if (WritesDirectly(r.output) && (r.kind->collection || (r.kind->filePerStep && r.choices.numbered))) {
      return r.kind->collection
                 ? "-o " + r.output + ": --to " + std::string(r.kind->name) +
                       " writes a folder of files and a collection; name a file, not a device or pipe"
                 : "-o " + r.output +
                       ": --steps selects several pictures, and a device or pipe takes one; name a file";
    }
    if (!r.choices.chart.empty() && SameFile(r.output, r.choices.chart))
      return "-o " + r.output + " and --chart " + r.choices.chart + " are one file; name two";
    for (std::size_t j = 0; j < requests.size(); ++j) {
      if (j == i) continue;
      if (j > i && SameFile(r.output, requests[j].output)) {
        return r.result + " and " + requests[j].result + " would both write " + r.output +
               "; convert them one at a time with -o";
      }
      if (SameFile(r.output, requests[j].result)) {
        return "the output of " + r.result + " would replace " + requests[j].result +
               ", an input of this command; convert them one at a time with -o";
      }
    }
  }
  return {};
}

BatchOutcome ConvertFiles(const std::vector<ConvertRequest>& requests, int jobs, Messages& messages) {
  const std::size_t threads =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), requests.size());
  // One conversion may use every processor (it formats runs of records side by side and writes behind
  // them); files side by side share them out, so that they do not start more threads than there are
  // processors.
  const unsigned share = threads <= 1 ? 0 : std::max(1u, ProcessorCount() / static_cast<unsigned>(threads));
  std::atomic<std::size_t> next{0};
  std::atomic<int> written{0}, partial{0}, failed{0}, usage{0};
  auto work = [&] {
    for (std::size_t i = next++; i < requests.size(); i = next++) {
      Outcome outcome = Outcome::kFailed;
      try {
        outcome = ConvertFile(requests[i], messages, share);
      } catch (const std::exception& e) {
        std::string file;
        const std::string what = Unexpected(e, file);
        messages.Failure(file.empty() ? requests[i].output : file, what);
      } catch (...) {
        messages.Failure(requests[i].output, "unexpected failure");
      }
      switch (outcome) {
        case Outcome::kWritten:
          ++written;
          break;
        case Outcome::kPartial:
          ++partial;
          break;
        case Outcome::kFailed:
          ++failed;
          break;
        case Outcome::kUsage:
          ++usage;
          break;
      }
    }
  };
  if (threads <= 1) {
    work();
  } else {
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
    for (std::thread& t : pool) t.join();
  }
  return {written, partial, failed, usage};
}

}  // namespace seep
