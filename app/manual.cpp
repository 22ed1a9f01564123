#include "app/manual.h"

#include <algorithm>
#include <vector>

#include "app/kinds.h"
#include "app/messages.h"

namespace seep {
namespace {

using cli::OptionSpec;

// --- What the tables say about an option -------------------------------------------------------------

bool TakesValue(const OptionSpec& o) {
  return !o.value.empty();
}

// A value that names a file.
bool TakesFile(const OptionSpec& o) {
  return o.value == "PATH";
}

// The words an option's value may be: the values it allows, or for KIND the kinds of the commands that
// take it; empty when the value is free (a number, a step selection, a section).
std::vector<std::string_view> ValueWords(const ManualTables& t, const OptionSpec& o) {
  if (!o.allowed.empty()) return {o.allowed.begin(), o.allowed.end()};
  std::vector<std::string_view> words;
  if (o.value != "KIND") return words;
  for (const CommandSpec& c : t.commands) {
    if ((o.commands & c.bit) == 0) continue;
    for (const OutputKind* k : t.kinds) {
      if (k->command == c.name) words.push_back(k->name);
    }
  }
  return words;
}

std::vector<const OptionSpec*> OptionsOf(const ManualTables& t, std::uint32_t bit) {
  std::vector<const OptionSpec*> options;
  for (const OptionSpec& o : t.options) {
    if (o.commands & bit) options.push_back(&o);
  }
  return options;
}

std::string Joined(const std::vector<std::string_view>& words, std::string_view between = " ") {
  std::string text;
  for (const std::string_view w : words) {
    if (!text.empty()) text += between;
    text += w;
  }
  return text;
}

std::vector<std::string_view> CommandNames(const ManualTables& t) {
  std::vector<std::string_view> names;
  for (const CommandSpec& c : t.commands) names.push_back(c.name);
  return names;
}

// The lines of a help text, without their leading blanks.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    if (!line.empty()) lines.push_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

// --- The manual page ---------------------------------------------------------------------------------

// Text for roff: backslashes and minus signs escaped.
std::string Roff(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

// Text lines of roff, filled to at most `width` bytes where the words allow (kNoFill: one line); a line
// that would start with a dot or a quote is kept from being read as a request.
constexpr std::size_t kNoFill = std::string_view::npos;

std::string Filled(std::string_view roff, std::size_t width = 80) {
  std::string out, line;
  auto end = [&] {
    if (line.empty()) return;
    if (line[0] == '.' || line[0] == '\'') out += "\\&";
    out += line + "\n";
    line.clear();
  };
  while (!roff.empty()) {
    const std::size_t space = roff.find(' ');
    const std::string_view word = roff.substr(0, space);
    roff.remove_prefix(space == std::string_view::npos ? roff.size() : space + 1);
    if (word.empty()) continue;
    if (!line.empty() && line.size() + 1 + word.size() > width) end();
    if (!line.empty()) line += ' ';
    line += word;
  }
  end();
  return out;
}

std::string Bold(std::string_view text) {
  return "\\fB" + Roff(text) + "\\fR";
}

std::string Italic(std::string_view text) {
  return "\\fI" + Roff(text) + "\\fR";
}

// "-o, --output PATH" with its fonts.
std::string OptionTag(const OptionSpec& o) {
  std::string tag;
  if (o.shortName != 0) tag += Bold(std::string("-") + o.shortName) + ", ";
  tag += Bold("--" + std::string(o.name));
  if (TakesValue(o)) tag += " " + Italic(o.value);
  return tag;
}

// A sentence from a help line, which starts as the line does (a kind's name keeps its small letter).
std::string Sentence(std::string_view text) {
  std::string s(text);
  if (!s.empty() && s.back() != '.') s += '.';
  return s;
}

void ManSynopsis(const ManualTables& t, std::string& m) {
  m += ".SH SYNOPSIS\n" + Bold("seepconv") + "\n";
  for (const CommandSpec& c : t.commands) {
    m += ".br\n" + Bold("seepconv " + std::string(c.name)) + " " + Italic(c.operands) + " [" +
         Italic("options") + "]\n";
  }
  std::string alone;
  for (const OptionSpec* o : OptionsOf(t, t.programOptions)) {
    if (!alone.empty()) alone += " | ";
    alone += Bold("--" + std::string(o->name));
  }
  m += ".br\n" + Bold("seepconv") + " " + alone + " | " + Bold("help") + " " + Italic("COMMAND") + "\n";
}

void ManDescription(std::string& m) {
  m += ".SH DESCRIPTION\n";
  m += Filled(Bold("seepconv") + " " +
              Roff("converts the binary result file of a two-dimensional finite-element seepage analysis "
                   "(saturated and unsaturated groundwater flow) into files for other programs, and draws "
                   "pictures, flow rates through sections and a report from it."));
  m += ".PP\n";
  m +=
      Filled(Roff("Started without arguments, it runs the classic numbered dialogue on the console: it asks "
                  "its questions and reads the answers one per line from standard input, so a conversion "
                  "can be scripted by piping the answers in. Every line of the dialogue and of the classic "
                  "output files ends with CR LF."));
  m += ".PP\n";
  m += Filled(Roff("With a command it works as a command line for people and scripts; the command line and "
                   "the dialogue write the same bytes.") +
              " " + Bold("seepconv help") + " " + Italic("command") + " " +
              Roff("shows the options of one command."));
}

void ManCommands(const ManualTables& t, std::string& m) {
  m += ".SH COMMANDS\n";
  for (const CommandSpec& c : t.commands) {
    m += ".TP\n" + Bold(c.name) + " " + Italic(c.operands) + "\n" + Filled(Roff(Sentence(c.summary)));
    std::string options;
    for (const OptionSpec* o : OptionsOf(t, c.bit)) {
      if (!options.empty()) options += ", ";
      options += Bold("--" + std::string(o->name));
    }
    m += Filled("Options: " + options + ".");
  }
}

void ManOptions(const ManualTables& t, std::string& m) {
  m += ".SH OPTIONS\n";
  for (const OptionSpec& o : t.options) {
    m += ".TP\n" + OptionTag(o) + "\n" + Filled(Roff(Sentence(o.help)));
    if (const std::vector<std::string_view> words = ValueWords(t, o); !words.empty())
      m += Filled("Values: " + Roff(Joined(words, ", ")) + ".");
    if (!o.fallback.empty()) m += Filled("Default: " + Roff(o.fallback) + ".");
    std::vector<std::string_view> commands;
    for (const CommandSpec& c : t.commands) {
      if (o.commands & c.bit) commands.push_back(c.name);
    }
    if (o.commands & t.programOptions) commands.push_back("without a command");
    m += Filled((commands.size() == 1 ? "Command: " : "Commands: ") + Roff(Joined(commands, ", ")) + ".");
  }
  m += ".SS Output kinds\n";
  for (const OutputKind* k : t.kinds) {
    if (k->command != "convert") continue;
    m += ".TP\n" + Bold(k->name) + " (" + Roff(k->extension) + ")\n" + Filled(Roff(Sentence(k->description)));
  }
}

void ManExitStatus(std::string& m) {
  auto row = [&m](std::string_view status, std::string_view text) {
    m += ".TP\n" + Bold(status) + "\n" + Filled(Roff(text));
  };
  m += ".SH EXIT STATUS\n";
  row(std::to_string(kSuccess), "Success.");
  row(std::to_string(kFailed), "A conversion or a read failed; each failure is named on standard error.");
  row(std::to_string(kUsage), "A usage error: an unknown command or option, or a missing or wrong value.");
  row(std::to_string(kPartial),
      "convert --partial: a damaged file of which the whole steps before the damage were written.");
  row("128 + n",
      "A signal ended the run (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP, 141 a reader that went away); its "
      "temporary files are removed.");
  m += ".PP\n" +
       Filled(Roff("The dialogue keeps its own statuses: the error number of a failed open, read or "
                   "write (24 end of file, 29 file not found, 38 write error, 64 a typed answer that "
                   "is not a number, 67 a result record shorter than its counts need), or 1111 for a "
                   "rejected summary, which a parent process on Linux sees as 87."));
}

void ManFiles(std::string& m) {
  auto row = [&m](std::string_view file, std::string_view text) {
    m += ".TP\n" + Italic(file) + "\n" + Filled(Roff(text));
  };
  m += ".SH FILES\n";
  row("RESULT.DAT",
      "The binary result file of the analysis: mesh, materials and the values of every time step.");
  row("WORK.LST",
      "The dialogue's work list, in the folder of the analysis; its fourth line names the result file.");
  row("POINTS.DAT",
      "A point-data file: the number of points on its first line, then the x and y of one point per line.");
  row("SECTIONS.TXT",
      "A sections file: one section per line, 'name: x1,y1 x2,y2 ...'; '#' starts a comment.");
  row("AVS.tmp", "The dialogue's work file for the MicroAVS kind, which stays in the folder.");
}

void ManExamples(const ManualTables& t, std::string& m) {
  m += ".SH EXAMPLES\n";
  m += "The converter's dialogue with its answers from a file:\n.PP\n.EX\nseepconv < answers.txt\n.EE\n";
  for (const CommandSpec& c : t.commands) {
    m += ".PP\n" + Filled(Roff(Sentence(c.summary))) + ".PP\n.EX\n";
    for (const std::string_view line : Lines(c.examples)) m += Filled(Roff(line), kNoFill);
    m += ".EE\n";
  }
}

// --- Completions --------------------------------------------------------------------------------------

// Text between single quotes of a POSIX shell.
std::string Quoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Names of an option as typed: "-o --output" (bash) or "--output" alone.
std::string TypedNames(const OptionSpec& o, std::string_view between) {
  std::string names;
  if (o.shortName != 0) names += std::string("-") + o.shortName + std::string(between);
  return names + "--" + std::string(o.name);
}

std::string AllTypedNames(const std::vector<const OptionSpec*>& options) {
  std::string names;
  for (const OptionSpec* o : options) {
    if (!names.empty()) names += ' ';
    names += TypedNames(*o, " ");
  }
  return names;
}

// zsh's _arguments: a description in brackets, its brackets and backslashes escaped.
std::string ZshText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '[' || c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// One _arguments entry of an option: '*'{-o+,--output=}'[help]:PATH:_files'.
std::string ZshEntry(const ManualTables& t, const OptionSpec& o) {
  const std::string suffix = TakesValue(o) ? "=" : "";
  std::string names = "--" + std::string(o.name) + suffix;
  if (o.shortName != 0)
    names = "{-" + std::string(1, o.shortName) + (TakesValue(o) ? "+" : "") + "," + names + "}";
  std::string entry = "'*'" + names + Quoted("[" + ZshText(o.help) + "]");
  if (!TakesValue(o)) return entry;
  std::string action;
  if (TakesFile(o)) {
    action = "_files";
  } else if (const std::vector<std::string_view> words = ValueWords(t, o); !words.empty()) {
    action = "(" + Joined(words) + ")";
  } else {
    action = " ";
  }
  return entry + Quoted(":" + ZshText(o.value) + ":" + action);
}

// fish: text between single quotes.
std::string FishQuoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

}  // namespace

ManualTables ProgramTables(std::string_view version, std::string_view date) {
  return {CommandLineCommands(), CommandLineOptions(), OutputKinds(), kProgramOptions, version, date};
}

std::string ManPage(const ManualTables& t) {
  std::string m = ".\\\" Made from seepconv's tables of commands, options and output kinds by make_manual.\n";
  m += ".TH SEEPCONV 1 " + std::string(t.date) + " \"seepconv " + std::string(t.version) +
       "\" \"User Commands\"\n";
  // Option names are not hyphenated at line ends.
  m += ".nh\n";
  m += ".SH NAME\n" + Filled("seepconv \\- " +
                             Roff("convert and post-process the result files of a 2-D finite-element seepage "
                                  "analysis"));
  ManSynopsis(t, m);
  ManDescription(m);
  ManCommands(t, m);
  ManOptions(t, m);
  ManExitStatus(m);
  ManFiles(m);
  ManExamples(t, m);
  return m;
}

std::string BashCompletion(const ManualTables& t) {
  std::string b =
      "# bash completion for seepconv, made from its tables of commands, options and output kinds\n"
      "# by make_manual.\n"
      "_seepconv() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
      "  # --name=value: bash splits the word at '='.\n"
      "  if [[ $cur == = ]]; then\n"
      "    cur=\n"
      "  elif [[ $prev == = ]]; then\n"
      "    prev=${COMP_WORDS[COMP_CWORD - 2]}\n"
      "  fi\n"
      "  COMPREPLY=()\n"
      "  if ((COMP_CWORD == 1)); then\n"
      "    if [[ $cur == -* ]]; then\n"
      "      mapfile -t COMPREPLY < <(compgen -W " +
      Quoted(AllTypedNames(OptionsOf(t, t.programOptions))) +
      " -- \"$cur\")\n"
      "    else\n"
      "      mapfile -t COMPREPLY < <(compgen -W " +
      Quoted(Joined(CommandNames(t)) + " help") +
      " -- \"$cur\")\n"
      "    fi\n"
      "    return 0\n"
      "  fi\n";
  // The value of the option before the word.
  b += "  case $prev in\n";
  for (const OptionSpec& o : t.options) {
    if (!TakesValue(o)) continue;
    b += "    " + TypedNames(o, "|") + ")\n";
    if (TakesFile(o)) {
      b += "      compopt -o filenames 2>/dev/null\n"
           "      mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n";
    } else if (const std::vector<std::string_view> words = ValueWords(t, o); !words.empty()) {
      b += "      mapfile -t COMPREPLY < <(compgen -W " + Quoted(Joined(words)) + " -- \"$cur\")\n";
    }
    b += "      return 0\n      ;;\n";
  }
  b += "  esac\n";
  // The options of the command, or its files.
  b += "  local options\n  case ${COMP_WORDS[1]} in\n";
  for (const CommandSpec& c : t.commands) {
    b += "    " + std::string(c.name) + ") options=" + Quoted(AllTypedNames(OptionsOf(t, c.bit))) + " ;;\n";
  }
  b += "    help)\n"
       "      ((COMP_CWORD == 2)) && mapfile -t COMPREPLY < <(compgen -W " +
       Quoted(Joined(CommandNames(t))) +
       " -- \"$cur\")\n"
       "      return 0\n"
       "      ;;\n"
       "    *) return 0 ;;\n"
       "  esac\n"
       "  if [[ $cur == -* ]]; then\n"
       "    mapfile -t COMPREPLY < <(compgen -W \"$options\" -- \"$cur\")\n"
       "  else\n"
       "    compopt -o filenames 2>/dev/null\n"
       "    mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
       "  fi\n"
       "  return 0\n"
       "}\n"
       "complete -F _seepconv seepconv\n";
  return b;
}

std::string ZshCompletion(const ManualTables& t) {
  std::string z =
      "#compdef seepconv\n"
      "# zsh completion for seepconv, made from its tables of commands, options and output kinds by\n"
      "# make_manual.\n"
      "_seepconv() {\n"
      "  local curcontext=$curcontext state line\n"
      "  local -a commands\n"
      "  commands=(\n";
  for (const CommandSpec& c : t.commands)
    z += "    " + Quoted(std::string(c.name) + ":" + ZshText(c.summary)) + "\n";
  z += "    'help:the options of one command'\n  )\n";
  z += "  _arguments -C \\\n";
  for (const OptionSpec* o : OptionsOf(t, t.programOptions)) z += "    " + ZshEntry(t, *o) + " \\\n";
  z += "    '1: :->command' \\\n"
       "    '*:: :->arguments' && return 0\n"
       "  case $state in\n"
       "    command) _describe -t commands 'seepconv command' commands ;;\n"
       "    arguments)\n"
       "      case $words[1] in\n";
  for (const CommandSpec& c : t.commands) {
    z += "        " + std::string(c.name) + ")\n          _arguments \\\n";
    for (const OptionSpec* o : OptionsOf(t, c.bit)) z += "            " + ZshEntry(t, *o) + " \\\n";
    z += "            '*:result file:_files'\n          ;;\n";
  }
  z += "        help) _describe -t commands 'seepconv command' commands ;;\n"
       "      esac\n"
       "      ;;\n"
       "  esac\n"
       "}\n"
       "_seepconv \"$@\"\n";
  return z;
}

std::string FishCompletion(const ManualTables& t) {
  std::string f =
      "# fish completion for seepconv, made from its tables of commands, options and output kinds by\n"
      "# make_manual.\n"
      "complete -c seepconv -f\n";
  const std::string commands = Joined(CommandNames(t));
  for (const CommandSpec& c : t.commands) {
    f += "complete -c seepconv -n __fish_use_subcommand -a " + std::string(c.name) + " -d " +
         FishQuoted(c.summary) + "\n";
  }
  f += "complete -c seepconv -n __fish_use_subcommand -a help -d 'the options of one command'\n";
  f += "complete -c seepconv -n '__fish_seen_subcommand_from help' -a " + FishQuoted(commands) + "\n";
  f += "complete -c seepconv -n " + FishQuoted("__fish_seen_subcommand_from " + commands) + " -F\n";
  for (const OptionSpec& o : t.options) {
    std::vector<std::string_view> takers;
    for (const CommandSpec& c : t.commands) {
      if (o.commands & c.bit) takers.push_back(c.name);
    }
    std::vector<std::string> conditions;
    if (!takers.empty()) conditions.push_back("__fish_seen_subcommand_from " + Joined(takers));
    if (o.commands & t.programOptions) conditions.push_back("__fish_use_subcommand");
    for (const std::string& condition : conditions) {
      f += "complete -c seepconv -n " + FishQuoted(condition);
      if (o.shortName != 0) f += std::string(" -s ") + o.shortName;
      f += " -l " + std::string(o.name);
      if (TakesFile(o)) {
        f += " -r -F";
      } else if (const std::vector<std::string_view> words = ValueWords(t, o); !words.empty()) {
        f += " -x -a " + FishQuoted(Joined(words));
      } else if (TakesValue(o)) {
        f += " -x";
      }
      f += " -d " + FishQuoted(o.help) + "\n";
    }
  }
  return f;
}

}  // namespace seep
