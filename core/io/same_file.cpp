#include "core/io/same_file.h"

#include <system_error>
#include <vector>

#include "core/io/platform.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace seep {
namespace {

namespace fs = std::filesystem;

// An absolute path with the folder made canonical as far as it exists; the rest as written, its dots
// taken out.
fs::path Canonical(const fs::path& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  if (ec) return path.lexically_normal();
  fs::path canonical = fs::weakly_canonical(absolute, ec);
  if (ec) return absolute.lexically_normal();
  return canonical;
}

#ifndef _WIN32

void Fill(FilePlace& place, const struct stat& st) {
  place.exists = true;
  place.device = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
  place.dev = static_cast<std::uint64_t>(st.st_dev);
  place.inode = static_cast<std::uint64_t>(st.st_ino);
}

struct Inherited {
  int fd;
  FilePlace place;
};

// The descriptors open for writing when the program started, standard output and error first.
std::vector<Inherited> Snapshot() {
  std::vector<Inherited> open;
  for (int fd = 1; fd < 1024; ++fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) continue;
    FilePlace place = PlaceOfDescriptor(fd);
    if (place.exists && !place.device) open.push_back({fd, place});
  }
  return open;
}

const std::vector<Inherited> g_inherited = Snapshot();

#endif

}  // namespace

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

FilePlace PlaceOf(const std::string& name) {
#ifndef _WIN32
  if (name == "-") return PlaceOfDescriptor(1);
#else
  // A standard stream: no file of a name to compare (Windows gives its descriptors no identity here).
  if (name == "-") {
    FilePlace stream;
    stream.device = true;
    return stream;
  }
#endif
  FilePlace place;
  if (NamesDevice(name)) {  // NUL and its kin on Windows, in every folder
    place.exists = true;
    place.device = true;
    return place;
  }
  const fs::path native = NativePath(name);
  std::error_code ec;
#ifndef _WIN32
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) {
    Fill(place, st);
    place.path = Canonical(native);
    return place;
  }
#else
  if (fs::exists(native, ec)) {
    place.exists = true;
    place.path = Canonical(native);
    return place;
  }
#endif
  // Not there yet: the folder it would be made in, made canonical, and its name.
  const fs::path file = FollowLinks(native);
  const fs::path folder = file.has_filename() ? file.parent_path() : file;
  place.path = Canonical(folder.empty() ? fs::path(".") : folder);
  if (file.has_filename()) place.path /= file.filename();
  return place;
}

FilePlace PlaceOfDescriptor(int fd) {
  FilePlace place;
#ifndef _WIN32
  struct stat st {};
  if (::fstat(fd, &st) == 0) Fill(place, st);
#else
  (void)fd;
  place.device = true;  // Windows gives a descriptor no identity here: never the same as another
#endif
  return place;
}

bool SamePlace(const FilePlace& a, const FilePlace& b) {
  if (a.exists != b.exists || a.device || b.device) return false;
#ifndef _WIN32
  if (a.exists) return !a.device && !b.device && a.dev == b.dev && a.inode == b.inode;
#endif
  return a.path == b.path;
}

bool SameFile(const std::string& a, const std::string& b) {
  return SamePlace(PlaceOf(a), PlaceOf(b));
}

bool InsideFolder(const FilePlace& file, const FilePlace& folder) {
  if (file.path.empty() || folder.path.empty()) return false;
  auto f = file.path.begin();
  for (auto d = folder.path.begin(); d != folder.path.end(); ++d, ++f) {
    if (d->empty()) continue;  // the trailing separator of a folder name
    if (f == file.path.end() || *f != *d) return false;
  }
  return f != file.path.end();
}

int InheritedDescriptorOf(const FilePlace& place) {
#ifndef _WIN32
  if (!place.exists || place.device) return -1;
  for (const Inherited& open : g_inherited) {
    if (SamePlace(open.place, place)) return open.fd;
  }
#else
  (void)place;
#endif
  return -1;
}

}  // namespace seep
