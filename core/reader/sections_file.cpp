#include "core/reader/sections_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/io/failure.h"
#include "core/io/platform.h"
#include "core/io/text_input.h"

namespace seep {
namespace {

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void SkipBlanks(std::string_view text, std::size_t& at) {
  while (at < text.size() && Blank(text[at])) ++at;
}

// One finite number starting at `at`: digits, a point, an exponent, a sign.
bool ReadNumber(std::string_view text, std::size_t& at, double& value, std::string& error) {
  std::size_t end = at;
  while (end < text.size() && !Blank(text[end]) && text[end] != ',') ++end;
  const std::string_view word = text.substr(at, end - at);
  if (word.empty()) {
    error = "a coordinate is missing";
    return false;
  }
  const char* first = word.data() + (word.front() == '+' ? 1 : 0);
  const auto [ptr, ec] = std::from_chars(first, word.data() + word.size(), value);
  if (ec != std::errc{} || ptr != word.data() + word.size() || !std::isfinite(value)) {
    error.assign(1, '\'').append(word).append("' is not a number");
    return false;
  }
  at = end;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool ParseSectionPoints(std::string_view text, std::vector<XY>& points, std::string& error) {
  points.clear();
  std::size_t at = 0;
  SkipBlanks(text, at);
  while (at < text.size()) {
    XY p;
    if (!ReadNumber(text, at, p.x, error)) return false;
    SkipBlanks(text, at);
    if (at >= text.size() || text[at] != ',') {
      error = "each point needs x,y";
      return false;
    }
    ++at;
    SkipBlanks(text, at);
    if (!ReadNumber(text, at, p.y, error)) return false;
    points.push_back(p);
    SkipBlanks(text, at);
  }
  if (points.size() < 2) {
    error = "a section needs two points or more";
    return false;
  }
  return true;
}

bool ParseSections(std::string_view text, std::vector<Section>& sections, std::string& error) {
  const std::size_t before = sections.size();
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    line = Trim(line);
    if (line.empty()) continue;
    const std::size_t colon = line.find(':');
    const std::string_view name = colon == std::string_view::npos ? "" : Trim(line.substr(0, colon));
    if (name.empty()) {
      error = "line " + std::to_string(number) + ": a section is 'name: x1,y1 x2,y2 ...'";
      return false;
    }
    Section section{std::string(name), {}};
    if (!ParseSectionPoints(line.substr(colon + 1), section.points, error)) {
      error = "line " + std::to_string(number) + ": " + error;
      return false;
    }
    sections.push_back(std::move(section));
  }
  if (sections.size() == before) {
    error = "no section in the file";
    return false;
  }
  return true;
}

bool ReadSectionsFile(const std::string& path, std::vector<Section>& sections, std::string& error,
                      int& failure) {
  failure = 0;
  std::FILE* f = OpenFile(path, "rb");
  if (f == nullptr) {
    failure = errno == ENOENT ? kErrFileNotFound : errno == EACCES ? kErrPermission : kErrRead;
    error = failure == kErrFileNotFound ? "file not found"
            : failure == kErrPermission ? "permission denied"
                                        : "cannot be read";
    return false;
  }
  std::string text;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  const bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) {
    failure = kErrRead;
    error = "cannot be read";
    return false;
  }
  if (const std::string_view encoding = UnreadableEncoding(text); !encoding.empty()) {
    error = "saved as " + std::string(encoding) + ": save it as UTF-8";
    return false;
  }
  std::string_view rest = text;
  if (rest.starts_with(kUtf8Mark)) rest.remove_prefix(kUtf8Mark.size());  // as Notepad saves UTF-8
  return ParseSections(rest, sections, error);
}

}  // namespace seep
