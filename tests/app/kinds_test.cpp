// The list of output kinds against what the dialogue and the command line promise, written out here on
// their own: the menu's answers and output codes, the names after --to, the default extensions, and the
// options each kind takes.
#include "app/kinds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/command_line.h"

namespace seep {
namespace {

struct MenuEntry {
  std::int32_t answer;
  std::int32_t ITYPE;  // the answer raised by 1 from 3 on
  std::string_view name;
  std::string_view extension;
  std::string_view menuLine;
};

constexpr MenuEntry kMenu[] = {
    {1, 1, "restart", ".rst", "        TERLO-ReStart ------- 1"},
    {2, 2, "tecplot", ".tec", "        TECPLOT  DATA ------- 2"},
    {3, 4, "femap", ".neu", "        FEMAP    DATA ------- 3"},
    {4, 5, "microavs", ".inp", "        MicroAVS DATA ------- 4"},
    {5, 6, "igpost", ".igp", "        igPOST   DATA ------- 5"},
    {6, 7, "interp", ".his", "        INTERP   DATA ------- 6"},
};

TEST(Kinds, TheMenuInOrderWithItsCodes) {
  std::size_t i = 0;
  for (const OutputKind* k : OutputKinds()) {
    if (k->menuAnswer == 0) continue;
    ASSERT_LT(i, std::size(kMenu));
    const MenuEntry& m = kMenu[i++];
    EXPECT_EQ(k->menuAnswer, m.answer);
    EXPECT_EQ(k->ITYPE, m.ITYPE);
    EXPECT_EQ(k->name, m.name);
    EXPECT_EQ(k->extension, m.extension);
    EXPECT_EQ(k->menuLine, m.menuLine);
    EXPECT_EQ(&KindOfCode(m.ITYPE), k);
    EXPECT_EQ(KindOfName("convert", m.name), k);
  }
  EXPECT_EQ(i, std::size(kMenu));
}

TEST(Kinds, CodesWithoutAWriterWriteNothing) {
  for (std::int32_t code : {0, 3, 8, -1, 1000}) {
    const OutputKind& k = KindOfCode(code);
    EXPECT_TRUE(k.name.empty()) << code;
    EXPECT_EQ(k.setUp, nullptr);
    EXPECT_EQ(k.selectedStep, nullptr);
    EXPECT_EQ(k.historyStep, nullptr);
  }
}

TEST(Kinds, NamesAndOptionsTheCommandLineOffers) {
  EXPECT_EQ(KindNames("convert"), "restart, tecplot, femap, microavs, igpost, interp, vtu");
  EXPECT_EQ(KindNamesTaking("convert", kTakesHead), "restart");
  EXPECT_EQ(KindNamesTaking("convert", kNeedsPoints), "interp");
  EXPECT_EQ(KindNamesTaking("convert", kTakesAllElements), "vtu");
  EXPECT_NE(KindOfName("plot", "pictures"), nullptr);
  EXPECT_NE(KindOfName("plot", "history"), nullptr);
  EXPECT_EQ(KindOfName("convert", "pictures"), nullptr);

  std::set<std::pair<std::string_view, std::string_view>> seen;
  for (const OutputKind* k : OutputKinds()) {
    EXPECT_TRUE(seen.insert({k->command, k->name}).second) << k->name << " listed twice";
    EXPECT_EQ(k->extension.front(), '.') << k->name;
    EXPECT_EQ(k->state.make == nullptr, k->state.drop == nullptr) << k->name;
  }
  // Every option meant for some kinds is taken by at least one.
  for (const cli::OptionSpec& o : CommandLineOptions()) {
    if (o.kinds == 0) continue;
    bool taken = false;
    for (const OutputKind* k : OutputKinds()) taken = taken || k->Takes(o.kinds);
    EXPECT_TRUE(taken) << "--" << o.name;
  }
}

}  // namespace
}  // namespace seep
