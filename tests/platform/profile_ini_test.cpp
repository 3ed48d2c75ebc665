// Private-profile ini behaviour: lookups as the Windows profile functions answer them, and
// rewrites that keep every line of the file.
#include "platform/profile_ini.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(ProfileIniTest, Lookups) {
  ProfileIni ini;
  ini.LoadText("catver.ini",
               ";; comment line\r\n"
               "[FOLDER_SETTINGS]\r\n"
               "RootFolderIcon mame\r\n"
               "[Category]\n"
               "pacman=Maze\r"
               "Galaga = Shooter / Flying Vertical  \r\n"
               "quoted=\"Puzzle / Drop\"\r\n"
               "single='Sports'\r\n"
               "tabbed=\tBall & Paddle\t\r\n"
               "twice=first\r\n"
               "twice=second\r\n"
               "eq=a=b\r\n"
               "empty=\r\n"
               "novalue\r\n"
               "; x=comment\r\n"
               "[category]\r\n"
               "later=from the second section of the same name\r\n"
               "[VerAdded]\r\n"
               "pacman=.30\r\n"
               "long=" +
                   std::string(1200, 'v') + "\r\n");
  struct Case {
    std::string section, key, expected;
  };
  const Case cases[] = {
      {"Category", "pacman", "Maze"},                       // LF and lone CR line ends
      {"CATEGORY", "GALAGA", "Shooter / Flying Vertical"},  // names ignore case, value trimmed
      {"Category", "quoted", "Puzzle / Drop"},
      {"Category", "single", "Sports"},
      {"Category", "tabbed", "Ball & Paddle"},
      {"Category", "twice", "first"},
      {"Category", "eq", "a=b"},
      {"Category", "empty", ""},
      {"Category", "novalue", "DEF"},
      {"Category", "later", "DEF"},  // the first section of a name wins
      {"Category", "", "DEF"},
      {"VerAdded", "pacman", ".30"},
      {"VerAdded", "long", std::string(999, 'v')},  // values are cut at 999 bytes
      {"FOLDER_SETTINGS", "RootFolderIcon mame", "DEF"},
      {"Missing", "pacman", "DEF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.Get(c.section, c.key, "DEF"), c.expected) << c.section << "/" << c.key;
  }
}

TEST(ProfileIniTest, SaveKeepsEveryLineAndPlacesNewKeysInTheirSection) {
  TempDir dir;
  WriteFile(dir / "catver.ini",
            ";; header\r\n"
            "[Category]\r\n"
            "a=Maze\r\n"
            "\r\n"
            "[VerAdded]\n"
            "a=.30\n");
  ProfileIni ini;
  ini.Load(dir / "catver.ini");
  ini.Set("VerAdded", "a", ".31");  // a later line replaced first
  ini.Set("category", "b", "Sports");
  ini.Set("Category", "A", "Puzzle");
  ini.Set("VerAdded", "A", " '.32' ");  // a replaced line replaced again
  ini.Set("NPlayers", "a", "1P");
  ini.Set("NPlayers", "a", "2P alt");
  ini.Set("Category", "x=y ", "z");  // a key is taken as given, "=" and blanks included
  ini.Save();
  EXPECT_EQ(ReadFile(dir / "catver.ini"),
            testing::CrLf({";; header", "[Category]", "A=Puzzle", "b=Sports", "x=y =z", "",
                           "[VerAdded]", "A= '.32' ", "[NPlayers]", "a=2P alt"}));
  EXPECT_EQ(ini.Get("Category", "a", ""), "Puzzle");
  EXPECT_EQ(ini.Get("VerAdded", "a", ""), ".32");
  EXPECT_EQ(ini.Get("nplayers", "A", ""), "2P alt");
  EXPECT_EQ(ini.Get("Category", "X=Y ", ""), "z");
  EXPECT_EQ(ini.Get("Category", "x", "none"), "none");
  EXPECT_EQ(ini.key_count(), 5u);
}

TEST(ProfileIniTest, EveryKeyIsFoundAsSetAddsThousands) {
  ProfileIni ini;
  ini.LoadText("catver.ini", "[Category]\r\nfirst=Maze\r\n");
  for (int i = 0; i < 3000; ++i) {
    ini.Set("Category", "set" + std::to_string(i), "Maze " + std::to_string(i));
    ini.Set("New", "SET" + std::to_string(i), std::to_string(i));
  }
  EXPECT_EQ(ini.key_count(), 6001u);
  EXPECT_EQ(ini.Get("category", "FIRST", ""), "Maze");
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(ini.Get("Category", "Set" + std::to_string(i), ""), "Maze " + std::to_string(i));
    ASSERT_EQ(ini.Get("new", "set" + std::to_string(i), ""), std::to_string(i));
  }
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
