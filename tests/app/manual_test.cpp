// The manual page and the completions against the tables they are made from: every command, option,
// allowed value and kind of the program is in each, and texts with the characters that roff and the
// shells treat specially still give files that their readers accept.
#include "app/manual.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/kinds.h"
#include "support/scratch.h"

namespace seep {
namespace {

struct Generated {
  std::string_view name;
  std::string (*make)(const ManualTables&);
};

constexpr std::array kGenerated{
    Generated{"man", ManPage},
    Generated{"bash", BashCompletion},
    Generated{"zsh", ZshCompletion},
    Generated{"fish", FishCompletion},
};

// The text as its reader shows it: roff's escaped minus signs as minus signs.
std::string Plain(std::string text) {
  for (std::size_t at = 0; (at = text.find("\\-", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

// `word` in `text` as a whole name: not the start of a longer one (--section of --sections).
bool HasName(const std::string& text, std::string_view word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const char next = at + word.size() < text.size() ? text[at + word.size()] : ' ';
    if (!std::isalnum(static_cast<unsigned char>(next)) && next != '-') return true;
  }
  return false;
}

TEST(Manual, EveryCommandOptionValueAndKindOfTheProgram) {
  const ManualTables t = ProgramTables("9.8.7", "2024-01-02");
  for (const Generated& g : kGenerated) {
    SCOPED_TRACE(g.name);
    const std::string text = Plain(g.make(t));
    for (const CommandSpec& c : t.commands) EXPECT_TRUE(HasName(text, c.name)) << c.name;
    for (const cli::OptionSpec& o : t.options) {
      // fish names an option by its letter (-s o) and its name (-l output).
      const bool fish = g.name == "fish";
      EXPECT_TRUE(HasName(text, (fish ? "-l " : "--") + std::string(o.name))) << o.name;
      if (o.shortName != 0) {
        const std::string shortName = (fish ? "-s " : "-") + std::string(1, o.shortName);
        EXPECT_TRUE(HasName(text, shortName)) << o.name;
      }
      for (const std::string_view value : o.allowed) EXPECT_TRUE(HasName(text, value)) << value;
    }
    for (const OutputKind* k : OutputKinds()) {
      if (k->command != "convert") continue;
      EXPECT_TRUE(HasName(text, k->name)) << k->name;
    }
  }
  EXPECT_NE(ManPage(t).find("\"seepconv 9.8.7\""), std::string::npos);
  EXPECT_NE(ManPage(t).find(" 2024-01-02 "), std::string::npos);
}

// Texts that roff, bash, zsh and fish would read as something else unless escaped.
constexpr std::string_view kColours[] = {"red", "it's"};
constexpr CommandSpec kAwkwardCommands[] = {
    {"paint", 2, "RESULT [x]", "brackets [a] and a colon: 'quoted' $HOME `tick` \\ back",
     ".  seepconv paint X\n"},
};
constexpr cli::OptionSpec kAwkwardOptions[] = {
    {cli::Opt::kTo, "colour", 'c', "COLOUR", 2, 0, kColours, ".dot first, it's [red] $x `y` \\n \"q\"",
     "'red'"},
    {cli::Opt::kOutput, "file", 0, "PATH", 2 | 4, 0, {}, "a file: 'name' (x) [y]", ""},
    {cli::Opt::kHelp, "help", 'h', "", 2 | 4, 0, {}, "help", ""},
};

int Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

TEST(Manual, AwkwardTextsStillGiveFilesTheirReadersAccept) {
#ifdef _WIN32
  GTEST_SKIP() << "the readers are Linux programs";
#endif
  const OutputKind* kinds[] = {OutputKinds()[0]};
  const ManualTables t{kAwkwardCommands, kAwkwardOptions, kinds, 4, "1.0", "2024-01-02"};
  test::Scratch scratch;
  struct Reader {
    std::string_view tool;
    std::string_view file;
    std::string check;  // {} stands for the file
    std::string (*make)(const ManualTables&);
  };
  const Reader readers[] = {
      {"mandoc", "page.1", "test -z \"$(mandoc -T lint {} 2>&1)\"", ManPage},
      {"bash", "page.bash", "bash -n {} && bash -c 'source {} && complete -p seepconv'", BashCompletion},
      {"zsh", "_page", "zsh -n {}", ZshCompletion},
      {"fish", "page.fish", "fish -n {}", FishCompletion},
  };
  for (const Reader& r : readers) {
    if (Shell("command -v " + std::string(r.tool)) != 0) {
      ADD_FAILURE() << r.tool << " is missing (tools/ensure-packages installs it)";
      continue;
    }
    const std::string path = scratch.Path(r.file).string();
    std::ofstream(path, std::ios::binary) << r.make(t);
    std::string check = r.check;
    for (std::size_t at = 0; (at = check.find("{}", at)) != std::string::npos;) check.replace(at, 2, path);
    EXPECT_EQ(Shell(check), 0) << r.tool << " rejects " << path << ":\n" << r.make(t);
  }
}

}  // namespace
}  // namespace seep
