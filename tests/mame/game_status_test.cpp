// Driver status text and driver name from MAME's fixed-column side outputs.
#include "mame/game_status.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

TEST(GameStatusTest, StatusTextFromGamelistRows) {
  // Only spaces are trimmed from a value.
  std::string tabbed = "| x";
  tabbed.resize(36, ' ');
  tabbed += "  No\t  | Close |Partial|  Yes  | x        |";
  const std::pair<std::string, std::string> cases[] = {
      {"| short row", "Working  Correct Colors  Sound  Flip Screen "},
      {tabbed, "Working No\t Correct Colors Close Sound Partial Flip Screen Yes"}};
  for (const auto& [row, expected] : cases) EXPECT_EQ(GameStatusFromRow(row), expected) << row;

  const std::string data = testing::SharedDataAsCrLf("mame_output/gamelist_0.78.txt");
  const std::string row =
      testing::LineStartingWith(testing::SplitCrLf(data), "| (Status) Triv Two ");
  EXPECT_EQ(GameStatusFromRow(row), "Working Yes Correct Colors No Sound Yes Flip Screen Yes");
}

}  // namespace
}  // namespace tabulon
