#include "app/kinds.h"

#include <array>

#include "writers/femap/femap_kind.h"
#include "writers/flux/flux_kind.h"
#include "writers/igpost/igpost_kind.h"
#include "writers/interp/interp_kind.h"
#include "writers/microavs/microavs_kind.h"
#include "writers/plot/plot_kind.h"
#include "writers/profile/profile_kind.h"
#include "writers/report/report_kind.h"
#include "writers/restart/restart_kind.h"
#include "writers/safety/safety_kind.h"
#include "writers/tecplot/tecplot_kind.h"
#include "writers/vtu/vtu_kind.h"

namespace seep {
namespace {

constexpr std::array kKinds{
    &kRestartKind,   &kTecplotKind, &kFemapKind,        &kMicroAvsKind,     &kIgpostKind,
    &kInterpKind,    &kVtuKind,     &kStepPicturesKind, &kHistoryChartKind, &kReportKind,
    &kFlowRatesKind, &kProfileKind, &kSafetyKind,
};

template <typename Keep>
std::string Names(std::string_view command, Keep keep) {
  std::string names;
  for (const OutputKind* k : kKinds) {
    if (k->command != command || !keep(*k)) continue;
    if (!names.empty()) names += ", ";
    names += k->name;
  }
  return names;
}

}  // namespace

std::span<const OutputKind* const> OutputKinds() {
  return kKinds;
}

const OutputKind& KindOfCode(std::int32_t ITYPE) {
  static constexpr OutputKind kNoWriter{};
  for (const OutputKind* k : kKinds) {
    if (k->ITYPE != kNotOnMenu && k->ITYPE == ITYPE) return *k;
  }
  return kNoWriter;
}

const OutputKind* KindOfName(std::string_view command, std::string_view name) {
  for (const OutputKind* k : kKinds) {
    if (k->command == command && k->name == name) return k;
  }
  return nullptr;
}

std::string KindNames(std::string_view command) {
  return Names(command, [](const OutputKind&) { return true; });
}

std::string KindNamesTaking(std::string_view command, std::uint32_t bits) {
  return Names(command, [&](const OutputKind& k) { return k.Takes(bits); });
}

}  // namespace seep
