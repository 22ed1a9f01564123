// The lines of a sections file by kind: flow sections as before, exit faces and bases beside them.
#include "core/reader/sections_file.h"

#include <gtest/gtest.h>

namespace seep {
namespace {

std::vector<std::string> Names(const std::vector<Section>& lines) {
  std::vector<std::string> names;
  for (const Section& line : lines) names.push_back(line.name + " " + std::to_string(line.points.size()));
  return names;
}

TEST(SectionsFile, ExitAndUpliftLinesBesideTheSections) {
  const std::string text =
      "Upstream: 5,0 5,6\n"
      "exit Toe: 15,6 20,6 25,5   # the ground downstream\n"
      "uplift  Dam base : 0,5 10,5\n"
      "exit: 1,1 2,2\n"  // a section named exit, as it always was
      "upliftX: 1,1 2,2\n";
  SectionsFile file;
  std::string error;
  ASSERT_TRUE(ParseSectionsFile(text, file, error)) << error;
  EXPECT_EQ(Names(file.sections), (std::vector<std::string>{"Upstream 2", "exit 2", "upliftX 2"}));
  EXPECT_EQ(Names(file.exits), (std::vector<std::string>{"Toe 3"}));
  EXPECT_EQ(Names(file.uplifts), (std::vector<std::string>{"Dam base 2"}));
  // flux, plot and report take the flow sections alone.
  std::vector<Section> sections;
  ASSERT_TRUE(ParseSections(text, sections, error));
  EXPECT_EQ(Names(sections), Names(file.sections));
  EXPECT_FALSE(ParseSections("exit Toe: 1,1 2,2\n", sections, error));
  EXPECT_EQ(error, "no section in the file");

  const std::pair<const char*, const char*> bad[] = {
      {"exit Toe: 1,1\n", "line 1: a line needs two points or more"},
      {"Up: 1,1\n", "line 1: a section needs two points or more"},
      {": 1,1 2,2\n", "line 1: a section is 'name: x1,y1 x2,y2 ...'"},
  };
  for (const auto& [line, expected] : bad) {
    SectionsFile none;
    EXPECT_FALSE(ParseSectionsFile(line, none, error)) << line;
    EXPECT_EQ(error, expected);
  }
  Section named;
  ASSERT_TRUE(ParseNamedLine(" 1,2 3,4", "E1", named, error));
  EXPECT_EQ(named.name, "E1");
  ASSERT_TRUE(ParseNamedLine("Toe : 1,2 3,4", "E1", named, error));
  EXPECT_EQ(named.name, "Toe");
}

}  // namespace
}  // namespace seep
