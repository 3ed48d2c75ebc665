// The dat reader: CLRMAMEPRO and listinfo dats, its long-standing quirks, MAME's own list with
// its side files, and real dats.
#include "datparse/dat_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "mame/mame_side_files.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::RecordingView;
using testing::TempDir;
using testing::WriteFile;

class DatReaderTest : public ::testing::Test {
 protected:
  std::vector<std::string> Read(const std::string& name, const std::string& bytes) {
    WriteFile(dir_ / ("dats/" + name), bytes);
    GetListInfo(name, run_);
    const std::vector<std::string_view>& items = run_.List1.Items();
    return std::vector<std::string>(items.begin(), items.end());
  }

  TempDir dir_;
  RecordingView view_;
  RunState run_{dir_.path(), &view_};
};

TEST(CleanLineTest, DropsLineEndsTabsAndQuotesThenTrimsSpaces) {
  struct Case {
    std::string raw, expected;
  };
  // One buffer for all, longer lines before shorter ones, as the reader uses it.
  const Case cases[] = {
      {"\tdescription \"Pac-Man (Midway)\"  \r", "description Pac-Man (Midway)"},
      {"\t  \"  name  x \"\t", "name  x"},
      {"a\"b\tc\nd", "abcd"},
      {" \t\" ", ""},
      {")", ")"},
      {"", ""},
  };
  std::string line = "left over";
  for (const Case& c : cases) {
    CleanLine(c.raw, &line);
    EXPECT_EQ(line, c.expected) << c.raw;
  }
}

TEST(GetSlotTest, TakesTheRestOfTheLineOfTheFirstOccurrence) {
  const std::string block =
      "\r\nname puckman\r\ndescription Year of the dragon, year 1980\r\n"
      "year 1981\r\ndriver ( status good color good sound good )";
  struct Case {
    std::string search, expected;
  };
  const Case cases[] = {
      {"name ", "puckman"},
      {"year ", "1980"},  // found inside the description first
      {"driver (", "( status good color good sound good )"},
      {"cloneof ", "untouched"},
  };
  for (const Case& c : cases) {
    std::string slot = "untouched";
    GetSlot(block, c.search, &slot);
    EXPECT_EQ(slot, c.expected) << c.search;
  }
}

TEST_F(DatReaderTest, ClrmameproDatWithoutCategoryFile) {
  std::vector<std::string> records =
      Read("neo.dat", CrLf({"clrmamepro (",
                            "\tName \"Neo-Geo\"",
                            "\tdescription \"x\"",
                            ")",
                            "",
                            "game (",
                            "\tname \"puckman\"",
                            "\tdescription \"PuckMan (Japan set 1)\"",
                            "\tyear 1980",
                            "\tmanufacturer \"Namco\"",
                            "\trom ( name pm1 size 1 crc 0 )",
                            "\tvideo ( screen raster orientation vertical x 224 y 288 )",
                            "\tinput ( players 2 control joy4way buttons 1 coins 2 )",
                            "\tdriver ( status good color good sound good )",
                            ")",
                            "",
                            "game (",
                            "\tname pacman",
                            "\tcloneof puckman",
                            "\tdescription \"Pac-Man (Midway)\"",
                            "\tmanufacturer \"Namco (Midway license)\"",
                            ")"}));
  EXPECT_EQ(records,
            (std::vector<std::string>{
                "|Pac-Man (Midway)|????|Namco (Midway license)|puckman|Neo-Geo|????/????|????||na|"
                "na|na||^pacman",
                "|PuckMan (Japan set 1)|1980|Namco|puckman|Neo-Geo|????/????|????|| status good "
                "color good sound good |screen raster orientation vertical x 224 y 288|players 2 "
                "control joy4way buttons 1 coins 2||^puckman"}));
  EXPECT_EQ(ReadFile(dir_ / "catvers/Neo-Geocatver.ini"),
            CrLf({"", "[Category]", "puckman=????/????", "pacman=????/????", "[VerAdded]",
                  "puckman=????", "pacman=????"}));
  EXPECT_TRUE(view_.warnings.empty());
}

TEST_F(DatReaderTest, ListinfoDatQuirks) {
  WriteFile(dir_ / "catvers/catver.ini",
            CrLf({"[Category]", "cvs=Maze / Chase", "[VerAdded]", "cvs=.31"}));
  std::vector<std::string> records =
      Read("quirks.dat",
           CrLf({// The first ten lines are the header zone and never give a game.
                 "game (",
                 "\tname lost",
                 "\tdescription \"Lost\"",
                 ")",
                 "",
                 "",
                 "",
                 "",
                 "",
                 "",
                 "game (",
                 "\tname cvs",
                 "\tdescription \"CVS, year 1981 model\"",
                 "\tyear 1982",
                 ")",
                 "game (",  // no separator: this opening line is skipped as one
                 "\tname g3",
                 ")",
                 "",
                 "stray line",  // joins the next block
                 "game (",
                 "\tname g4",
                 "\trom ( name x )",
                 "\tROM ( name y )",
                 "\thistory \"h\"",
                 "\tdriver ( status good )",
                 "\tvideo (",
                 ")",
                 "",
                 "",  // two more lines after the separator make one more record
                 ""}));
  EXPECT_EQ(records,
            (std::vector<std::string>{
                "|CVS, year 1981 model|1981 model||cvs|MAME|Maze / Chase|.31||na|na|na||^cvs",
                "||????||g3|MAME|???? / ????|????||na|na|na||^g3",
                "||????||g4|MAME|???? / ????|????|| status good ||na||^g4",
                "||????|||MAME|???? / ????|????||na|na|na||^",
            }));
  EXPECT_EQ(run_.lgame, "");
}

TEST_F(DatReaderTest, DatsThatGiveNoGameSaySo) {
  const std::string dat = InFolder("dats", "x.dat");
  const std::string header_only = dat +
                                  ": the file ends within its first ten lines, which are never "
                                  "scanned for games; no game was read";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {CrLf({"game (", "\tname a", ")"}), {header_only}},
      {CrLf({"clrmamepro (", "\tdescription x", ")", "game (", "\tdescription y", ")"}),
       {dat + ": the CLRMAMEPRO header has no name line; no game was read"}},
      {std::string(12, '\n') + "game (\n\tname a\n)\n\n",
       {header_only,
        dat + ": the file has LF line ends only; lines end at CR LF or CR, so it was read as a "
              "single line"}},
  };
  for (const auto& [bytes, warnings] : cases) {
    view_.warnings.clear();
    EXPECT_TRUE(Read("x.dat", bytes).empty());
    EXPECT_EQ(run_.slots.LEmu, "MAME");
    EXPECT_EQ(view_.warnings, warnings);
  }
}

// MAME's own listinfo.dat, read with its side files open.
class MameModeTest : public DatReaderTest {
 protected:
  std::vector<std::string> ReadMame(const std::string& listinfo,
                                    const std::vector<std::string>& details,
                                    const std::vector<std::string>& gamelist) {
    WriteFile(dir_ / "listinfo.dat", listinfo);
    WriteFile(dir_ / "listdetails.dat", CrLf(details));
    WriteFile(dir_ / "gamelist.dat", CrLf(gamelist));
    side_files_ =
        std::make_unique<MameSideFiles>(std::make_unique<LineReader>(dir_ / "listdetails.dat"),
                                        std::make_unique<LineReader>(dir_ / "gamelist.dat"));
    GetListInfo("listinfo.dat", run_, side_files_.get());
    const std::vector<std::string_view>& items = run_.List1.Items();
    return std::vector<std::string>(items.begin(), items.end());
  }

  std::unique_ptr<MameSideFiles> side_files_;
};

TEST_F(MameModeTest, GamesPairWithSideRowsAndResourcesDoNot) {
  WriteFile(dir_ / "catvers/catver.ini",
            CrLf({"[Category]", "mslug=Shooter / Run and Gun", "[VerAdded]", "mslug=.104"}));
  std::vector<std::string> records =
      ReadMame(CrLf({"resource (",  // the first block is never taken for a resource
                     "\tname neogeo",
                     "\tdescription \"Neo-Geo\"",
                     ")",
                     "",
                     "game (",
                     "\tname mslug",
                     "\tromof neogeo",
                     "\tdescription \"Metal Slug\"",
                     "\tyear 1996",
                     "\tdriver ( status good color good sound good )",
                     ")",
                     "",
                     "resource (",
                     "\tname cvs",
                     "\tdescription \"CVS Bios\"",
                     ")",
                     "game (",  // skipped as the separator: cosmos is a game only by position
                     "\tname cosmos",
                     "\tdescription \"Cosmos\"",
                     ")",
                     "",
                     "game (",
                     "\tname puckman",
                     "\tdescription \"PuckMan\"",
                     ")",
                     ""}),
               {"neogeo   neogeo.c   Z80", "mslug    neogeo.c   68000", "cosmos   cvs.c      2650"},
               {"| Neo-Geo                          |  Yes  |  Yes  |  Yes  |  Yes  | neogeo   |",
                "| Metal Slug                       |  Yes  |  Yes  |Partial|  Yes  | mslug    |",
                "| Cosmos                           |   No  | Close |   No  |   No  | cosmos   |",
                "| PuckMan                          |  Yes  |  Yes  |  Yes  |  Yes  | puckman  |"});
  EXPECT_EQ(records,
            (std::vector<std::string>{
                "|Cosmos|????||cosmos|MAME|TLTC|TLTC||Working No Correct Colors Close Sound No "
                "Flip Screen No|na|na|cvs.c|^cosmos",
                "|CVS Bios|????||cvs|MAME|TLTC|TLTC|||na|na||^cvs",
                "|Metal Slug|1996||mslug|MAME|Shooter / Run and Gun|.104||Working Yes Correct "
                "Colors Yes Sound Partial Flip Screen Yes|na|na|neogeo.c|^mslug",
                "|Neo-Geo|????||neogeo|MAME|TLTC|TLTC||Working Yes Correct Colors Yes Sound Yes "
                "Flip Screen Yes|na|na|neogeo.c|^neogeo",
                "|PuckMan|????||puckman|MAME|TLTC|TLTC||Working Yes Correct Colors Yes Sound Yes "
                "Flip Screen Yes|na|na||^puckman",
            }));
  EXPECT_EQ(side_files_->listdetails_short(), 1u);  // puckman found no listdetails row
  EXPECT_EQ(side_files_->gamelist_short(), 0u);
}

TEST_F(MameModeTest, MissingCatverGivesPlaceholderCategoryAndTltcVersion) {
  std::vector<std::string> records =
      ReadMame(CrLf({"game (", "\tname a", "\tdescription \"A\"", ")", ""}), {}, {});
  EXPECT_EQ(records, std::vector<std::string>{"|A|????||a|MAME|????/????|TLTC|||na|na||^a"});
  EXPECT_EQ(side_files_->gamelist_short(), 1u);
}

// Real dats, as a Windows cabinet would have them (CR LF).
TEST_F(DatReaderTest, RealConsoleAndMameDats) {
  struct Case {
    std::string file, emulator;
  };
  const Case cases[] = {
      {"clrmamepro/GCE_-_Vectrex.dat", "GCE - Vectrex"},
      {"clrmamepro/Sega_-_SG-1000.dat", "Sega - SG-1000"},
      {"mame_dats/libretro_MAME_2003_0.78_nonmerged.dat",
       "MAME 2003 - Full Non-Merged TorrentZipped Working Romsets"},
  };
  for (const Case& c : cases) {
    std::string bytes = testing::TestDataAsCrLf(c.file);
    if (bytes.empty()) return;
    size_t blocks = 0;
    for (size_t pos = 0; (pos = bytes.find("\r\ngame (\r\n", pos)) != std::string::npos; ++pos) {
      ++blocks;
    }
    run_.List1.Clear();
    std::string name = c.file.substr(c.file.find('/') + 1);
    std::vector<std::string> records = Read(name, bytes);
    EXPECT_EQ(run_.slots.LEmu, c.emulator);
    EXPECT_EQ(records.size(), blocks) << c.file;
    // Every record has its 13 separators and a rom name behind "^".
    for (const std::string& record : records) {
      ASSERT_EQ(std::count(record.begin(), record.end(), '|'), 13) << record;
      ASSERT_NE(record.back(), '^') << record;
    }
    EXPECT_TRUE(testing::FileExists(dir_ / ("catvers/" + c.emulator + "catver.ini")));
  }
  EXPECT_TRUE(view_.warnings.empty());
}

}  // namespace
}  // namespace tabulon
