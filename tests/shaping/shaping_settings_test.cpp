// tabulon.ini and --set: what a file and options give, the exact error of each kind of mistake,
// and the file Tabulon writes and edits.
#include "shaping/shaping_settings.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/error.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

struct SettingsCase {
  const char* name;
  std::string text;  // of tabulon.ini, its LF line ends made CR LF
  std::vector<std::string> options;
  std::function<void(ShapingSettings&)> expect;  // changes from the defaults; null for an error
  std::string error = "";                        // after the file's path (or all of it for --set)
};

const std::string kLong(1200, 'x');

std::vector<SettingsCase> Cases() {
  return {
      {"EveryKindOfValue",
       "HideBIOS=1\n[Shaping]\nEnabled=no\n[filters]\n; HideClones=1\n# HideClones=1\n"
       "  hidebios = ON \nHideBIOS=0\nYearFrom=\"1980\"\nYearTo= 1989\nPlayersMax=2\n"
       "ButtonsMax=\nOrientation=Vertical\nScreenTypes=Raster, vector\nJoystickWays=4,8,\n"
       "HideControls=Mahjong, gambling\nHideImperfect=true\n"
       "[Availability]\nRomPath=roms; D:\\more roms ;\nMatch=CRC\nBiosOptions=all\n"
       "[OtherTool]\nHideMature=junk\n[BestClone]\nRegions=USA|US;;  Japan \nAvoidWords=\n"
       "[PreferClone]\nsf2 = sf2ce\nSF2=sf2hf\n"
       "[HideCategories]\nCasino / Cards, Poker\n\n  Mahjong* \n" +
           kLong + "\n[NeverShow]\npuckman\n",
       {},
       [](ShapingSettings& s) {
         s.enabled = false;
         s.hide_bios = s.hide_imperfect = true;
         s.year_from = 1980;
         s.year_to = 1989;
         s.players_max = 2;
         s.orientation = Orientation::kVertical;
         s.screen_types = {"raster", "vector"};
         s.joystick_ways = {4, 8};
         s.hide_controls = {"mahjong", "gambling"};
         s.rom_path = {"roms", "D:\\more roms"};
         s.match = RomMatch::kCrc;
         s.bios_options = BiosOptions::kAll;
         s.regions = {{"USA", "US"}, {"Japan"}};
         s.avoid_words.clear();
         s.prefer_clone = {{"sf2", "sf2ce"}};
         s.hide_categories = {"Casino / Cards, Poker", "Mahjong*", kLong};
         s.never_show = {"puckman"};
       }},
      {"OptionsGoOnTop",
       "[Filters]\r\nHideBIOS=1\r\n[PreferClone]\r\nsf2=sf2ce\r\n",
       {"Filters.HideBIOS=0", "availability.match = name", "NeverShow.puckman",
        "PreferClone.sf2=sf2hf", "Shaping.Enabled="},
       [](ShapingSettings& s) {
         s.match = RomMatch::kName;
         s.never_show = {"puckman"};
         s.prefer_clone = {{"sf2", "sf2hf"}};
       }},
  };
}

// A file's mistakes: its text, and the error after the file's path.
const std::pair<const char*, const char*> kFileErrors[] = {
    {"[Filters]\nYearFrom=19x0",
     ":2: YearFrom=19x0: write a year of 4 digits, or nothing for no bound"},
    {"[Availability]\n\nMatch=fuzzy", ":3: Match=fuzzy: write name-or-crc, name or crc"},
    {"[Shaping]\nEnable=0", ":2: Enable=0: not a key of [Shaping]; write one of Enabled"},
    {"[Filters]\nScreenTypes=raster,crt",
     ":2: ScreenTypes=raster,crt: write raster, vector, lcd or svg, separated by commas, or "
     "nothing for all"},
    {"[Filters]\nJoystickWays=4,eight",
     ":2: JoystickWays=4,eight: write numbers separated by commas, such as 2,4,8, or nothing for "
     "any"},
    {"[BestClone]\nOnePerFamily=2",
     ":2: OnePerFamily=2: write 1 or 0 (or yes/no, true/false, on/off)"},
    {"[PreferClone]\nsf2=", ":2: sf2=: write parent=clone, such as sf2=sf2ce"},
    {"[Filters]\nHideBIOS 1", ":2: HideBIOS 1: write KEY=VALUE"},
    {"[Filters]\n[NeverShow]\n[FILTERS]",
     ":3: [Filters] comes a second time (first at line 1): keep one [Filters] section"},
};

const std::pair<const char*, const char*> kOptionErrors[] = {
    {"Shaping.HideBIOS=1", "Shaping.HideBIOS=1: not a key of [Shaping]; write one of Enabled"},
    {"HideBIOS=1",
     "HideBIOS=1: write SECTION.KEY=VALUE, such as Filters.HideBIOS=1, with SECTION one of "
     "[Shaping], [Filters], [Availability], [BestClone], [HideCategories], [ShowCategories], "
     "[PreferClone], [AlwaysShow], [NeverShow]"},
    {"Filters.HideBIOS", "Filters.HideBIOS: write SECTION.KEY=VALUE, such as Filters.HideBIOS=1"},
};

TEST(ShapingSettingsTest, FilesAndOptions) {
  testing::TempDir dir;
  const std::string path = dir / "tabulon.ini";
  for (const SettingsCase& c : Cases()) {
    testing::WriteFile(path, testing::ToCrLf(c.text));
    ShapingSettings want;
    want.file = path;
    c.expect(want);
    EXPECT_TRUE(ReadShapingSettings(path, c.options) == want) << c.name;
  }
  for (const auto& [text, error] : kFileErrors) {
    testing::WriteFile(path, testing::ToCrLf(std::string(text) + "\n"));
    EXPECT_EQ(testing::ErrorOf([&] { ReadShapingSettings(path, {}); }), path + error);
  }
  for (const auto& [option, error] : kOptionErrors) {
    EXPECT_EQ(testing::ErrorOf([&, option = option] { ShapingFromOptions({option}); }),
              std::string("--set: ") + error);
  }
}

// Each step's key alone makes the shaping active; the rest only steer a step that is on.
TEST(ShapingSettingsTest, WhichKeysSwitchAStepOn) {
  const char* steps[] = {
      "HideBIOS=1",      "HideMechanical=1",     "HideScreenless=1",     "HideNotWorking=1",
      "HideImperfect=1", "HideMature=1",         "HideUncategorized=1",  "HideClones=1",
      "YearFrom=1980",   "YearTo=1989",          "HideUnknownYear=1",    "PlayersMin=1",
      "PlayersMax=2",    "HideUnknownPlayers=1", "Orientation=vertical", "ScreenTypes=raster",
      "ButtonsMax=6",    "JoystickWays=8",       "HideControls=mahjong"};
  for (const char* step : steps) {
    EXPECT_TRUE(ShapingFromOptions({std::string("Filters.") + step}).Active()) << step;
  }
  for (const char* step : {"HideCategories.Mahjong", "ShowCategories.Shooter", "NeverShow.a",
                           "Availability.AvailableOnly=1", "BestClone.OnePerFamily=1"}) {
    EXPECT_TRUE(ShapingFromOptions({step}).Active()) << step;
  }
  EXPECT_FALSE(ShapingFromOptions({"AlwaysShow.a", "PreferClone.sf2=sf2ce",
                                   "Availability.RequireSamples=1", "BestClone.KeepCloneOf=1"})
                   .AnyStepOn());
  EXPECT_FALSE(ShapingFromOptions({"Filters.HideBIOS=1", "Shaping.Enabled=off"}).Active());
}

TEST(ShapingSettingsTest, TemplateAndTheWindowsSwitch) {
  testing::TempDir dir;
  const std::string path = dir / "tabulon.ini";
  WriteShapingTemplate(path);
  ShapingSettings defaults;
  defaults.file = path;
  EXPECT_TRUE(ReadShapingSettings(path, {}) == defaults);

  // Notepad's byte order mark must not hide the section the switch writes to.
  testing::WriteFile(path, "\xEF\xBB\xBF; mine\r\n[Shaping]\r\nEnabled=1\r\n[NeverShow]\r\na\r\n");
  SetShapingEnabled(path, false);
  EXPECT_FALSE(ShapingEnabledIn(path));
  EXPECT_EQ(testing::ReadFile(path), "; mine\r\n[Shaping]\r\nEnabled=0\r\n[NeverShow]\r\na\r\n");
  testing::WriteFile(path, "[Shaping]\r\nEnabled=maybe\r\n");
  EXPECT_TRUE(ShapingEnabledIn(path));
}

TEST(ShapingSettingsTest, WhichFileIsRead) {
  testing::TempDir dir;
  bool found = true;
  EXPECT_TRUE(LoadShaping(dir.path(), {"", false, {"Filters.HideBIOS=1"}}, &found).Active());
  EXPECT_FALSE(found);
  testing::WriteFile(dir / "tabulon.ini", "[Filters]\r\nHideClones=1\r\n");
  EXPECT_TRUE(LoadShaping(dir.path(), {}, &found).hide_clones);
  EXPECT_TRUE(found);
  EXPECT_FALSE(LoadShaping(dir.path(), {"", true, {}}, &found).Active());
  EXPECT_FALSE(found);
}

}  // namespace
}  // namespace tabulon
