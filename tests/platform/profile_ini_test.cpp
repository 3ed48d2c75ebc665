// Private-profile ini behaviour: lookups as the Windows profile functions answer them, and
// rewrites that keep every line of the file.
#include "platform/profile_ini.h"

#include <gtest/gtest.h>

#include "platform/profile_ini_cases.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

TEST(ProfileIniTest, Lookups) {
  testing::TempDir dir;
  for (const testing::IniCase& c : testing::IniCases()) {
    testing::WriteFile(dir / "case.ini", c.text);
    ProfileIni ini;
    ini.Load(dir / "case.ini");
    for (const testing::IniQuery& query : c.queries) {
      EXPECT_EQ(ini.Get(query.section, query.key, "DEF"), query.answer)
          << c.name << " [" << query.section << "] " << query.key;
    }
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

}  // namespace
}  // namespace tabulon
