#include "core/reader/sections_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/io/bounded_input.h"
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

constexpr std::string_view kTooFewPoints = "a section needs two points or more";

// The points of an exit face or base: a bad number as for a section, too few in their own words.
bool ParseLinePoints(std::string_view text, std::vector<XY>& points, std::string& error) {
  if (ParseSectionPoints(text, points, error)) return true;
  if (error == kTooFewPoints) error = "a line needs two points or more";
  return false;
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
    error = kTooFewPoints;
    return false;
  }
  return true;
}

bool ParseNamedLine(std::string_view text, const std::string& unnamed, Section& line, std::string& error) {
  const std::size_t colon = text.find(':');
  line.name = colon == std::string_view::npos ? unnamed : std::string(Trim(text.substr(0, colon)));
  if (colon != std::string_view::npos && line.name.empty()) {
    error = "a name before ':' is missing";
    return false;
  }
  return ParseLinePoints(colon == std::string_view::npos ? text : text.substr(colon + 1), line.points, error);
}

bool ParseSectionsFile(std::string_view text, SectionsFile& file, std::string& error) {
  std::size_t number = 0, found = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    line = Trim(line);
    if (line.empty()) continue;
    const std::size_t colon = line.find(':');
    std::string_view name = colon == std::string_view::npos ? "" : Trim(line.substr(0, colon));
    // "exit NAME" and "uplift NAME": the kind, a blank, the name.
    std::vector<Section>* kind = &file.sections;
    for (auto [word, lines] : {std::pair{std::string_view("exit"), &file.exits},
                               std::pair{std::string_view("uplift"), &file.uplifts}}) {
      if (name.size() > word.size() && name.starts_with(word) && Blank(name[word.size()])) {
        name = Trim(name.substr(word.size()));
        kind = lines;
      }
    }
    if (name.empty()) {
      error = "line " + std::to_string(number) + ": a section is 'name: x1,y1 x2,y2 ...'";
      return false;
    }
    Section section{std::string(name), {}};
    const std::string_view points = line.substr(colon + 1);
    if (kind == &file.sections ? !ParseSectionPoints(points, section.points, error)
                               : !ParseLinePoints(points, section.points, error)) {
      error = "line " + std::to_string(number) + ": " + error;
      return false;
    }
    kind->push_back(std::move(section));
    ++found;
  }
  if (found == 0) {
    error = "no section in the file";
    return false;
  }
  return true;
}

bool ParseSections(std::string_view text, std::vector<Section>& sections, std::string& error) {
  SectionsFile file;
  if (!ParseSectionsFile(text, file, error)) return false;
  if (file.sections.empty()) {
    error = "no section in the file";
    return false;
  }
  sections.insert(sections.end(), file.sections.begin(), file.sections.end());
  return true;
}

namespace {

// The text of a sections file, read within the input limits: one saved in UTF-16 is refused with its
// encoding named, and the byte order mark of one saved in UTF-8 (as Notepad saves it) is passed over.
bool ReadSectionsText(const std::string& path, std::string& text, std::string& error, int& failure) {
  if (!ReadTextInput(path, text, error, failure)) return false;
  if (const std::string_view encoding = UnreadableEncoding(text); !encoding.empty()) {
    error = "saved as " + std::string(encoding) + ": save it as UTF-8";
    return false;
  }
  if (std::string_view(text).starts_with(kUtf8Mark)) text.erase(0, kUtf8Mark.size());
  return true;
}

}  // namespace

bool ReadSectionsFile(const std::string& path, std::vector<Section>& sections, std::string& error,
                      int& failure) {
  std::string text;
  return ReadSectionsText(path, text, error, failure) && ParseSections(text, sections, error);
}

bool ReadSectionsFile(const std::string& path, SectionsFile& file, std::string& error, int& failure) {
  std::string text;
  return ReadSectionsText(path, text, error, failure) && ParseSectionsFile(text, file, error);
}

}  // namespace seep
