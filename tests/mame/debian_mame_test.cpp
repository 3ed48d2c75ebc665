// Debian's own MAME (/usr/games/mame), end to end with the catver.ini of its time.
#include <algorithm>

#include "testing/cabinet.h"
#include "testing/front_end.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::In;
using testing::SplitCrLf;
using testing::WriteFile;
using DebianMameTest = testing::FrontEndTest;

TEST_F(DebianMameTest, EveryGameOfTodaysMameWithItsCategory) {
  ASSERT_TRUE(testing::FileExists("/usr/games/mame"))
      << "Debian's MAME (/usr/games/mame) is missing: scripts/setup-debian.sh installs it";
  WriteFile(In(front_, "cfgs/mame.cfg"), CrLf({"PATH=/usr/games", "EXE=mame"}));
  WriteFile(In(app_, "catvers/catver.ini"),
            testing::TestDataAsCrLf("catver/catver_0.262_progettosnaps.ini"));
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_CONTAINS(Err(), "  warnings: 0\n");

  // Every game and BIOS block of the converted list is a line of the master list.
  const std::vector<std::string> info = SplitCrLf(testing::ReadFile(In(app_, "listinfo.dat")));
  const std::vector<std::string> lines = SplitCrLf(MasterList());
  EXPECT_EQ(lines.size(),
            std::ranges::count(info, "game (") + std::ranges::count(info, "resource ("));
  const std::string pacman = testing::LineStartingWith(lines, "pacman|");
  EXPECT_EQ(pacman.substr(0, pacman.find("||")),
            "pacman|Pac-Man (Midway)|1980|Namco (Midway license)|puckman|MAME|Maze / Collect|0.1");

  // The lists were read while they were converted; read from disk, as the repeat run reads
  // them, they give the same master list, byte for byte.
  const std::string first = MasterList();
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_CONTAINS(Err(), "MAME unchanged, reusing the lists of MAME ");
  EXPECT_EQ(MasterList(), first);

  // A cabinet's tabulon.ini: what MAME needs of each set is read from its whole -listxml.
  // Beyond the excerpt's sets, the Neo-Geo consoles without a cartridge run on neogeo's BIOS.
  std::vector<std::string> cabinet = testing::WriteCabinet(dir_, app_);
  cabinet.insert(cabinet.begin() + 9, {"ng_mv1", "ng_mv2f", "ng_mv4f"});
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_EQ(testing::MameSets(MasterList()), cabinet);
  EXPECT_CONTAINS(Err(), "  shaping (tabulon.ini): 39446 of MAME's records in, 14 out\n");
}

}  // namespace
}  // namespace tabulon
