// The ROM folders' check over a cabinet's folders written from MAME 0.251's facts: zips whose
// directories carry the names, sizes and CRCs of the sets' ROMs, 7z, set folders and CHDs.
#include "shaping/availability.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/archive_directory.h"
#include "testing/rom_folder.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::In;

TEST(AvailabilityTest, CabinetFolderInEachMode) {
  MameFacts facts = ReadFactsFromListXml(testing::TestData("listxml/mame0251_cabinet_excerpt.xml"));
  // A device whose ROM is its romof's, in the second folder: the device's chain is searched.
  MachineFacts& device = facts.Add("namco51_rev");
  device.rom_of = "namco51";
  device.roms.push_back(facts.Find("namco51")->roms[0]);
  device.roms[0].merge = device.roms[0].name;
  facts.Add("board").device_refs = {"namco51_rev", "z80"};

  testing::TempDir dir;
  const std::string roms = dir / "roms", more = dir / "more", samples = dir / "samples";
  testing::WriteCabinetFolders(facts, roms, more, samples);

  // Each verdict in the modes name-or-crc, name, crc, and name-or-crc with every BIOS option
  // asked for and sets that need no file hidden; "" for an available set.
  const std::string stargate = FileNamesIgnoreCase() ? "" : "own file stargate_rom_10-a_3002-10.a7";
  const std::string own_zip = "cannot read defender.zip";
  const std::map<std::string, std::vector<std::string>> table = {
      {"puckman", {"", "", "", ""}},
      {"pacman", {"", "", "", ""}},
      {"hangly2", {"", "", "", ""}},
      {"galaxian", {"", "", "", ""}},
      {"galap1", {"", "", "", ""}},
      {"dkongj", {"", "", "", ""}},
      {"dkong", std::vector<std::string>(4, "own file c_5et_g.bin")},
      {"1942", std::vector<std::string>(4, "cannot read 1942.zip")},
      {"1942a", std::vector<std::string>(4, "parent 1942")},
      {"neogeo", {"", "", "", "own file sp-s.sp1"}},
      {"kof98", {"", "", "", "BIOS neogeo"}},
      {"kinst", {"", "", "", "own file ki-l14.u98"}},
      {"area51", {"", "", "", ""}},
      {"area51a", {"", "", "", ""}},
      {"kinst2", {"CHD kinst2", "CHD kinst2", "CHD kinst2", "own file ki2-l13.u98"}},
      {"sfrush", std::vector<std::string>(4, "own file hdboot.u32")},
      {"bosco", std::vector<std::string>(4, "device namco52")},
      {"board", {"", "", "", ""}},
      {"z80", {"", "", "", "needs no files"}},
      {"robotron", {"", "", "", ""}},
      {"stargate", std::vector<std::string>(4, stargate)},
      {"bublbobl", {"", "", "own file a78-06-1.51", ""}},
      {"mspacman", {"", "own file pacman.6e", "", ""}},
      {"005", {"", "", "", ""}},
      {"astrof", std::vector<std::string>(4, "samples astrof")},
      {"joust", {"", "", "", ""}},
      {"defender", std::vector<std::string>(4, own_zip)},
  };
  const std::pair<const char*, Missing> kinds[] = {
      {"own", Missing::kOwn},    {"can", Missing::kOwn},         {"par", Missing::kParent},
      {"BIO", Missing::kBios},   {"dev", Missing::kDevice},      {"CHD", Missing::kDisk},
      {"sam", Missing::kSample}, {"nee", Missing::kNeedsNoFiles}};
  for (size_t mode = 0; mode < 4; ++mode) {
    ShapingSettings settings;
    settings.require_samples = true;
    settings.match = std::array{RomMatch::kNameOrCrc, RomMatch::kName, RomMatch::kCrc}[mode % 3];
    settings.bios_options = mode == 3 ? BiosOptions::kAll : BiosOptions::kDefault;
    settings.hide_needs_no_files = mode == 3;
    AvailabilityCheck check(settings, facts, {roms, more}, {samples});
    for (const auto& [set, verdicts] : table) {
      const AvailabilityVerdict verdict = check.Check(set);
      EXPECT_EQ(verdict.reason, verdicts[mode]) << set << " in mode " << mode;
      Missing kind = Missing::kNone;
      for (const auto& [word, missing] : kinds) {
        if (verdict.reason.starts_with(word)) kind = missing;
      }
      EXPECT_EQ(verdict.missing, kind) << set << " in mode " << mode;
    }
    // Each damaged zip is one warning naming it, however often its sets are asked for.
    EXPECT_EQ(check.Check("defender").reason, own_zip);
    ASSERT_EQ(check.warnings().size(), 2u);
    EXPECT_CONTAINS(check.warnings()[0], In(more, "1942.zip"));
    EXPECT_CONTAINS(check.warnings()[1], In(roms, "defender.zip"));
  }
}

// RomPath as written, or MAME's own when empty, relative folders taken from MAME's folder and
// the variables expanded as MAME expands them.
TEST(AvailabilityTest, FoldersAsWrittenOrAsMameHasThem) {
  testing::TempDir mame;
  const std::string exe = testing::OnWindows() ? "mame.exe" : "mame";
  std::filesystem::copy_file(TABULON_STANDIN_MAME, FsPath(mame / exe));
  const std::string home = std::getenv(testing::OnWindows() ? "USERPROFILE" : "HOME");
  const std::string var = testing::OnWindows() ? "%USERPROFILE%" : "$HOME";
  testing::WriteFile(mame / "standin.txt", "-showconfig print showconfig.txt\n");
  testing::WriteFile(mame / "showconfig.txt", "rompath_x   no\nrompath     " + var +
                                                  "/roms;roms\nsamplepath  \"my samples\"\n");
  using Folders = std::vector<std::string>;
  EXPECT_EQ(RomFolders({}, mame.path(), exe, false), (Folders{home + "/roms", mame / "roms"}));
  EXPECT_EQ(RomFolders({}, mame.path(), exe, true), Folders{mame / "my samples"});
  EXPECT_EQ(RomFolders({"arcade", var + "/x"}, mame.path(), exe, false),
            (Folders{mame / "arcade", home + "/x"}));
}

}  // namespace
}  // namespace tabulon
