#include "core/model/store.h"

namespace seep {

void SizeNodeArrays(Store& s, std::int32_t numnp) {
  s.X.Resize(numnp);
  s.Y.Resize(numnp);
  s.NCODE.Resize(numnp);
  s.P.Resize(numnp);
  s.Q.Resize(numnp);
  s.VXN.Resize(numnp);
  s.VYN.Resize(numnp);
  s.NCNT.Resize(numnp);
}

void SizeElementArrays(Store& s, std::int32_t numel) {
  s.ELEM.Resize(numel);
  s.VXE.Resize(numel);
  s.VYE.Resize(numel);
}

}  // namespace seep
