#include "app/selection.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace seep {
namespace {

bool ParseStepNumber(std::string_view text, std::int32_t& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc{} && ptr == end;
}

// One end of a range: a step number, or nothing for a range open at that end (`last` closes nothing
// at the upper end, since no step comes after the last).
bool ParseEnd(std::string_view text, std::int32_t open, bool lastAllowed, std::int32_t& value) {
  if (text.empty() || (lastAllowed && text == "last")) {
    value = open;
    return true;
  }
  return ParseStepNumber(text, value);
}

}  // namespace

StepSelection::StepSelection() : items_{{Item::kAll}} {}

StepSelection StepSelection::FromIsel(std::int32_t ISEL) {
  StepSelection sel;
  if (ISEL < 0) return sel;
  sel.items_ = {{Item::kNumbers, ISEL, ISEL}};
  if (ISEL == 0) sel.items_.push_back({Item::kLast});
  return sel;
}

std::optional<StepSelection> StepSelection::Parse(std::string_view text, std::string& error) {
  StepSelection sel;
  sel.items_.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item =
        text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    if (item == "all") {
      sel.items_.push_back({Item::kAll, 0, 0, std::string(item)});
    } else if (item == "last") {
      sel.items_.push_back({Item::kLast, 0, 0, std::string(item)});
    } else {
      const std::size_t colon = item.find(':');
      std::int32_t from = 0, to = 0;
      constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
      constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();
      const bool ok = colon == std::string_view::npos
                          ? ParseStepNumber(item, from) && ParseStepNumber(item, to)
                          : item.size() > 1 && ParseEnd(item.substr(0, colon), kLowest, false, from) &&
                                ParseEnd(item.substr(colon + 1), kHighest, true, to);
      if (!ok) {
        error = std::string("'").append(item).append(
            "' is not a step selection (all, last, a step number N or a range A:B)");
        return std::nullopt;
      }
      if (from > to) {
        error = std::string("the step range '").append(item).append("' runs backwards");
        return std::nullopt;
      }
      sel.items_.push_back({Item::kNumbers, from, to, std::string(item)});
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return sel;
}

bool StepSelection::Selects(std::int32_t istep, bool last) const {
  for (const Item& item : items_) {
    switch (item.kind) {
      case Item::kAll:
        return true;
      case Item::kLast:
        if (last) return true;
        break;
      case Item::kNumbers:
        if (istep >= item.from && istep <= item.to) return true;
        break;
    }
  }
  return false;
}

bool StepSelection::NamesOneStep() const {
  return items_.size() == 1 && (items_[0].kind == Item::kLast ||
                                (items_[0].kind == Item::kNumbers && items_[0].from == items_[0].to));
}

std::vector<std::string> StepSelection::Unmatched(const std::vector<std::int32_t>& numbers) const {
  std::vector<std::string> unmatched;
  for (const Item& item : items_) {
    const bool matched = item.kind == Item::kNumbers
                             ? std::any_of(numbers.begin(), numbers.end(),
                                           [&](std::int32_t n) { return n >= item.from && n <= item.to; })
                             : !numbers.empty();
    if (!matched) unmatched.push_back(item.text);
  }
  return unmatched;
}

std::string DescribeSteps(const std::vector<std::int32_t>& numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t j = i;
    while (j + 1 < numbers.size() && numbers[j] != INT32_MAX && numbers[j + 1] == numbers[j] + 1) ++j;
    if (!text.empty()) text += ", ";
    text += std::to_string(numbers[i]);
    if (j > i) text.append(":").append(std::to_string(numbers[j]));
    i = j + 1;
  }
  return text;
}

}  // namespace seep
