// Fw.d: fixed-point real fields.
#pragma once

namespace seep {

// The value times 10^scale rounded to d decimals, [-][digits].[d decimals]. A value below 1 gets its "0"
// before the point when the field has room (always when d is 0, where it is the only digit). Asterisks
// (and false) when it does not fit.
bool EditFixed(char* out, double x, int w, int d, int scale);

}  // namespace seep
