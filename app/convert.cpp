#include "app/convert.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

#include "core/io/failure.h"
#include "core/io/replace.h"
#include "core/io/units.h"
#include "core/reader/result_file.h"
#include "app/text.h"

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
// Anything else (a device, a pipe) is written directly.
struct Target {
  std::string written;  // the file unit 8 writes
  std::string renamed;  // the file that `written` replaces at the end; empty: written directly
  std::string work;     // the MicroAVS work file
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
    return {final.string(), "", ReserveBeside((fs::temp_directory_path(ec) / "seepconv-avs").string())};
  }
  return {ReserveBeside(final.string()), final.string(), final.string() + ".tmp"};
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

// The failure in words, naming the file as the user named it.
std::string Describe(const IoFailure& failure, const ConvertRequest& request, const Target& target,
                     const result::RecordPlace& place, std::int64_t steps, bool headerRead) {
  std::string file = failure.file;
  std::string what;
  if (failure.unit == result::kUnit && failure.number != kErrFileNotFound &&
      failure.number != kErrPermission && failure.number != kErrOpenFailure &&
      failure.number != kErrFileName) {
    file = request.result;
    what = result::DescribeDamage(failure.number, place, headerRead ? steps + 1 : 0);
  } else {
    if (failure.unit == kOutputUnit || file == target.written || file == target.renamed)
      file = request.output;
    what = PlainWords(failure);
  }
  return "seepconv: " + file + ": " + what + " (" + std::to_string(failure.number) + ")";
}

void Remove(const std::string& name) {
  std::error_code ec;
  if (!name.empty()) fs::remove(name, ec);
}

}  // namespace

std::string DefaultOutput(const std::string& result, const OutputKind& kind) {
  return fs::path(result).replace_extension(kind.extension).string();
}

bool ConvertFile(const ConvertRequest& request, Progress& progress) {
  const auto start = std::chrono::steady_clock::now();
  const OutputKind& kind = *request.kind;
  {
    std::error_code ec;
    if (fs::equivalent(request.result, request.output, ec)) {
      progress.Message("seepconv: " + request.output +
                       ": the output would replace the result file; name another with -o");
      return false;
    }
  }
  auto io = std::make_unique<Io>(stdin, stdout, stderr);
  auto s = std::make_unique<Store>();
  io->CountWarnings();
  Target target;
  RunValues run;
  run.FNAME = request.result;
  run.PNAME = request.points;
  run.ITYPE = kind.ITYPE;
  run.IHEAD = request.IHEAD;
  run.allElements = request.allElements;
  Conversion c{*io, *s, run, kind};
  c.writers.picture.options = request.plot;
  c.writers.picture.numbered = !request.steps.NamesOneStep();

  StepTally tally;
  std::uint64_t written = 0;
  bool headerRead = false;
  bool ok = false;
  std::string failure;
  try {
    result::Open(*io, run.FNAME);
    result::ReadHeader(*io, *s, &c.place);
    headerRead = true;
    if (!request.allowOverflow) CheckReach(*s, kind);
    // The dialogue's point-data file is opened as new or old, so that a mistyped name is created
    // empty; on the command line it is an input that must exist.
    if (kind.readsPoints && !fs::exists(request.points))
      throw IoFailure{kErrFileNotFound, 50, request.points};
    // A kind that writes files of its own makes them whole itself; the others write the output unit.
    target = kind.ownFiles ? Target{request.output, "", ""} : PlanTarget(request.output);
    run.ONAME = target.written;
    c.writers.avs.workName = target.work;
    if (!kind.ownFiles) io->OpenUnit(kOutputUnit, run.ONAME, "unknown", "FORMATTED");
    SetUpWriter(c);
    std::uint64_t lastRead = 0, lastWritten = 0;
    StepLoop(c, request.steps, tally, [&](const StepTally&) {
      const std::uint64_t read = io->Position(result::kUnit);
      const std::uint64_t written = BytesWritten(c);
      progress.Step(read - lastRead, written - lastWritten);
      lastRead = read;
      lastWritten = written;
    });
    if (kind.everyStep == nullptr && tally.written == 0) {
      throw Refusal{
          "no step matches --steps " + request.stepsText + "; the file has " +
          (tally.numbers.empty() ? std::string("no steps") : "steps " + DescribeSteps(tally.numbers))};
    }
    FinishWriter(c);
    written = BytesWritten(c);
    io->CloseAll();
    if (!target.renamed.empty()) MoveIntoPlace(target.written, target.renamed);
    ok = true;
  } catch (const IoFailure& f) {
    failure =
        Describe(f, request, target, c.place, static_cast<std::int64_t>(tally.numbers.size()), headerRead);
  } catch (const Refusal& r) {
    failure = "seepconv: " + request.result + ": " + r.text;
  }
  const std::int64_t warnings = io->WarningCount();
  try {
    io->CloseAll();
  } catch (const IoFailure&) {
  }
  io.reset();
  Remove(target.work);
  if (!ok && !target.renamed.empty()) Remove(target.written);
  if (!ok && kind.abandon != nullptr) kind.abandon(c);
  progress.FileDone();
  if (!ok) {
    progress.Message(failure);
    return false;
  }
  if (const std::string leftOut = kind.leftOut != nullptr ? kind.leftOut(c) : ""; !leftOut.empty()) {
    progress.Message("seepconv: warning: " + request.output + ": " + leftOut);
  }
  if (warnings > 0) {
    progress.Message("seepconv: warning: " + request.output + ": " + std::to_string(warnings) +
                     (warnings == 1 ? " record holds" : " records hold") +
                     " a value too wide for its field, written as asterisks (63)");
  }
  if (!request.quiet) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::int64_t steps =
        kind.everyStep != nullptr ? static_cast<std::int64_t>(tally.numbers.size()) : tally.written;
    progress.Message("wrote " + (kind.written != nullptr ? kind.written(c) : request.output) + ": " +
                     std::to_string(steps) + (steps == 1 ? " step, " : " steps, ") + Bytes(written) + ", " +
                     Seconds(seconds));
  }
  return true;
}

bool ConvertFiles(const std::vector<ConvertRequest>& requests, int jobs, Progress& progress) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> allOk{true};
  auto work = [&] {
    for (std::size_t i = next++; i < requests.size(); i = next++) {
      if (!ConvertFile(requests[i], progress)) allOk = false;
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
