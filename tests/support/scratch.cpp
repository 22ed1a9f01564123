#include "support/scratch.h"

#include <unistd.h>

#include <random>
#include <stdexcept>
#include <system_error>

#include "support/files.h"

namespace seep::test {

namespace fs = std::filesystem;

Scratch::Scratch(Mode mode) {
  std::random_device rd;
  const fs::path base = mode == kShort ? fs::path("/tmp") : fs::temp_directory_path();
  for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
    const std::string name = mode == kShort
                                 ? "s" + std::to_string(10000 + rd() % 90000)
                                 : "seepconv-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd());
    if (fs::create_directory(base / name)) dir_ = base / name;
  }
  if (dir_.empty()) throw std::runtime_error("cannot create a scratch directory");
  if (mode == kEnter) {
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
}

Scratch::~Scratch() {
  std::error_code ec;
  if (!previous_.empty()) fs::current_path(previous_, ec);
  // A test may have made parts read-only; make them writable again before removing.
  for (auto it = fs::recursive_directory_iterator(dir_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir_, ec);
}

void Scratch::Write(std::string_view name, std::string_view bytes) const {
  WriteFile(Path(name), bytes);
}

std::string Scratch::Read(std::string_view name) const {
  return ReadFile(Path(name));
}

bool Scratch::Exists(std::string_view name) const {
  return fs::exists(Path(name));
}

std::string Scratch::WindowsName() const {
  std::string name = "Z:" + dir_.generic_string();
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

}  // namespace seep::test
