// Writes the manual page and the shell completions into a folder, made from the program's tables:
//   make_manual FOLDER VERSION DATE
// FOLDER gets seepconv.1, seepconv.bash, _seepconv (zsh) and seepconv.fish. The build runs it.
#include <cstdio>
#include <string>
#include <string_view>

#include "app/manual.h"

namespace {

bool WriteFile(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("Usage: make_manual FOLDER VERSION DATE\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  const seep::ManualTables tables = seep::ProgramTables(argv[2], argv[3]);
  const struct {
    const char* name;
    std::string text;
  } files[] = {
      {"seepconv.1", seep::ManPage(tables)},
      {"seepconv.bash", seep::BashCompletion(tables)},
      {"_seepconv", seep::ZshCompletion(tables)},
      {"seepconv.fish", seep::FishCompletion(tables)},
  };
  for (const auto& file : files) {
    const std::string path = folder + "/" + file.name;
    if (!WriteFile(path, file.text)) {
      std::fprintf(stderr, "make_manual: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
