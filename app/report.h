// `seepconv report`: the first pass over the result file, which gives the report its header, its steps
// table and the steps it draws; the second pass is the conversion road with the report kind.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/info.h"
#include "app/selection.h"
#include "core/model/measure.h"
#include "writers/report/report.h"

namespace seep {

// The plan of a report from the summary of its result file: the header's lines (the date as given), every
// step's row, the steps drawn (those that `steps` takes, or by default the last and up to 11 more
// spread over the run) and the footer's command line. The header's bounds are in the length unit of
// `units` and name it ("model units" when the file's are not stated). Nothing, with `error` set, when
// `steps` takes no step of the file.
std::optional<ReportPlan> PlanReport(const ResultSummary& summary, const StepSelection* steps,
                                     std::string_view stepsText, std::string_view date,
                                     const MeasureUnits& units, std::span<const std::string_view> args,
                                     std::string& error);

// An argument of the footer's command line as the shell reads it back: as it is when it holds only
// plain characters, else in single quotes (POSIX shells) or, with `cmd`, in double quotes as cmd.exe
// and the C runtime of Windows read them.
std::string QuotedArgument(std::string_view arg, bool cmd);

// The date and time of now in UTC, "2026-12-07 18:40 UTC"; SOURCE_DATE_EPOCH, when set, stands for now
// (reproducible reports).
std::string ReportDate();

}  // namespace seep
