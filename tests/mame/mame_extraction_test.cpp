// MAME extraction end to end: the front end's mame.cfg, the scripts, the runs of an old MAME
// (0.78's recorded lists) and of today's, played by the stand-in MAME, the side files, the run
// log and the complete run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <set>
#include <system_error>
#include <thread>

#include "app/generation_run.h"
#include "mame/bat_scripts.h"
#include "mame/listxml_converter.h"
#include "mame/mame_data.h"
#include "mame/mame_run.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/script_text.h"
#include "platform/short_path.h"
#include "testing/front_end.h"

namespace tabulon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace std::string_view_literals;
using testing::Contains;
using testing::CrLf;
using testing::FileExists;
using testing::In;
using testing::OnWindows;
using testing::ReadFile;
using testing::RecordingView;
using testing::SplitCrLf;
using testing::WriteFile;

// Today's -listxml in small: a BIOS, a device, games with the elements the conversion reads.
std::string NewListXml() { return ReadFile(testing::TestData("listxml/new_dialect.xml")); }

TEST(MameConfigTest, PathAndExeOrWhatIsMissing) {
  struct Case {
    std::string text, path, exe, error{};
  };
  const Case cases[] = {
      // clang-format off
      {"[General]\r\npath = /opt/mame \r\nexe= mame\r\n", "/opt/mame", "mame"}, {"PATH=/a=b\r\nEXE=m=n\r\n", "/a", "m"},
      {" PATH=/ignored\r\nPathName=/x\r\nEXE=m\r\n", "/x", "m"},  // a leading space hides a key
      {"EXE=early\r\nPATH=/x\r\nEXE=late\r\n", "/x", "late"}, {"PATH=\r\nEXE=\tm\r\n", "", "\tm"},
      {"EXE=m\r\n", "", "", "mame.cfg: no PATH line"},
      {"EXE=m\r\nPATH=/x\r\n\r\n", "", "", "mame.cfg: no EXE line after the PATH line (line 2)"},
      {"PATHS\r\nEXE=m\r\n", "", "", "mame.cfg:1: the PATH line has no \"=\""},
      {"PATH=/x\r\nexecutable\r\n", "", "", "mame.cfg:2: the EXE line has no \"=\""},
      // Notepad's "UTF-8" and "Unicode" (UTF-16, with either byte order).
      {"\xEF\xBB\xBFPATH=/x\r\nEXE=m\r\n", "/x", "m"},
      {std::string("\xFF\xFEP\0A\0T\0H\0=\0/\0\xE9\0\r\0\n\0E\0X\0E\0=\0m\0"sv), "/\xC3\xA9", "m"},
      {std::string("\xFE\xFF\0P\0A\0T\0H\0=\0/\0x\0\n\0E\0X\0E\0=\0m"sv), "/x", "m"}};
  // clang-format on
  testing::TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir / "mame.cfg", c.text);
    MameConfig config;
    const std::string error = testing::ErrorOf([&] { config = ReadMameConfig(dir / "mame.cfg"); });
    // The errors go on with an example of the line as it should be.
    const std::string expected = c.error.empty() ? "no error" : dir / c.error;
    EXPECT_EQ(error.substr(0, expected.size()) + "|" + config.path + "|" + config.exe,
              expected + "|" + c.path + "|" + c.exe);
  }
}

// A folder that does not exist has no short form, so the output goes to the root. The lines for
// folders that do exist are checked where a failed run shows them, below.
TEST(BatScriptsTest, AMissingOutputFolderLeavesTheRoot) {
  EXPECT_EQ(ScriptLine(MameList::kGamelist, "mame", "/gone/for/good"),
            "mame -gamelist >\"" + std::string(1, PathSeparator()) + "gamelist.dat\"");
}

// A front end whose folders have spaces and what the script interpreter would take for commands
// and variables in their names (on Windows, only the characters Windows allows in a name), with
// an old MAME in its MAME folder: the stand-in MAME, printing what MAME 0.78 printed.
class MameExtractionTest : public testing::FrontEndTest {
 protected:
  void SetUp() override {
    front_ = dir_ / (OnWindows() ? "Front & mkdir pwned ^(1) 100%PATH% !x!"
                                 : "Front \"End\" $(touch pwned) `touch pwned2` \\");
    app_ = In(front_, OnWindows() ? "Tabulon %HOMEPATH%" : "Tabulon $HOME");
    mame_ = In(front_, "MAME 0.78");
    fs::create_directories(In(app_, "dats"));
    std::string old_mame;
    for (const std::string list : {"li", "listdetails", "gamelist"}) {
      const fs::path recorded = fs::absolute(testing::TestData("oldmame/mame078_" + list + ".txt"));
      old_mame += "-" + list + " print " + recorded.string() + "\r\n";
    }
    // Its -listxml names no build in its root: a MAME that may know the old options, as 0.78 did.
    old_mame += "-listxml print " +
                fs::absolute(testing::TestData("mame_dats/mame078_listxml.xml")).string() + "\r\n";
    InstallMame(mame_, old_mame + "* text Error: unknown option\\r\\n; exit 1\r\n");
    WriteFile(In(app_, "dats/VPLAUNCHER.DAT"),
              CrLf({"Tee'd Off\\\\a\\b\\1993\\Gottlieb\\Historic"}));
  }

  std::vector<std::string> Lines() const { return SplitCrLf(MasterList()); }
  // The master list line of `rom`.
  std::string LineOf(const std::string& rom) const {
    return testing::LineStartingWith(Lines(), rom + "|");
  }
};

// MAME 0.78's three lists through the scripts, with the catver.ini of its time; then its -listxml
// converted alone and read as the lists of an earlier run gives the same games. The mame.cfg and
// a console dat have LF line ends, as a Linux editor and today's dat sites write them.
TEST_F(MameExtractionTest, OldMameEndToEndAndItsListxmlConverted) {
  WriteFile(In(app_, "catvers/catver.ini"),
            testing::TestDataAsCrLf("catver/catver_0.78_catlist_rev2.ini"));
  WriteFile(In(front_, "cfgs/mame.cfg"), "[MAME]\nPATH=" + mame_ + "\nEXE=" + exe_ + "\n");
  fs::copy_file(testing::TestData("clrmamepro/GCE_-_Vectrex.dat"), In(app_, "dats/vectrex.dat"));
  // An earlier MAME's output stays, whatever this one's -listxml began to write.
  WriteFile(In(app_, "listxml.xml"), "<mame build=\"0.251\"/>\n");
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_EQ(ReadFile(In(app_, "listxml.xml")), "<mame build=\"0.251\"/>\n");
  EXPECT_CONTAINS(Err(),
                  "Parsing MAME for listinfo......\nParsing MAME for Driver information......\n"
                  "Parsing MAME for gamelist......\nParsing MAME Dat File\n");
  EXPECT_CONTAINS(Err(), "  warnings: 0\n");
  EXPECT_CONTAINS(
      Report(),
      CrLf({"  MAME (listinfo.dat): 4720 records (4705 games, 15 resources), 0 devices left out",
            "    (resources: BIOS and other sets that hold what games need, no game to play)",
            "    lists: printed by MAME for -li, -listdetails and -gamelist in this run",
            "    " + In("catvers", "catver.ini") + ": 4720 sets found, 0 not found",
            "  " + In("dats", "vectrex.dat") + ": 46 records",
            "    " + In("catvers", "GCE - Vectrexcatver.ini") +
                ": was missing; made with placeholders for 45 sets"}));
  // A clone that old MAME marked "No(1)": its parent works. The driver comes from -listdetails.
  EXPECT_EQ(LineOf("1944j"),
            "1944j|1944: The Loop Master (Japan 000620)|2000|Capcom, supported by Eighting/Raizing|"
            "1944|MAME|Shooter / Flying Vertical|.66||Working No(1) Correct Colors Yes Sound Yes "
            "Flip Screen Yes|screen raster orientation horizontal x 384 y 224 aspectx 4 aspecty 3 "
            "freq 59.633331|players 2 control joy8way buttons 2 coins 2 service yes|1944.c|");
  EXPECT_EQ(ReadFile(In(app_, "tabulonlog.txt")),
            "Mame Data Extraction complete\r\nGoing to Parse Other Dats\r\n");
  // The scripts are gone, and nothing in a folder name ran as a command.
  for (const char* file : {"listinfo.bat", "listdetails.bat", "gamelist.bat", "pwned", "pwned2"}) {
    for (const std::string& folder : {mame_, front_, app_, dir_.path()})
      EXPECT_FALSE(FileExists(In(folder, file))) << folder << " " << file;
  }

  // Each line up to its empty field: name, description, year, maker, parent, emulator, category
  // and version.
  auto games = [this] {
    std::set<std::string> lines;
    for (const std::string& line : Lines()) lines.insert(line.substr(0, line.find("||")));
    return lines;
  };
  const std::set<std::string> old_lists = games();
  // Games, BIOS sets, the pinball table and the Vectrex games (46, two of them alike here).
  EXPECT_EQ(old_lists.size(), 4705u + 15u + 1u + 45u);
  const ListXmlCounts counts =
      ConvertListXmlFile(testing::TestData("mame_dats/mame078_listxml.xml"), app_);
  EXPECT_EQ(counts.games, 4705u);
  EXPECT_EQ(counts.resources, 15u);
  fs::remove(In(front_, "cfgs/mame.cfg"));
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_CONTAINS(Err(), "  warnings: 0\n");
  std::vector<std::string> differ;
  std::ranges::set_symmetric_difference(old_lists, games(), std::back_inserter(differ));
  // Old MAME wrote alien3's "³" in Latin-1, today's -listxml has it in UTF-8.
  ASSERT_EQ(differ.size(), 2u);
  EXPECT_TRUE(differ[0].starts_with("alien3|Alien") && differ[1].starts_with("alien3|Alien"));
}

TEST_F(MameExtractionTest, MissingMameOrUnusableConfigGoesOnWithTheDats) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"PATH=" + mame_, "EXE=othermame"}, ":2: EXE=othermame: no file named othermame in "},
      {{"PATH=", "EXE=" + exe_}, ":1: PATH=: no folder is named; "},
      {{"EXE=" + exe_, "PATH=" + mame_}, ": no EXE line after the PATH line (line 2): "},
  };
  for (const auto& [cfg, warning] : cases) {
    WriteFile(In(front_, "cfgs/mame.cfg"), CrLf(cfg));
    ASSERT_EQ(Run(), 0) << Err();
    EXPECT_CONTAINS(Err(), "warning: " + In(front_, "cfgs/mame.cfg") + warning);
    EXPECT_CONTAINS(
        Err(), "; MAME's games are left out\nMAME.exe missing, searching for other dats....\n");
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(ReadFile(In(app_, "tabulonlog.txt")), "Bats Complete, Initial File Open\r\n");
    EXPECT_CONTAINS(Report(),
                    "\r\n  MAME (listinfo.dat): its games are left out: " + In("cfgs", "mame.cfg"));
    EXPECT_FALSE(FileExists(In(mame_, "listinfo.bat")));
  }
}

// Any of the three scripts that cannot be waited on shows its line in the MAME message box, with
// the output folder in the short form and quoting the script interpreter needs; without the
// listinfo the run ends.
TEST_F(MameExtractionTest, RunsThatCannotBeWaitedOn) {
  const std::string output = GetShortPathName(app_);
  auto quoted = [&](const char* list) { return QuoteForScript(InFolder(output, list)); };
  // The quoting as the shell must have it, spelled out where it is the shell's.
  if (!OnWindows()) {
    EXPECT_EQ(quoted("x"), "\"" + dir_.path() +
                               "/Front \\\"End\\\" \\$(touch pwned) \\`touch pwned2\\` \\\\"
                               "/Tabulon \\$HOME/x\"");
  }
  const std::tuple<MameList, const char*, const char*> cases[] = {
      {MameList::kListinfo, " -history_file vantrelinc.dat -mameinfo_file vantrel123.dat -li > ",
       "listinfo.dat"},
      {MameList::kListdetails, " -listdetails >", "listdetails.dat"},
      {MameList::kGamelist, " -gamelist >", "gamelist.dat"}};
  for (const auto& [failing, options, list] : cases) {
    RecordingView view;
    RunState run(app_, &view);
    ScriptRunner script_runner = [&, failing_list = failing](const std::string& folder,
                                                             const std::string& script,
                                                             std::string* error, ChildExit* exit) {
      if (script.ends_with(ScriptName(failing_list))) *error = "gone";
      return !script.ends_with(ScriptName(failing_list)) &&
             RunScriptAndWait(folder, script, nullptr, error, exit);
    };
    std::vector<std::string> file_list;
    LoadAppFolder(run, &file_list);
    if (failing == MameList::kListinfo) {
      EXPECT_THROW(RunGeneration(run, &file_list, script_runner), MameListinfoFailed);
      EXPECT_EQ(ReadFile(In(app_, "tabulonlog.txt")), "Making Bats\r\n");
    } else {
      RunGeneration(run, &file_list, script_runner);
    }
    const std::string message =
        "Error Accessing Mame\nError parsing mame:  Last command run is:\r\n" +
        In(mame_, ScriptName(failing)) + "\r\nBat file contains:  \r\n" + exe_ + options +
        quoted(list);
    EXPECT_EQ(view.messages, std::vector<std::string>{message});
  }
}

TEST_F(MameExtractionTest, LeftoverOutputsWithShortSideFiles) {
  fs::remove(In(front_, "cfgs/mame.cfg"));
  WriteFile(In(app_, "listinfo.dat"), CrLf({"game (", "\tname a", ")", "", "game (", "\tname b",
                                            ")", "", "game (", "\tname c", ")", ""}));
  // listdetails.dat's second line begins with "| Game Name": the gamelist header search stops
  // on it at once and only the one line after it is skipped.
  WriteFile(In(app_, "listdetails.dat"),
            CrLf({"title", "| Game Name", "a        drva       A", "b        drvb       B"}));
  WriteFile(In(app_, "gamelist.dat"), CrLf({"skipped", "row a"}));
  RecordingView view;
  RunState run(app_, &view);
  std::vector<std::string> file_list;
  EXPECT_EQ(GetMameData(run, &file_list), 3u);
  EXPECT_EQ(view.warnings,
            (std::vector<std::string>{
                In(app_, "listdetails.dat") +
                    ": has rows for 2 of 3 games; the last 1 got an empty driver name",
                In(app_, "gamelist.dat") +
                    ": has rows for 1 of 3 games; the last 2 got an empty driver status"}));
  EXPECT_EQ(run.List1[0],
            "||????||a|MAME|????/????|TLTC||Working  Correct Colors  Sound  Flip "
            "Screen |na|na|drva|^a");
  EXPECT_EQ(file_list, std::vector<std::string>{"VPLAUNCHER.DAT"});
}

// Today's MAME answers the old list options with an error and writes nothing; only -listxml
// works, written in two goes, as a real MAME writes on while the list is read.
class TodaysMameTest : public MameExtractionTest {
 protected:
  // `first_lines` come before its -listxml line in standin.txt.
  // `build` in place of 0.251's in the root element, when given.
  void InstallTodaysMame(const std::string& first_lines = "", const std::string& build = "") {
    std::string xml = NewListXml();
    if (!build.empty()) xml.replace(xml.find("0.251 (unknown)"), 15, build);
    WriteFile(In(mame_, "listxml.xml"), xml);
    // Each run's first argument goes to "runs".
    InstallMame(mame_, "@log runs\r\n" + first_lines + "-listxml print-slowly listxml.xml\r\n");
  }
  // Makes cfgs/mame.cfg name a script that runs MAME: in its place (`exec`), or as its child.
  void InstallLauncher(bool exec) {
    const bool bat = exe_.ends_with(".exe");
    const std::string launcher = bat ? "launch.bat" : "launch";
    const std::string sh = "#!/bin/sh\n" + std::string(exec ? "exec " : "") + "./" + exe_;
    WriteFile(In(mame_, launcher), bat ? "@" + exe_ + " %*\r\n" : sh + " \"$@\"\n");
    fs::permissions(In(mame_, launcher), fs::perms::owner_exec, fs::perm_options::add);
    WriteFile(In(front_, "cfgs/mame.cfg"), CrLf({"PATH=" + mame_, "EXE=" + launcher}));
  }
};

// Today's MAME is asked for -listxml alone: the build its output begins with shows that it has
// none of the old list options, so no script is written or run.
TEST_F(TodaysMameTest, ListxmlIsConvertedWhileMameWritesIt) {
  InstallTodaysMame();
  WriteFile(In(app_, "catvers/catver.ini"),
            CrLf({"[Category]", "pacman=Maze / Chase", "[VerAdded]", "pacman=0.30"}));
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_EQ(Lines().size(), 6u);  // MAME's four games and BIOS, and the pinball table
  // The converted game with its category (the conversion itself is checked on its own).
  EXPECT_TRUE(LineOf("pacman").starts_with(
      "pacman|Pac-Man (Midway)|1980|Namco (Midway license)|puckman|MAME|Maze / Chase|0.30||Working "
      "Yes"));
  EXPECT_EQ(ReadFile(In(app_, "listxml.xml")), NewListXml());
  EXPECT_EQ(ReadFile(In(mame_, "runs")), "-listxml\n");
  EXPECT_TRUE(Err().starts_with("Parsing MAME for listxml......\nConverting MAME listxml......\n"))
      << Err();
  EXPECT_CONTAINS(Err(), "  warnings: 0\n");
  EXPECT_CONTAINS(Report(), CrLf({"  MAME settings: " + In(front_, "cfgs/mame.cfg"),
                                  "  MAME: " + In(mame_, exe_) + ", build 0.251 (unknown)"}));
  EXPECT_CONTAINS(
      Report(),
      CrLf({"Sources:",
            "  MAME (listinfo.dat): 5 records (4 games, 1 resource), 1 device "
            "left out",
            "    (resources: BIOS and other sets that hold what games need, no game to play)",
            "    lists: converted from MAME's -listxml in this run",
            "    " + In("catvers", "catver.ini") + ": 1 set found, 4 not found, 4 given \"TLTC\"",
            "    (\"TLTC\": the category and version a set gets when catver.ini knows neither)",
            "    not found: astdelux, pocketgaldx, dummy, neogeo",
            "  " + In("dats", "VPLAUNCHER.DAT") + ": 1 record"}));
}

// A repeat run reads the lists of an unchanged MAME without running it; any change runs it again,
// straight with -listxml, as the stamp says it refused the old options. A damaged stamp says
// nothing, and a MAME that fails leaves no stamp for the lists put back.
TEST_F(TodaysMameTest, AStampedMameRunsOnlyWhenSomethingChanged) {
  const std::string mame = In(mame_, exe_), stamp = In(app_, "mamelists.stamp");
  auto resize = [](const std::string& path) {
    const auto time = fs::last_write_time(path);
    std::ofstream(path, std::ios::app) << "# one byte more\n";
    fs::last_write_time(path, time);
  };
  auto older = [&] { fs::last_write_time(mame, fs::last_write_time(mame) - 1h); };
  auto damage = [&] { fs::resize_file(stamp, fs::file_size(stamp) / 2); };
  // Another file of the same size over it, with the time copied back.
  auto replaced = [&] {
    const auto time = fs::last_write_time(mame);
    fs::copy_file(mame, mame + ".new");
    fs::rename(mame + ".new", mame);
    fs::last_write_time(mame, time);
  };
  // A launcher whose MAME says another version now.
  auto upgraded = [&] {
    WriteFile(In(mame_, "standin.txt"),
              "@log runs\n-version text 0.252\n-listxml print-slowly listxml.xml\n");
  };
  auto failing = [&] {
    resize(mame);
    WriteFile(In(mame_, "standin.txt"), "@log runs\n-listxml exit 3\n");
  };
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* option;
    const char* runs;              // MAME's first argument, one line per run
    bool stamped;                  // a stamp is there afterwards
    const char* first_lines = "";  // of standin.txt, before -listxml
    bool launcher = false;         // EXE is a script that runs MAME
    const char* build = "";        // in its -listxml, when not 0.251's
  };
  const char* version = "-version text 0.251 (unknown)\\n\r\n";
  const Case cases[] = {
      {"nothing changed", [] {}, nullptr, "", true},
      {"new size", [&] { resize(mame); }, nullptr, "-listxml\n", true},
      {"new time", older, nullptr, "-listxml\n", true},
      {"damaged stamp", damage, nullptr, "-listxml\n", true},
      {"list changed", [&] { resize(In(app_, "gamelist.dat")); }, nullptr, "-listxml\n", true},
      {"no list", [&] { fs::remove(In(app_, "listdetails.dat")); }, nullptr, "-listxml\n", true},
      {"refresh asked", [] {}, "--refresh-mame", "-listxml\n", true},
      {"MAME fails", failing, nullptr, "-listxml\n", false},
      // An older build is stopped at its root element and asked the old options. Refusing them
      // all, it is asked -listxml straight the next time; failing at -li is not refusing it.
      {"older build, then MAME upgraded", [&] { resize(mame); }, nullptr, "-listxml\n", true, "",
       false, "0.145u4 (Jun 3 2012)"},
      {"older build, -li failed, then MAME upgraded", [&] { resize(mame); }, nullptr,
       "-listxml\n-history_file\n-listdetails\n-gamelist\n-listxml\n", true, "-li exit 3\r\n",
       false, "0.145u4 (Jun 3 2012)"},
      {"same size and time, another file", replaced, nullptr, "-listxml\n", true},
      {"launcher, MAME unchanged", [] {}, nullptr, "-version\n", true, version, true},
      {"launcher, MAME upgraded", upgraded, nullptr, "-version\n-listxml\n", true, version, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallTodaysMame(c.first_lines, c.build);
    if (c.launcher) InstallLauncher(true);
    fs::remove(stamp);
    fs::remove(In(mame_, "runs"));
    ASSERT_EQ(Run(), 0) << Err();
    EXPECT_EQ(ReadFile(In(mame_, "runs")),
              *c.build == '\0' ? "-listxml\n"
                               : "-listxml\n-history_file\n-listdetails\n-gamelist\n-listxml\n");
    EXPECT_CONTAINS(Err(), "Parsing MAME for listxml......\nConverting MAME listxml......\n");
    const std::string first = MasterList();
    fs::remove(In(mame_, "runs"));
    c.change();
    ASSERT_EQ(Run(c.option), 0) << Err();
    EXPECT_EQ(FileExists(In(mame_, "runs")) ? ReadFile(In(mame_, "runs")) : "", c.runs);
    EXPECT_EQ(MasterList(), first);
    EXPECT_EQ(FileExists(stamp), c.stamped);
    // The status text and the report say so; what the conversion left out is known from the
    // stamp.
    const bool reused = !Contains(c.runs, "-listxml");
    const std::string report = Report(), lists = "the lists of MAME 0.251 (unknown)";
    EXPECT_EQ(Contains(Err(), "MAME unchanged, reusing " + lists + "......"), reused);
    EXPECT_EQ(Contains(report, "MAME was not run: " + lists + " were reused"), reused);
    if (reused) {
      EXPECT_CONTAINS(report, "(4 games, 1 resource), 1 device left out");
    }
  }
}

// Closing the window while MAME writes its list stops MAME; a conversion that fails for want of
// memory or of a thread ends as a MAME that fails does. Either way MAME is gone, the previous
// lists are back, and nothing else is left: no listxml.xml, no half list, no temporary file. The
// conversion works while MAME runs however busy the machine is. MAME is started by a launcher
// whose child it is, so the stop has to reach MAME, not only the program it started.
TEST_F(TodaysMameTest, AStoppedOrFailedConversionStopsMameAndLeavesThePreviousLists) {
  InstallTodaysMame();
  InstallLauncher(false);
  // More than the head that is read whatever the gate says, so that the gate is asked.
  WriteFile(In(mame_, "head.xml"), "<?xml version=\"1.0\"?>\n<mame build=\"0.251\">\n<!--" +
                                       std::string(kUngatedHead, 'x') + "-->\n");
  WriteFile(In(mame_, "standin.txt"), "-listxml pid; print head.xml; sleep 60\r\n");
  // The previous lists; read, they make MAME's category file in catvers/.
  const std::string listinfo = CrLf({"game (", "\tname a", ")", ""});
  WriteFile(In(app_, "listinfo.dat"), listinfo);
  WriteFile(In(app_, "listdetails.dat"), CrLf({"title", "| Game Name", "a        drva       A"}));
  WriteFile(In(app_, "gamelist.dat"), CrLf({"skipped", "row a"}));
  fs::create_directories(FsPath(In(app_, "catvers")));
  // Without a failure the run is stopped once the conversion has begun; with one, the conversion
  // fails where it asks whether to go on.
  struct Probe final : RecordingView, CoreGate {
    std::function<void()> fail;
    bool Yield() override { return fail || statuses.back() != "Converting MAME listxml......"; }
    bool Open() override { return fail ? (fail(), true) : true; }
  };
  const std::pair<std::function<void()>, std::string> cases[] = {
      {nullptr, ""},
      {[] { throw std::bad_alloc(); }, ": not converted, as the system had no more memory to give"},
      {[] { throw std::system_error(EAGAIN, std::generic_category()); }, ": not converted: "},
  };
  for (const auto& [fail, warning] : cases) {
    SCOPED_TRACE(warning);
    auto probe = std::make_shared<Probe>();
    probe->fail = fail;
    RunState run(app_, probe.get());
    std::vector<std::string> files;
    if (!fail) {
      EXPECT_THROW(GetMameData(run, &files, {}, probe), RunCancelled);
    } else {
      EXPECT_EQ(GetMameData(run, &files, {}, probe), 1u);
      const std::string start = In(app_, "listxml.xml") + warning;
      EXPECT_EQ(probe->warnings.at(0).substr(0, start.size()), start);
    }

    // The launcher's child is reaped by init, a moment after the stop.
    const long pid = std::stol(ReadFile(In(mame_, "pid")));
    for (int i = 0; i < 250 && ProcessRuns(pid); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(ProcessRuns(pid)) << "MAME still runs";
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(FsPath(app_)))
      left.insert(PathText(entry.path().filename()));
    EXPECT_EQ(left, (std::set<std::string>{"catvers", "dats", "gamelist.dat", "listdetails.dat",
                                           "listinfo.dat", "tabulonlog.txt"}));
    EXPECT_EQ(ReadFile(In(app_, "listinfo.dat")), listinfo);
  }
}

}  // namespace
}  // namespace tabulon
