// Whole runs with tabulon.ini, MAME being the stand-in that prints MAME 0.251's -listxml of the
// cabinet's sets.
#include <algorithm>
#include <filesystem>

#include "testing/cabinet.h"
#include "testing/front_end.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::In;
using testing::SplitCrLf;
using testing::WriteFile;

class ShapingRunTest : public testing::FrontEndTest {
 protected:
  void SetUp() override {
    InstallMame(mame_, "-listxml print " +
                           testing::TestData("listxml/mame0251_cabinet_excerpt.xml") + "\n");
    std::filesystem::create_directories(FsPath(app_));
  }
  // Every file the run writes, the report without its first line (the time of the run).
  std::vector<std::string> Outputs() {
    std::vector<std::string> report = SplitCrLf(Report());
    report.erase(report.begin());
    std::vector<std::string> outputs = {MasterList()};
    outputs.insert(outputs.end(), report.begin(), report.end());
    for (const char* name : {"tabulonlog.txt", "listinfo.dat", "listdetails.dat", "gamelist.dat",
                             "catvers/catver.ini"}) {
      outputs.push_back(testing::ReadFile(In(app_, name)));
    }
    return outputs;
  }
};

// Settings that leave nothing out leave every output as it is without them, byte for byte.
TEST_F(ShapingRunTest, SettingsThatLeaveNothingOutChangeNothing) {
  ASSERT_EQ(Run(), 0) << Err();
  ASSERT_EQ(Run(), 0) << Err();  // the repeat run, which reuses the lists, as all below do
  const std::vector<std::string> before = Outputs();
  const std::string ini = In(app_, "tabulon.ini");
  ASSERT_EQ(Run("--write-shaping-template"), 0) << Err();
  const std::pair<std::string, const char*> cases[] = {
      {"", nullptr},  // the template: every step off
      {"[Shaping]\r\nEnabled=0\r\n[Filters]\r\nHideBIOS=1\r\n", nullptr},
      {"[Filters]\r\nHideClones=1\r\n", "--no-shaping"},
  };
  for (const auto& [text, option] : cases) {
    if (!text.empty()) WriteFile(ini, text);
    ASSERT_EQ(Run(option), 0) << Err();
    EXPECT_EQ(Outputs(), before) << text;
    EXPECT_EQ(Err().find("shaping"), std::string::npos) << Err();
  }
}

// A cabinet: its ROM folders decide, then one set per family.
TEST_F(ShapingRunTest, CabinetProfile) {
  const std::vector<std::string> expected = testing::WriteCabinet(dir_, app_);
  ASSERT_EQ(Run(), 0) << Err();
  EXPECT_EQ(testing::MameSets(MasterList()), expected);
  // dkongj stands for dkong's family, which has no dkong: it is its own "clone of".
  EXPECT_CONTAINS(MasterList(), "|dkongj|MAME|");
  EXPECT_CONTAINS(Err(), "List Creation Complete (" + std::to_string(expected.size()) + " of ");
  const std::string report = Report();
  EXPECT_CONTAINS(report, "Shaping (tabulon.ini):\r\n  records in: ");
  EXPECT_CONTAINS(report, "bosco (device namco52)");
  EXPECT_CONTAINS(Err(), "tabulon.ini: RomPath: " + dir_ / "gone" + " is no folder; ");
  EXPECT_CONTAINS(report, "1942a (parent 1942)");
  EXPECT_CONTAINS(report, "  dats/: not shaped\r\n");
  // MAME's facts came with the conversion and were kept: a repeat run reads the kept file, and
  // without it listxml.xml, to the same list.
  const std::string shaped = MasterList();
  ASSERT_TRUE(IsFile(In(app_, "mamefacts.dat")));
  for (const bool kept : {true, false}) {
    if (!kept) std::filesystem::remove(FsPath(In(app_, "mamefacts.dat")));
    ASSERT_EQ(Run(), 0) << Err();
    EXPECT_EQ(MasterList(), shaped) << kept;
  }
}

}  // namespace
}  // namespace tabulon
