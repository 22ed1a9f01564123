#include "core/io/statement/field.h"

#include "core/io/failure.h"

namespace seep {
namespace {

// The field by row kRow or a later one: one comparison per row and each row's routine called directly,
// so that the table compiles to the code of a switch.
template <std::size_t kRow = 0>
bool EditByRow(Io& io, int unit, char* out, const Field& f, const EditValue& v) {
  if constexpr (kRow == kDescriptors.size()) {
    return true;  // not reached: every data edit descriptor has its row
  } else {
    constexpr DescriptorRow kThisRow = kDescriptors[kRow];
    if (f.op != kThisRow.op) return EditByRow<kRow + 1>(io, unit, out, f, v);
    if ((kThisRow.accepts & Accepts(v.kind)) == 0) io.Fail(kErrFormatMismatch, unit);
    return kThisRow.edit(out, f, v);
  }
}

}  // namespace

bool EditField(Io& io, int unit, char* out, const Field& f, const EditValue& v) {
  return EditByRow(io, unit, out, f, v);
}

}  // namespace seep
