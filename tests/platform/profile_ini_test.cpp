// Private-profile ini behaviour: lookups as the Windows profile functions answer them, and
// rewrites that keep every line of the file.
#include "platform/profile_ini.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

TEST(ProfileIniTest, Lookups) {
  ProfileIni ini;
  ini.LoadText("catver.ini",
               ";; comment line\r\n[FOLDER_SETTINGS]\r\nRootFolderIcon mame\r\n[Category]\n"
               "pacman=Maze\rGalaga = Shooter / Flying Vertical  \r\nquoted=\"Puzzle / Drop\"\r\n"
               "single='Sports'\r\ntabbed=\tBall & Paddle\t\r\ntwice=first\r\ntwice=second\r\n"
               "eq=a=b\r\nempty=\r\nnovalue\r\n; x=comment\r\n[category]\r\nlater=second\r\n"
               "[VerAdded]\r\npacman=.30\r\nlong=" +
                   std::string(1200, 'v') + "\r\n");
  // LF and lone CR line ends; section and key names ignore case; values are trimmed of blanks and
  // of one pair of quotes, and cut at 999 bytes; of two sections or keys of one name, the first
  // wins.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"Category", "pacman", "Maze"},
      {"CATEGORY", "GALAGA", "Shooter / Flying Vertical"},
      {"Category", "quoted", "Puzzle / Drop"},
      {"Category", "single", "Sports"},
      {"Category", "tabbed", "Ball & Paddle"},
      {"Category", "twice", "first"},
      {"Category", "eq", "a=b"},
      {"Category", "empty", ""},
      {"Category", "novalue", "DEF"},
      {"Category", "later", "DEF"},
      {"Category", "", "DEF"},
      {"VerAdded", "pacman", ".30"},
      {"VerAdded", "long", std::string(999, 'v')},
      {"FOLDER_SETTINGS", "RootFolderIcon mame", "DEF"},
      {"Missing", "pacman", "DEF"}};
  for (const auto& [section, key, expected] : cases) {
    EXPECT_EQ(ini.Get(section, key, "DEF"), expected) << section << "/" << key;
  }
}

TEST(ProfileIniTest, SaveKeepsEveryLineAndPlacesNewKeysInTheirSection) {
  testing::TempDir dir;
  testing::WriteFile(dir / "catver.ini",
                     ";; header\r\n[Category]\r\na=Maze\r\n\r\n[VerAdded]\na=.30\n");
  ProfileIni ini;
  ini.Load(dir / "catver.ini");
  ini.Set("VerAdded", "a", ".31");  // a later line replaced first
  ini.Set("category", "b", "Sports");
  ini.Set("Category", "A", "Puzzle");
  ini.Set("VerAdded", "A", " '.32' ");  // a replaced line replaced again
  ini.Set("NPlayers", "a", "1P");
  ini.Set("NPlayers", "a", "2P alt");
  ini.Set("Category", " x=y ", "z");  // a key is taken as given, "=" included
  // Enough new keys to make a section's index grow several times over.
  for (int i = 0; i < 3000; ++i) ini.Set("Big", "set" + std::to_string(i), std::to_string(i));
  for (int i = 0; i < 3000; ++i)
    ASSERT_EQ(ini.Get("big", "SET" + std::to_string(i), ""), std::to_string(i));
  EXPECT_EQ(ini.Get("VerAdded", "a", ""), ".32");
  EXPECT_EQ(ini.Get("Category", "X=Y ", ""), "z");
  EXPECT_EQ(ini.Get("Category", "x", "none"), "none");
  EXPECT_EQ(ini.key_count(), 3005u);
  ini.Save();
  const std::string saved = testing::ReadFile(dir / "catver.ini");
  EXPECT_EQ(saved.substr(0, saved.find("[Big]")),
            testing::CrLf({";; header", "[Category]", "A=Puzzle", "b=Sports", "x=y=z", "",
                           "[VerAdded]", "A= '.32' ", "[NPlayers]", "a=2P alt"}));
}

TEST(ProfileIniTest, RealCatverOfToday) {
  std::string path = testing::TestData("catver/catver_0.262_progettosnaps.ini");
  if (path.empty()) return;
  ProfileIni ini;
  ini.Load(path);
  EXPECT_EQ(ini.key_count(), 2u * 46465u);
  EXPECT_EQ(ini.Get("Category", "3kokushi", ""), "Puzzle / Match * Mature *");
  EXPECT_EQ(ini.Get("FOLDER_SETTINGS", "RootFolderIcon", "none"), "none");
}

}  // namespace
}  // namespace tabulon
