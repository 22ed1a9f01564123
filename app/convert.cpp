#include "app/convert.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

#include "app/conversion.h"
#include "app/text.h"
#include "core/io/failure.h"
#include "core/io/replace.h"
#include "core/io/units.h"
#include "core/reader/result_file.h"

namespace seep {
namespace {

namespace fs = std::filesystem;

// A failure that the conversion itself finds (no step selected, a field too narrow): its text.
struct Refusal {
  std::string text;
};

// A new empty file beside `target` under a name that no file had: "<target>.tmp-XXXXXXXX".
std::string ReserveBeside(const std::string& target) {
  std::string name;
  std::fclose(CreateBeside(target, name));
  return name;
}

// Where a conversion writes. A regular file (or a new one) is written as a temporary file beside it
// and renamed over it at the end; a link is followed, so that the link stays and its file is replaced.
// Anything else (a device, a pipe) is written directly. Work files go beside the final file, or into
// the temporary folder for a device.
struct Target {
  std::string written;     // the file unit 8 writes
  std::string renamed;     // the file that `written` replaces at the end; empty: written directly
  std::string workBeside;  // work files are made beside this path
};

Target PlanTarget(const std::string& output) {
  std::error_code ec;
  fs::path final = output;
  if (fs::is_symlink(output, ec)) {
    const fs::path resolved = fs::weakly_canonical(output, ec);
    if (!ec) final = resolved;
  }
  const fs::file_status st = fs::status(final, ec);
  if (fs::exists(st) && !fs::is_regular_file(st) && !fs::is_directory(st)) {
    return {final.string(), "", (fs::temp_directory_path(ec) / "seepconv-work").string()};
  }
  return {ReserveBeside(final.string()), final.string(), final.string()};
}

// The node and element counts against the kind's fixed fields.
void CheckReach(const Store& s, const OutputKind& kind) {
  const FieldReach& reach = kind.reach;
  auto refuse = [&](std::int64_t count, std::string_view what, std::int32_t limit) {
    throw Refusal{"the mesh has " + std::to_string(count) + " " + std::string(what) + ", more than the " +
                  std::string(reach.field) + " fields of " + std::string(kind.name) + " hold (" +
                  std::to_string(limit) + "); --to vtu has no such limit, --allow-overflow writes asterisks"};
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
  if (!name.empty()) fs::remove(name, ec);
}

// One file's conversion from its first read to its closing line.
class FileConversion {
 public:
  FileConversion(const ConvertRequest& request, Messages& messages)
      : request_(request),
        messages_(messages),
        io_(std::make_unique<Io>(stdin, stdout, stderr)),
        s_(std::make_unique<Store>()),
        choices_(request.choices),
        c_(*io_, *s_, choices_, *request.kind) {
    io_->CountWarnings();
  }

  bool Convert() {
    const auto start = std::chrono::steady_clock::now();
    std::string failure;
    try {
      ReadHeaderAndCheck();
      OpenOutput();
      ConvertSteps();
      Complete();
    } catch (const IoFailure& f) {
      failure = Describe(f);
    } catch (const Refusal& r) {
      failureFile_ = request_.result;
      failure = r.text;
    }
    const std::int64_t warnings = io_->WarningCount();
    CleanUp();
    messages_.FileDone();
    if (!ok_) {
      messages_.Failure(failureFile_, failure);
      return false;
    }
    Report(warnings, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return true;
  }

 private:
  // The header read and the mesh held against the kind's fields, before anything is written.
  void ReadHeaderAndCheck() {
    result::Open(*io_, request_.result);
    result::ReadHeader(*io_, *s_, &c_.place);
    headerRead_ = true;
    if (!request_.allowOverflow) CheckReach(*s_, c_.kind);
    // The dialogue's point-data file is opened as new or old, so that a mistyped name is created
    // empty; on the command line it is an input that must exist.
    if (c_.kind.Takes(kNeedsPoints) && !fs::exists(choices_.PNAME))
      throw IoFailure{kErrFileNotFound, 50, choices_.PNAME};
  }

  // A kind that writes files of its own makes them whole itself; the others write the output unit.
  void OpenOutput() {
    target_ = c_.kind.ownFiles ? Target{request_.output, "", request_.output} : PlanTarget(request_.output);
    choices_.ONAME = target_.written;
    choices_.workFilesBeside = target_.workBeside;
    if (!c_.kind.ownFiles) io_->OpenUnit(kOutputUnit, choices_.ONAME, "unknown", "FORMATTED");
    SetUpWriter(c_);
  }

  void ConvertSteps() {
    std::uint64_t lastRead = 0, lastWritten = 0;
    StepLoop(c_, request_.steps, tally_, [&](const StepTally&) {
      const std::uint64_t read = io_->Position(result::kUnit);
      const std::uint64_t written = BytesWritten(c_);
      messages_.Step(read - lastRead, written - lastWritten);
      lastRead = read;
      lastWritten = written;
    });
    if (c_.kind.Takes(kTakesSteps) && tally_.written == 0) {
      throw Refusal{
          "no step matches --steps " + request_.stepsText + "; the file has " +
          (tally_.numbers.empty() ? std::string("no steps") : "steps " + DescribeSteps(tally_.numbers))};
    }
  }

  void Complete() {
    FinishWriter(c_);
    written_ = BytesWritten(c_);
    io_->CloseAll();
    if (!target_.renamed.empty()) MoveIntoPlace(target_.written, target_.renamed);
    ok_ = true;
  }

  // The failure in words, naming the file as the user named it.
  std::string Describe(const IoFailure& failure) {
    failureFile_ = failure.file;
    const int n = failure.number;
    if (failure.unit == result::kUnit && n != kErrFileNotFound && n != kErrPermission &&
        n != kErrOpenFailure && n != kErrFileName) {
      failureFile_ = request_.result;
      const std::int64_t steps = static_cast<std::int64_t>(tally_.numbers.size());
      return result::DescribeDamage(n, c_.place, headerRead_ ? steps + 1 : 0) + " (" + std::to_string(n) +
             ")";
    }
    if (failure.unit == kOutputUnit || failureFile_ == target_.written || failureFile_ == target_.renamed)
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
    io_.reset();
    if (!ok_ && !target_.renamed.empty()) Remove(target_.written);
  }

  void Report(std::int64_t warnings, double seconds) {
    if (const std::string leftOut = LeftOut(c_); !leftOut.empty())
      messages_.Warning(request_.output, leftOut);
    if (warnings > 0) {
      messages_.Warning(request_.output, std::to_string(warnings) +
                                             (warnings == 1 ? " record holds" : " records hold") +
                                             " a value too wide for its field, written as asterisks (63)");
    }
    if (request_.quiet) return;
    const std::int64_t steps =
        c_.kind.Takes(kTakesSteps) ? tally_.written : static_cast<std::int64_t>(tally_.numbers.size());
    messages_.Closing("wrote " + FilesWritten(c_, request_.output) + ": " + std::to_string(steps) +
                      (steps == 1 ? " step, " : " steps, ") + Bytes(written_) + ", " + Seconds(seconds));
  }

  const ConvertRequest& request_;
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
};

}  // namespace

std::string DefaultOutput(const std::string& result, const OutputKind& kind) {
  return fs::path(result).replace_extension(kind.extension).string();
}

bool ConvertFile(const ConvertRequest& request, Messages& messages) {
  {
    std::error_code ec;
    if (fs::equivalent(request.result, request.output, ec)) {
      messages.Failure(request.output, "the output would replace the result file; name another with -o");
      return false;
    }
  }
  FileConversion conversion(request, messages);
  return conversion.Convert();
}

bool ConvertFiles(const std::vector<ConvertRequest>& requests, int jobs, Messages& messages) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> allOk{true};
  auto work = [&] {
    for (std::size_t i = next++; i < requests.size(); i = next++) {
      if (!ConvertFile(requests[i], messages)) allOk = false;
    }
  };
  const std::size_t threads =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), requests.size());
  if (threads <= 1) {
    work();
  } else {
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
    for (std::thread& t : pool) t.join();
  }
  return allOk;
}

}  // namespace seep
