// The list of output kinds. Each kind is declared by its writer folder (writers/<kind>/<kind>_kind.h);
// this list is the one place that names them all, and everything that depends on the set of kinds (the
// dialogue's menu, --to, --help, the option checks, the tests' list of kinds) is derived from it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "writers/kind.h"

namespace seep {

// Every kind, the dialogue's menu entries first in menu order.
std::span<const OutputKind* const> OutputKinds();
// The kind of an output code from the dialogue's menu; codes without a writer give a kind that writes
// nothing.
const OutputKind& KindOfCode(std::int32_t ITYPE);
// The kind that `command` makes under `name` (`--to NAME` for convert), or nullptr.
const OutputKind* KindOfName(std::string_view command, std::string_view name);
// The names of the kinds of `command`, in list order, joined by ", " ("restart, tecplot, ...").
std::string KindNames(std::string_view command);
// The names of the kinds of `command` that take `bits`, joined by ", ".
std::string KindNamesTaking(std::string_view command, std::uint32_t bits);

}  // namespace seep
