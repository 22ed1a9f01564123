// Units of measure: the lengths, times and flow rates per unit thickness that the file's figures are
// in and that pictures and tables show them in. The file does not say its units; the user states them
// once (`--file-units m,s`) and may ask for others to be shown (`--units ft,min,l/min/m`). Without
// them nothing is converted and every label says "model units".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace seep {

// What a value measures, for its factor and its unit's name. kArea is a length times a length (a head
// integrated along a line); kForce is the unit weight of water in kN/m³ times an area, a force per unit
// thickness in kN/m (per metre of thickness) whatever the lengths are shown in, since the unit weight is
// taken in kN/m³.
enum class Quantity { kLength, kTime, kSpeed, kFlow, kArea, kForce, kNone };

// The units a run shows its figures in, as factors from the file's units to them and their names.
struct MeasureUnits {
  bool stated = false;  // the file's units are known: labels name units, not "model units"
  double length = 1.0, time = 1.0, flow = 1.0;  // shown value = file value × factor
  double metres = 1.0;                          // the file's length unit in metres
  std::string lengthName, timeName, flowName;   // "m", "h", "m³/s/m" as labels show them

  // v in the shown unit of quantity q.
  double Show(Quantity q, double v) const { return v * Factor(q); }
  double Factor(Quantity q) const;
  // The unit's name ("m", "m/s"; empty for kNone), or "model units" when the file's are not stated.
  std::string Name(Quantity q) const;
  // "TITLE (unit)" for an axis, a colour bar or a column; TITLE alone for kNone.
  std::string Titled(std::string_view title, Quantity q) const;
};

// Reads `--file-units L,T` and `--units L,T[,FLOW]` (empty: not given). Nothing, and a message in
// `error`, when a unit is unknown or the display units come without the file's.
std::optional<MeasureUnits> ReadMeasureUnits(std::string_view fileUnits, std::string_view shownUnits,
                                             std::string& error);

}  // namespace seep
