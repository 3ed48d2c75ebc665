// The set-up mistakes users make, one row each: the run must say what went wrong, name the file
// and what to do, as a warning or as a line of the report's Notes, and still write the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "testing/front_end.h"

namespace tabulon {
namespace {

using testing::In;
using testing::WriteFile;

class UserMistakesTest;

struct Mistake {
  friend void PrintTo(const Mistake& m, std::ostream* os) { *os << m.name; }
  const char* name;
  std::function<void(UserMistakesTest&)> make;
  enum Kind { kWarning, kNote } kind;
  // Pieces of one line of that section, in this order; {app}, {front} and {mame} stand for the
  // fixture's folders.
  std::vector<std::string> says;
};

class UserMistakesTest : public testing::FrontEndTest,
                         public ::testing::WithParamInterface<Mistake> {
 public:
  using FrontEndTest::app_;
  using FrontEndTest::exe_;
  using FrontEndTest::front_;
  using FrontEndTest::InstallMame;
  using FrontEndTest::mame_;

  // Writes the front end's mame.cfg, each line ended by CR LF.
  void Cfg(const std::vector<std::string>& lines) const {
    WriteFile(In(front_, "cfgs/mame.cfg"), testing::CrLf(lines));
  }
  // Lists an earlier run left in the application folder: two games, their side rows.
  void EarlierLists() const {
    WriteFile(In(app_, "listinfo.dat"),
              testing::CrLf({"game (", "\tname a", ")", "", "game (", "\tname b", ")"}));
    WriteFile(In(app_, "listdetails.dat"),
              testing::CrLf({"t", "t", "a        drva", "b        drvb"}));
    WriteFile(In(app_, "gamelist.dat"), testing::CrLf({"| Game Name", "---", "a", "b"}));
  }

  std::string Expand(std::string text) const {
    if (testing::OnWindows()) std::ranges::replace(text, '/', '\\');
    for (const auto& [key, value] :
         {std::pair{"{app}", app_}, {"{front}", front_}, {"{mame}", mame_}}) {
      for (size_t at; (at = text.find(key)) != std::string::npos;)
        text.replace(at, std::string(key).size(), value);
    }
    return text;
  }
  // The lines of the report's section `title` ("Warnings:", "Notes:"), without their indent.
  std::vector<std::string> Section(const std::string& title) const {
    std::vector<std::string> lines;
    bool in = false;
    for (const std::string& line : testing::SplitCrLf(Report())) {
      if (!line.empty() && line[0] != ' ')
        in = line == title;
      else if (in)
        lines.push_back(line.substr(2));
    }
    return lines;
  }
};

// Whether `line` holds every piece, in order.
bool SaysInOrder(const std::string& line, const std::vector<std::string>& pieces) {
  size_t at = 0;
  for (const std::string& piece : pieces) {
    at = line.find(piece, at);
    if (at == std::string::npos) return false;
    at += piece.size();
  }
  return true;
}

TEST_P(UserMistakesTest, TheRunSaysWhatWentWrong) {
  const Mistake& mistake = GetParam();
  std::filesystem::create_directories(FsPath(In(app_, "dats")));
  WriteFile(In(app_, "dats/good.dat"),
            testing::CrLf({"clrmamepro (", "\tname \"Good\"", ")", "", "game (", "\tname good",
                           "\tdescription \"Good\"", ")"}));
  mistake.make(*this);
  ASSERT_EQ(Run(), 0) << Err();
  std::vector<std::string> pieces;
  for (const std::string& piece : mistake.says) pieces.push_back(Expand(piece));
  const bool warning = mistake.kind == Mistake::kWarning;
  int matches = 0;
  for (const std::string& line : Section(warning ? "Warnings:" : "Notes:")) {
    matches += SaysInOrder(line, pieces);
  }
  EXPECT_EQ(matches, 1) << Report();
  // A warning is also shown as it comes; a note is for the report alone.
  int shown = 0;
  std::istringstream err(Err());
  for (std::string line; std::getline(err, line);) shown += SaysInOrder(line, pieces);
  EXPECT_EQ(shown, warning ? 1 : 0) << Err();
  // The dats are still read.
  EXPECT_CONTAINS(MasterList(), "|Good|");
}

const Mistake kMistakes[] = {
    {"DatNamedFolder",
     [](UserMistakesTest& t) {
       std::filesystem::create_directories(FsPath(In(t.app_, "dats/box.dat")));
     },
     Mistake::kWarning,
     {In("dats", "box.dat"), "is not a file"}},
    // cfgs/mame.cfg: each names the file, its line, the path tried and what to change.
    {"MamePathNoSuchFolder",
     [](UserMistakesTest& t) {
       t.Cfg({"[MAME]", "PATH=" + t.mame_ + "X", "EXE=mame"});
     },
     Mistake::kWarning,
     {"{front}/cfgs/mame.cfg:2: PATH={mame}X: no such folder: {mame}X",
      "; MAME's games are left out"}},
    {"MamePathInQuotes",
     [](UserMistakesTest& t) {
       t.InstallMame(t.mame_, "");
       t.Cfg({"PATH=\"" + t.mame_ + "\"", "EXE=" + t.exe_});
     },
     Mistake::kWarning,
     {"mame.cfg:1: PATH=\"{mame}\": no such folder: ", "; write the path without quotes"}},
    {"MamePathWithTilde",
     [](UserMistakesTest& t) {
       t.Cfg({"PATH=~/mame", "EXE=mame"});
     },
     Mistake::kWarning,
     {"mame.cfg:1: PATH=~/mame: no such folder: {app}/~/mame; a ~ is not expanded here"}},
    {"MamePathRelative",
     [](UserMistakesTest& t) {
       t.Cfg({"PATH=../Mame", "EXE=mame"});
     },
     Mistake::kWarning,
     {"mame.cfg:1: PATH=../Mame: no such folder: {app}/../Mame",
      "; a relative PATH is taken from the application folder {app}"}},
    {"MameExeNotThere",
     [](UserMistakesTest& t) {
       t.InstallMame(t.mame_, "");
       t.Cfg({"PATH=" + t.mame_, "EXE=MAME"});
     },
     Mistake::kWarning,
     {"mame.cfg:2: EXE=MAME: no file named MAME in {mame}; the folder has mame"}},
    {"MameExeNotAProgram",
     [](UserMistakesTest& t) {
       t.InstallMame(t.mame_, "");
       t.Cfg({"PATH=" + t.mame_, "EXE=standin.txt"});
     },
     Mistake::kWarning,
     {"mame.cfg:2: EXE=standin.txt: {mame}/standin.txt is not executable"}},
    {"MameCfgMissing",
     [](UserMistakesTest&) {},
     Mistake::kWarning,
     {"no cfgs/mame.cfg in {front}/: MAME was not run, and no earlier MAME lists are here",
      "put the front end's MAME settings in {front}/cfgs/mame.cfg"}},
    {"MameCfgInTheApplicationFolder",
     [](UserMistakesTest& t) { WriteFile(In(t.app_, "cfgs/mame.cfg"), "PATH=/x\r\nEXE=y\r\n"); },
     Mistake::kWarning,
     {"no cfgs/mame.cfg in {front}/", "a mame.cfg is at {app}/cfgs/mame.cfg",
      "read only from {front}/cfgs/mame.cfg: move it there"}},
    {"MameMissingBesideEarlierLists",
     [](UserMistakesTest& t) {
       t.EarlierLists();
       t.Cfg({"PATH=" + t.mame_, "EXE=mame"});
     },
     Mistake::kWarning,
     {"mame.cfg:1: PATH={mame}: no such folder",
      "the lists of an earlier run are still in {app} (listinfo.dat: 2 games, from ",
      "move cfgs/mame.cfg away to have them read as they stand"}},
    {"MameCfgMissingBesideEarlierLists",
     [](UserMistakesTest& t) { t.EarlierLists(); },
     Mistake::kNote,
     {"no cfgs/mame.cfg in {front}/: MAME was not run; the lists an earlier run left in {app}",
      "were read as they stand"}},
    {"MameFolderTakesNoFiles",
     [](UserMistakesTest& t) {
       // A folder in a script's place makes writing it fail even for root, as a read-only
       // /usr/games does for a user.
       t.InstallMame(t.mame_, "");
       std::filesystem::create_directories(FsPath(In(t.mame_, "gamelist.bat")));
     },
     Mistake::kNote,
     {"{mame}: takes no files (", "MAME's scripts were written to and run from {app}"}},
};

INSTANTIATE_TEST_SUITE_P(Rows, UserMistakesTest, ::testing::ValuesIn(kMistakes),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tabulon
