// The ROM folders' check over a cabinet's folders written from MAME 0.251's facts: zips whose
// directories carry the names, sizes and CRCs of the sets' ROMs, 7z, set folders and CHDs.
#include "shaping/availability.h"

#include <array>
#include <cstdlib>
#include <filesystem>

#include "platform/archive_directory.h"
#include "platform/strings.h"
#include "testing/rom_folder.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::In;

TEST(AvailabilityTest, CabinetFolderInEachModeAndAsMameSeesIt) {
  MameFacts facts = ReadFactsFromListXml(testing::TestData("listxml/mame0251_cabinet_excerpt.xml"));
  // A device whose ROM is its romof's, in the second folder: the device's chain is searched.
  MachineFacts& device = facts.Add("namco51_rev");
  device.rom_of = "namco51";
  RomFact rom = facts.Find("namco51")->roms[0];
  rom.merge = rom.name;
  device.roms = facts.KeepList(std::vector{rom});
  facts.Add("board").device_refs = facts.KeepList<std::string_view>({"namco51_rev", "z80"});

  testing::TempDir dir;
  const std::string roms = dir / "roms", more = dir / "more", samples = dir / "samples";
  testing::WriteCabinetFolders(facts, roms, more, samples);
  // A second source of defender that cannot be read either: the first folder's comes first.
  testing::WriteFile(In(more, "defender.7z"), "not a 7z");

  // "set=verdict" in the modes name-or-crc, name, crc, and name-or-crc with every BIOS option
  // asked for and sets that need no file hidden, "|" between them, or one for all four.
  const std::string table = std::string(R"(dkong=own file c_5et_g.bin
1942=cannot read 1942.zip
1942a=parent 1942
neogeo=|||own file sp-s.sp1
kof98=|||BIOS neogeo
kinst=|||own file ki-l14.u98
kinst2=CHD kinst2|CHD kinst2|CHD kinst2|own file ki2-l13.u98
sfrush=own file hdboot.u32
bosco=device namco52
z80=|||needs no files
bublbobl=||own file a78-06-1.51|
mspacman=|own file pacman.6e||
astrof=samples astrof
defender=cannot read defender.zip
)") + (FileNamesIgnoreCase() ? "stargate=" : "stargate=own file stargate_rom_10-a_3002-10.a7");
  std::vector<std::string_view> rows = Split(table, '\n');
  for (const char* set : {"puckman=", "pacman=", "hangly2=", "galaxian=", "galap1=", "dkongj=",
                          "area51=", "area51a=", "board=", "robotron=", "005=", "joust="}) {
    rows.push_back(set);  // available in every mode
  }
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
    for (const std::string_view row : rows) {
      const std::string set(row.substr(0, row.find('=')));
      const AvailabilityVerdict verdict = check.Check(set);
      const std::vector<std::string_view> each = Split(row.substr(set.size() + 1), '|');
      EXPECT_EQ(verdict.reason, each[each.size() == 1 ? 0 : mode]) << set << " in mode " << mode;
      Missing kind = Missing::kNone;
      for (const auto& [word, missing] : kinds) {
        if (verdict.reason.starts_with(word)) kind = missing;
      }
      EXPECT_EQ(verdict.missing, kind) << set << " in mode " << mode;
    }
    // Each damaged zip is one warning naming it, however often its sets are asked for.
    EXPECT_EQ(check.Check("defender").reason, "cannot read defender.zip");
    ASSERT_EQ(check.warnings().size(), 3u);
    EXPECT_CONTAINS(check.warnings()[0], In(more, "1942.zip"));
    EXPECT_CONTAINS(check.warnings()[1], In(roms, "defender.zip"));
    EXPECT_CONTAINS(check.warnings()[2], In(more, "defender.7z"));
  }

  // Debian's MAME 0.251 verifies the same folders: every set it finds a needed ROM of missing is
  // one the check counts as missing, and no other.
  // Debian's MAME, on Linux only: under Wine the path can lead to it too, but not run it.
  if (PathSeparator() != '/' || !testing::FileExists("/usr/games/mame")) return;
  std::string command =
      "cd '" + dir.path() + "' && /usr/games/mame -verifyroms -rompath 'roms;more'";
  std::vector<std::string> sets;
  for (const std::string_view row : rows) {
    sets.emplace_back(row.substr(0, row.find('=')));
    if (sets.back() == "board" || sets.back() == "z80")
      sets.pop_back();  // not MAME's sets
    else
      command += " " + sets.back();
  }
  ASSERT_GE(std::system((command + " >verify.txt 2>&1").c_str()), 0);
  const std::string verified = testing::ReadFile(dir / "verify.txt");
  // MAME trusts a zip's directory as the check does, but reads a 7z's and a folder's files,
  // and finds a file by its CRC when its name is not there (mspacman): the check's name-or-crc
  // mode, with every BIOS option, is MAME's. MAME cannot open the one-byte CHDs, so disks are
  // left out on both sides; so are ROMs without a dump, which no one can have.
  ShapingSettings settings;
  settings.bios_options = BiosOptions::kAll;
  AvailabilityCheck check(settings, facts, {roms, more}, {});
  for (const std::string& set : sets) {
    const std::string name = set + std::string(12 - set.size(), ' ') + ": ";
    // A set MAME finds nothing of has no "romset" line at all.
    bool listed = false, not_found = false;
    for (const std::string_view line : Split(verified, '\n')) {
      listed |= line.starts_with("romset " + set + " ");
      not_found |= line.starts_with(name) && line.find("bytes) - NOT FOUND") != line.npos &&
                   line.find("NO GOOD DUMP") == line.npos;
    }
    const Missing missing = check.Check(set).missing;
    EXPECT_EQ(!listed || not_found, missing != Missing::kNone && missing != Missing::kDisk) << set;
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
