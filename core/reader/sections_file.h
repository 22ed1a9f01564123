// Sections for the flow rate: polylines given as text.
//
// A point list is "x1,y1 x2,y2 [x3,y3 ...]": pairs separated by blanks, the two coordinates of a pair
// by a comma (blanks around it allowed). A sections file holds one section per line,
// "name: x1,y1 x2,y2 ...", where # starts a comment and blank lines are passed over.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/model/section_flux.h"

namespace seep {

// Reads a point list; false with `error` set when a number is bad or there are fewer than two points.
bool ParseSectionPoints(std::string_view text, std::vector<XY>& points, std::string& error);

// Reads the text of a sections file, appending its sections; false with `error` ("line N: what") for
// a line without a name or with a bad point list, and for a text without any section.
bool ParseSections(std::string_view text, std::vector<Section>& sections, std::string& error);

// Reads sections file `path`: false with `error` set, and `failure` the error number when the file
// cannot be read (29 not found, 9 not permitted, 39 another read error) or 0 when its text is wrong.
bool ReadSectionsFile(const std::string& path, std::vector<Section>& sections, std::string& error,
                      int& failure);

}  // namespace seep
