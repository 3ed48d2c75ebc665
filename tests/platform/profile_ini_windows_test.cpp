// Our private-profile layer against Windows' own GetPrivateProfileStringA and
// WritePrivateProfileStringA, on files that people's catver.ini files and hand edits produce. Every
// answer must be the same, except the differences listed in kKnownDifferences, each with why.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/profile_ini.h"
#include "platform/windows.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

struct Query {
  std::string section;
  std::string key;
};

struct IniCase {
  std::string name;
  std::string text;
  std::vector<Query> queries;
};

// Files as the category files of MAME's history and users' editors have them.
const std::vector<IniCase>& Cases() {
  static const std::vector<IniCase> cases = {
      {"case_and_first_wins",
       "[Category]\r\npacman=Maze\r\nPACMAN=Later\r\nGalaga=Shooter\r\n[CATEGORY]\r\nlater=x\r\n",
       {{"category", "PacMan"}, {" Category ", "\tgalaga "}, {"Category", "later"}}},
      {"unclosed_section",
       "[Category\r\na=1\r\n[VerAdded]]\r\na=2\r\n",
       {{"Category", "a"}, {"VerAdded", "a"}, {"VerAdded]", "a"}}},
      {"blanks_and_quotes",
       "[Category]\r\n  spaced  =  Maze / Digging  \r\ntabs=\tBall\t\r\nq=\"Puzzle\"\r\n"
       "s='Sports'\r\nhalf=\"open\r\nmixed=\"a'\r\ninner=a \"b\" c\r\nempty=\r\nquotes=\"\"\r\n",
       {{"Category", "spaced"},
        {"Category", "tabs"},
        {"Category", "q"},
        {"Category", "s"},
        {"Category", "half"},
        {"Category", "mixed"},
        {"Category", "inner"},
        {"Category", "empty"},
        {"Category", "quotes"}}},
      {"equals_and_odd_lines",
       "[Category]\r\neq=a=b\r\nnovalue\r\n=orphan\r\n;comment=x\r\n [ Spaced ] \r\nk=v\r\n",
       {{"Category", "eq"},
        {"Category", "novalue"},
        {"Category", ""},
        {"Category", ";comment"},
        {"Spaced", "k"},
        {" Spaced ", "k"}}},
      {"line_ends",
       "[Category]\nlf=LF\r\ncrlf=CRLF\r\nlast=no end",
       {{"Category", "lf"}, {"Category", "crlf"}, {"Category", "last"}}},
      {"lone_cr", "[Category]\rcr=CR\rnext=N\r\n", {{"Category", "cr"}, {"Category", "next"}}},
      {"long_value",
       "[VerAdded]\r\nlong=" + std::string(1200, 'v') + "\r\nexact=" + std::string(999, 'e') +
           "\r\n",
       {{"VerAdded", "long"}, {"VerAdded", "exact"}}},
      {"before_any_section",
       "orphan=1\r\n[Category]\r\na=b\r\n",
       {{"", "orphan"}, {"Category", "a"}}},
      {"high_bytes", "[Category]\r\ncaf\xe9=Caf\xe9 \xab\xbb\r\n", {{"Category", "caf\xe9"}}},
  };
  return cases;
}

// Where our layer answers otherwise than Windows' function, on purpose or because the function
// under Wine reads differently from Windows itself.
struct KnownDifference {
  std::string file;  // IniCase::name
  std::string key;
  std::string ours;
  std::string windows;
  std::string why;
};

const std::vector<KnownDifference>& KnownDifferences() {
  static const std::vector<KnownDifference> differences = {
      {"equals_and_odd_lines", "", "DEF", "orphan",
       "a dat block without a name line gives an empty set name, whose lookup must not take the "
       "category of a stray \"=value\" line"},
      {"before_any_section", "orphan", "DEF", "1",
       "lines above the first section belong to no section here; Windows files them under a "
       "section with an empty name, which no category file has and the engine never asks for"}};
  return differences;
}

std::string WindowsGet(const std::string& path, const Query& query) {
  char buffer[ProfileIni::kMaxValue + 1];
  const DWORD copied =
      GetPrivateProfileStringA(query.section.c_str(), query.key.c_str(), "DEF", buffer,
                               static_cast<DWORD>(sizeof buffer), path.c_str());
  return std::string(buffer, copied);
}

const KnownDifference* Known(const std::string& file, const std::string& key) {
  for (const KnownDifference& difference : KnownDifferences()) {
    if (difference.file == file && difference.key == key) return &difference;
  }
  return nullptr;
}

void ExpectSameAnswers(const std::string& file, const std::string& our_path,
                       const std::string& windows_path, const std::vector<Query>& queries) {
  ProfileIni ini;
  ini.Load(our_path);
  for (const Query& query : queries) {
    const std::string ours = ini.Get(query.section, query.key, "DEF");
    const std::string windows = WindowsGet(windows_path, query);
    if (const KnownDifference* known = Known(file, query.key)) {
      EXPECT_EQ(ours, known->ours) << file << " [" << query.section << "] " << query.key;
      EXPECT_EQ(windows, known->windows) << file << " [" << query.section << "] " << query.key;
    } else {
      EXPECT_EQ(ours, windows) << file << " [" << query.section << "] " << query.key;
    }
  }
}

TEST(ProfileIniWindowsTest, ReadsAsWindowsDoes) {
  testing::TempDir dir;
  for (const IniCase& c : Cases()) {
    const std::string path = dir / (c.name + ".ini");
    testing::WriteFile(path, c.text);
    ExpectSameAnswers(c.name, path, path, c.queries);
  }
}

// The same writes through both: each file then answers the same, and Windows reads the file
// we wrote as we do.
TEST(ProfileIniWindowsTest, WritesAsWindowsDoes) {
  struct Write {
    std::string section;
    std::string key;
    std::string value;
  };
  const std::string start =
      ";; catver.ini\r\n[Category]\r\npacman=Maze\r\nPACMAN=Later\r\n\r\n[VerAdded]\r\n"
      "pacman=.30\r\n";
  const std::vector<Write> writes = {{"Category", "PACMAN", "Maze / Digging"},
                                     {"category", "galaga", "Shooter"},
                                     {"VerAdded", "galaga", ".35"},
                                     {"NPlayers", "galaga", "2P alt"},
                                     {"VerAdded", "pacman", "  '.31'  "},
                                     {"Category", "new", "????"},
                                     {"Category", "new", "TLTC"}};
  std::vector<Query> queries;
  for (const Write& write : writes) queries.push_back({write.section, write.key});
  queries.push_back({"Category", "pacman"});

  testing::TempDir dir;
  const std::string ours = dir / "ours.ini";
  const std::string windows = dir / "windows.ini";
  testing::WriteFile(ours, start);
  testing::WriteFile(windows, start);
  ProfileIni ini;
  ini.Load(ours);
  for (const Write& write : writes) {
    ini.Set(write.section, write.key, write.value);
    ASSERT_TRUE(WritePrivateProfileStringA(write.section.c_str(), write.key.c_str(),
                                           write.value.c_str(), windows.c_str()));
  }
  ini.Save();
  ExpectSameAnswers("writes", ours, windows, queries);
  ExpectSameAnswers("writes", ours, ours, queries);
}

}  // namespace
}  // namespace tabulon
