// MAME extraction end to end: the front end's mame.cfg, the scripts, the runs of an old MAME
// (0.78's recorded lists), of today's (a script, and Debian's real one), the side files, the run
// log and the complete run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

#include "app/cli.h"
#include "app/generation_run.h"
#include "mame/bat_scripts.h"
#include "mame/listxml_converter.h"
#include "mame/mame_data.h"
#include "mame/mame_run.h"
#include "platform/error.h"
#include "platform/process.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::CrLf;
using testing::FileExists;
using ::testing::IsSubstring;
using testing::ReadFile;
using testing::RecordingView;
using testing::SplitCrLf;
using testing::TempDir;
using testing::WriteFile;

// Today's -listxml in small: a BIOS, a device, games with the elements the conversion reads.
std::string NewListXml() { return ReadFile(testing::TestData("listxml/new_dialect.xml")); }

// The master list line of `rom`.
std::string LineOf(const std::vector<std::string>& lines, const std::string& rom) {
  return testing::LineStartingWith(lines, rom + "|");
}

TEST(MameConfigTest, PathAndExeOrWhatIsMissing) {
  struct Case {
    std::string text, path, exe, error{};
  };
  const Case cases[] = {
      {"[General]\r\npath = /opt/mame \r\nexe= mame\r\n", "/opt/mame", "mame"},
      {" PATH=/ignored\r\nPathName=/x\r\nEXE=m\r\n", "/x", "m"},  // a leading space hides a key
      {"EXE=early\r\nPATH=/x\r\nEXE=late\r\n", "/x", "late"},
      {"PATH=/a=b\r\nEXE=m=n\r\n", "/a", "m"},
      {"PATH=\r\nEXE=\tm\r\n", "", "\tm"},
      {"EXE=m\r\n", "", "", "mame.cfg: no PATH line"},
      {"EXE=m\r\nPATH=/x\r\n\r\n", "", "", "mame.cfg: no EXE line after the PATH line (line 2)"},
      {"PATHS\r\nEXE=m\r\n", "", "", "mame.cfg:1: the PATH line has no \"=\""},
      {"PATH=/x\r\nexecutable\r\n", "", "", "mame.cfg:2: the EXE line has no \"=\""},
      {"PATH=/x\nEXE=m\n", "", "",
       "mame.cfg: no EXE line after the PATH line (line 1) (the file has LF line ends only; its "
       "lines must end with CR LF)"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir / "mame.cfg", c.text);
    MameConfig config;
    const std::string error = testing::ErrorOf([&] { config = ReadMameConfig(dir / "mame.cfg"); });
    EXPECT_EQ(error + "|" + config.path + "|" + config.exe,
              (c.error.empty() ? "no error" : dir / c.error) + "|" + c.path + "|" + c.exe);
  }
}

// A folder that does not exist has no short form, so the output goes to the root. The lines for
// folders that do exist are checked where a failed run shows them, below.
TEST(BatScriptsTest, AMissingOutputFolderLeavesTheRoot) {
  EXPECT_EQ(ScriptLine(MameList::kGamelist, "mame", "/gone/for/good"),
            "mame -gamelist >\"/gamelist.dat\"");
}

// A front end whose folders have spaces, quotes, a backslash and command substitutions in their
// names, with an old MAME installed as "mame" in its MAME folder: a script that prints what MAME
// 0.78 printed.
class MameExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    front_ = dir_ / "Front \"End\" $(touch pwned) `touch pwned2` \\";
    app_ = front_ + "/Tabulon $HOME";
    mame_ = front_ + "/MAME 0.78";
    fs::create_directories(app_ + "/dats");
    fs::create_directories(mame_);
    fs::copy_file(OLDMAME_EXE, mame_ + "/mame");
    WriteFile(front_ + "/cfgs/mame.cfg", CrLf({"[MAME]", "PATH=" + mame_, "EXE=mame"}));
    WriteFile(app_ + "/dats/VPLAUNCHER.DAT", CrLf({"Tee'd Off\\\\a\\b\\1993\\Gottlieb\\Historic"}));
  }

  int RunCli(const char* option = nullptr) {
    out_.str("");
    err_.str("");
    std::vector<std::string> args = {"--app-dir", app_};
    if (option != nullptr) args.push_back(option);
    return tabulon::RunCli(args, out_, err_);
  }
  std::vector<std::string> MasterList() const {
    return SplitCrLf(ReadFile(front_ + "/masterlist.lst"));
  }

  TempDir dir_;
  std::string front_, app_, mame_;
  std::ostringstream out_, err_;
};

// MAME 0.78's three lists through the scripts, with the catver.ini of its time; then its -listxml
// converted alone and read as the lists of an earlier run gives the same games.
TEST_F(MameExtractionTest, OldMameEndToEndAndItsListxmlConverted) {
  WriteFile(app_ + "/catvers/catver.ini",
            testing::TestDataAsCrLf("catver/catver_0.78_catlist_rev2.ini"));
  ASSERT_EQ(RunCli(), 0) << err_.str();
  EXPECT_PRED_FORMAT2(IsSubstring,
                      "Parsing MAME for listinfo......\nParsing MAME for Driver information......\n"
                      "Parsing MAME for gamelist......\nParsing MAME Dat File\n",
                      err_.str());
  EXPECT_PRED_FORMAT2(IsSubstring, "  warnings: 0\n", err_.str());
  // A clone that old MAME marked "No(1)": its parent works. The driver comes from -listdetails.
  EXPECT_EQ(LineOf(MasterList(), "1944j"),
            "1944j|1944: The Loop Master (Japan 000620)|2000|Capcom, supported by Eighting/Raizing|"
            "1944|MAME|Shooter / Flying Vertical|.66||Working No(1) Correct Colors Yes Sound Yes "
            "Flip Screen Yes|screen raster orientation horizontal x 384 y 224 aspectx 4 aspecty 3 "
            "freq 59.633331|players 2 control joy8way buttons 2 coins 2 service yes|1944.c|");
  EXPECT_EQ(ReadFile(app_ + "/tabulonlog.txt"),
            "Mame Data Extraction complete\r\nGoing to Parse Other Dats\r\n");
  // The scripts are gone, and nothing in a folder name ran as a command.
  for (const char* file : {"listinfo.bat", "listdetails.bat", "gamelist.bat", "pwned", "pwned2"}) {
    for (const std::string& folder : {mame_, front_, app_, dir_.path()}) {
      EXPECT_FALSE(FileExists(folder + "/" + file)) << folder << "/" << file;
    }
  }

  // Each line up to its empty field: name, description, year, maker, parent, emulator, category
  // and version.
  auto games = [this] {
    std::set<std::string> lines;
    for (const std::string& line : MasterList()) lines.insert(line.substr(0, line.find("||")));
    return lines;
  };
  const std::set<std::string> old_lists = games();
  EXPECT_EQ(old_lists.size(), 4705u + 15u + 1u);  // games, BIOS sets and the pinball table
  const ListXmlCounts counts =
      ConvertListXmlFile(testing::TestData("mame_dats/mame078_listxml.xml"), app_);
  EXPECT_EQ(counts.games, 4705u);
  EXPECT_EQ(counts.resources, 15u);
  fs::remove(front_ + "/cfgs/mame.cfg");
  ASSERT_EQ(RunCli(), 0) << err_.str();
  EXPECT_PRED_FORMAT2(IsSubstring, "  warnings: 0\n", err_.str());
  std::vector<std::string> differ;
  std::ranges::set_symmetric_difference(old_lists, games(), std::back_inserter(differ));
  // Old MAME wrote alien3's "³" in Latin-1, today's -listxml has it in UTF-8.
  ASSERT_EQ(differ.size(), 2u);
  EXPECT_TRUE(differ[0].starts_with("alien3|Alien") && differ[1].starts_with("alien3|Alien"));
}

TEST_F(MameExtractionTest, MissingMameOrUnusableConfigGoesOnWithTheDats) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"PATH=" + mame_, "EXE=mame.exe"}, ""},
      {{"PATH=", "EXE=mame"}, ""},
      {{"PATH=" + mame_ + "/missing", "EXE=mame"}, ""},
      {{"EXE=mame", "PATH=" + mame_},
       "warning: " + front_ +
           "/cfgs/mame.cfg: no EXE line after the PATH line (line 2); MAME's games are left out\n"},
  };
  for (const auto& [cfg, warning] : cases) {
    WriteFile(front_ + "/cfgs/mame.cfg", CrLf(cfg));
    ASSERT_EQ(RunCli(), 0) << err_.str();
    EXPECT_PRED_FORMAT2(IsSubstring, warning + "MAME.exe missing, searching for other dats....\n",
                        err_.str());
    EXPECT_EQ(MasterList().size(), 1u);
    EXPECT_EQ(ReadFile(app_ + "/tabulonlog.txt"), "Bats Complete, Initial File Open\r\n");
    EXPECT_FALSE(FileExists(mame_ + "/listinfo.bat"));
  }
}

// Any of the three scripts that cannot be waited on shows its line in the MAME message box, with
// the output folder quoted and escaped for the shell; without the listinfo the run ends.
TEST_F(MameExtractionTest, RunsThatCannotBeWaitedOn) {
  const std::string quoted = dir_.path() +
                             "/Front \\\"End\\\" \\$(touch pwned) \\`touch pwned2\\` \\\\"
                             "/Tabulon \\$HOME";
  const std::pair<MameList, std::string> cases[] = {
      {MameList::kListinfo,
       "mame -history_file vantrelinc.dat -mameinfo_file vantrel123.dat -li > \"" + quoted +
           "/listinfo.dat\""},
      {MameList::kListdetails, "mame -listdetails >\"" + quoted + "/listdetails.dat\""},
      {MameList::kGamelist, "mame -gamelist >\"" + quoted + "/gamelist.dat\""},
  };
  for (const auto& [failing, line] : cases) {
    RecordingView view;
    RunState run(app_, &view);
    ScriptRunner script_runner = [&](const std::string& folder, const std::string& script,
                                     std::string* error, ChildExit* exit) {
      if (script != ScriptName(failing)) {
        return RunScriptAndWait(folder, script, nullptr, error, exit);
      }
      *error = "gone";
      return false;
    };
    std::vector<std::string> file_list;
    LoadAppFolder(run, &file_list);
    if (failing == MameList::kListinfo) {
      EXPECT_THROW(RunGeneration(run, &file_list, script_runner), MameListinfoFailed);
      EXPECT_EQ(ReadFile(app_ + "/tabulonlog.txt"), "Making Bats\r\n");
    } else {
      RunGeneration(run, &file_list, script_runner);
    }
    const std::string message =
        "Error Accessing Mame\nError parsing mame:  Last command run is:\r\n" + mame_ + "/" +
        ScriptName(failing) + "\r\nBat file contains:  \r\n" + line;
    EXPECT_EQ(view.messages, std::vector<std::string>{message});
  }
}

TEST_F(MameExtractionTest, LeftoverOutputsWithShortSideFiles) {
  fs::remove(front_ + "/cfgs/mame.cfg");
  WriteFile(app_ + "/listinfo.dat", CrLf({"game (", "\tname a", ")", "", "game (", "\tname b", ")",
                                          "", "game (", "\tname c", ")", ""}));
  // listdetails.dat's second line begins with "| Game Name": the gamelist header search stops
  // on it at once and only the one line after it is skipped.
  WriteFile(app_ + "/listdetails.dat",
            CrLf({"title", "| Game Name", "a        drva       A", "b        drvb       B"}));
  WriteFile(app_ + "/gamelist.dat", CrLf({"skipped", "row a"}));
  RecordingView view;
  RunState run(app_, &view);
  std::vector<std::string> file_list;
  EXPECT_EQ(GetMameData(run, &file_list), 3u);
  EXPECT_EQ(
      view.warnings,
      (std::vector<std::string>{
          app_ + "/listdetails.dat: has rows for 2 of 3 games; the last 1 got an empty driver "
                 "name",
          app_ + "/gamelist.dat: has rows for 1 of 3 games; the last 2 got an empty driver "
                 "status"}));
  EXPECT_EQ(run.List1[0],
            "||????||a|MAME|????/????|TLTC||Working  Correct Colors  Sound  Flip "
            "Screen |na|na|drva|^a");
  EXPECT_EQ(file_list, std::vector<std::string>{"VPLAUNCHER.DAT"});
}

// Today's MAME answers the old list options with an error and writes nothing; only -listxml
// works. A shell script plays it here.
class TodaysMameTest : public MameExtractionTest {
 protected:
  void InstallMame(const std::string& xml) {
    WriteFile(mame_ + "/listxml.xml", xml);
    WriteFile(mame_ + "/mame",
              "#!/bin/sh\n"
              "echo \"$1\" >> runs\n"
              // Written in two goes, as a real MAME writes on while the list is read.
              "if [ \"$1\" = -listxml ]; then\n"
              "  head -c 300 listxml.xml; sleep 0.2; tail -c +301 listxml.xml; exit 0\n"
              "fi\n"
              "echo \"Error: unknown option: $1\" >&2\n"
              "exit 1\n");
    fs::permissions(mame_ + "/mame", fs::perms::owner_all, fs::perm_options::replace);
  }
};

// A MAME folder that takes no scripts (a folder in place of one makes writing it fail, as a
// read-only /usr/games does for a user who is not root) skips the old options; one that does
// takes them first. Either way -listxml gives the games.
TEST_F(TodaysMameTest, ListxmlIsConvertedWhileMameWritesIt) {
  InstallMame(NewListXml());
  WriteFile(app_ + "/catvers/catver.ini",
            CrLf({"[Category]", "pacman=Maze / Chase", "[VerAdded]", "pacman=0.30"}));
  for (bool takes_scripts : {false, true}) {
    SCOPED_TRACE(takes_scripts ? "takes scripts" : "takes no scripts");
    if (takes_scripts) {
      fs::remove(mame_ + "/listdetails.bat");
    } else {
      fs::create_directory(mame_ + "/listdetails.bat");
    }
    // The first round left MAME's lists with their stamp: the same MAME only runs when asked.
    ASSERT_EQ(RunCli(takes_scripts ? "--refresh-mame" : nullptr), 0) << err_.str();
    EXPECT_EQ(MasterList().size(), 6u);  // MAME's four games and BIOS, and the pinball table
    // The converted game with its category (the conversion itself is checked on its own).
    EXPECT_TRUE(LineOf(MasterList(), "pacman")
                    .starts_with("pacman|Pac-Man (Midway)|1980|Namco (Midway license)|puckman|MAME|"
                                 "Maze / Chase|0.30||Working Yes"));
    EXPECT_EQ(ReadFile(app_ + "/listxml.xml"), NewListXml());
    EXPECT_PRED_FORMAT2(IsSubstring,
                        takes_scripts ? "Parsing MAME for gamelist......\nParsing MAME for "
                                        "listxml......\nConverting MAME listxml......\n"
                                      : "warning: " + mame_ +
                                            "/listdetails.bat: cannot write: Is a directory; "
                                            "MAME's old list options are not tried\n",
                        err_.str());
    EXPECT_EQ(err_.str().find("Parsing MAME for listinfo") != std::string::npos, takes_scripts);
  }
}

// A repeat run reads the lists of an unchanged MAME without running it; any change runs it again,
// straight with -listxml, as the stamp says it refused the old options. A damaged stamp says
// nothing, and a MAME that fails leaves no stamp for the lists put back.
TEST_F(TodaysMameTest, AStampedMameRunsOnlyWhenSomethingChanged) {
  const std::string mame = mame_ + "/mame", stamp = app_ + "/mamelists.stamp";
  auto resize = [](const std::string& path) {
    const auto time = fs::last_write_time(path);
    std::ofstream(path, std::ios::app) << "# one byte more\n";
    fs::last_write_time(path, time);
  };
  auto older = [&] { fs::last_write_time(mame, fs::last_write_time(mame) - 1h); };
  auto damage = [&] { fs::resize_file(stamp, fs::file_size(stamp) / 2); };
  auto failing = [&] { WriteFile(mame, "#!/bin/sh\necho \"$1\" >> runs\nexit 3\n"); };
  const char* all = "-history_file\n-listdetails\n-gamelist\n-listxml\n";
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* option;
    const char* runs;  // MAME's first argument, one line per run
    bool stamped;      // a stamp is there afterwards
  };
  const Case cases[] = {
      {"nothing changed", [] {}, nullptr, "", true},
      {"new size", [&] { resize(mame); }, nullptr, "-listxml\n", true},
      {"new time", older, nullptr, "-listxml\n", true},
      {"damaged stamp", damage, nullptr, all, true},
      {"list changed", [&] { resize(app_ + "/gamelist.dat"); }, nullptr, "-listxml\n", true},
      {"list missing", [&] { fs::remove(app_ + "/listdetails.dat"); }, nullptr, "-listxml\n", true},
      {"refresh asked", [] {}, "--refresh-mame", "-listxml\n", true},
      {"MAME fails", failing, nullptr, "-listxml\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallMame(NewListXml());
    fs::remove(stamp);
    ASSERT_EQ(RunCli(), 0) << err_.str();
    const std::vector<std::string> first = MasterList();
    fs::remove(mame_ + "/runs");
    c.change();
    ASSERT_EQ(RunCli(c.option), 0) << err_.str();
    EXPECT_EQ(FileExists(mame_ + "/runs") ? ReadFile(mame_ + "/runs") : "", c.runs);
    EXPECT_EQ(MasterList(), first);
    EXPECT_EQ(FileExists(stamp), c.stamped);
    // The status text and the report say so.
    const bool reused = std::string(c.runs).empty();
    EXPECT_EQ(err_.str().find("MAME unchanged, reusing the lists of MAME 0.251 (unknown)......") !=
                  std::string::npos,
              reused);
    EXPECT_EQ(ReadFile(app_ + "/tabulonreport.txt")
                      .find("MAME was not run: the lists of MAME 0.251 (unknown) were reused") !=
                  std::string::npos,
              reused);
  }
}

// Closing the window while MAME writes its list stops MAME and leaves nothing behind: no
// listxml.xml, no half list, no temporary file.
TEST_F(TodaysMameTest, AStoppedConversionStopsMameAndLeavesNothing) {
  InstallMame(NewListXml());
  WriteFile(mame_ + "/mame",
            "#!/bin/sh\n"
            "[ \"$1\" = -listxml ] || exit 1\n"
            "echo $$ > pid; head -c 300 listxml.xml; sleep 60; touch done\n");
  struct StoppingView : RecordingView {
    bool Yield() override { return statuses.back() != "Converting MAME listxml......"; }
  } view;
  RunState run(app_, &view);
  std::vector<std::string> files;
  EXPECT_THROW(GetMameData(run, &files), RunCancelled);

  // Stopped means gone or a zombie waiting to be reaped. On a busy machine a killed process can
  // still be seen exiting for a moment, in uninterruptible sleep ("D").
  std::string pid = ReadFile(mame_ + "/pid");
  pid.pop_back();  // echo's LF
  auto state = [stat = "/proc/" + pid + "/stat"] {
    std::ifstream file(stat);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    return text.empty() ? "gone" : text.substr(text.rfind(')') + 2, 1);
  };
  for (int i = 0; i < 200 && state() == "D"; ++i) std::this_thread::sleep_for(10ms);
  const std::string now = state();
  EXPECT_TRUE(now == "gone" || now == "Z") << "MAME still runs, in state " << now;
  EXPECT_FALSE(FileExists(mame_ + "/done"));
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(app_)) left.insert(entry.path().filename());
  // The lists MAME's refused old options left, empty, and the run log.
  EXPECT_EQ(left, (std::set<std::string>{"dats", "gamelist.dat", "listdetails.dat", "listinfo.dat",
                                         "tabulonlog.txt"}));
  EXPECT_EQ(ReadFile(app_ + "/listinfo.dat"), "");
}

TEST(DebianMameTest, EveryGameOfTodaysMameWithItsCategory) {
  ASSERT_TRUE(FileExists("/usr/games/mame"))
      << "Debian's MAME (/usr/games/mame) is missing: scripts/setup-debian.sh installs it";
  TempDir dir;
  WriteFile(dir / "cfgs/mame.cfg", CrLf({"PATH=/usr/games", "EXE=mame"}));
  WriteFile(dir / "Gen/catvers/catver.ini",
            testing::TestDataAsCrLf("catver/catver_0.262_progettosnaps.ini"));
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--app-dir", dir / "Gen"}, out, err), 0) << err.str();
  EXPECT_PRED_FORMAT2(IsSubstring, "  warnings: 0\n", err.str());

  // Every game and BIOS block of the converted list is a line of the master list.
  const std::vector<std::string> info = SplitCrLf(ReadFile(dir / "Gen/listinfo.dat"));
  const std::vector<std::string> lines = SplitCrLf(ReadFile(dir / "masterlist.lst"));
  EXPECT_GT(lines.size(), 35000u);
  EXPECT_EQ(lines.size(),
            std::ranges::count(info, "game (") + std::ranges::count(info, "resource ("));
  const std::string pacman = LineOf(lines, "pacman");
  EXPECT_EQ(pacman.substr(0, pacman.find("||")),
            "pacman|Pac-Man (Midway)|1980|Namco (Midway license)|puckman|MAME|Maze / Collect|0.1");
}

}  // namespace
}  // namespace tabulon
