// XML dats in dats/: told by their content, read as the block dat the -listxml conversion writes
// for them, and a malformed one costs only what follows its fault.
#include "mame/xml_dat.h"

#include <gtest/gtest.h>

#include "app/generation_run.h"
#include "mame/listxml_converter.h"
#include "platform/files.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using Lines = std::vector<std::string>;

// The master list of a run over one dat, dats/one.dat.
Lines Generate(const std::string& bytes, testing::RecordingView* view = nullptr) {
  testing::TempDir dir;
  testing::WriteFile(dir / "Gen/dats/one.dat", bytes);
  RunState run(dir / "Gen", view);
  Lines file_list = {"one.dat"};
  RunGeneration(run, &file_list);
  return testing::SplitCrLf(ReadFile(dir / "masterlist.lst"));
}

// A dat of today's collections gives one record per game, with its description, its own name as
// clone-of and the emulator its header names. MAME 0.78's -listxml, which has no header, gives
// the master list of the listinfo.dat its conversion writes.
TEST(XmlDatTest, RealXmlDatsAsTheirBlockDats) {
  const Lines fds = Generate(ReadFile(testing::TestData(
      "logiqx/Nintendo_-_Family_Computer_Disk_System_Headered_20180610-093800.xml")));
  EXPECT_EQ(fds.size(), 320u);
  EXPECT_EQ(testing::LineStartingWith(fds, "Ai Senshi"),
            "Ai Senshi Nicol (Japan)|Ai Senshi Nicol (Japan)|????||Ai Senshi Nicol (Japan)|"
            "Nintendo - Family Computer Disk System [Headered]|????/????|????||na|na|na||");

  const std::string listxml = testing::TestData("mame_dats/mame078_listxml.xml");
  testing::TempDir converted;
  ConvertListXmlFile(listxml, converted.path());
  const Lines from_xml = Generate(ReadFile(listxml));
  EXPECT_EQ(from_xml, Generate(ReadFile(converted / "listinfo.dat")));
  EXPECT_GT(from_xml.size(), 4700u);
}

// A fault halfway: the warning names the line and column, and the games before it are kept.
TEST(XmlDatTest, MalformedXmlKeepsTheGamesBeforeTheFault) {
  testing::RecordingView view;
  EXPECT_EQ(Generate("\xEF\xBB\xBF\r\n <datafile>\n<header><name>Tiny</name></header>\n"
                     "<game name=\"a\"><description>A</description></game>\n"
                     "<game name=\"b\"><description>B</description></game>\n"
                     "<game name=\"c\"><description>C</descriptio></game>\n",
                     &view),
            (Lines{"a|A|????||a|Tiny|????/????|????||na|na|na||",
                   "b|B|????||b|Tiny|????/????|????||na|na|na||"}));
  EXPECT_EQ(view.warnings.back(),
            InFolder("dats", "one.dat") +
                ":6: malformed XML at column 32: mismatched tag; the records before the "
                "fault are kept");
}

}  // namespace
}  // namespace tabulon
