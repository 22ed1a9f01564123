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

std::string TemporaryName(const std::string& target) {
  const std::uint32_t tag = NextTag();
  std::string name = target + ".tmp-";
  for (int d = 0; d < 8; ++d) name += "0123456789abcdef"[(tag >> (28 - 4 * d)) & 0xF];
  return name;
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

struct ProtectedInput {
  std::string name;
  std::string what;
};

std::mutex g_inputsMutex;
std::vector<ProtectedInput> g_inputs;

std::vector<ProtectedInput> Inputs() {
  const std::lock_guard<std::mutex> lock(g_inputsMutex);
  return g_inputs;
}

// `path` as an absolute path with its links followed as far as it exists, for comparing places.
fs::path Resolved(const std::string& name) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(NativePath(name), ec);
  if (ec) resolved = fs::absolute(NativePath(name), ec).lexically_normal();
  return resolved;
}

bool Inside(const fs::path& file, const fs::path& folder) {
  auto f = file.begin();
  for (auto d = folder.begin(); d != folder.end(); ++d, ++f) {
    if (d->empty()) continue;  // the trailing separator of a folder name
    if (f == file.end() || *f != *d) return false;
  }
  return f != file.end();
}

}  // namespace

bool WritesDirectly(const std::string& name) {
  if (StandardDescriptor(name) >= 0) return true;
  std::error_code ec;
  return IsStream(fs::status(NativePath(name), ec));
}

OutputPlace PlanOutput(const std::string& name) {
  if (const int fd = StandardDescriptor(name); fd >= 0) {
    int err = 0;
    std::FILE* f = StreamOnDescriptor(fd, err);
    if (f == nullptr) throw IoFailure{kErrOpenFailure, 0, name, err};
    return {"", f};
  }
  const fs::file_status st = StatusOf(name);
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
  std::error_code ec;
  const bool replaces = fs::is_regular_file(NativePath(target), ec);
  for (int attempt = 0;; ++attempt) {
    temporary = TemporaryName(target);
    // Remembered before it exists, so that an interruption at any moment after its making finds it.
    ticket = TemporaryTicket(temporary, TemporaryKind::kFile);
    int err = 0;
    if (std::FILE* f = CreateNewFile(temporary, err)) {
      // The file it replaces may be private: nobody else reads the new one before it takes its mode.
      if (replaces)
        fs::permissions(NativePath(temporary), fs::perms::owner_read | fs::perms::owner_write, ec);
      return f;
    }
    ticket.Forget();
    temporary.clear();
    if (err != EEXIST || attempt == 99) throw IoFailure{OpenErrorNumber(err), 0, target, err};
  }
}

std::string MakeFolderBeside(const std::string& target, TemporaryTicket& ticket) {
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
  const std::lock_guard<std::mutex> lock(g_inputsMutex);
  // Kept as an absolute path: the comparisons stay right whatever the working folder is then.
  std::error_code ec;
  const fs::path absolute = fs::absolute(NativePath(name), ec);
  g_inputs.push_back({ec ? name : NameOf(absolute), std::string(what)});
}

void ForgetProtectedInputs() {
  const std::lock_guard<std::mutex> lock(g_inputsMutex);
  g_inputs.clear();
}

void GuardInputs(const std::string& output, const std::string& folder) {
  for (const ProtectedInput& input : Inputs()) {
    std::error_code ec;
    if (fs::equivalent(NativePath(output), NativePath(input.name), ec) && !ec) {
      throw OutputRefused{output, "the output would replace " + input.what + "; name another with -o"};
    }
    if (!folder.empty() && Inside(Resolved(input.name), Resolved(folder))) {
      throw OutputRefused{output, "the output replaces the folder " + folder + ", which holds " + input.what +
                                      "; name another with -o"};
    }
  }
}

}  // namespace seep
