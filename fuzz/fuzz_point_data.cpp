// Arbitrary bytes read as the INTERP point-data file, located in a small mesh with quadrilaterals,
// both kinds of triangles, a clockwise element and corners outside the mesh, then written for a step.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/io/units.h"
#include "core/model/store.h"
#include "harness.h"
#include "writers/interp/interp.h"

namespace {

seep::Store Mesh() {
  using namespace seep;
  Store s;
  const double xy[][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}};
  s.NUMNP = 8;
  SizeNodeArrays(s, s.NUMNP);
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    s.X(n) = xy[n - 1][0];
    s.Y(n) = xy[n - 1][1];
    s.P(n) = 0.5 * n;
  }
  const std::int32_t elem[][5] = {{1, 2, 5, 4, 1}, {2, 3, 6, 6, 1},   {2, 6, 5, 0, 2},
                                  {4, 7, 8, 5, 1}, {4, 5, 99, -3, 1}, {7, 8, 8, 8, 0}};
  s.NUMEL = 6;
  SizeElementArrays(s, s.NUMEL);
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    for (int c = kI; c <= kMAT; ++c) s.ELEM(e, c) = elem[e - 1][c - 1];
  }
  s.TIME = 3600.0;
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace seep;
  fuzz::EnterWorkDir();
  if (std::FILE* f = std::fopen("P.DAT", "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const char answers[] = "P.DAT\n";
  fuzz::Console console(reinterpret_cast<const std::uint8_t*>(answers), sizeof answers - 1);
  {
    Io io(console.in, console.out, console.err);
    Store s = Mesh();
    try {
      io.OpenUnit(8, "/dev/null", "UNKNOWN", "FORMATTED");
      SetUpInterp(io, s, "P.DAT");
      WriteInterpStep(io, s);
      io.CloseAll();
    } catch (const IoFailure& failure) {
      // The point-data file can only end early or hold something that is no number.
      if (failure.number != kErrEndOfFile && failure.number != kErrInputConversion &&
          failure.number != kErrListSyntax) {
        std::abort();
      }
    }
  }
  return 0;
}
