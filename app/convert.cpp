#include "app/convert.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

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
// Anything else (a device, a pipe) is written directly.
struct Target {
  std::string written;  // the file unit 8 writes
  std::string renamed;  // the file that `written` replaces at the end; empty: written directly
  std::string work;     // the MicroAVS work file
};

// The file that a chain of links ends at, read link by link so that a link to a file not made yet
// gives that file's name; the path itself when it is no link.
fs::path FollowLinks(const fs::path& path) {
  std::error_code ec;
  fs::path at = path;
  for (int hops = 0; hops < 40 && fs::is_symlink(at, ec); ++hops) {
    const fs::path to = fs::read_symlink(at, ec);
    if (ec) break;
    at = to.is_absolute() ? to : at.parent_path() / to;
  }
  return at;
}

Target PlanTarget(const std::string& output) {
  std::error_code ec;
  const fs::path final = FollowLinks(output);
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
    file = ShownName(request.result);
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

// An output name that cannot be a file to write, in words; empty when it can be one. A name that ends
// with a separator or names a folder; for a collection, its step folder taken by a file.
std::string OddOutput(const ConvertRequest& request) {
  const fs::path output(request.output);
  std::error_code ec;
  if (!output.has_filename() || fs::is_directory(output, ec)) return "is a folder: name the output file";
  const OutputKind& kind = *request.kind;
  if (kind.ownFiles && kind.ITYPE == kNotOnMenu && output.extension() == ".pvd") {
    const fs::path folder = output.parent_path() / output.stem();
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
      return "cannot make folder " + (folder.string() + "/") +
             " for the step files: a file of that name exists";
    }
  }
  return {};
}

// The file's size when it is a regular file, else 0 (a pipe, standard input).
std::uint64_t RegularSize(const std::string& result) {
  std::error_code ec;
  if (result == kStandardInput || !fs::is_regular_file(result, ec)) return 0;
  const std::uintmax_t size = fs::file_size(result, ec);
  return ec ? 0 : size;
}

}  // namespace

std::string ShownName(const std::string& result) {
  return result == kStandardInput ? "standard input" : result;
}

std::string DefaultOutput(const std::string& result, const OutputKind& kind) {
  return fs::path(result).replace_extension(kind.extension).string();
}

Outcome ConvertFile(const ConvertRequest& request, Progress& progress) {
  const auto start = std::chrono::steady_clock::now();
  const OutputKind& kind = *request.kind;
  const std::string shown = ShownName(request.result);
  {
    std::error_code ec;
    if (request.result != kStandardInput && fs::equivalent(request.result, request.output, ec)) {
      progress.Message("seepconv: " + request.output +
                       ": the output would replace the result file; name another with -o");
      progress.FileDone();
      return Outcome::kFailed;
    }
    if (const std::string odd = OddOutput(request); !odd.empty()) {
      progress.Message("seepconv: " + request.output + ": " + odd);
      progress.FileDone();
      return Outcome::kFailed;
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
  c.historySelected = true;
  c.writers.picture.options = request.plot;
  c.writers.picture.numbered = !request.steps.NamesOneStep();

  StepTally tally;
  std::uint64_t written = 0;
  bool headerRead = false;
  bool ok = false;
  std::string failure, damage;
  try {
    if (request.result == kStandardInput) {
      result::OpenStream(*io, stdin, shown);
    } else {
      result::Open(*io, run.FNAME);
    }
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
    const std::uint64_t headerEnd = io->Position(result::kUnit);
    const std::uint64_t size = RegularSize(request.result);
    std::uint64_t lastRead = headerEnd, lastWritten = 0;
    try {
      StepLoop(c, request.steps, tally, [&](const StepTally& t) {
        const std::uint64_t read = io->Position(result::kUnit);
        const std::uint64_t written = BytesWritten(c);
        const auto steps = static_cast<std::int64_t>(t.numbers.size());
        progress.Step(read - lastRead, written - lastWritten,
                      {shown, steps, EstimatedSteps(headerEnd, read, steps, size)});
        lastRead = read;
        lastWritten = written;
      });
    } catch (const IoFailure& f) {
      // With --partial, damage in a step keeps the whole steps read before it: the writers have seen
      // only those.
      if (!request.partial || f.unit != result::kUnit || tally.numbers.empty()) throw;
      damage = Describe(f, request, target, c.place, static_cast<std::int64_t>(tally.numbers.size()), true);
    }
    if (tally.written == 0 && (kind.everyStep == nullptr || !tally.numbers.empty())) {
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
    failure = "seepconv: " + shown + ": " + r.text;
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
    return Outcome::kFailed;
  }
  if (!damage.empty()) {
    // "seepconv: FILE: what (N)" becomes a warning that says what was kept.
    const std::int64_t kept = static_cast<std::int64_t>(tally.numbers.size());
    progress.Message(
        "seepconv: warning: " + damage.substr(10) + "; the " + std::to_string(kept) +
        (kept == 1 ? " whole step before it was written" : " whole steps before it were written"));
  }
  if (const std::string leftOut = kind.leftOut != nullptr ? kind.leftOut(c) : ""; !leftOut.empty()) {
    progress.Message("seepconv: warning: " + request.output + ": " + leftOut);
  }
  if (warnings > 0) {
    progress.Message("seepconv: warning: " + request.output + ": " + std::to_string(warnings) +
                     (warnings == 1 ? " record holds" : " records hold") +
                     " a value too wide for its field, written as asterisks (63)");
  }
  if (const std::vector<std::string> unmatched = request.steps.Unmatched(tally.numbers);
      !unmatched.empty() && !tally.numbers.empty()) {
    std::string parts;
    for (const std::string& part : unmatched) parts += (parts.empty() ? "" : ", ") + part;
    progress.Message("seepconv: warning: " + shown + ": no step matches " + parts + " of --steps " +
                     request.stepsText + "; the file has steps " + DescribeSteps(tally.numbers));
  }
  if (!request.quiet) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::int64_t steps = tally.written;
    const std::string how =
        request.kindFromName ? " (" + std::string(kind.name) + ", from its extension)" : std::string();
    progress.Message("wrote " + (kind.written != nullptr ? kind.written(c) : request.output) + how + ": " +
                     std::to_string(steps) + (steps == 1 ? " step, " : " steps, ") + Bytes(written) + ", " +
                     Seconds(seconds));
  }
  return damage.empty() ? Outcome::kWritten : Outcome::kPartial;
}

BatchOutcome ConvertFiles(const std::vector<ConvertRequest>& requests, int jobs, Progress& progress) {
  std::atomic<std::size_t> next{0};
  std::atomic<int> written{0}, partial{0}, failed{0};
  auto work = [&] {
    for (std::size_t i = next++; i < requests.size(); i = next++) {
      switch (ConvertFile(requests[i], progress)) {
        case Outcome::kWritten:
          ++written;
          break;
        case Outcome::kPartial:
          ++partial;
          break;
        case Outcome::kFailed:
          ++failed;
          break;
      }
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
  return {written, partial, failed};
}

}  // namespace seep
