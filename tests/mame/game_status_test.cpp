// Driver status text and driver name from MAME's fixed-column side outputs.
#include "mame/game_status.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

TEST(GameStatusTest, StatusTextFromGamelistRows) {
  struct Case {
    std::string row;
    std::string expected;
  };
  const Case cases[] = {
      {"| '88 Games                        |  Yes  |  Yes  |  Yes  |  Yes  | 88games  |",
       "Working Yes Correct Colors Yes Sound Yes Flip Screen Yes"},
      {"| Zwackery                         |   No  | Close |Partial|   No  | zwackery |",
       "Working No Correct Colors Close Sound Partial Flip Screen No"},
      {"| short row", "Working  Correct Colors  Sound  Flip Screen "},
  };
  for (const Case& c : cases) EXPECT_EQ(GameStatusFromRow(c.row), c.expected) << c.row;

  // Only spaces are trimmed from a value.
  std::string row = "| x";
  row.resize(36, ' ');
  row += "  No\t  | Close |Partial|  Yes  | x        |";
  EXPECT_EQ(GameStatusFromRow(row),
            "Working No\t Correct Colors Close Sound Partial Flip Screen Yes");
}

TEST(GameStatusTest, DriverNameIsCharactersTenToNineteen) {
  EXPECT_EQ(DriverNameFromRow("pacman   pacman.c   Z80      "), "pacman.c");
  EXPECT_EQ(DriverNameFromRow("astdelux asteroid.c 6502"), "asteroid.c");
  EXPECT_EQ(DriverNameFromRow("longname longerthanten.c"), "longerthan");
  EXPECT_EQ(DriverNameFromRow("short"), "");
}

TEST(GameStatusTest, RealGamelistRowsGiveTheirFourValues) {
  std::string data = testing::TestDataAsCrLf("mame_output/gamelist_0.78.txt");
  if (data.empty()) return;
  std::vector<std::string> lines = testing::SplitCrLf(data);
  auto row = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("| (Status) Triv Two ") == 0;
  });
  ASSERT_NE(row, lines.end());
  EXPECT_EQ(GameStatusFromRow(*row), "Working Yes Correct Colors No Sound Yes Flip Screen Yes");
}

}  // namespace
}  // namespace tabulon
