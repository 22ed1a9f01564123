// Sections for the flow rate: polylines given as text.
//
// A point list is "x1,y1 x2,y2 [x3,y3 ...]": pairs separated by blanks, the two coordinates of a pair
// by a comma (blanks around it allowed). A sections file holds one section per line,
// "name: x1,y1 x2,y2 ...", where # starts a comment and blank lines are passed over. Beside the flow
// sections it may hold the lines of `seepconv safety`: exit faces "exit NAME: x1,y1 ..." and bases
// "uplift NAME: x1,y1 ..."; the other commands pass them over. A section named "exit" or "uplift" alone
// stays a flow section.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/model/section_flux.h"

namespace seep {

// Reads a point list; false with `error` set when a number is bad or there are fewer than two points.
bool ParseSectionPoints(std::string_view text, std::vector<XY>& points, std::string& error);

// The lines of a sections file by kind.
struct SectionsFile {
  std::vector<Section> sections, exits, uplifts;
};

// A line of the command line, "x1,y1 x2,y2 ..." or "NAME: x1,y1 x2,y2 ...": its name (`unnamed` when
// it has none) and points; false with `error` set as for ParseSectionPoints.
bool ParseNamedLine(std::string_view text, const std::string& unnamed, Section& line, std::string& error);

// Reads the text of a sections file, appending every kind of line; false with `error` ("line N: what")
// for a line without a name or with a bad point list, and for a text without any line.
bool ParseSectionsFile(std::string_view text, SectionsFile& file, std::string& error);

// Reads the text of a sections file, appending its sections; false with `error` ("line N: what") for
// a line without a name or with a bad point list, and for a text without any section.
bool ParseSections(std::string_view text, std::vector<Section>& sections, std::string& error);

// Reads sections file `path`: false with `error` set, and `failure` the error number when the file
// cannot be read (29 not found, 9 not permitted, 39 another read error) or 0 when its text is wrong.
bool ReadSectionsFile(const std::string& path, std::vector<Section>& sections, std::string& error,
                      int& failure);
// The same for every kind of line.
bool ReadSectionsFile(const std::string& path, SectionsFile& file, std::string& error, int& failure);

}  // namespace seep
