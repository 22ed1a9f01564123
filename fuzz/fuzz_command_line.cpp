// Arbitrary arguments (split at NUL bytes) read against the command line's option table, and arbitrary step
// selections: every outcome is a parse or one error text, never a crash.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/options.h"
#include "app/selection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace seep;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  for (std::size_t start = 0; start <= bytes.size();) {
    const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
    args.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  std::string error;
  for (std::uint32_t command : {kInfoCommand, kConvertCommand, kPlotCommand, kReportCommand}) {
    const auto parsed = cli::Parse(args, CommandLineOptions(), command, error);
    if (!parsed && error.empty()) std::abort();
    (void)cli::DescribeOptions(CommandLineOptions(), command);
  }

  const auto selection = StepSelection::Parse(bytes, error);
  if (selection) {
    std::vector<std::int32_t> numbers;
    for (std::int32_t istep : {INT32_MIN, -1, 0, 1, 2, 7, 1000, INT32_MAX}) {
      if (selection->Selects(istep, istep == 7)) numbers.push_back(istep);
    }
    (void)DescribeSteps(numbers);
  } else if (error.empty()) {
    std::abort();
  }
  return 0;
}
