// tabulon-cli end to end on copies of the bundled demo front end.
#include "app/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using testing::SplitCrLf;
using testing::WriteFile;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::CopyDemoFrontEnd(dir_); }
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunCli(args, out_, err_);
  }
  std::string App() const { return dir_ / "Tabulon"; }

  testing::TempDir dir_;
  std::ostringstream out_, err_;
};

TEST_F(CliTest, DemoFrontEnd) {
  ASSERT_EQ(Run({"--app-dir", App()}), 0) << err_.str();
  EXPECT_EQ(out_.str(), dir_ / "masterlist.lst\n");
  // The demo's expected list, checked by hand: descriptions in order, rom names first, the
  // Vectrex dat's new category file giving placeholders.
  EXPECT_EQ(ReadFile(dir_ / "masterlist.lst"), testing::DemoMasterList());
  EXPECT_CONTAINS(err_.str(), "Parsing GCE - Vectrex Dat File\n");
  EXPECT_CONTAINS(err_.str(), "List Creation Complete\nSummary:\n");
  EXPECT_CONTAINS(err_.str(), InFolder("dats", "VPLAUNCHER.DAT: 4 records\n  ") +
                                  dir_ / "masterlist.lst: 16 lines written\n  warnings: 1\n");
  // The demo has no cfgs/mame.cfg and no MAME output from an earlier run.
  // The report's head: what the run worked with and what it made.
  const std::vector<std::string> report = SplitCrLf(ReadFile(App() + "/tabulonreport.txt"));
  ASSERT_GE(report.size(), 6u);
  EXPECT_TRUE(report[0].starts_with("Tabulon 5.0.0 report of 20")) << report[0];
  const std::string cfg = dir_ / "cfgs/mame.cfg";
  EXPECT_EQ(std::vector(report.begin() + 1, report.begin() + 6),
            (std::vector<std::string>{
                "  application folder: " + App(),
                "  master list: " + dir_ / "masterlist.lst" + ", 16 lines written",
                "  MAME settings: none (no " + cfg + ")",
                "  MAME: not run: no " + InFolder("cfgs", "mame.cfg") + " in " + dir_.path() +
                    PathSeparator() +
                    ": MAME was not run, and no earlier MAME lists are here; MAME's games are left "
                    "out",
                "Summary:"}));
}

TEST_F(CliTest, FailedRunKeepsThePreviousMasterList) {
  // A folder in the master list's place: it cannot be written.
  std::filesystem::create_directory(dir_ / "masterlist.lst");
  EXPECT_EQ(Run({"--app-dir", App()}), 1);
  // The reason is the system's own ("Is a directory", "Access denied").
  const std::string error = dir_ / "masterlist.lst: cannot write: ";
  EXPECT_CONTAINS(err_.str(), "tabulon-cli: error: " + error);
  EXPECT_EQ(out_.str(), "");
  EXPECT_CONTAINS(ReadFile(App() + "/tabulonreport.txt"), "The run failed: " + error);
}

TEST_F(CliTest, QuintaraLayout) {
  ASSERT_EQ(Run({"--quintara", "--app-dir=" + App()}), 0) << err_.str();
  const std::vector<std::string> lines = SplitCrLf(ReadFile(dir_ / "masterlist.lst"));
  ASSERT_EQ(lines.size(), 16u);
  for (const std::string& line : lines) EXPECT_EQ(std::ranges::count(line, '|'), 37) << line;
}

TEST_F(CliTest, MakesTheWorkingFoldersOfAnEmptyApplicationFolder) {
  std::string app = dir_ / "Empty";
  std::filesystem::create_directory(app);
  ASSERT_EQ(Run({"--app-dir", app}), 0) << err_.str();
  EXPECT_TRUE(std::filesystem::is_directory(app + "/dats"));
  EXPECT_TRUE(std::filesystem::is_directory(app + "/catvers"));
  EXPECT_EQ(ReadFile(dir_ / "masterlist.lst"), "");
}

TEST_F(CliTest, ConvertListxmlAlone) {
  WriteFile(dir_ / "good.xml",
            "<mame><machine name=\"a\"><description>A</description></machine></mame>\n");
  // What a killed run kept aside is older than lists converted since, and goes.
  WriteFile(App() + "/.listinfo.dat.kept", "game (\r\n\tname old\r\n)\r\n");
  // So is an earlier MAME's XML, whose facts the shaping would check ROM folders against.
  WriteFile(App() + "/listxml.xml", "<mame/>");
  WriteFile(App() + "/mamefacts.dat", "");
  ASSERT_EQ(Run({"--convert-listxml", dir_ / "good.xml", "--app-dir", App()}), 0) << err_.str();
  for (const char* gone : {"/.listinfo.dat.kept", "/listxml.xml", "/mamefacts.dat"}) {
    EXPECT_FALSE(testing::FileExists(App() + gone)) << gone;
  }
  EXPECT_EQ(out_.str(), InFolder(App(), "listinfo.dat\n"));
  EXPECT_EQ(err_.str(),
            "Converted " + dir_ / "good.xml" + ": 1 games, 0 resources, 0 devices left out\n");
  const std::string listinfo = "game (\r\n\tname a\r\n\tdescription \"A\"\r\n)\r\n\r\n";
  EXPECT_EQ(ReadFile(App() + "/listinfo.dat"), listinfo);

  WriteFile(dir_ / "bad.xml", "<mame>\n<machine name=\"b\">\n</mame>\n");
  EXPECT_EQ(Run({"--convert-listxml", dir_ / "bad.xml", "--app-dir", App()}), 1);
  EXPECT_EQ(err_.str(), "tabulon-cli: error: " + dir_ / "bad.xml" +
                            ":3: malformed XML at column 3: mismatched tag\n");
  EXPECT_EQ(ReadFile(App() + "/listinfo.dat"), listinfo);  // the last good one kept
}

// An application folder that a run would go wrong in is refused before anything is made there.
TEST_F(CliTest, ApplicationFoldersThatCannotWork) {
  const std::pair<std::string, std::string> cases[] = {
      // The front-end folder itself: it holds cfgs and no dats.
      {dir_.path(), dir_.path() +
                        ": is the front-end folder (it holds cfgs and no dats); give "
                        "the application folder inside it, such as --app-dir \"" +
                        dir_ / "Tabulon\""},
      {dir_ / "Gone/Tabulon", dir_ / "Gone" + PathSeparator() + ": no such folder: "},
  };
  testing::WriteFile(dir_ / "cfgs/mame.cfg", "PATH=/x\r\n");
  for (const auto& [app, error] : cases) {
    std::filesystem::remove_all(dir_ / "Tabulon");
    EXPECT_EQ(Run({"--app-dir", app}), 1);
    EXPECT_CONTAINS(err_.str(), "tabulon-cli: error: " + error);
    // Nothing beside cfgs: no dats, no report, no master list.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1) << app;
  }
}

// A mistake in the shaping settings stops the run before anything is made or read.
TEST_F(CliTest, ShapingSettingsAreCheckedFirst) {
  const std::string ini = InFolder(App(), "tabulon.ini");
  ASSERT_EQ(Run({"--write-shaping-template", "--app-dir", App()}), 0) << err_.str();
  EXPECT_EQ(out_.str(), ini + "\n");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--write-shaping-template"},
       ini + ": exists already; Tabulon does not write over it (rename or delete it first)\n"},
      {{"--set", "Filters.YearFrom=19x0"},
       "--set: Filters.YearFrom=19x0: write a year of 4 digits, or nothing for no bound\n"
       "tabulon-cli: the master list was not written; the previous one is unchanged\n"},
      {{"--shaping", dir_ / "gone.ini"},
       dir_ / "gone.ini: no such file: give the settings file to read, or leave out --shaping\n"
              "tabulon-cli: the master list was not written; the previous one is unchanged\n"}};
  for (const auto& [args, error] : cases) {
    std::vector<std::string> all = {"--app-dir", App()};
    all.insert(all.end(), args.begin(), args.end());
    EXPECT_EQ(Run(all), 1);
    EXPECT_EQ(err_.str(), "tabulon-cli: error: " + error);
    EXPECT_FALSE(testing::FileExists(App() + "/tabulonreport.txt")) << args[0];
  }
  WriteFile(ini, "[Availability]\r\nMatch=fuzzy\r\n");
  EXPECT_EQ(Run({"--app-dir", App()}), 1);
  EXPECT_CONTAINS(err_.str(), ini + ":2: Match=fuzzy: write name-or-crc, name or crc\n");
  ASSERT_EQ(Run({"--app-dir", App(), "--no-shaping"}), 0) << err_.str();
  EXPECT_EQ(ReadFile(dir_ / "masterlist.lst"), testing::DemoMasterList());
}

TEST_F(CliTest, BadArguments) {
  EXPECT_EQ(Run({"--frobnicate"}), 2);
  EXPECT_EQ(err_.str().substr(0, 51), "tabulon-cli: error: unknown argument '--frobnicate'");
  EXPECT_EQ(Run({"--no-shaping", "--set", "Filters.HideBIOS=1"}), 2);
  EXPECT_CONTAINS(err_.str(), "error: --no-shaping cannot go with --shaping or --set: give one");
  EXPECT_EQ(Run({"--app-dir"}), 2);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(out_.str().substr(0, 18), "usage: tabulon-cli");
}

}  // namespace
}  // namespace tabulon
