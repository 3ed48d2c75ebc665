// Debian's own MAME (/usr/games/mame), end to end with the catver.ini of its time.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/cli.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::SplitCrLf;
using testing::TempDir;
using testing::WriteFile;

TEST(DebianMameTest, EveryGameOfTodaysMameWithItsCategory) {
  ASSERT_TRUE(testing::FileExists("/usr/games/mame"))
      << "Debian's MAME (/usr/games/mame) is missing: scripts/setup-debian.sh installs it";
  TempDir dir;
  WriteFile(dir / "cfgs/mame.cfg", CrLf({"PATH=/usr/games", "EXE=mame"}));
  WriteFile(dir / "Gen/catvers/catver.ini",
            testing::TestDataAsCrLf("catver/catver_0.262_progettosnaps.ini"));
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--app-dir", dir / "Gen"}, out, err), 0) << err.str();
  EXPECT_NE(err.str().find("  warnings: 0\n"), std::string::npos) << err.str();

  // Every game and BIOS block of the converted list is a line of the master list.
  const std::vector<std::string> info = SplitCrLf(ReadFile(dir / "Gen/listinfo.dat"));
  const std::vector<std::string> lines = SplitCrLf(ReadFile(dir / "masterlist.lst"));
  EXPECT_GT(lines.size(), 35000u);
  EXPECT_EQ(lines.size(),
            std::ranges::count(info, "game (") + std::ranges::count(info, "resource ("));
  const std::string pacman = testing::LineStartingWith(lines, "pacman|");
  EXPECT_EQ(pacman.substr(0, pacman.find("||")),
            "pacman|Pac-Man (Midway)|1980|Namco (Midway license)|puckman|MAME|Maze / Collect|0.1");
}

}  // namespace
}  // namespace tabulon
