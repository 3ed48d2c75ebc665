// The ROM folders' check against MAME's own: Debian's MAME 0.251 (/usr/games/mame) verifies
// the cabinet's folders, and every set it finds a needed ROM of missing is one the check
// counts as missing, and no other.
#include <cstdlib>
#include <map>

#include "platform/strings.h"
#include "shaping/availability.h"
#include "testing/rom_folder.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

TEST(AvailabilityDebianMameTest, MissingWhereMameFindsNoFile) {
  if (!testing::FileExists("/usr/games/mame")) GTEST_SKIP() << "no Debian MAME";
  const MameFacts facts =
      ReadFactsFromListXml(testing::TestData("listxml/mame0251_cabinet_excerpt.xml"));
  testing::TempDir dir;
  testing::WriteCabinetFolders(facts, dir / "roms", dir / "more", dir / "samples");
  const char* sets[] = {"puckman",  "pacman", "hangly2",  "galaxian", "galap1",
                        "dkongj",   "dkong",  "1942",     "1942a",    "neogeo",
                        "kof98",    "kinst",  "area51",   "area51a",  "kinst2",
                        "sfrush",   "bosco",  "robotron", "stargate", "bublbobl",
                        "mspacman", "005",    "astrof",   "joust",    "defender"};
  std::string command =
      "cd '" + dir.path() + "' && /usr/games/mame -verifyroms -rompath 'roms;more'";
  for (const char* set : sets) command += std::string(" ") + set;
  ASSERT_GE(std::system((command + " >verify.txt 2>&1").c_str()), 0);
  const std::string verified = testing::ReadFile(dir / "verify.txt");

  // MAME trusts a zip's directory as the check does, but reads a 7z's and a folder's files,
  // and finds a file by its CRC when its name is not there (mspacman): the check's name-or-crc
  // mode, with every BIOS option, is MAME's. MAME cannot open the one-byte CHDs, so disks are
  // left out on both sides; so are ROMs without a dump, which no one can have.
  ShapingSettings settings;
  settings.bios_options = BiosOptions::kAll;
  AvailabilityCheck check(settings, facts, {dir / "roms", dir / "more"}, {});
  for (const std::string set : sets) {
    const std::string name = set + std::string(12 - set.size(), ' ') + ": ";
    // A set MAME finds nothing of has no "romset" line at all.
    bool mame_missing = true;
    for (const std::string_view line : Split(verified, '\n')) {
      if (line.starts_with("romset " + set + " ")) mame_missing = false;
    }
    for (const std::string_view line : Split(verified, '\n')) {
      mame_missing |= line.starts_with(name) && line.find("bytes) - NOT FOUND") != line.npos &&
                      line.find("NO GOOD DUMP") == line.npos;
    }
    const Missing missing = check.Check(set).missing;
    EXPECT_EQ(mame_missing, missing != Missing::kNone && missing != Missing::kDisk) << set;
  }
}

}  // namespace
}  // namespace tabulon
