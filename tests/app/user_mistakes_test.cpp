// The set-up mistakes users make, one row each: the run must say what went wrong, name the file
// and what to do, as a warning or as a line of the report's Notes, and still write the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
  enum Kind { kWarning, kNote } kind;
  // Pieces of one line of that section, in this order; {app}, {front} and {mame} stand for the
  // fixture's folders, {exe} for MAME's program name, and "/" for the system's separator.
  std::vector<std::string> says;
  // The mistake: files written (path, bytes; both expanded as `says` is), then `make`. A row that
  // writes cfgs/mame.cfg has the stand-in MAME in {mame}.
  std::vector<std::pair<std::string, std::string>> files = {};
  std::function<void(UserMistakesTest&)> make = nullptr;
};

class UserMistakesTest : public testing::FrontEndTest,
                         public ::testing::WithParamInterface<Mistake> {
 public:
  // The rows' own steps reach these folders from outside the fixture.
  using FrontEndTest::app_;
  using FrontEndTest::mame_;

  // Writes the front end's mame.cfg, each line ended by CR LF.
  void Cfg(const std::vector<std::string>& lines) const {
    WriteFile(In(front_, "cfgs/mame.cfg"), testing::CrLf(lines));
  }
  // Lists an earlier run left in the application folder: two games, their side rows.
  void EarlierLists() const {
    WriteFile(In(app_, "listinfo.dat"),
              testing::CrLf({"game (", "\tname a", ")", "", "game (", "\tname b", ")"}));
    // Noon of a mid-month day: the date the notes give is that day in any time zone's month.
    using namespace std::chrono;
    const sys_seconds noon = sys_days{year{2001} / 6 / 15} + hours(12);
    std::filesystem::last_write_time(FsPath(In(app_, "listinfo.dat")), file_clock::from_sys(noon));
    WriteFile(In(app_, "listdetails.dat"),
              testing::CrLf({"t", "t", "a        drva", "b        drvb"}));
    WriteFile(In(app_, "gamelist.dat"), testing::CrLf({"| Game Name", "---", "a", "b"}));
  }

  std::string Expand(std::string text) const {
    if (testing::OnWindows()) std::ranges::replace(text, '/', '\\');
    for (const auto& [key, value] : {std::pair{"{app}", app_},
                                     {"{front}", front_},
                                     {"{mame}", mame_},
                                     {"{exe}", exe_},
                                     {"{otherexe}", exe_ == "mame" ? "mame.exe" : "mame"}}) {
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
  for (const auto& [path, bytes] : mistake.files) {
    if (path.starts_with("{front}")) InstallMame(mame_, "");
    WriteFile(Expand(path), Expand(bytes));
  }
  if (mistake.make) mistake.make(*this);
  ASSERT_EQ(Run(), 0) << Err();
  std::vector<std::string> pieces;
  for (const std::string& piece : mistake.says) pieces.push_back(Expand(piece));
  const bool warning = mistake.kind == Mistake::kWarning;
  int matches = 0;
  for (const std::string& line : Section(warning ? "Warnings:" : "Notes:"))
    matches += SaysInOrder(line, pieces);
  EXPECT_EQ(matches, 1) << Report();
  // A warning is also shown as it comes; a note is for the report alone.
  int shown = 0;
  std::istringstream err(Err());
  for (std::string line; std::getline(err, line);) shown += SaysInOrder(line, pieces);
  EXPECT_EQ(shown, warning ? 1 : 0) << Err();
  // The dats are still read.
  EXPECT_CONTAINS(MasterList(), "|Good|");
  // A file that must not be read adds nothing: such files hold the dat kLostDat.
  EXPECT_FALSE(testing::Contains(MasterList(), "lost|")) << MasterList();
  EXPECT_FALSE(testing::FileExists(In(app_, "catvers/Lostcatver.ini")));
}

// A dat whose game and category file a run must not make when the file holding it is not read.
const std::string kLostDat =
    testing::CrLf({"clrmamepro (", "\tname Lost", ")", "", "game (", "\tname lost", ")"});

// mame.cfg with the PATH and EXE lines given.
std::pair<std::string, std::string> Cfg(const std::string& path, const std::string& exe) {
  return {"{front}/cfgs/mame.cfg", "[MAME]\r\nPATH=" + path + "\r\nEXE=" + exe + "\r\n"};
}

// One row a mistake: its name, warning or note, what the line says, the files that make it.
// clang-format off
const Mistake kMistakes[] = {
    {"DatNamedFolder", Mistake::kWarning, {"dats/box.dat: is not a file"}, {},
     [](UserMistakesTest& t) { std::filesystem::create_directories(FsPath(In(t.app_, "dats/box.dat"))); }},
    // cfgs/mame.cfg: each names the file, its line, the path tried and what to change.
    {"MamePathNoSuchFolder", Mistake::kWarning,
     {"{front}/cfgs/mame.cfg:2: PATH={mame}X: no such folder: {mame}X", "; MAME's games are left out"},
     {Cfg("{mame}X", "{exe}")}},
    {"MamePathInQuotes", Mistake::kWarning,
     {"mame.cfg:2: PATH=\"{mame}\": no such folder: ", "; write the path without quotes"},
     {Cfg("\"{mame}\"", "{exe}")}},
    {"MamePathWithTilde", Mistake::kWarning,
     {"mame.cfg:2: PATH=~/mame: no such folder: {app}/~/mame; a ~ is not expanded here"},
     {Cfg("~/mame", "{exe}")}},
    {"MamePathRelative", Mistake::kWarning,
     {"mame.cfg:2: PATH=../NoMame: no such folder: {app}/../NoMame",
      "; a relative PATH is taken from the application folder {app}"},
     {Cfg("../NoMame", "{exe}")}},
    // mame.exe on Linux, mame on Windows.
    {"MameExeNotThere", Mistake::kWarning,
     {"mame.cfg:3: EXE={otherexe}: no file named {otherexe} in {mame}; the folder has {exe}: write EXE={exe}"},
     {Cfg("{mame}", "{otherexe}")}},
    {"MameExeNotAProgram", Mistake::kWarning,
     {"mame.cfg:3: EXE=standin.txt: {mame}/standin.txt is not executable"}, {Cfg("{mame}", "standin.txt")}},
    {"MameCfgMissing", Mistake::kWarning,
     {"no cfgs/mame.cfg in {front}/: MAME was not run, and no earlier MAME lists are here",
      "put the front end's MAME settings in {front}/cfgs/mame.cfg"}},
    {"MameCfgInTheApplicationFolder", Mistake::kWarning,
     {"no cfgs/mame.cfg in {front}/", "a mame.cfg is at {app}/cfgs/mame.cfg",
      "read only from {front}/cfgs/mame.cfg: move it there"},
     {{"{app}/cfgs/mame.cfg", "PATH=/x\r\nEXE=y\r\n"}}},
    {"MameMissingBesideEarlierLists", Mistake::kWarning,
     {"mame.cfg:2: PATH={mame}X: no such folder",
      "the lists of an earlier run are still in {app} (listinfo.dat: 2 games, from 2001-06-1",
      "move cfgs/mame.cfg away to have them read as they stand"},
     {Cfg("{mame}X", "{exe}")}, [](UserMistakesTest& t) { t.EarlierLists(); }},
    {"MameCfgMissingBesideEarlierLists", Mistake::kNote,
     {"no cfgs/mame.cfg in {front}/: MAME was not run; the lists an earlier run left in {app}",
      " (listinfo.dat from 2001-06-1", "were read as they stand"},
     {}, [](UserMistakesTest& t) { t.EarlierLists(); }},
    // A folder in a script's place makes writing it fail even for root, as a read-only
    // /usr/games does for a user.
    {"MameFolderTakesNoFiles", Mistake::kNote,
     {"{mame}: takes no files (", "MAME's scripts were written to and run from {app}"},
     {Cfg("{mame}", "{exe}")},
     [](UserMistakesTest& t) { std::filesystem::create_directories(FsPath(In(t.mame_, "gamelist.bat"))); }},
    // dats/ and catvers/: files that are not read, or read without what they should give.
    {"XmlFileInDats", Mistake::kNote,
     {"dats/fds.xml: not read: only *.dat files are read; rename it to fds.dat"},
     {{"{app}/dats/fds.xml", kLostDat}}},
    {"ZipFileInDats", Mistake::kNote,
     {"dats/fds.zip: not read: archives are not read; unpack the dat in it into dats/"},
     {{"{app}/dats/fds.zip", "PK\3\4" + kLostDat}}},
    {"SubfolderInDats", Mistake::kNote, {"dats/consoles: not read: subfolders of dats/ are not read"},
     {{"{app}/dats/consoles/fds.dat", kLostDat}}},
    {"HiddenDat", Mistake::kNote, {"dats/.fds.dat: not read: hidden files", "rename it to fds.dat"},
     {{"{app}/dats/.fds.dat", kLostDat}}},
    {"ZipNamedDat", Mistake::kWarning,
     {"dats/fds.dat: is a zip archive, not a dat; skipped: unpack the dat in it into dats/"},
     {{"{app}/dats/fds.dat", "PK\3\4\r\n" + kLostDat}}},
    {"BinaryNamedDat", Mistake::kWarning, {"dats/fds.dat: is not text (it has NUL bytes", "skipped"},
     {{"{app}/dats/fds.dat", kLostDat + std::string(1, '\0')}}},
    {"Utf16Dat", Mistake::kWarning, {"dats/fds.dat: is UTF-16 text", "skipped: save it as UTF-8"},
     {{"{app}/dats/fds.dat", "\xFF\xFE" + kLostDat}}},
    {"MameCatverMissing", Mistake::kNote,
     {"catvers/catver.ini was missing, so every MAME game got the category ",
      "published by the MAME category projects: put one into catvers/"},
     {}, [](UserMistakesTest& t) { t.EarlierLists(); }},
    // No-Intro's "[BIOS] ..." names; "[x" and ";x" can be keys.
    {"SetNamesThatCannotBeKeys", Mistake::kWarning,
     {"catvers/Introcatver.ini: 6 sets of dats/intro.dat get no category",
      ": [BIOS] 1, [BIOS] 2, a=b, [BIOS] 3, [BIOS] 4 and 1 more; delete any lines for them"},
     {{"{app}/dats/intro.dat",
       testing::CrLf({"clrmamepro (", "\tname Intro", ")", "", "game (", "\tname [BIOS] 1", ")", "game (",
                      "\tname [BIOS] 2", ")", "game (", "\tname [x", ")", "game (", "\tname ;x", ")", "game (",
                      "\tname a=b", ")", "game (", "\tname [BIOS] 3", ")", "game (", "\tname [BIOS] 4", ")",
                      "game (", "\tname [BIOS] 5", ")"})}}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, UserMistakesTest, ::testing::ValuesIn(kMistakes),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tabulon
