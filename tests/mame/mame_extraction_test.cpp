// MAME extraction end to end: the front end's mame.cfg, the scripts, the runs of a stand-in old
// MAME (and of Debian's real one), the side files, the run log and the complete run.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/cli.h"
#include "app/generation_run.h"
#include "mame/bat_scripts.h"
#include "mame/mame_data.h"
#include "mame/mame_run.h"
#include "platform/error.h"
#include "platform/process.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

namespace fs = std::filesystem;
using testing::CrLf;
using testing::FileExists;
using testing::ReadFile;
using testing::RecordingView;
using testing::SplitCrLf;
using testing::TempDir;
using testing::WriteFile;

TEST(MameConfigTest, PathAndExe) {
  struct Case {
    std::string text, path, exe;
  };
  const Case cases[] = {
      {"PATH=C:\\MAME\r\nEXE=mame.exe\r\n", "C:\\MAME", "mame.exe"},
      {"[General]\r\npath = /opt/mame \r\nexe= mame\r\n", "/opt/mame", "mame"},
      {" PATH=/ignored\r\nPathName=/x\r\nEXE=m\r\n", "/x", "m"},  // a leading space hides a key
      {"EXE=early\r\nPATH=/x\r\nEXE=late\r\n", "/x", "late"},
      {"PATH=/a=b\r\nEXE=m=n\r\n", "/a", "m"},
      {"PATH=\r\nEXE=\tm\r\n", "", "\tm"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir / "mame.cfg", c.text);
    MameConfig config = ReadMameConfig(dir / "mame.cfg");
    EXPECT_EQ(config.path, c.path) << c.text;
    EXPECT_EQ(config.exe, c.exe) << c.text;
  }
}

TEST(MameConfigTest, UnusableFilesNameWhatIsMissing) {
  struct Case {
    std::string text, message;
  };
  const Case cases[] = {
      {"EXE=m\r\n", "mame.cfg: no PATH line"},
      {"EXE=m\r\nPATH=/x\r\n\r\n", "mame.cfg: no EXE line after the PATH line (line 2)"},
      {"PATHS\r\nEXE=m\r\n", "mame.cfg:1: the PATH line has no \"=\""},
      {"PATH=/x\r\nexecutable\r\n", "mame.cfg:2: the EXE line has no \"=\""},
      {"PATH=/x\nEXE=m\n",
       "mame.cfg: no EXE line after the PATH line (line 1) (the file has LF line ends only; its "
       "lines must end with CR LF)"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir / "mame.cfg", c.text);
    try {
      ReadMameConfig(dir / "mame.cfg");
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), dir.path() + "/" + c.message);
    }
  }
}

TEST(BatScriptsTest, LinesQuoteAndEscapeTheOutputFolder) {
  TempDir dir;
  const std::string app = dir / "a \"b\" $c `d` \\e";
  fs::create_directory(app);
  const std::string quoted = dir.path() + "/a \\\"b\\\" \\$c \\`d\\` \\\\e";
  EXPECT_EQ(ScriptLine(MameList::kListinfo, "mame", app),
            "mame -history_file vantrelinc.dat -mameinfo_file vantrel123.dat -li > \"" + quoted +
                "/listinfo.dat\"");
  EXPECT_EQ(ScriptLine(MameList::kListdetails, "mame64 -x", app),
            "mame64 -x -listdetails >\"" + quoted + "/listdetails.dat\"");
  // A folder that does not exist has no short form: the output goes to the root.
  EXPECT_EQ(ScriptLine(MameList::kGamelist, "mame", dir / "gone"), "mame -gamelist >\"/gamelist.dat\"");

  MakeGLBat(dir.path() + "/", "mame", app);
  EXPECT_EQ(ReadFile(dir / "gamelist.bat"), "mame -gamelist >\"" + quoted + "/gamelist.dat\"\r\n");
  KillBats(dir.path() + "/");
  KillBats(dir.path() + "/");  // already gone: no error
  EXPECT_FALSE(FileExists(dir / "gamelist.bat"));
}

// A small -listxml in old MAME's dialect for the stand-in: two games, a clone and a BIOS holder.
constexpr char kListXml[] = R"xml(<?xml version="1.0"?>
<mame build="0.78 (Dec 24 2003)">
	<game name="pacman" sourcefile="pacman.c">
		<description>Pac-Man (Midway)</description>
		<year>1980</year>
		<manufacturer>Namco (Midway license)</manufacturer>
		<chip type="cpu" name="Z80" clock="3072000"/>
		<video screen="raster" orientation="vertical" width="224" height="288" aspectx="3" aspecty="4" refresh="60.606060"/>
		<sound channels="1"/>
		<input players="2" control="joy4way" buttons="1" coins="2"/>
		<driver status="good" color="good" sound="good" palettesize="16"/>
	</game>
	<game runnable="no" name="neogeo">
		<description>Neo-Geo</description><year>1990</year><manufacturer>SNK</manufacturer>
	</game>
	<game name="mspacman" cloneof="pacman" romof="pacman">
		<description>Ms. Pac-Man</description>
		<year>1981</year>
		<manufacturer>Midway</manufacturer>
		<chip type="cpu" name="Z80" clock="3072000"/>
		<video screen="raster" orientation="vertical" width="224" height="288" aspectx="3" aspecty="4" refresh="60.606060"/>
		<driver status="preliminary" color="imperfect" sound="imperfect" palettesize="16"/>
	</game>
</mame>
)xml";

// A front end whose folders have spaces, quotes and a command substitution in their names, with
// the stand-in installed as "mame" in its MAME folder.
class MameExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    front_ = dir_ / "Front \"End\" $(touch pwned) `touch pwned2`";
    app_ = front_ + "/Tabulon $HOME";
    mame_ = front_ + "/MAME 0.78";
    fs::create_directories(app_ + "/dats");
    fs::create_directories(mame_);
    fs::copy_file(OLDMAME_EXE, mame_ + "/mame");
    WriteFile(mame_ + "/listxml.xml", kListXml);
    WriteFile(front_ + "/cfgs/mame.cfg", CrLf({"[MAME]", "PATH=" + mame_, "EXE=mame"}));
    WriteFile(app_ + "/dats/VPLAUNCHER.DAT", CrLf({"Tee'd Off\\\\a\\b\\1993\\Gottlieb\\Historic"}));
  }

  int RunCli() {
    out_.str("");
    err_.str("");
    return tabulon::RunCli({"--app-dir", app_}, out_, err_);
  }

  TempDir dir_;
  std::string front_, app_, mame_;
  std::ostringstream out_, err_;
};

TEST_F(MameExtractionTest, OldMameEndToEnd) {
  ASSERT_EQ(RunCli(), 0) << err_.str();
  EXPECT_EQ(SplitCrLf(ReadFile(front_ + "/masterlist.lst")),
            (std::vector<std::string>{
                // No catver.ini yet: it is created with placeholders. The stand-in marks a
                // non-working clone of a working parent "No(1)", as old MAME did.
                "mspacman|Ms. Pac-Man|1981|Midway|pacman|MAME|????/????|TLTC||Working No(1) Correct Colors "
                "Close Sound Partial Flip Screen Yes|screen raster orientation vertical x 224 y 288 "
                "aspectx 3 aspecty 4 freq 60.606060|na|pacman.c|",
                "neogeo|Neo-Geo|1990|SNK|neogeo|MAME|????/????|TLTC|||na|na||",
                "pacman|Pac-Man (Midway)|1980|Namco (Midway license)|pacman|MAME|????/????|TLTC||Working "
                "Yes Correct Colors Yes Sound Yes Flip Screen Yes|screen raster orientation vertical "
                "x 224 y 288 aspectx 3 aspecty 4 freq 60.606060|players 2 control joy4way buttons 1 "
                "coins 2|pacman.c|",
                "Tee'd Off|Tee'd Off|1993|Gottlieb|Tee'd Off|VisualPinball|Pinball \\ "
                "Simulation|????||na|na|na|na|",
            }));
  EXPECT_EQ(ReadFile(app_ + "/tabulonlog.txt"),
            "Mame Data Extraction complete\r\nGoing to Parse Other Dats\r\n");
  for (const char* script : {"listinfo.bat", "listdetails.bat", "gamelist.bat"}) {
    EXPECT_FALSE(FileExists(mame_ + "/" + script)) << script;
  }
  for (const char* output : {"listinfo.dat", "listdetails.dat", "gamelist.dat"}) {
    EXPECT_TRUE(FileExists(app_ + "/" + output)) << output;
  }
  // Nothing in a folder name ran as a command.
  for (const std::string& folder : {mame_, front_, app_, dir_.path()}) {
    EXPECT_FALSE(FileExists(folder + "/pwned")) << folder;
    EXPECT_FALSE(FileExists(folder + "/pwned2")) << folder;
  }
  for (const char* status : {"Parsing MAME for listinfo......\n",
                             "Parsing MAME for Driver information......\n",
                             "Parsing MAME for gamelist......\n", "Parsing MAME Dat File\n",
                             "  MAME (listinfo.dat): 3 records\n", "  warnings: 0\n"}) {
    EXPECT_NE(err_.str().find(status), std::string::npos) << status << " not in\n" << err_.str();
  }

  // Without mame.cfg MAME is not run, but the outputs the last run left are read again.
  const std::string first = ReadFile(front_ + "/masterlist.lst");
  fs::remove(front_ + "/cfgs/mame.cfg");
  fs::remove(mame_ + "/mame");
  ASSERT_EQ(RunCli(), 0) << err_.str();
  EXPECT_EQ(ReadFile(front_ + "/masterlist.lst"), first);
}

TEST_F(MameExtractionTest, MissingMameOrUnusableConfigGoesOnWithTheDats) {
  struct Case {
    std::vector<std::string> cfg;
    std::string warning;
  };
  const Case cases[] = {
      {{"PATH=" + mame_, "EXE=mame.exe"}, ""},
      {{"PATH=", "EXE=mame"}, ""},
      {{"PATH=" + mame_ + "/missing", "EXE=mame"}, ""},
      {{"EXE=mame", "PATH=" + mame_},
       "warning: " + front_ + "/cfgs/mame.cfg: no EXE line after the PATH line (line 2); "
       "MAME's games are left out\n"},
  };
  for (const Case& c : cases) {
    WriteFile(front_ + "/cfgs/mame.cfg", CrLf(c.cfg));
    ASSERT_EQ(RunCli(), 0) << err_.str();
    EXPECT_NE(err_.str().find("MAME.exe missing, searching for other dats....\n"),
              std::string::npos);
    if (!c.warning.empty()) {
      EXPECT_NE(err_.str().find(c.warning), std::string::npos) << err_.str();
    }
    EXPECT_EQ(SplitCrLf(ReadFile(front_ + "/masterlist.lst")).size(), 1u);
    EXPECT_EQ(ReadFile(app_ + "/tabulonlog.txt"), "Bats Complete, Initial File Open\r\n");
    EXPECT_FALSE(FileExists(mame_ + "/listinfo.bat"));
  }
}

TEST_F(MameExtractionTest, RunsThatCannotBeWaitedOn) {
  struct Case {
    std::string failing_script;
    bool run_ends;
  };
  const Case cases[] = {{"listinfo.bat", true}, {"gamelist.bat", false}};
  for (const Case& c : cases) {
    RecordingView view;
    RunState run(app_, &view);
    run.script_runner = [&](const std::string& folder, const std::string& script,
                            std::string* error) {
      if (script == c.failing_script) {
        *error = "gone";
        return false;
      }
      return RunScriptAndWait(folder, script, nullptr, error);
    };
    std::vector<std::string> file_list;
    LoadAppFolder(run, &file_list);
    if (c.run_ends) {
      EXPECT_THROW(RunGeneration(run, &file_list), MameListinfoFailed);
      EXPECT_EQ(ReadFile(app_ + "/tabulonlog.txt"), "Making Bats\r\n");
    } else {
      RunGeneration(run, &file_list);
    }
    ASSERT_EQ(view.messages.size(), 1u);
    const MameList list = c.run_ends ? MameList::kListinfo : MameList::kGamelist;
    EXPECT_EQ(view.messages[0],
              "Error Accessing Mame\nError parsing mame:  Last command run is:\r\n" + mame_ + "/" +
                  c.failing_script + "\r\nBat file contains:  \r\n" +
                  ScriptLine(list, "mame", app_));
    fs::remove(front_ + "/masterlist.lst");
  }
}

TEST_F(MameExtractionTest, LeftoverOutputsWithShortSideFiles) {
  fs::remove(front_ + "/cfgs/mame.cfg");
  WriteFile(app_ + "/listinfo.dat",
            CrLf({"game (", "\tname a", ")", "", "game (", "\tname b", ")", "", "game (",
                  "\tname c", ")", ""}));
  // listdetails.dat's second line begins with "| Game Name": the gamelist header search stops
  // on it at once and only the one line after it is skipped.
  WriteFile(app_ + "/listdetails.dat",
            CrLf({"title", "| Game Name", "a        drva       A", "b        drvb       B"}));
  WriteFile(app_ + "/gamelist.dat", CrLf({"skipped", "row a"}));
  RecordingView view;
  RunState run(app_, &view);
  std::vector<std::string> file_list;
  EXPECT_EQ(GetMameData(run, &file_list), 3u);
  EXPECT_EQ(view.warnings,
            (std::vector<std::string>{
                app_ + "/listdetails.dat: has rows for 2 of 3 games; the last 1 got an empty driver "
                       "name",
                app_ + "/gamelist.dat: has rows for 1 of 3 games; the last 2 got an empty driver "
                       "status"}));
  EXPECT_EQ(run.List1[0], "||????||a|MAME|????/????|TLTC||Working  Correct Colors  Sound  Flip "
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
              "if [ \"$1\" = -listxml ]; then cat listxml.xml; exit 0; fi\n"
              "echo \"Error: unknown option: $1\" >&2\n"
              "exit 1\n");
    fs::permissions(mame_ + "/mame", fs::perms::owner_all, fs::perm_options::replace);
  }
};

constexpr char kModernXml[] = R"xml(<?xml version="1.0"?>
<mame build="0.251">
	<machine name="pacman" sourcefile="pacman/pacman.cpp">
		<description>Pac-Man (Midway)</description>
		<year>1980</year>
		<manufacturer>Namco (Midway license)</manufacturer>
		<display type="raster" rotate="90" width="288" height="224" refresh="60.606061"/>
		<sound channels="1"/>
		<input players="2" coins="2"><control type="joy" ways="4"/></input>
		<driver status="good" emulation="good" savestate="supported"/>
	</machine>
	<machine name="neogeo" isbios="yes" sourcefile="neogeo/neogeo.cpp">
		<description>Neo-Geo</description><year>1990</year><manufacturer>SNK</manufacturer>
	</machine>
	<machine name="z80" isdevice="yes"><description>Zilog Z80</description></machine>
	<machine name="mslug" romof="neogeo" sourcefile="neogeo/neogeo.cpp">
		<description>Metal Slug - Super Vehicle-001</description>
		<year>1996</year>
		<manufacturer>Nazca</manufacturer>
		<display type="raster" rotate="0" width="320" height="224" refresh="59.185606"/>
		<input players="2" coins="2"><control type="joy" ways="8" buttons="4"/></input>
		<driver status="good" emulation="good" cocktail="preliminary"/>
		<feature type="sound" status="imperfect"/>
	</machine>
</mame>
)xml";

TEST_F(TodaysMameTest, ListxmlIsConvertedWhileMameWritesIt) {
  InstallMame(kModernXml);
  WriteFile(app_ + "/catvers/catver.ini",
            CrLf({"[Category]", "pacman=Maze / Chase", "mslug=Shooter / Run and Gun",
                  "[VerAdded]", "pacman=0.30", "mslug=0.104"}));
  ASSERT_EQ(RunCli(), 0) << err_.str();
  EXPECT_EQ(SplitCrLf(ReadFile(front_ + "/masterlist.lst")),
            (std::vector<std::string>{
                "mslug|Metal Slug - Super Vehicle-001|1996|Nazca|mslug|MAME|Shooter / Run and Gun|"
                "0.104||Working Yes Correct Colors Yes Sound Partial Flip Screen No|screen raster "
                "orientation horizontal x 320 y 224 freq 59.185606|players 2 control joy8way "
                "buttons 4 coins 2|neogeo|",
                "neogeo|Neo-Geo|1990|SNK|neogeo|MAME|TLTC|TLTC|||na|na||",
                "pacman|Pac-Man (Midway)|1980|Namco (Midway license)|pacman|MAME|Maze / Chase|0.30||"
                "Working Yes Correct Colors Yes Sound Yes Flip Screen Yes|screen raster orientation "
                "vertical x 224 y 288 freq 60.606061|players 2 control joy4way buttons 0 coins 2|"
                "pacman|",
                "Tee'd Off|Tee'd Off|1993|Gottlieb|Tee'd Off|VisualPinball|Pinball \\ "
                "Simulation|????||na|na|na|na|",
            }));
  EXPECT_EQ(ReadFile(app_ + "/listxml.xml"), kModernXml);
  EXPECT_EQ(ReadFile(app_ + "/tabulonlog.txt"),
            "Mame Data Extraction complete\r\nGoing to Parse Other Dats\r\n");
  EXPECT_FALSE(FileExists(mame_ + "/listinfo.bat"));
  const std::string err = err_.str();
  EXPECT_LT(err.find("Parsing MAME for gamelist......\n"),
            err.find("Parsing MAME for listxml......\nConverting MAME listxml......\n"));
  EXPECT_NE(err.find("  warnings: 0\n"), std::string::npos) << err;
}

TEST_F(TodaysMameTest, MameFolderThatTakesNoScriptsStillGivesTheGames) {
  InstallMame(kModernXml);
  // A folder in place of a script makes writing it fail, as a read-only /usr/games does for a
  // user who is not root.
  fs::create_directory(mame_ + "/listdetails.bat");
  ASSERT_EQ(RunCli(), 0) << err_.str();
  EXPECT_NE(err_.str().find("warning: " + mame_ + "/listdetails.bat: cannot write: Is a "
                            "directory; MAME's old list options are not tried\n"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(err_.str().find("Parsing MAME for listinfo......"), std::string::npos);
  EXPECT_EQ(SplitCrLf(ReadFile(front_ + "/masterlist.lst")).size(), 4u);
  EXPECT_FALSE(FileExists(mame_ + "/listinfo.bat"));
}

TEST_F(TodaysMameTest, MalformedListxmlSkipsMameAndKeepsTheDats) {
  InstallMame("<?xml version=\"1.0\"?>\n<mame>\n\t<machine name=\"a\">\n\t</mame>\n");
  ASSERT_EQ(RunCli(), 0) << err_.str();
  EXPECT_NE(err_.str().find("warning: " + app_ + "/listxml.xml:4: malformed XML at column 4: "
                            "mismatched tag; MAME's games are left out, the dats of dats/ are "
                            "still read\n"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(SplitCrLf(ReadFile(front_ + "/masterlist.lst")).size(), 1u);
  // The XML is kept for the user to look at; the lists hold only what MAME's refused old options
  // left (nothing): no half conversion.
  EXPECT_EQ(ReadFile(app_ + "/listxml.xml"), "<?xml version=\"1.0\"?>\n<mame>\n\t<machine name=\"a\">\n\t</mame>\n");
  for (const char* output : {"listinfo.dat", "listdetails.dat", "gamelist.dat"}) {
    EXPECT_EQ(ReadFile(app_ + "/" + output), "") << output;
  }
  EXPECT_FALSE(FileExists(mame_ + "/listinfo.bat"));
}

TEST(DebianMameTest, EveryGameOfTodaysMameWithItsCategory) {
  if (!FileExists("/usr/games/mame")) {
    FAIL() << "Debian's MAME (/usr/games/mame) is missing: scripts/setup-debian.sh installs it";
  }
  std::string catver = testing::SharedDataAsCrLf("catver/catver_0.262_progettosnaps.ini");
  if (catver.empty()) return;
  TempDir dir;
  WriteFile(dir / "cfgs/mame.cfg", CrLf({"PATH=/usr/games", "EXE=mame"}));
  WriteFile(dir / "Gen/catvers/catver.ini", catver);
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--app-dir", dir / "Gen"}, out, err), 0) << err.str();

  // Every game and BIOS block of the converted list is a line of the master list.
  const std::string listinfo = ReadFile(dir / "Gen/listinfo.dat");
  size_t blocks = 0;
  for (size_t pos = 0; (pos = listinfo.find(" (\r\n\tname ", pos)) != std::string::npos; ++pos) {
    ++blocks;
  }
  std::vector<std::string> lines = SplitCrLf(ReadFile(dir / "masterlist.lst"));
  EXPECT_GT(blocks, 35000u);
  EXPECT_EQ(lines.size(), blocks);
  EXPECT_NE(err.str().find("  warnings: 0\n"), std::string::npos) << err.str();
  auto line = std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind("pacman|", 0) == 0; });
  ASSERT_NE(line, lines.end());
  EXPECT_EQ(line->substr(0, line->find("||")), "pacman|Pac-Man (Midway)|1980|Namco (Midway license)|"
                                               "puckman|MAME|Maze / Collect|0.1");
  EXPECT_FALSE(FileExists("/usr/games/listinfo.bat"));
}

TEST(RealOldMameTest, Mame078EndToEnd) {
  std::string xz = testing::SharedData("mame_dats/mame078_listxml.xml.xz");
  if (xz.empty()) return;
  TempDir dir;
  fs::create_directories(dir / "MAME");
  fs::copy_file(OLDMAME_EXE, dir / "MAME/mame");
  ASSERT_EQ(std::system(("xz -dc '" + xz + "' > '" + dir / "MAME/listxml.xml'").c_str()), 0);
  WriteFile(dir / "cfgs/mame.cfg", CrLf({"PATH=" + dir / "MAME", "EXE=mame"}));
  fs::create_directories(dir / "Gen/catvers");
  WriteFile(dir / "Gen/catvers/catver.ini",
            testing::SharedDataAsCrLf("catver/catver_0.78_catlist_rev2.ini"));
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--app-dir", dir / "Gen"}, out, err), 0) << err.str();
  std::vector<std::string> lines = SplitCrLf(ReadFile(dir / "masterlist.lst"));
  EXPECT_EQ(lines.size(), 4720u);
  EXPECT_NE(err.str().find("  warnings: 0\n"), std::string::npos) << err.str();
  auto line = std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind("mspacman|", 0) == 0; });
  ASSERT_NE(line, lines.end());
  EXPECT_EQ(*line,
            "mspacman|Ms. Pac-Man|1981|Midway|mspacman|MAME|Maze|.37b16||Working Yes Correct Colors "
            "Yes Sound Yes Flip Screen Yes|screen raster orientation vertical x 224 y 288 aspectx 3 "
            "aspecty 4 freq 60.606060|players 2 control joy4way coins 2|mspacman.c|");
}

}  // namespace
}  // namespace tabulon
