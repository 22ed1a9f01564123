// MicroAVS multi-step UCD file, in two passes.
//
// During the step loop every selected step is written, in its final text form, as one block to the
// work file:
//
//   step<NAVS><TIME>                      "step", NAVS in as many digits as it has, TIME as E15.7
//   5   3                                 five node components, three element components
//   5   1   1   1   1   1
//   Pressure, / Total Head, / Velocity X, / Velocity Y, / Velocity,
//   NUMNP node data lines                 I8, then five 1PE12.5 values each followed by a blank
//   3   1   1   1
//   Velocity X, / Velocity Y, / Velocity,
//   NUMEL element data lines              I8, then three 1PE12.5 values each followed by a blank
//
// After the loop the final file gets the header with the number of steps, the first step line, the
// mesh, and then the blocks copied from the work file. Each copied record is cut or blank-filled to a
// width fixed by its kind, and the records are counted from NUMNP, NUMEL and NAVS: the copy reads
// exactly the records this run wrote, never more. The element lines that this run wrote already have
// their final width, so they go over as bytes, from file to file inside the system where it allows.
//
// When the number of steps is known before the loop, each block goes straight to the output with the
// widths the copy would give it, and the file is written in one pass: the same bytes, written once.
#include "writers/microavs/microavs.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/io/format/compile.h"
#include "core/io/record_team.h"
#include "core/io/statement/write.h"
#include "core/model/average.h"
#include "writers/microavs/microavs_formats.h"

namespace seep {
namespace {

constexpr int kWorkUnit = kAvsWorkUnit;

// ---- Step block (work file) ----

using namespace microavs_formats;

// The data values are computed in double and printed from their nearest single-precision value.
float Single(double x) {
  return static_cast<float>(x);
}

// "step", NAVS in the narrowest field that holds it (asterisks from 10000 on) and TIME, to `unit` by
// the formats of the work file or of the final file.
template <class Format1, class Format2, class Format3, class Format4>
void WriteStepLine(Io& io, int unit, std::int32_t navs, double time, const Format1& i1, const Format2& i2,
                   const Format3& i3, const Format4& i4) {
  if (navs >= 1000) {
    WriteFormatted(io, unit, i4, navs, time);
  } else if (navs >= 100) {
    WriteFormatted(io, unit, i3, navs, time);
  } else if (navs >= 10) {
    WriteFormatted(io, unit, i2, navs, time);
  } else {
    WriteFormatted(io, unit, i1, navs, time);
  }
}

// Pressure head, total head, averaged velocity and the speed of the averaged vector of node n.
template <class Format>
void WriteNodeLine(Io& io, int unit, const Format& format, const Store& s, std::int32_t n) {
  const double p = s.P(n);
  const double h = s.Y(n) + p;
  const double vx = s.VXN(n);
  const double vy = s.VYN(n);
  const double v = Speed(vx, vy);
  WriteFormatted(io, unit, format, n, Single(p), Single(h), Single(vx), Single(vy), Single(v));
}

// Element e, active or not, with its own velocity and speed.
void WriteElementLine(Io& io, int unit, const Store& s, std::int32_t e) {
  const double vx = s.VXE(e);
  const double vy = s.VYE(e);
  const double v = Speed(vx, vy);
  WriteFormatted(io, unit, kElementData, e, Single(vx), Single(vy), Single(v));
}

// The work file's data lines are formatted in this thread, not side by side: every step is written
// twice (to the work file, then to the final file), and those writes set the pace, so more threads
// would only cost processor time. Their statements are compiled into the loop (flatten), where the
// layout of the constant format folds into the code.
[[gnu::flatten]] void WriteNodeData(Io& io, const Store& s) {
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) WriteNodeLine(io, kWorkUnit, kNodeData, s, n);
}

[[gnu::flatten]] void WriteElementData(Io& io, const Store& s) {
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) WriteElementLine(io, kWorkUnit, s, e);
}

// ---- Final file ----

constexpr auto kHeader = CompileFormat("('# QM-TERLO AVS FILE ' / I5 / 'data')");
constexpr auto kMeshSizes = CompileFormat("(I10 1X I10)");
constexpr auto kNodeCoordinates = CompileFormat("(I8 3(1X 1PE12.5))");
constexpr auto kQuadrilateral = CompileFormat("(I7 1X I3 ' quad ' 4(1X I7))");
constexpr auto kTriangle = CompileFormat("(I7 1X I3 ' tri ' 3(1X I7))");

// Widths of the copied records, by kind, in the order of a block.
constexpr std::size_t kStepLineWidth = 26;
constexpr std::size_t kNodeHeadWidths[] = {5, 25, 9, 11, 13, 13, 13};
constexpr std::size_t kNodeDataWidth = 85;
constexpr std::size_t kElementHeadWidths[] = {13, 13, 13, 13};
constexpr std::size_t kElementDataWidth = 48;

// A work-file record is taken as its first 100 characters, blank-filled; every width is within that,
// so a copy is the record cut at the width, or the record and blanks up to the width.
constexpr std::size_t kCopyBuffer = 100;
static_assert(kStepLineWidth <= kCopyBuffer && kNodeDataWidth <= kCopyBuffer);

void CopyRecords(Io& io, std::int64_t count, std::size_t width) {
  io.CopyRecords(kWorkUnit, kOutputUnit, count, width);
}

// An element line as WriteAvsStep writes it is I8, 1X and three E12.5 each followed by a blank,
// whatever the values (a field too narrow holds asterisks): 48 characters and CR LF, its copied width.
constexpr std::uint64_t kElementLineBytes = kElementDataWidth + 2;

// The records of a block after its step line. Element lines of the width they are copied at go over
// as bytes; lines of any other width (a work file this run did not write) record by record.
void CopyStepData(Io& io, const Store& s, const AvsState& run) {
  for (std::size_t w : kNodeHeadWidths) CopyRecords(io, 1, w);
  CopyRecords(io, s.NUMNP, kNodeDataWidth);
  for (std::size_t w : kElementHeadWidths) CopyRecords(io, 1, w);
  const std::uint64_t verbatim = static_cast<std::uint64_t>(std::max(s.NUMEL, 0)) * kElementLineBytes;
  if (run.elementBytes == verbatim) {
    io.CopyBytes(kWorkUnit, kOutputUnit, verbatim);
  } else {
    CopyRecords(io, s.NUMEL, kElementDataWidth);
  }
}

// Mesh sizes, node coordinates (z = 0) and every element with its material and corners as stored.
void WriteMesh(Io& io, const Store& s) {
  WriteFormatted(io, kOutputUnit, kMeshSizes, s.NUMNP, s.NUMEL);
  WriteRecords(io, kOutputUnit, 1, s.NUMNP, [&s](Io& out, std::int32_t n) {
    WriteFormatted(out, kOutputUnit, kNodeCoordinates, n, s.X(n), s.Y(n), 0.0);
  });
  WriteRecords(io, kOutputUnit, 1, s.NUMEL, [&s](Io& out, std::int32_t e) {
    const std::int32_t mat = s.ELEM(e, kMAT);
    if (RepeatsThirdCorner(s, e)) {
      WriteFormatted(out, kOutputUnit, kTriangle, e, mat, s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK));
    } else {
      WriteFormatted(out, kOutputUnit, kQuadrilateral, e, mat, s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK),
                     s.ELEM(e, kL));
    }
  });
}

// One block straight to the output in its final widths; the first comes after the header and its step
// line before the mesh. The lines are formatted side by side, as the other kinds' are.
void WriteFinalStep(Io& io, const Store& s, const AvsState& run) {
  if (run.NAVS == 1) WriteFormatted(io, kOutputUnit, kHeader, run.stepsAhead);
  WriteStepLine(io, kOutputUnit, run.NAVS, s.TIME, kFinalStepLine1, kFinalStepLine2, kFinalStepLine3,
                kFinalStepLine4);
  if (run.NAVS == 1) WriteMesh(io, s);
  WriteFormatted(io, kOutputUnit, kFinalNodeHead);
  WriteRecords(io, kOutputUnit, 1, s.NUMNP,
               [&s](Io& out, std::int32_t n) { WriteNodeLine(out, kOutputUnit, kFinalNodeData, s, n); });
  WriteFormatted(io, kOutputUnit, kFinalElementHead);
  WriteRecords(io, kOutputUnit, 1, s.NUMEL,
               [&s](Io& out, std::int32_t e) { WriteElementLine(out, kOutputUnit, s, e); });
}

}  // namespace

void OpenAvsWorkFile(Io& io, const AvsState& run) {
  io.OpenUnit(kWorkUnit, run.workName, "UNKNOWN", "FORMATTED");
}

void WriteAvsStep(Io& io, Store& s, AvsState& run) {
  UseNodalAverage(s);
  run.NAVS += 1;
  if (run.stepsAhead >= 0) {
    WriteFinalStep(io, s, run);
    return;
  }
  WriteStepLine(io, kWorkUnit, run.NAVS, s.TIME, kStepLine1, kStepLine2, kStepLine3, kStepLine4);
  WriteFormatted(io, kWorkUnit, kNodeHead);
  WriteNodeData(io, s);
  WriteFormatted(io, kWorkUnit, kElementHead);
  const std::uint64_t start = io.Position(kWorkUnit);
  WriteElementData(io, s);
  run.elementBytes = io.Position(kWorkUnit) - start;
}

void AssembleAvsFile(Io& io, const Store& s, const AvsState& run) {
  if (run.stepsAhead >= 0 && run.NAVS > 0) return;  // written step by step
  WriteFormatted(io, kOutputUnit, kHeader, run.NAVS);
  if (run.NAVS <= 0) {
    // No step was written in this run: the mesh alone. The work file is not read, since whatever it
    // holds was left by an earlier run.
    WriteMesh(io, s);
    return;
  }
  io.RewindUnit(kWorkUnit);
  CopyRecords(io, 1, kStepLineWidth);
  WriteMesh(io, s);
  CopyStepData(io, s, run);
  for (std::int32_t step = 2; step <= run.NAVS; ++step) {
    CopyRecords(io, 1, kStepLineWidth);
    CopyStepData(io, s, run);
  }
}

}  // namespace seep
