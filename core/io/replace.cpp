#include "core/io/replace.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "core/io/failure.h"
#include "core/io/platform.h"
#include "core/io/same_file.h"

#ifdef _WIN32
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace seep {
namespace {

namespace fs = std::filesystem;

// Tags of temporary names: different across runs started together and across calls in one run.
std::uint32_t NextTag() {
  static std::atomic<std::uint64_t> state{
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  const std::uint64_t s = state.fetch_add(0x9E3779B97F4A7C15u) + 0x9E3779B97F4A7C15u;
  std::uint64_t z = s;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return static_cast<std::uint32_t>(z ^ (z >> 31));
}

// Temporary names: "<target>.tmp-<process id>-<tag>", the target's name cut short where the whole
// would be longer than a file name may be. The process id tells a later run whether the file's maker is
// still alive; the tag tells one call from another.
constexpr std::size_t kLongestFileName = 255;
constexpr std::string_view kTemporaryMark = ".tmp-";

int ProcessId() {
#ifdef _WIN32
  return static_cast<int>(_getpid());
#else
  return static_cast<int>(::getpid());
#endif
}

// The part of the target's file name that its temporary names begin with.
std::string TemporaryStem(const fs::path& target, std::size_t suffix) {
  std::string stem = target.filename().string();
  if (stem.size() + suffix > kLongestFileName) stem.resize(kLongestFileName - suffix);
  return stem;
}

std::string TemporaryName(const std::string& target) {
  const std::uint32_t tag = NextTag();
  std::string suffix(kTemporaryMark);
  suffix += std::to_string(ProcessId());
  suffix += '-';
  for (int d = 0; d < 8; ++d) suffix += "0123456789abcdef"[(tag >> (28 - 4 * d)) & 0xF];
  // Room for "-old", the name a folder is moved aside to where folders cannot swap in one step.
  const fs::path path = NativePath(target);
  const std::string stem = TemporaryStem(path, suffix.size() + 4);
  return (path.has_parent_path() ? path.parent_path() / stem : fs::path(stem)).string() + suffix;
}

#ifndef _WIN32
// The process id in `name` when it is a temporary name of ours beside a target whose temporary names
// begin with `stem` ("<stem>.tmp-<digits>-<8 hex digits>", perhaps "-old" after); -1 otherwise.
int MakerOf(std::string_view name, std::string_view stem) {
  if (!name.starts_with(stem)) return -1;
  name.remove_prefix(stem.size());
  if (!name.starts_with(kTemporaryMark)) return -1;
  name.remove_prefix(kTemporaryMark.size());
  if (name.ends_with("-old")) name.remove_suffix(4);
  int pid = -1;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (ec != std::errc{} || pid <= 0 || end == name.data() + name.size() || *end != '-') return -1;
  const std::string_view tag(end + 1, static_cast<std::size_t>(name.data() + name.size() - end - 1));
  if (tag.size() != 8) return -1;
  for (const char c : tag) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return -1;
  }
  return pid;
}
#endif

// Removes the temporary files and folders that runs which were killed (and so could not clean up)
// left beside `target`: only names of exactly our form, owned by this user, whose process is gone.
void RemoveLeftoversBeside(const std::string& target) {
#ifndef _WIN32
  const fs::path path = NativePath(target);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // The target's name is cut by the length of the suffix, which depends on the digits of the id.
    int pid = -1;
    for (std::size_t digits = 1; digits <= 10 && pid < 0; ++digits) {
      const std::size_t suffix = kTemporaryMark.size() + digits + 1 + 8;
      pid = MakerOf(name, TemporaryStem(path, suffix + 4));
    }
    if (pid < 0 || pid == ProcessId()) continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || st.st_uid != ::geteuid()) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to know
    std::error_code ignored;
    fs::remove_all(it->path(), ignored);
  }
#else
  (void)target;
#endif
}

// The descriptor that a name of standard output or of an open descriptor stands for ("-",
// /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N); -1 for any other name. Opening such a name
// anew would start the file behind it from its beginning, or follow it to that file and replace it.
int StandardDescriptor(std::string_view name) {
  if (name == "-" || name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  for (const std::string_view prefix : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/")}) {
    if (!name.starts_with(prefix)) continue;
    const std::string_view digits = name.substr(prefix.size());
    int fd = -1;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
    if (ec == std::errc{} && end == digits.data() + digits.size() && fd >= 0) return fd;
  }
  return -1;
}

// What the name leads to, its links followed; IoFailure when the system cannot say.
fs::file_status StatusOf(const std::string& name) {
  std::error_code ec;
  const fs::file_status st = fs::status(NativePath(name), ec);
  if (ec && st.type() != fs::file_type::not_found)
    throw IoFailure{OpenErrorNumber(ec.value()), 0, name, ec.value()};
  return st;
}

bool IsStream(const fs::file_status& st) {
  return fs::exists(st) && !fs::is_regular_file(st) && !fs::is_directory(st);
}

struct ProtectedInput {
  FilePlace place;  // as it was when the run began
  std::string what;
};

std::mutex g_inputsMutex;
std::vector<ProtectedInput> g_inputs;

std::vector<ProtectedInput> Inputs() {
  const std::lock_guard<std::mutex> lock(g_inputsMutex);
  return g_inputs;
}

// OutputRefused when the file at `place` (the output `output`) is a protected input, or when the
// folder `folder` (empty: none) that an output replaces holds one.
void GuardPlace(const std::string& output, const FilePlace& place, const std::string& folder) {
  const FilePlace folderPlace = folder.empty() ? FilePlace{} : PlaceOf(folder);
  for (const ProtectedInput& input : Inputs()) {
    if (SamePlace(place, input.place)) {
      throw OutputRefused{output, "the output would replace " + input.what + "; name another with -o"};
    }
    if (!folder.empty() && InsideFolder(input.place, folderPlace)) {
      throw OutputRefused{output, "the output replaces the folder " + folder + ", which holds " + input.what +
                                      "; name another with -o"};
    }
  }
}

// The descriptor that writes `name` as it is: a name of standard output or of an open descriptor
// however it is spelled, or a name that leads to the file of a descriptor the program was started
// with; -1 for any other.
int DescriptorFor(const std::string& name, const FilePlace& place) {
  const int fd = StandardDescriptor(name);
  return fd >= 0 ? fd : InheritedDescriptorOf(place);
}

}  // namespace

bool WritesDirectly(const std::string& name) {
  if (NamesDevice(name) || DescriptorFor(name, PlaceOf(name)) >= 0) return true;
  std::error_code ec;
  return IsStream(fs::status(NativePath(name), ec));
}

OutputPlace PlanOutput(const std::string& name) {
  const FilePlace place = PlaceOf(name);
  const int descriptor = DescriptorFor(name, place);
  // Whatever it is spelled as, never the input being read.
  GuardPlace(name, descriptor >= 0 ? PlaceOfDescriptor(descriptor) : place, {});
  if (const int fd = descriptor; fd >= 0) {
    int err = 0;
    std::FILE* f = StreamOnDescriptor(fd, err);
    if (f == nullptr) throw IoFailure{kErrOpenFailure, 0, name, err};
    return {"", f};
  }
  // A name the system keeps for a device (NUL on Windows) is one whatever its status says.
  const fs::file_status st = NamesDevice(name) ? fs::file_status(fs::file_type::character) : StatusOf(name);
  if (fs::is_directory(st)) throw IoFailure{kErrOpenFailure, 0, name, EISDIR};
  if (IsStream(st)) {
    bool regular = false;
    int err = 0;
    std::FILE* f = OpenForWritingOnly(name, regular, err);
    if (f == nullptr) throw IoFailure{OpenErrorNumber(err), 0, name, err};
    if (!regular) return {"", f};
    std::fclose(f);  // a regular file took the name meanwhile: it is replaced as one
  }
  const std::string file = NameOf(FollowLinks(NativePath(name)));
  if (fs::exists(st) && !MayWrite(file)) throw IoFailure{kErrPermission, 0, name, EACCES};
  return {file, nullptr};
}

std::FILE* CreateBeside(const std::string& target, std::string& temporary, TemporaryTicket& ticket) {
  RemoveLeftoversBeside(target);
  std::error_code ec;
  const bool replaces = fs::is_regular_file(NativePath(target), ec);
  for (int attempt = 0;; ++attempt) {
    temporary = TemporaryName(target);
    // Remembered before it exists, so that an interruption at any moment after its making finds it.
    ticket = TemporaryTicket(temporary, TemporaryKind::kFile);
    int err = 0;
    // The file it replaces may be private: nobody else reads the new one before it takes its mode.
    if (std::FILE* f = CreateNewFile(temporary, err, replaces)) {
#ifdef _WIN32
      if (replaces)
        fs::permissions(NativePath(temporary), fs::perms::owner_read | fs::perms::owner_write, ec);
#endif
      return f;
    }
    ticket.Forget();
    temporary.clear();
    if (err != EEXIST || attempt == 99) throw IoFailure{OpenErrorNumber(err), 0, target, err};
  }
}

std::string MakeFolderBeside(const std::string& target, TemporaryTicket& ticket) {
  RemoveLeftoversBeside(target);
  for (int attempt = 0;; ++attempt) {
    std::string name = TemporaryName(target);
    // Remembered before it exists, so that an interruption at any moment after its making finds it.
    ticket = TemporaryTicket(name, TemporaryKind::kFolder);
    std::error_code ec;
    if (fs::create_directory(NativePath(name), ec)) return name;
    ticket.Forget();
    if (!ec) ec = std::make_error_code(std::errc::file_exists);  // the name was taken
    if (ec != std::errc::file_exists || attempt == 99)
      throw IoFailure{OpenErrorNumber(ec.value()), 0, target, ec.value()};
  }
}

void MoveIntoPlace(const std::string& temporary, const std::string& target) {
  GuardInputs(target);
  std::error_code ec;
  const fs::file_status before = fs::status(NativePath(target), ec);
  if (fs::is_regular_file(before)) fs::permissions(NativePath(temporary), before.permissions(), ec);
  if (!ReplaceFile(NativePath(temporary), NativePath(target), ec)) {
    const int number = OpenErrorNumber(ec.value()) == kErrPermission ? kErrPermission : kErrOpenFailure;
    throw IoFailure{number, 0, target, ec.value()};
  }
}

void WriteWholeFile(const std::string& target, std::string_view bytes) {
  const OutputPlace place = PlanOutput(target);
  if (place.stream != nullptr) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), place.stream) == bytes.size();
    const int err = errno;
    const bool closed = std::fclose(place.stream) == 0;
    if (!written || !closed) throw IoFailure{kErrWrite, 0, target, written ? errno : err};
    return;
  }
  GuardInputs(place.file);
  std::string temporary;
  TemporaryTicket ticket;
  std::FILE* f = CreateBeside(place.file, temporary, ticket);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int err = errno;
  const bool closed = std::fclose(f) == 0;
  try {
    if (!written || !closed) throw IoFailure{kErrWrite, 0, target, written ? errno : err};
    MoveIntoPlace(temporary, place.file);
  } catch (...) {
    RemoveFile(temporary);
    throw;
  }
}

void ProtectInput(const std::string& name, std::string_view what) {
  // Kept as the place it is now: the comparisons stay right whatever the working folder is then.
  FilePlace place = name == "-" ? PlaceOfDescriptor(0) : PlaceOf(name);
  const std::lock_guard<std::mutex> lock(g_inputsMutex);
  g_inputs.push_back({std::move(place), std::string(what)});
}

void ForgetProtectedInputs() {
  const std::lock_guard<std::mutex> lock(g_inputsMutex);
  g_inputs.clear();
}

void GuardInputs(const std::string& output, const std::string& folder) {
  GuardPlace(output, PlaceOf(output), folder);
}

}  // namespace seep
