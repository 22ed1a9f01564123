#include "core/io/statement/field.h"

#include "core/io/failure.h"

namespace seep {

bool EditField(Io& io, int unit, char* out, const Field& f, const EditValue& v) {
  const DescriptorRow& row = RowOf(f.op);
  if ((row.accepts & Accepts(v.kind)) == 0) io.Fail(kErrFormatMismatch, unit);
  return row.edit(out, f, v);
}

}  // namespace seep
