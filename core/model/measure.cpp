#include "core/model/measure.h"

#include <array>
#include <vector>

namespace seep {
namespace {

struct UnitRow {
  std::string_view name;  // as typed
  double size;            // in metres, seconds or m²/s (m³/s per metre of thickness)
  std::string_view shown;
};

constexpr double kFoot = 0.3048;

constexpr std::array<UnitRow, 5> kLengths{
    {{"m", 1.0, "m"}, {"cm", 0.01, "cm"}, {"mm", 0.001, "mm"}, {"ft", kFoot, "ft"}, {"in", 0.0254, "in"}}};
constexpr std::array<UnitRow, 4> kTimes{
    {{"s", 1.0, "s"}, {"min", 60.0, "min"}, {"h", 3600.0, "h"}, {"d", 86400.0, "d"}}};
constexpr std::array<UnitRow, 9> kFlows{{
    {"m3/s/m", 1.0, "m\xC2\xB3/s/m"},
    {"m3/h/m", 1.0 / 3600.0, "m\xC2\xB3/h/m"},
    {"m3/d/m", 1.0 / 86400.0, "m\xC2\xB3/d/m"},
    {"l/s/m", 1e-3, "l/s/m"},
    {"l/min/m", 1e-3 / 60.0, "l/min/m"},
    {"ft3/s/ft", kFoot* kFoot, "ft\xC2\xB3/s/ft"},
    {"ft3/min/ft", kFoot* kFoot / 60.0, "ft\xC2\xB3/min/ft"},
    {"ft3/d/ft", kFoot* kFoot / 86400.0, "ft\xC2\xB3/d/ft"},
    {"gal/min/ft", 3.785411784e-3 / 60.0 / kFoot, "gal/min/ft"},
}};

template <std::size_t N>
const UnitRow* Find(const std::array<UnitRow, N>& rows, std::string_view name) {
  for (const UnitRow& row : rows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

template <std::size_t N>
std::string Names(const std::array<UnitRow, N>& rows) {
  std::string text;
  for (const UnitRow& row : rows) text += (text.empty() ? "" : ", ") + std::string(row.name);
  return text;
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t comma = text.find(',');
    parts.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return parts;
    text.remove_prefix(comma + 1);
  }
}

// "L,T" into its two rows; false with a message when either is unknown.
bool LengthAndTime(std::string_view text, std::string_view option, const UnitRow*& length,
                   const UnitRow*& time, std::string_view& rest, std::string& error) {
  const std::vector<std::string_view> parts = SplitCommas(text);
  if (parts.size() < 2) {
    error = std::string(option) + " takes a length and a time unit, as m,s";
    return false;
  }
  length = Find(kLengths, parts[0]);
  time = Find(kTimes, parts[1]);
  if (length == nullptr) {
    error = std::string(option) + ": unknown length unit '" + std::string(parts[0]) + "' (" +
            Names(kLengths) + ")";
    return false;
  }
  if (time == nullptr) {
    error =
        std::string(option) + ": unknown time unit '" + std::string(parts[1]) + "' (" + Names(kTimes) + ")";
    return false;
  }
  rest = parts.size() > 2 ? text.substr(parts[0].size() + parts[1].size() + 2) : std::string_view{};
  return true;
}

}  // namespace

double MeasureUnits::Factor(Quantity q) const {
  switch (q) {
    case Quantity::kLength:
      return length;
    case Quantity::kTime:
      return time;
    case Quantity::kSpeed:
      return length / time;
    case Quantity::kFlow:
      return flow;
    case Quantity::kArea:
      return length * length;
    case Quantity::kForce:
      return metres * metres;
    case Quantity::kNone:
      break;
  }
  return 1.0;
}

std::string MeasureUnits::Name(Quantity q) const {
  if (q == Quantity::kNone) return {};
  if (!stated) return "model units";
  switch (q) {
    case Quantity::kLength:
      return lengthName;
    case Quantity::kTime:
      return timeName;
    case Quantity::kSpeed:
      return lengthName + "/" + timeName;
    case Quantity::kFlow:
      return flowName;
    case Quantity::kArea:
      return lengthName + "\xC2\xB2";
    case Quantity::kForce:
      return "kN/m";
    case Quantity::kNone:
      break;
  }
  return {};
}

std::string MeasureUnits::Titled(std::string_view title, Quantity q) const {
  const std::string unit = Name(q);
  return unit.empty() ? std::string(title) : std::string(title) + " (" + unit + ")";
}

std::optional<MeasureUnits> ReadMeasureUnits(std::string_view fileUnits, std::string_view shownUnits,
                                             std::string& error) {
  MeasureUnits units;
  if (fileUnits.empty()) {
    if (!shownUnits.empty()) {
      error = "--units needs the file's units: --file-units L,T (as m,s)";
      return std::nullopt;
    }
    return units;
  }
  const UnitRow *fileLength = nullptr, *fileTime = nullptr;
  std::string_view rest;
  if (!LengthAndTime(fileUnits, "--file-units", fileLength, fileTime, rest, error)) return std::nullopt;
  if (!rest.empty()) {
    error = "--file-units takes a length and a time unit only, as m,s";
    return std::nullopt;
  }
  const UnitRow *length = fileLength, *time = fileTime;
  if (!shownUnits.empty() && !LengthAndTime(shownUnits, "--units", length, time, rest, error))
    return std::nullopt;
  units.stated = true;
  units.length = fileLength->size / length->size;
  units.metres = fileLength->size;
  units.time = fileTime->size / time->size;
  units.lengthName = std::string(length->shown);
  units.timeName = std::string(time->shown);
  // The flow per unit thickness: as asked, else length³/time per length in the shown units.
  const double fileFlow = fileLength->size * fileLength->size / fileTime->size;
  if (!rest.empty()) {
    const UnitRow* flow = Find(kFlows, rest);
    if (flow == nullptr) {
      error = "--units: unknown flow unit '" + std::string(rest) + "' (" + Names(kFlows) + ")";
      return std::nullopt;
    }
    units.flow = fileFlow / flow->size;
    units.flowName = std::string(flow->shown);
  } else {
    units.flow = fileFlow / (length->size * length->size / time->size);
    units.flowName = units.lengthName + "\xC2\xB3/" + units.timeName + "/" + units.lengthName;
  }
  return units;
}

}  // namespace seep
