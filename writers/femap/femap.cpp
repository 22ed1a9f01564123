#include "writers/femap/femap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/io/failure.h"
#include "core/io/format/compile.h"
#include "core/io/record_team.h"
#include "core/io/statement/write.h"
#include "writers/femap/femap_formats.h"

namespace seep {
namespace {

// ---------------------------------------------------------------------------------------------------
// Record kinds of the neutral file.

using namespace femap_formats;

// -1 in I5: opens and closes every block.
void WriteDelimiter(Io& io, int unit) {
  WriteFormatted(io, unit, kDelimiterLine, std::int32_t{-1});
}

void WriteBlockId(Io& io, int unit, std::int32_t id) {
  WriteFormatted(io, unit, kBlockIdLine, id);
}

// A fixed-text record: one list-directed text item, so one blank and the text.
void WriteFixedText(Io& io, int unit, std::string_view text) {
  WriteList(io, unit, text);
}

// A run of fixed-text records: its texts written in turn, the whole group `repeat` times. Unused slots
// are empty; no fixed text of the file is empty (a blank title is " ").
struct FixedRun {
  int repeat;
  std::array<std::string_view, 3> texts;
};

void WriteFixedRuns(Io& io, int unit, std::span<const FixedRun> runs) {
  for (const FixedRun& run : runs) {
    for (int r = 0; r < run.repeat; ++r) {
      for (const std::string_view text : run.texts) {
        if (!text.empty()) WriteFixedText(io, unit, text);
      }
    }
  }
}

constexpr std::string_view kFiveReals = "0.,0.,0.,0.,0.,";
constexpr std::string_view kThreeReals = "0.,0.,0.,";

// ---------------------------------------------------------------------------------------------------
// Set-up: header, material, properties, nodes, elements, group.

// Block 100: a blank model title and the neutral file version.
void WriteHeaderBlock(Io& io, int unit) {
  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 100);
  WriteFixedText(io, unit, " ");
  WriteFixedText(io, unit, "4.5,");
  WriteDelimiter(io, unit);
}

// Block 401: one material with every constant zero.
constexpr FixedRun kMaterial[] = {
    {1, {"1,55,0,1,0,"}},      // record 3
    {1, {" "}},                // 4: title
    {3, {kThreeReals}},        // 5 to 7
    {4, {kFiveReals}},         // 8 to 11
    {3, {"0.,", kFiveReals}},  // 12 to 17
    {1, {"0.,"}},              // 18
    {1, {"0.,0.,0.,0.,"}},     // 19
    {5, {kFiveReals}},         // 20 to 24
    {1, {"0.,"}},              // 25
    {1, {kFiveReals}},         // 26
    {1, {kThreeReals}},        // 27
    {1, {"0.,0.,0.,0,0,"}},    // 28
    {1, {"0,0,0,0,0,"}},       // 29
    {1, {"0,0,0,0,0,0,"}},     // 30
    {1, {kThreeReals}},        // 31
    {1, {kFiveReals}},         // 32
    {1, {"0.,0.,"}},           // 33
    {2, {"0,0,0,0,"}},         // 34 and 35
};

void WriteMaterialBlock(Io& io, int unit) {
  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 401);
  WriteFixedRuns(io, unit, kMaterial);
  WriteDelimiter(io, unit);
}

// Records 2 to 30 of a property; record 1 carries its ID.
constexpr FixedRun kPropertyBody[] = {
    {1, {" "}},                 // record 2: title
    {1, {"0,0,0,0,"}},          // 3
    {1, {"45,"}},               // 4
    {5, {"0,0,0,0,0,0,0,0,"}},  // 5 to 9
    {1, {"0,0,0,0,0,"}},        // 10
    {1, {"93,"}},               // 11
    {18, {kFiveReals}},         // 12 to 29
    {1, {kThreeReals}},         // 30
};

// One property per material number 1 … the largest MAT (at least 1), whether used or not: every
// element's MAT is its property ID.
std::int32_t PropertyCount(const Store& s) {
  std::int32_t count = 1;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    if (s.ELEM(e, kMAT) > count) count = s.ELEM(e, kMAT);
  }
  return count;
}

// Property IDs are written in five columns. A material number above 99999 comes only from a damaged
// result file and would make this block billions of records long; the block stops at the largest ID
// its field holds, and the cut is reported like a value too wide for its field.
constexpr std::int32_t kLargestPropertyId = 99999;

// Block 402.
void WritePropertyBlock(Io& io, int unit, const Store& s) {
  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 402);
  const std::int32_t count = PropertyCount(s);
  if (count > kLargestPropertyId) io.Warn(kErrOutputConversion, unit);
  for (std::int32_t p = 1; p <= std::min(count, kLargestPropertyId); ++p) {
    WriteFormatted(io, unit, kPropertyLine, p, ",110,1,19,1,0,");
    WriteFixedRuns(io, unit, kPropertyBody);
  }
  WriteDelimiter(io, unit);
}

// Block 403: node ID = position in the store; coordinates rounded to single precision, Z = 0.
void WriteNodeBlock(Io& io, int unit, const Store& s) {
  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 403);
  WriteRecords(io, unit, 1, s.NUMNP, [&s, unit](Io& out, std::int32_t n) {
    WriteFormatted(out, unit, kNodeLine, n, ",0,0,1,46,0,0,0,0,0,0,", static_cast<float>(s.X(n)), ",",
                   static_cast<float>(s.Y(n)), ",", 0.0F);
  });
  WriteDelimiter(io, unit);
}

// Records 3 to 7 of an element.
constexpr FixedRun kElementTail[] = {
    {1, {"0,0,0,0,0,0,0,0,0,0,"}},
    {3, {kThreeReals}},
    {1, {"0,0,0,0,0,0,0,0,0,0,0,0,"}},
};

// Block 404: every element whatever its MAT, with MAT as its property. A fourth corner equal to the
// third, or 0, makes a triangle (topology 2, three nodes); otherwise a quadrilateral (topology 4). Corner
// numbers are written as stored, also those that name no node.
void WriteElementBlock(Io& io, int unit, const Store& s) {
  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 404);
  WriteRecords(io, unit, 1, s.NUMEL, [&s, unit](Io& out, std::int32_t e) {
    const bool triangle = IsTriangle(s, e);
    const std::int32_t topology = triangle ? 2 : 4;
    WriteList(out, unit, e, ",124,", s.ELEM(e, kMAT), ",19,", topology, ",1,0,0,");
    const std::array<std::int32_t, 10> corners = {s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK),
                                                  triangle ? 0 : s.ELEM(e, kL)};
    WriteFormatted(out, unit, kCornerLine, corners);
    WriteFixedRuns(out, unit, kElementTail);
  });
  WriteDelimiter(io, unit);
}

// Block 408 between its ID records and the element list, and after the list.
constexpr FixedRun kGroupHead[] = {
    {1, {"0,0,0"}},                        // record 5
    {1, {"0,0,0,0,0.,0."}},                // 6
    {1, {"0,0"}},                          // 7
    {6, {"0,0", "0.,0.,0.", "0.,0.,0."}},  // 8 to 25
    {1, {"38"}},                           // 26
    {1, {"21"}},                           // 27
};
constexpr FixedRun kGroupTail[] = {
    {1, {"-1,-1,-1,-1,"}},
    {1, {"-1"}},
    {1, {"15"}},
    {1, {"-1"}},
};

// ---------------------------------------------------------------------------------------------------
// Output set.

// Smallest and largest value of one result vector and the IDs of the items holding them, searched in
// 64-bit arithmetic. The first item that is a number sets both; later items replace them only when
// strictly smaller or greater, so ties report the lowest ID. Items that are not numbers (NaN) are passed
// over, so where they stand never changes the result; a vector with no number at all (or no items)
// reports 0.0 with IDs 1 and 1.
struct Extremes {
  double min = 0.0;
  double max = 0.0;
  std::int32_t minId = 1;
  std::int32_t maxId = 1;
  bool found = false;

  void Take(std::int32_t id, double v) {
    if (std::isnan(v)) return;
    if (!found) {
      min = max = v;
      minId = maxId = id;
      found = true;
      return;
    }
    if (v < min) {
      min = v;
      minId = id;
    }
    if (v > max) {
      max = v;
      maxId = id;
    }
  }
  double AbsMax() const { return std::fabs(min) > std::fabs(max) ? std::fabs(min) : std::fabs(max); }
};

// The element speed as written per element: the components rounded to single precision first, then the
// magnitude in single-precision arithmetic. Its extremes still come from the 64-bit Speed.
float SingleMagnitude(double vx, double vy) {
  const float x = static_cast<float>(vx);
  const float y = static_cast<float>(vy);
  return std::sqrt(x * x + y * y);
}

// The texts that tell one result vector from another.
struct VectorLabels {
  std::string_view id;  // follows the set ID in the vector's first record
  std::string_view title;
  std::string_view components;  // record 4
  std::string_view kind;        // ends record 6
};

constexpr VectorLabels kTotalHead = {",10,1,", "Total Head", "0,0,0,0,0,0,0,0,0,0,", ",6,7,"};
constexpr VectorLabels kPressureHead = {",11,1,", "Pressure Head", "0,0,0,0,0,0,0,0,0,0,", ",6,7,"};
constexpr VectorLabels kQ = {",12,1,", "Q", "0,0,0,0,0,0,0,0,0,0,", ",6,7,"};
constexpr VectorLabels kNodeSpeed = {",13,1,", "Velocity(Node)", "14,15,0,0,0,0,0,0,0,0,", ",1,7,"};
constexpr VectorLabels kNodeVx = {",14,1,", "X Velocity(Node)", "14,0,0,0,0,0,0,0,0,0,", ",1,7,"};
constexpr VectorLabels kNodeVy = {",15,1,", "Y Velocity(Node)", "0,0,16,0,0,0,0,0,0,0,", ",1,7,"};
constexpr VectorLabels kSpeed = {",70010,1,", "Velocity", "70011,70012,0,0,0,0,0,0,0,0,", ",1,8,"};
constexpr VectorLabels kVx = {",70011,1,", "X Velocity", "70011,0,0,0,0,0,0,0,0,0,", ",1,8,"};
constexpr VectorLabels kVy = {",70012,1,", "Y Velocity", "70013,0,0,0,0,0,0,0,0,0,", ",1,8,"};

// A value record begins with its item number k, "k ,": the list-directed integer and the comma after a
// blank. Kept for the items 1 ... `items` from one step to the next, it comes back as text (the blank
// before it is the one that begins a record whose first text it is); false when it cannot be kept.
constexpr int kItemNumberWidth = 14;

bool KeepItemNumbers(Io& io, KeptRecords& numbers, int unit, const std::int32_t& items) {
  return numbers.KeepFields(io, {AsInput(&items, 1)}, unit, 1, items, kItemNumberWidth,
                            [unit](Io& out, std::int32_t k) { WriteList(out, unit, k, ","); });
}

// One result vector: seven leading records, a value record per item, the closing record. `value(k)`
// gives item k as it is written: a float for single precision, a double for double precision; the
// closing record's zero has the same precision. `numbers`: the item numbers kept as text, or nullptr.
template <class Value>
void WriteVector(Io& io, int unit, std::int32_t set, const VectorLabels& labels, const Extremes& x,
                 std::int32_t items, const KeptRecords* numbers, Value value) {
  WriteList(io, unit, set, labels.id);
  WriteFixedText(io, unit, labels.title);
  WriteList(io, unit, static_cast<float>(x.min), static_cast<float>(x.max), static_cast<float>(x.AbsMax()));
  WriteFixedText(io, unit, labels.components);
  WriteFixedText(io, unit, "0,0,0,0,0,0,0,0,0,0,");
  WriteList(io, unit, x.minId, ",", x.maxId, labels.kind);
  WriteFixedText(io, unit, "0,1,1,");
  using Written = decltype(value(std::int32_t{1}));
  if (numbers != nullptr) {
    WriteRecords(io, unit, 1, items, [&value, numbers, unit](Io& out, std::int32_t k) {
      WriteList(out, unit, numbers->Of(k).substr(1), value(k));
    });
  } else {
    WriteRecords(io, unit, 1, items,
                 [&value, unit](Io& out, std::int32_t k) { WriteList(out, unit, k, ",", value(k)); });
  }
  WriteList(io, unit, std::int32_t{-1}, ",", Written{0});
}

// Block 450: the set's ID, its title " T=" and time, the time again as its value.
void WriteSetHeaderBlock(Io& io, int unit, std::int32_t set, double time) {
  const float t = static_cast<float>(time);
  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 450);
  WriteList(io, unit, set);
  WriteFormatted(io, unit, kSetTitleLine, t);
  WriteFixedText(io, unit, "0,0,");
  WriteList(io, unit, t);
  WriteFixedText(io, unit, "1,");
  WriteFixedText(io, unit, "  ");
  WriteDelimiter(io, unit);
}

// Block 451: the nine result vectors of the step, nodal ones first.
void WriteResultBlock(Io& io, int unit, std::int32_t set, const Store& s, KeptRecords& itemNumbers) {
  Extremes head, pressure, q, speed, vx, vy;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    head.Take(n, s.P(n) + s.Y(n));
    pressure.Take(n, s.P(n));
    q.Take(n, s.Q(n));
    speed.Take(n, Speed(s.VXN(n), s.VYN(n)));
    vx.Take(n, s.VXN(n));
    vy.Take(n, s.VYN(n));
  }
  Extremes elementSpeed, elementVx, elementVy;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    elementSpeed.Take(e, Speed(s.VXE(e), s.VYE(e)));
    elementVx.Take(e, s.VXE(e));
    elementVy.Take(e, s.VYE(e));
  }

  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 451);
  const std::int32_t nodes = s.NUMNP;
  const std::int32_t elements = s.NUMEL;
  const std::int32_t most = std::max(nodes, elements);
  const KeptRecords* numbers = KeepItemNumbers(io, itemNumbers, unit, most) ? &itemNumbers : nullptr;
  WriteVector(io, unit, set, kTotalHead, head, nodes, numbers,
              [&](std::int32_t n) { return static_cast<float>(s.P(n) + s.Y(n)); });
  WriteVector(io, unit, set, kPressureHead, pressure, nodes, numbers,
              [&](std::int32_t n) { return static_cast<float>(s.P(n)); });
  WriteVector(io, unit, set, kQ, q, nodes, numbers,
              [&](std::int32_t n) { return static_cast<float>(s.Q(n)); });
  WriteVector(io, unit, set, kNodeSpeed, speed, nodes, numbers,
              [&](std::int32_t n) { return Speed(s.VXN(n), s.VYN(n)); });
  WriteVector(io, unit, set, kNodeVx, vx, nodes, numbers, [&](std::int32_t n) { return s.VXN(n); });
  WriteVector(io, unit, set, kNodeVy, vy, nodes, numbers, [&](std::int32_t n) { return s.VYN(n); });
  WriteVector(io, unit, set, kSpeed, elementSpeed, elements, numbers,
              [&](std::int32_t e) { return SingleMagnitude(s.VXE(e), s.VYE(e)); });
  WriteVector(io, unit, set, kVx, elementVx, elements, numbers,
              [&](std::int32_t e) { return static_cast<float>(s.VXE(e)); });
  WriteVector(io, unit, set, kVy, elementVy, elements, numbers,
              [&](std::int32_t e) { return static_cast<float>(s.VYE(e)); });
  WriteDelimiter(io, unit);
}

}  // namespace

void WriteFemapHeaderAndMesh(Io& io, const Store& s, const FemapState& run) {
  const int unit = run.IOUT;
  WriteHeaderBlock(io, unit);
  WriteMaterialBlock(io, unit);
  WritePropertyBlock(io, unit, s);
  WriteNodeBlock(io, unit, s);
  WriteElementBlock(io, unit, s);
}

// Block 408: one group of the active elements (MAT above 0), under the next free FEMAP ID.
void WriteFemapGroup(Io& io, const Store& s, FemapState& run) {
  const int unit = run.IOUT;
  run.NEXTID += 1;
  WriteDelimiter(io, unit);
  WriteBlockId(io, unit, 408);
  WriteList(io, unit, run.NEXTID, ",1");
  WriteFormatted(io, unit, kGroupTitleLine);
  WriteFixedRuns(io, unit, kGroupHead);
  WriteRecords(io, unit, 1, s.NUMEL, [&s, unit](Io& out, std::int32_t e) {
    if (IsActive(s, e)) WriteList(out, unit, e, ",", "0,1,1,");
  });
  WriteFixedRuns(io, unit, kGroupTail);
  WriteDelimiter(io, unit);
}

// The FEMAP rule for nodal velocities: every element, whatever its MAT, adds its velocity at each of
// its four corners. A triangle stored with L = K therefore gives its third node a double share, one
// stored with L = 0 a single share. The shared AverageNodalVelocity of the other writers counts active
// elements only and reads L of quadrilaterals only; on the same mesh the two rules give different nodal
// velocities and each file keeps its own, so they stay separate routines. Corner 0 and corner numbers
// outside 1 … NUMNP (damaged files) name no node and are passed over.
void AverageFemapNodalVelocity(Store& s) {
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    s.NCNT(n) = 0;
    s.VXN(n) = 0.0;
    s.VYN(n) = 0.0;
  }
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    for (int corner = kI; corner <= kL; ++corner) {
      const std::int32_t n = s.ELEM(e, corner);
      if (!IsNode(s, n)) continue;
      s.VXN(n) += s.VXE(e);
      s.VYN(n) += s.VYE(e);
      s.NCNT(n) += 1;
    }
  }
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    if (s.NCNT(n) > 0) {
      s.VXN(n) /= s.NCNT(n);
      s.VYN(n) /= s.NCNT(n);
    }
  }
}

void WriteFemapOutputSet(Io& io, Store& s, FemapState& run) {
  const int unit = run.IOUT;
  if (!TakePrepared(s)) AverageFemapNodalVelocity(s);
  run.NSET += 1;
  WriteSetHeaderBlock(io, unit, run.NSET, s.TIME);
  WriteResultBlock(io, unit, run.NSET, s, run.itemNumbers);
}

}  // namespace seep
