#include "writers/igpost/igpost.h"

#include <cmath>
#include <cstdint>

#include "core/io/format/compile.h"
#include "core/io/record_team.h"
#include "core/io/statement/write.h"
#include "core/model/average.h"

namespace seep {
namespace {

// The SW field of every node and element line.
constexpr std::int32_t kSwitch = 0;

constexpr auto kTimeLine = CompileFormat("('TIME=' 1P E12.4)");
// Title and zone lines: one statement, two records.
constexpr auto kTitleAndZone = CompileFormat(
    "('TITTLE= \"' 20A4 '\"'"
    " / 'ZONE N= ' I5 ', E= ' I5 ', M=' I5 ',NV= 6 ,EV= 5')");
constexpr auto kNodeNames =
    CompileFormat("('NVARIABLES = \"SW\",\"X\",\"Y\",\"P\",\"H\",\"VX\",\"VY\",\"V\",\"Q\"')");
// SW, then X, Y, P, H, VX, VY, V, Q of one node.
constexpr auto kNodeLine = CompileFormat("(I2 8(',' 1P E12.4))");
// The same line in two parts: SW, X and Y, kept from block to block, and the line from their text.
constexpr auto kNodeLead = CompileFormat("(I2 2(',' 1P E12.4))");
constexpr int kNodeLeadWidth = 28;
constexpr auto kNodeLineAfterLead = CompileFormat("(A28 6(',' 1P E12.4))");
constexpr auto kElementNames =
    CompileFormat("('EVARIABLES = \"SW\",\"I\",\"J\",\"K\",\"L\",\"P\",\"X\",\"Y\",\"VX\",\"VY\",\"V\"')");
// SW, corners I, J, K, L, material, then centroid X, Y and VX, VY, V of one element.
constexpr auto kElementLine = CompileFormat("(I2 5(',' I5) 5(',' 1P E12.4))");
// The same line in two parts: SW to the centroid, kept from block to block, and the line from their text.
constexpr auto kElementLead = CompileFormat("(I2 5(',' I5) 2(',' 1P E12.4))");
constexpr int kElementLeadWidth = 58;
constexpr auto kElementLineAfterLead = CompileFormat("(A58 3(',' 1P E12.4))");

// E: the number of active elements; M: the largest material number, searched from 0.
struct ZoneCounts {
  std::int32_t active = 0;
  std::int32_t largestMaterial = 0;
};

ZoneCounts CountZone(const Store& s) {
  ZoneCounts z;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const std::int32_t mat = s.ELEM(e, kMAT);
    if (mat > 0) ++z.active;
    if (mat > z.largestMaterial) z.largestMaterial = mat;
  }
  return z;
}

void WriteBlockHeader(Io& io, const Store& s, const ZoneCounts& z) {
  WriteFormatted(io, kOutputUnit, kTimeLine, s.TIME);
  WriteFormatted(io, kOutputUnit, kTitleAndZone, TextArray{s.TITLE.data(), 20, 4}, s.NUMNP, z.active,
                 z.largestMaterial);
  WriteFormatted(io, kOutputUnit, kNodeNames);
}

// The line of node n by `format`, SW, X and Y given as `lead`: the values, or their kept text. H is the
// total head P + Y, V the speed of the averaged components.
template <std::size_t N, class... Lead>
void WriteNodeLine(Io& out, const Store& s, std::int32_t n, const Format<N>& format, const Lead&... lead) {
  const double vx = s.VXN(n);
  const double vy = s.VYN(n);
  WriteFormatted(out, kOutputUnit, format, lead..., s.P(n), s.Y(n) + s.P(n), vx, vy, Speed(vx, vy), s.Q(n));
}

// Every node in store order; SW, X and Y come from the text kept for the mesh when there is one.
void WriteNodeLines(Io& io, const Store& s, KeptRecords* kept) {
  const KeptRecords::Inputs mesh = {AsInput(s.X.Data(), s.NUMNP), AsInput(s.Y.Data(), s.NUMNP)};
  auto lead = [&s](Io& out, std::int32_t n) {
    WriteFormatted(out, kOutputUnit, kNodeLead, kSwitch, s.X(n), s.Y(n));
  };
  if (kept != nullptr && kept->KeepFields(io, mesh, kOutputUnit, 1, s.NUMNP, kNodeLeadWidth, lead)) {
    WriteRecords(io, kOutputUnit, 1, s.NUMNP, [&s, kept](Io& out, std::int32_t n) {
      WriteNodeLine(out, s, n, kNodeLineAfterLead, kept->Of(n));
    });
    return;
  }
  WriteRecords(io, kOutputUnit, 1, s.NUMNP, [&s](Io& out, std::int32_t n) {
    WriteNodeLine(out, s, n, kNodeLine, kSwitch, s.X(n), s.Y(n));
  });
}

// The centroid of element e: the mean over its 3 (triangle, K = L) or 4 corners; a corner outside the
// mesh adds nothing to the sums but the divisor stays the corner count.
struct Centroid {
  double x;
  double y;
};
Centroid CentroidOf(const Store& s, std::int32_t e) {
  const int corners = RepeatsThirdCorner(s, e) ? 3 : 4;
  double sumX = 0.0;
  double sumY = 0.0;
  for (int j = 1; j <= corners; ++j) {
    const std::int32_t m = s.ELEM(e, j);
    if (!IsNode(s, m)) continue;
    sumX += s.X(m);
    sumY += s.Y(m);
  }
  return {sumX / corners, sumY / corners};
}

// The line of element e by `format`, SW to the centroid given as `lead`: the values, or their kept text.
template <std::size_t N, class... Lead>
void WriteElementLine(Io& out, const Store& s, std::int32_t e, const Format<N>& format, const Lead&... lead) {
  const double vx = s.VXE(e);
  const double vy = s.VYE(e);
  WriteFormatted(out, kOutputUnit, format, lead..., vx, vy, Speed(vx, vy));
}

// Active elements in store order, the line printing the stored corner numbers as they are. SW, the
// corners, the material and the centroid come from the text kept for the mesh when there is one; it
// holds every element, active or not.
void WriteElementLines(Io& io, const Store& s, KeptRecords* kept) {
  WriteFormatted(io, kOutputUnit, kElementNames);
  const KeptRecords::Inputs mesh = {AsInput(s.ELEM.Data(), std::int64_t{s.NUMEL} * kMAT),
                                    AsInput(s.X.Data(), s.NUMNP), AsInput(s.Y.Data(), s.NUMNP)};
  auto lead = [&s](Io& out, std::int32_t e) {
    const Centroid c = CentroidOf(s, e);
    WriteFormatted(out, kOutputUnit, kElementLead, kSwitch, s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK),
                   s.ELEM(e, kL), s.ELEM(e, kMAT), c.x, c.y);
  };
  if (kept != nullptr && kept->KeepFields(io, mesh, kOutputUnit, 1, s.NUMEL, kElementLeadWidth, lead)) {
    WriteRecords(io, kOutputUnit, 1, s.NUMEL, [&s, kept](Io& out, std::int32_t e) {
      if (IsActive(s, e)) WriteElementLine(out, s, e, kElementLineAfterLead, kept->Of(e));
    });
    return;
  }
  WriteRecords(io, kOutputUnit, 1, s.NUMEL, [&s](Io& out, std::int32_t e) {
    if (!IsActive(s, e)) return;
    const Centroid c = CentroidOf(s, e);
    WriteElementLine(out, s, e, kElementLine, kSwitch, s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK),
                     s.ELEM(e, kL), s.ELEM(e, kMAT), c.x, c.y);
  });
}

}  // namespace

void WriteIgpostBlock(Io& io, Store& s, IgpostState* kept) {
  const ZoneCounts zone = CountZone(s);
  WriteBlockHeader(io, s, zone);
  UseNodalAverage(s);
  WriteNodeLines(io, s, kept != nullptr ? &kept->nodeLeads : nullptr);
  WriteElementLines(io, s, kept != nullptr ? &kept->elementLeads : nullptr);
}

}  // namespace seep
