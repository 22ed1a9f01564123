// Which steps of the result file a conversion hands to its writer.
//
// The dialogue's rule comes from one number, ISEL: below 0 every step; n above 0 every step numbered n;
// 0 the last step of the file, known as such because the file ends right after it, and also any step
// numbered 0. The command line's rule is a list of items: `all`, `last` (the last step of the file only),
// a step number, or a range `a:b` of step numbers, open at either end (`5:`, `:3`; `2:last` is `2:`);
// a step is taken once when any item takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seep {

class StepSelection {
 public:
  // Every step: the command line's default.
  StepSelection();

  static StepSelection FromIsel(std::int32_t ISEL);
  // The command line's text, e.g. "all", "last", "3", "1,10:20,last". Nothing, with `error` set, when
  // the text is not a selection.
  static std::optional<StepSelection> Parse(std::string_view text, std::string& error);

  // True when the step numbered `istep` is selected; `last`: the file ends right after it.
  bool Selects(std::int32_t istep, bool last) const;
  // True when the selection names one step: `last`, or one step number (which a file may still hold
  // more than once).
  bool NamesOneStep() const;
  // The items of the command line's text that take none of the steps numbered `numbers` (every step
  // of the file read), as written: "7", "8:".
  std::vector<std::string> Unmatched(const std::vector<std::int32_t>& numbers) const;

 private:
  struct Item {
    enum Kind { kAll, kLast, kNumbers } kind;
    std::int32_t from = 0, to = 0;  // kNumbers: from … to
    std::string text{};             // as the command line gave it
  };
  std::vector<Item> items_;
};

// Step numbers as a short text: runs of consecutive numbers as ranges, "1:6, 8, 10:12".
std::string DescribeSteps(const std::vector<std::int32_t>& numbers);

}  // namespace seep
