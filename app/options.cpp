#include "app/options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

#include "core/reader/sections_file.h"

namespace seep::cli {
namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> table, std::string_view name) {
  for (const OptionSpec& o : table) {
    if (o.name == name) return &o;
  }
  return nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> table, char c) {
  for (const OptionSpec& o : table) {
    if (o.shortName != 0 && o.shortName == c) return &o;
  }
  return nullptr;
}

std::string Names(const OptionSpec& o) {
  std::string text = o.shortName != 0 ? std::string("-") + o.shortName + ", " : "    ";
  text += "--";
  text += o.name;
  if (!o.value.empty()) {
    text += ' ';
    text += o.value;
  }
  return text;
}

// The option's names as messages give them: "-o/--output", "--points".
std::string Shown(const OptionSpec& o) {
  std::string text = o.shortName != 0 ? std::string("-") + o.shortName + "/" : std::string();
  return text + "--" + std::string(o.name);
}

// A selection near `text` that reads: each part near `all` or `last` spelled right, and ranges written
// A-B as A:B. Empty when none is found.
std::string NearestSteps(std::string_view text) {
  static constexpr std::array<std::string_view, 2> kWords{"all", "last"};
  std::string near;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    std::string part(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
    if (const std::string_view word = NearestName(part, kWords); !word.empty()) part = word;
    if (part.find('-', 1) != std::string::npos) std::replace(part.begin() + 1, part.end(), '-', ':');
    near += (near.empty() ? "" : ",") + part;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  std::string error;
  return near != text && StepSelection::Parse(near, error) ? near : std::string();
}

// Checks `value` as the row's kind of value and keeps it in `parsed`, read; false with `error` set.
bool ReadValue(const OptionSpec& option, std::string_view value, ParsedArgs& parsed, std::string& error) {
  OptionValue v{value};
  switch (option.type) {
    case ValueKind::kFlag:
    case ValueKind::kName:
      break;
    case ValueKind::kPath:
      if (value.empty()) {
        error = Shown(option) + " needs a file name";
        return false;
      }
      break;
    case ValueKind::kCount: {
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v.count);
      if (ec != std::errc{} || end != value.data() + value.size() || v.count < option.least ||
          (option.most > 0 && v.count > option.most)) {
        error =
            "--" + std::string(option.name) + " takes a whole number " +
            (option.most > 0 ? "from " + std::to_string(option.least) + " to " + std::to_string(option.most)
                             : "of " + std::to_string(option.least) + " or more") +
            ", not '" + std::string(value) + "'";
        return false;
      }
      break;
    }
    case ValueKind::kChoice: {
      const auto at = std::find(option.allowed.begin(), option.allowed.end(), value);
      if (at == option.allowed.end()) {
        error = "--" + std::string(option.name) + " takes " + OneOf(option.allowed) + ", not '" +
                std::string(value) + "'";
        if (const std::string_view near = NearestName(value, option.allowed); !near.empty())
          error += "; did you mean " + std::string(near) + "?";
        return false;
      }
      v.choice = static_cast<std::size_t>(at - option.allowed.begin());
      break;
    }
    case ValueKind::kSteps:
      parsed.steps = StepSelection::Parse(value, error);
      if (!parsed.steps) {
        if (const std::string near = NearestSteps(value); !near.empty())
          error += "; did you mean " + near + "?";
        return false;
      }
      break;
    case ValueKind::kPolyline: {
      std::vector<XY> points;
      if (!ParseSectionPoints(value, points, error)) {
        error = "--" + std::string(option.name) + " '" + std::string(value) + "': " + error;
        return false;
      }
      parsed.sectionTexts.push_back(value);
      parsed.sections.push_back(std::move(points));
      break;
    }
    case ValueKind::kLine: {
      Section line;
      if (!ParseNamedLine(value, "", line, error)) {
        error = "--" + std::string(option.name) + " '" + std::string(value) + "': " + error;
        return false;
      }
      parsed.lines.emplace_back(option.id, std::move(line));
      break;
    }
    case ValueKind::kNumbers: {
      int n = 0;
      bool ok = true;
      for (std::string_view rest = value; ok;) {
        const std::size_t comma = rest.find(',');
        const std::string_view word = rest.substr(0, comma);
        double x = 0.0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), x);
        ok = n < option.most && !word.empty() && ec == std::errc{} && end == word.data() + word.size() &&
             std::isfinite(x) && x > 0.0;
        if (ok) v.numbers[static_cast<std::size_t>(n++)] = x;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
      if (!ok || n < option.least) {
        error = "--" + std::string(option.name) + " takes " +
                (option.most == 1 ? std::string("a number") : std::string(option.value) + ", numbers") +
                " above 0, not '" + std::string(value) + "'";
        return false;
      }
      break;
    }
  }
  parsed.given[static_cast<std::size_t>(option.id)] = v;
  return true;
}

}  // namespace

std::string OneOf(std::span<const std::string_view> values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += i + 1 == values.size() ? " or " : ", ";
    text += values[i];
  }
  return text;
}

std::optional<ParsedArgs> Parse(std::span<const std::string_view> args, std::span<const OptionSpec> table,
                                std::uint32_t command, std::string& error) {
  ParsedArgs parsed;
  bool operandsOnly = false;
  // The value given to an option, checked and read as its row says.
  auto take = [&](const OptionSpec& option, std::string_view value) {
    return ReadValue(option, value, parsed, error);
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
      parsed.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (!arg.starts_with("--")) {
      // Short options, bundled as the usual tools take them: `-qj2` is -q -j 2; an option that takes a
      // value takes the rest of the argument, or the next argument.
      for (std::size_t k = 1; k < arg.size(); ++k) {
        const std::string shown = std::string("-") + arg[k];
        const OptionSpec* option = FindShort(table, arg[k]);
        if (option == nullptr) {
          error = "unknown option '" + shown + "'";
          return std::nullopt;
        }
        if ((option->commands & command) == 0) {
          error = "option '" + shown + "' does not apply here";
          return std::nullopt;
        }
        std::string_view value;
        if (!option->value.empty()) {
          if (k + 1 < arg.size()) {
            value = arg.substr(k + 1);
          } else if (i + 1 < args.size()) {
            value = args[++i];
          } else {
            error = "option '" + shown + "' needs a value (" + std::string(option->value) + ")";
            return std::nullopt;
          }
          k = arg.size();
        }
        if (!take(*option, value)) return std::nullopt;
      }
      continue;
    }
    const std::string_view body = arg.substr(2);
    const std::size_t eq = body.find('=');
    const std::string_view name = body.substr(0, eq);
    std::optional<std::string_view> attached;
    if (eq != std::string_view::npos) attached = body.substr(eq + 1);
    const OptionSpec* option = FindLong(table, name);
    const std::string shown = "--" + std::string(name);
    if (option == nullptr) {
      error = "unknown option '" + shown + "'";
      std::vector<std::string_view> names;
      for (const OptionSpec& o : table) {
        if (o.commands & command) names.push_back(o.name);
      }
      if (const std::string_view near = NearestName(name, names); !near.empty())
        error += "; did you mean --" + std::string(near) + "?";
      return std::nullopt;
    }
    if ((option->commands & command) == 0) {
      error = "option '" + shown + "' does not apply here";
      return std::nullopt;
    }
    std::string_view value;
    if (option->value.empty()) {
      if (attached) {
        error = "option '" + shown + "' takes no value";
        return std::nullopt;
      }
    } else if (attached) {
      value = *attached;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      error = "option '" + shown + "' needs a value (" + std::string(option->value) + ")";
      return std::nullopt;
    }
    if (!take(*option, value)) return std::nullopt;
  }
  return parsed;
}

namespace {

// A help text or default in parts "a; plot, report: b; flux: c": the plain parts speak of every command,
// a part led by command names of those commands only. Calls part(text, forCommand) for each.
template <typename Part>
void ForEachPart(std::string_view text, std::string_view command, Part&& part) {
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find("; ", start), text.size());
    std::string_view piece = text.substr(start, end - start);
    const std::size_t colon = piece.find(": ");
    bool named = false, forCommand = true;
    // Command names: small letters, separated by ", " and by nothing else.
    std::string names(piece.substr(0, colon == std::string_view::npos ? 0 : colon));
    for (std::size_t at; (at = names.find(", ")) != std::string::npos;) names.erase(at, 2);
    if (colon != std::string_view::npos && colon > 0 &&
        names.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos) {
      named = true;
      forCommand = false;
      const std::string_view names = piece.substr(0, colon);
      for (std::size_t at = 0; at < names.size();) {
        const std::size_t stop = std::min(names.find(", ", at), names.size());
        forCommand = forCommand || names.substr(at, stop - at) == command;
        at = stop + 2;
      }
      piece = piece.substr(colon + 2);
    }
    part(piece, named, forCommand);
    if (end == text.size()) break;
    start = end + 2;
  }
}

// The help line of an option in the help of one command: its plain parts and the part for that command.
std::string HelpFor(std::string_view text, std::string_view command) {
  if (command.empty()) return std::string(text);
  std::string help;
  ForEachPart(text, command, [&](std::string_view piece, bool named, bool forCommand) {
    if (named && !forCommand) return;
    if (!help.empty()) help += "; ";
    help += piece;
  });
  return help;
}

// The default of an option in the help of one command: the part for that command, else the plain one.
std::string DefaultFor(std::string_view text, std::string_view command) {
  if (command.empty()) return std::string(text);
  std::string plain, own;
  ForEachPart(text, command, [&](std::string_view piece, bool named, bool forCommand) {
    if (!named && plain.empty()) plain = piece;
    if (named && forCommand && own.empty()) own = piece;
  });
  return own.empty() ? plain : own;
}

}  // namespace

std::string DescribeOptions(std::span<const OptionSpec> table, std::uint32_t command, std::string_view name) {
  std::size_t width = 0;
  for (const OptionSpec& o : table) {
    if (o.commands & command) width = std::max(width, Names(o).size());
  }
  std::string text;
  for (const OptionSpec& o : table) {
    if ((o.commands & command) == 0) continue;
    const std::string names = Names(o);
    text += "  " + names + std::string(width - names.size() + 3, ' ');
    text += HelpFor(o.help, name);
    if (const std::string fallback = DefaultFor(o.fallback, name); !fallback.empty()) {
      text += " (default: ";
      text += fallback;
      text += ')';
    }
    text += '\n';
  }
  return text;
}

std::string_view NearestName(std::string_view typed, std::span<const std::string_view> names) {
  // Edits (a letter left out, added, changed, or two swapped) between `typed` and a name, computed row
  // by row of the usual table.
  auto distance = [](std::string_view a, std::string_view b) {
    std::vector<std::size_t> before(b.size() + 1), row(b.size() + 1), previous(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
      previous.swap(before);
      before.swap(row);
      row[0] = i;
      for (std::size_t j = 1; j <= b.size(); ++j) {
        const std::size_t change = before[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
        row[j] = std::min({before[j] + 1, row[j - 1] + 1, change});
        if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
          row[j] = std::min(row[j], previous[j - 2] + 1);
      }
    }
    return row[b.size()];
  };
  auto lower = [](std::string_view text) {
    std::string low(text);
    for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return low;
  };
  // The name typed in other capitals.
  for (const std::string_view name : names) {
    if (lower(typed) == lower(name) && typed != name) return name;
  }
  std::string_view best;
  std::size_t bestDistance = 0;
  for (const std::string_view name : names) {
    // A near miss is at most two edits away, and fewer than half the name's letters.
    const std::size_t limit = std::min<std::size_t>(2, (name.size() - 1) / 2);
    const std::size_t d = distance(typed, name);
    if (d <= limit && (best.empty() || d < bestDistance)) {
      best = name;
      bestDistance = d;
    }
  }
  if (!best.empty() || typed.size() < 3) return best;
  // One word of a name of several ("total" of "total-head"), or its beginning: the first such name.
  for (const std::string_view name : names) {
    const std::string low = lower(name), word = lower(typed);
    for (std::size_t at = 0; at != std::string::npos; at = low.find('-', at + 1)) {
      const std::size_t start = at == 0 ? 0 : at + 1;
      if (low.compare(start, word.size(), word) == 0) return name;
    }
  }
  return best;
}

}  // namespace seep::cli
