// A profile along a line (core/model/profile.h) as a table for people (aligned), a spreadsheet (CSV)
// or a script (JSON).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/io/csv_text.h"
#include "core/model/profile.h"

namespace seep {

// Aligned columns: one row per step and point (step, time, distance, x, y, value), a unit row when
// units are stated, and a note. Lines end with LF.
void WriteProfileTable(std::string& out, const ProfileRun& run);
// "step,time,distance,x,y,FIELD" and one row per step and point, in the shortest digits; a value
// outside the mesh is an empty field. Lines end with LF.
void WriteProfileCsv(std::string& out, const ProfileRun& run, const CsvStyle& style = {});
// One JSON document: the file, the field, the line, the points (distance, x, y) and per step its
// number, time and values (null outside the mesh).
void WriteProfileJson(std::string& out, const ProfileRun& run, const std::string& file);

}  // namespace seep
