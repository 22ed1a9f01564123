// Arbitrary bytes as the text of a sections file: read or refused with a line that names what is
// wrong, never a crash. Every section read has a name and two or more finite points, and reading the
// same text again gives the same sections.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/reader/sections_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace seep;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<Section> sections;
  std::string error;
  const bool read = ParseSections(text, sections, error);
  // A refusal says why: the line, or that there is no section at all.
  if (!read && !error.starts_with("line ") && error != "no section in the file") std::abort();
  for (const Section& s : sections) {
    if (s.name.empty() || s.points.size() < 2) std::abort();
    for (const XY& p : s.points) {
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) std::abort();
    }
  }
  std::vector<Section> again;
  std::string error2;
  if (ParseSections(text, again, error2) != read || again.size() != sections.size() || error2 != error)
    std::abort();
  // One line as a point list of --section.
  std::vector<XY> points;
  if (ParseSectionPoints(text.substr(0, text.find('\n')), points, error) && points.size() < 2) std::abort();
  return 0;
}
