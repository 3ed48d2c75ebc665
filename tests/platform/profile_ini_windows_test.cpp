// Windows' own GetPrivateProfileStringA and WritePrivateProfileStringA on the ini files our layer
// is checked with: they must answer as our layer does, except where kKnownDifferences says why
// not.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "platform/profile_ini.h"
#include "platform/profile_ini_cases.h"
#include "platform/windows.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::IniQuery;

// Where Windows answers otherwise on purpose, by case and key: Windows' answer.
const std::map<std::pair<std::string, std::string>, std::string> kKnownDifferences = {
    // A dat block without a name line gives an empty set name, whose lookup must not take the
    // category of a stray "=value" line.
    {{"equals_and_odd_lines", ""}, "orphan"},
    // Lines above the first section belong to no section here; Windows files them under a
    // section with an empty name, which no category file has and the engine never asks for.
    {{"before_any_section", "orphan"}, "1"}};

std::string WindowsAnswer(const std::string& path, const IniQuery& query) {
  char buffer[ProfileIni::kMaxValue + 1];
  const DWORD copied =
      GetPrivateProfileStringA(query.section.c_str(), query.key.c_str(), "DEF", buffer,
                               static_cast<DWORD>(sizeof buffer), path.c_str());
  return std::string(buffer, copied);
}

TEST(ProfileIniWindowsTest, ReadsAsOurLayerDoes) {
  testing::TempDir dir;
  for (const testing::IniCase& c : testing::IniCases()) {
    const std::string path = dir / (c.name + ".ini");
    testing::WriteFile(path, c.text);
    for (const IniQuery& query : c.queries) {
      const auto known = kKnownDifferences.find({c.name, query.key});
      EXPECT_EQ(WindowsAnswer(path, query),
                known == kKnownDifferences.end() ? query.answer : known->second)
          << c.name << " [" << query.section << "] " << query.key;
    }
  }
}

// The same writes through both: each file then answers the same, and Windows reads the file
// we wrote as we do.
TEST(ProfileIniWindowsTest, WritesAsOurLayerDoes) {
  const std::string start =
      ";; catver.ini\r\n[Category]\r\npacman=Maze\r\nPACMAN=Later\r\n\r\n[VerAdded]\r\n"
      "pacman=.30\r\n";
  const IniQuery writes[] = {{"Category", "PACMAN", "Maze / Digging"},
                             {"category", "galaga", "Shooter"},
                             {"VerAdded", "galaga", ".35"},
                             {"NPlayers", "galaga", "2P alt"},
                             {"VerAdded", " pacman ", "  '.31'  "},
                             {"Category", "new", "????"},
                             {"Category", "new", "TLTC"}};
  testing::TempDir dir;
  const std::string ours = dir / "ours.ini";
  const std::string windows = dir / "windows.ini";
  testing::WriteFile(ours, start);
  testing::WriteFile(windows, start);
  ProfileIni ini;
  ini.Load(ours);
  for (const IniQuery& write : writes) {
    ini.Set(write.section, write.key, write.answer);
    ASSERT_TRUE(WritePrivateProfileStringA(write.section.c_str(), write.key.c_str(),
                                           write.answer.c_str(), windows.c_str()));
  }
  ini.Save();
  ini.Load(ours);
  for (IniQuery query : writes) {
    query.answer = ini.Get(query.section, query.key, "DEF");
    EXPECT_EQ(WindowsAnswer(windows, query), query.answer) << query.section << " " << query.key;
    EXPECT_EQ(WindowsAnswer(ours, query), query.answer) << query.section << " " << query.key;
  }
}

}  // namespace
}  // namespace tabulon
