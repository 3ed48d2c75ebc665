// tabulon-cli end to end on copies of the bundled demo front end.
#include "app/cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(std::string(TABULON_SOURCE_DIR) + "/examples/frontend", dir_.path(),
                          std::filesystem::copy_options::recursive);
    // The demo's mame.cfg points at Debian's MAME; these tests are about the dats alone.
    std::filesystem::remove_all(dir_ / "cfgs");
  }
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunCli(args, out_, err_);
  }
  std::string App() const { return dir_ / "Tabulon"; }
  std::string MasterList() const { return ReadFile(dir_ / "masterlist.lst"); }

  testing::TempDir dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(CliTest, DemoFrontEnd) {
  ASSERT_EQ(Run({"--app-dir", App()}), 0) << err_.str();
  EXPECT_EQ(out_.str(), dir_ / "masterlist.lst\n");
  // The demo's expected list, checked by hand: descriptions in order, rom names first, the
  // Vectrex dat's new category file giving placeholders. The demo has no cfgs/mame.cfg and no
  // MAME output from an earlier run.
  EXPECT_EQ(MasterList(),
            ReadFile(std::string(TABULON_SOURCE_DIR) + "/tests/app/demo_masterlist.lst"));
  EXPECT_EQ(err_.str(), "warning: " + App() +
                            "/listinfo.dat: not found (MAME did not write it, and no earlier run "
                            "left one); MAME's games are left out, the dats of dats/ are still "
                            "read\nParsing MAME Dat File\nParsing GCE - Vectrex Dat File\n"
                            "Parsing VisualPinball Dat File\nList Creation Complete\nSummary:\n"
                            "  dats/Arcade Classics.dat: 7 records\n  dats/Vectrex.dat: 5 records\n"
                            "  dats/VPLAUNCHER.DAT: 4 records\n  " +
                            dir_ / "masterlist.lst: 16 lines written\n  warnings: 1\n");

  ASSERT_EQ(Run({"--quintara", "--app-dir=" + App()}), 0) << err_.str();
  const std::vector<std::string> quintara = testing::SplitCrLf(MasterList());
  ASSERT_EQ(quintara.size(), 16u);
  for (const std::string& line : quintara) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 37) << line;
  }
}

// A failed run says why in one line, exits with 1 and keeps the previous master list; bad
// arguments exit with 2.
TEST_F(CliTest, Failures) {
  WriteFile(dir_ / "masterlist.lst", "previous\r\n");
  // A folder where the Vectrex category file has to be created makes the run fail.
  std::filesystem::create_directory(App() + "/catvers/GCE - Vectrexcatver.ini");
  EXPECT_EQ(Run({"--app-dir", App()}), 1);
  EXPECT_TRUE(err_.str().ends_with(
      "tabulon-cli: error: " + App() +
      "/catvers/GCE - Vectrexcatver.ini: cannot write: Is a directory\n"
      "tabulon-cli: the master list was not written; the previous one is unchanged\n"))
      << err_.str();
  EXPECT_EQ(MasterList(), "previous\r\n");
  EXPECT_EQ(out_.str(), "");

  EXPECT_EQ(Run({"--frobnicate"}), 2);
  EXPECT_TRUE(err_.str().starts_with("tabulon-cli: error: unknown argument '--frobnicate'\n"));
  EXPECT_EQ(Run({"--app-dir"}), 2);
}

// A good file is converted; a bad one is an error that writes nothing, not even a temporary
// file.
TEST_F(CliTest, ConvertListxmlAlone) {
  // MAME before 0.162: "game" elements, the control on the input element.
  WriteFile(dir_ / "good.xml",
            "<mame><game name=\"a\"><description>A</description>"
            "<input players=\"2\" control=\"joy4way\"/></game></mame>\n");
  const std::string listinfo =
      "game (\r\n\tname a\r\n\tdescription \"A\"\r\n\tinput ( players 2 control joy4way buttons 0 "
      ")\r\n)\r\n\r\n";
  ASSERT_EQ(Run({"--convert-listxml", dir_ / "good.xml", "--app-dir", App()}), 0) << err_.str();
  EXPECT_EQ(out_.str(), App() + "/listinfo.dat\n");
  EXPECT_EQ(err_.str(),
            "Converted " + dir_ / "good.xml" + ": 1 games, 0 resources, 0 devices left out\n");
  EXPECT_EQ(ReadFile(App() + "/listinfo.dat"), listinfo);

  WriteFile(App() + "/gamelist.dat", "old");
  WriteFile(dir_ / "bad.xml", "<mame>\n<machine name=\"b\">\n</mame>\n");
  EXPECT_EQ(Run({"--convert-listxml", dir_ / "bad.xml", "--app-dir", App()}), 1);
  EXPECT_EQ(err_.str(), "tabulon-cli: error: " + dir_ / "bad.xml" +
                            ":3: malformed XML at column 3: mismatched tag\n");
  EXPECT_EQ(ReadFile(App() + "/listinfo.dat") + ReadFile(App() + "/gamelist.dat"),
            listinfo + "old");
  // dats, catvers and the three lists
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(App()), {}), 5);
}

}  // namespace
}  // namespace tabulon
