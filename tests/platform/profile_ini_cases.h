// Ini files as the category files of MAME's history and users' editors have them, with what a
// lookup answers: what our ini layer must answer everywhere, and Windows' own profile functions
// too, except where profile_ini_windows_test.cpp lists a difference.
#pragma once

#include <string>
#include <vector>

namespace tabulon::testing {

struct IniQuery {
  std::string section;
  std::string key;
  std::string answer;  // with "DEF" as the default
};

struct IniCase {
  std::string name;
  std::string text;
  std::vector<IniQuery> queries;
};

inline const std::vector<IniCase>& IniCases() {
  static const std::vector<IniCase> cases = {
      // Names ignore case and the blanks around them; of two sections or keys of one name, the
      // first wins.
      {"case_and_first_wins",
       "[Category]\r\npacman=Maze\r\nPACMAN=Later\r\nGalaga=Shooter\r\n[CATEGORY]\r\nlater=x\r\n",
       {{"category", "PacMan", "Maze"},
        {" Category ", "\tgalaga ", "Shooter"},
        {"Category", "later", "DEF"},
        {"Missing", "pacman", "DEF"}}},
      // A section runs to the line's last "]"; a "[" line without one is no section.
      {"unclosed_section",
       "[Category\r\na=1\r\n[VerAdded]]\r\na=2\r\n",
       {{"Category", "a", "DEF"}, {"VerAdded", "a", "DEF"}, {"VerAdded]", "a", "2"}}},
      // Values lose the blanks around them and one pair of matching quotes.
      {"blanks_and_quotes",
       "[Category]\r\n  spaced  =  Maze / Digging  \r\ntabs=\tBall\t\r\nq=\"Puzzle\"\r\n"
       "s='Sports'\r\nhalf=\"open\r\nmixed=\"a'\r\ninner=a \"b\" c\r\nempty=\r\nquotes=\"\"\r\n",
       {{"Category", "spaced", "Maze / Digging"},
        {"Category", "tabs", "Ball"},
        {"Category", "q", "Puzzle"},
        {"Category", "s", "Sports"},
        {"Category", "half", "\"open"},
        {"Category", "mixed", "\"a'"},
        {"Category", "inner", "a \"b\" c"},
        {"Category", "empty", ""},
        {"Category", "quotes", ""}}},
      {"equals_and_odd_lines",
       "[FOLDER_SETTINGS]\r\nRootFolderIcon mame\r\n[Category]\r\neq=a=b\r\nnovalue\r\n"
       "=orphan\r\n;comment=x\r\n [ Spaced ] \r\nk=v\r\n",
       {{"Category", "eq", "a=b"},
        {"Category", "novalue", "DEF"},
        {"FOLDER_SETTINGS", "RootFolderIcon mame", "DEF"},
        {"Category", "", "DEF"},
        {"Category", ";comment", "x"},
        {"Spaced", "k", "v"}}},
      {"line_ends",
       "[Category]\nlf=LF\r\ncrlf=CRLF\r\nlast=no end",
       {{"Category", "lf", "LF"}, {"Category", "crlf", "CRLF"}, {"Category", "last", "no end"}}},
      {"lone_cr",
       "[Category]\rcr=CR\rnext=N\r\n",
       {{"Category", "cr", "CR"}, {"Category", "next", "N"}}},
      // Values are cut at 999 bytes, as the 1000-byte buffer of a lookup holds.
      {"long_value",
       "[VerAdded]\r\nlong=" + std::string(1200, 'v') + "\r\nexact=" + std::string(999, 'e') +
           "\r\n",
       {{"VerAdded", "long", std::string(999, 'v')}, {"VerAdded", "exact", std::string(999, 'e')}}},
      {"before_any_section",
       "orphan=1\r\n[Category]\r\na=b\r\n",
       {{"", "orphan", "DEF"}, {"Category", "a", "b"}}},
      {"high_bytes",
       "[Category]\r\ncaf\xe9=Caf\xe9 \xab\xbb\r\n",
       {{"Category", "caf\xe9", "Caf\xe9 \xab\xbb"}}},
  };
  return cases;
}

}  // namespace tabulon::testing
