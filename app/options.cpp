#include "app/options.h"

#include <algorithm>

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
    const OptionSpec* option = nullptr;
    std::optional<std::string_view> attached;
    std::string shown;
    if (arg.starts_with("--")) {
      const std::string_view body = arg.substr(2);
      const std::size_t eq = body.find('=');
      const std::string_view name = body.substr(0, eq);
      if (eq != std::string_view::npos) attached = body.substr(eq + 1);
      option = FindLong(table, name);
      shown = "--" + std::string(name);
    } else {
      option = FindShort(table, arg[1]);
      if (arg.size() > 2) attached = arg.substr(2);
      shown = std::string(arg.substr(0, 2));
    }
    if (option == nullptr) {
      error = "unknown option '" + shown + "'";
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
    if (!option->allowed.empty() &&
        std::find(option->allowed.begin(), option->allowed.end(), value) == option->allowed.end()) {
      error = "--" + std::string(option->name) + " takes " + OneOf(option->allowed) + ", not '" +
              std::string(value) + "'";
      return std::nullopt;
    }
    parsed.given[static_cast<std::size_t>(option->id)] = value;
  }
  return parsed;
}

std::string DescribeOptions(std::span<const OptionSpec> table, std::uint32_t command) {
  std::size_t width = 0;
  for (const OptionSpec& o : table) {
    if (o.commands & command) width = std::max(width, Names(o).size());
  }
  std::string text;
  for (const OptionSpec& o : table) {
    if ((o.commands & command) == 0) continue;
    const std::string names = Names(o);
    text += "  " + names + std::string(width - names.size() + 3, ' ');
    text += o.help;
    if (!o.fallback.empty()) {
      text += " (default: ";
      text += o.fallback;
      text += ')';
    }
    text += '\n';
  }
  return text;
}

}  // namespace seep::cli
