// The dat reader: CLRMAMEPRO and listinfo dats, the rules front ends depend on, MAME's own list
// with its side files, and real dats.
#include "datparse/dat_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>

#include "mame/mame_side_files.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ToCrLf;
using testing::WriteFile;
using Lines = std::vector<std::string>;

class DatReaderTest : public ::testing::Test {
 protected:
  Lines Read(const std::string& name, const std::string& bytes) {
    WriteFile(dir_ / ("dats/" + name), bytes);
    GetListInfo(name, run_);
    return Records();
  }
  Lines Records() { return Lines(run_.List1.Items().begin(), run_.List1.Items().end()); }

  testing::TempDir dir_;
  testing::RecordingView view_;
  RunState run_{dir_.path(), &view_};
};

TEST_F(DatReaderTest, ListinfoDatRules) {
  WriteFile(dir_ / "catvers/catver.ini", ToCrLf("[Category]\ncvs=Maze\n[VerAdded]\ncvs=.31\n"));
  EXPECT_EQ(
      Read(
          "rules.dat",
          // The first ten lines are the header zone and never give a game, even a block that
          // starts on the tenth. A block with no separator line after it loses the next block's
          // opening line; a stray line joins the next block; two lines after the last
          // separator make one more record.
          ToCrLf(
              "game (\n\tname lost\n)\n\n\n\n\n\n\ngame (\n\tname lost2\n)\n\n"
              "game (\n\tname cvs\n\tdescription \"CVS, year 1981 model\"\n\tyear 1982\n)\n"
              "game (\n\tname g3\n)\n\nstray line\ngame (\n\tname g4\n\trom ( name x )\n"
              "\tROM ( name y )\n\thistory \"h\"\n\tdriver ( status good )\n\tvideo (\n)\n\n\n\n")),
      (Lines{"|CVS, year 1981 model|1981 model||cvs|MAME|Maze|.31||na|na|na||^cvs",
             "||????||g3|MAME|???? / ????|????||na|na|na||^g3",
             "||????||g4|MAME|???? / ????|????|| status good ||na||^g4",
             "||????|||MAME|???? / ????|????||na|na|na||^"}));
  EXPECT_EQ(run_.lgame, "");
}

TEST_F(DatReaderTest, DatsThatGiveNoGameSaySo) {
  const std::string header_only =
      InFolder("dats", "x.dat") +
      ": the file ends within its first ten lines, which are never scanned for games; "
      "no game was read";
  const std::pair<std::string, Lines> cases[] = {
      {ToCrLf("game (\n\tname a\n)\n"), {header_only}},
      {ToCrLf("clrmamepro (\n\tdescription x\n)\ngame (\n\tdescription y\n)\n"),
       {InFolder("dats", "x.dat") + ": the CLRMAMEPRO header has no name line; no game was read"}}};
  for (const auto& [bytes, warnings] : cases) {
    view_.warnings.clear();
    EXPECT_TRUE(Read("x.dat", bytes).empty());
    EXPECT_EQ(run_.slots.LEmu, "MAME");
    EXPECT_EQ(view_.warnings, warnings);
  }
}

// MAME's own listinfo.dat, read with its side files open: the n-th game takes the n-th row of
// each, resources none. A category or version not found reads "TLTC".
TEST_F(DatReaderTest, MameListWithSideFiles) {
  WriteFile(dir_ / "catvers/catver.ini",
            ToCrLf("[Category]\nmslug=Shooter\n[VerAdded]\nmslug=.104\n"));
  // The first block is never taken for a resource; the block after cvs's, which has no
  // separator, is skipped, so cosmos is a game only by position.
  WriteFile(
      dir_ / "listinfo.dat",
      ToCrLf("resource (\n\tname neogeo\n)\n\ngame (\n\tname mslug\n\tromof neogeo\n"
             "\tdescription \"Metal Slug\"\n\tyear 1996\n\tdriver ( status good )\n)\n\n"
             "resource (\n\tname cvs\n)\ngame (\n\tname cosmos\n)\n\ngame (\n\tname puckman\n)\n"));
  WriteFile(
      dir_ / "listdetails.dat",
      ToCrLf("neogeo   neogeo.c   Z80\nmslug    neogeo.c   68000\ncosmos   cvs.c      2650\n"));
  WriteFile(dir_ / "gamelist.dat",
            ToCrLf("| Neo-Geo                          |  Yes  |  Yes  |  Yes  |  Yes  |\n"
                   "| Metal Slug                       |  Yes  |  Yes  |Partial|  Yes  |\n"
                   "| Cosmos                           |   No  | Close |   No  |   No  |\n"));
  MameSideFiles side_files(std::make_unique<LineReader>(dir_ / "listdetails.dat"),
                           std::make_unique<LineReader>(dir_ / "gamelist.dat"));
  GetListInfo("listinfo.dat", run_, &side_files);
  const std::string yes = "Working Yes Correct Colors Yes Sound ";
  EXPECT_EQ(
      Records(),
      (Lines{"|Metal Slug|1996||mslug|MAME|Shooter|.104||" + yes +
                 "Partial Flip Screen Yes|na|na|neogeo.c|^mslug",
             "||????||cosmos|MAME|TLTC|TLTC||Working No Correct Colors Close Sound No Flip "
             "Screen No|na|na|cvs.c|^cosmos",
             "||????||cvs|MAME|TLTC|TLTC|||na|na||^cvs",
             "||????||neogeo|MAME|TLTC|TLTC||" + yes + "Yes Flip Screen Yes|na|na|neogeo.c|^neogeo",
             "||????||puckman|MAME|TLTC|TLTC|||na|na||^puckman"}));
  EXPECT_EQ(side_files.listdetails_short(), 1u);  // puckman found no rows
  EXPECT_EQ(side_files.gamelist_short(), 1u);
}

// Real dats, as a Windows cabinet would have them (CR LF); a UTF-8 byte order mark, as Windows
// editors save one, changes nothing.
TEST_F(DatReaderTest, RealConsoleAndMameDats) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"clrmamepro/Sega_-_SG-1000.dat", "Sega - SG-1000", ""},
      {"clrmamepro/Sega_-_SG-1000.dat", "Sega - SG-1000", "\xEF\xBB\xBF"},
      {"mame_dats/libretro_MAME_2003_0.78_nonmerged.dat",
       "MAME 2003 - Full Non-Merged TorrentZipped Working Romsets", ""}};
  Lines previous;
  for (const auto& [file, emulator, mark] : cases) {
    const std::string bytes = testing::TestDataAsCrLf(file);
    run_.List1.Clear();
    const Lines records = Read(file.substr(file.find('/') + 1), mark + bytes);
    EXPECT_EQ(run_.slots.LEmu, emulator);
    EXPECT_EQ(std::ssize(records), std::ranges::count(testing::SplitCrLf(bytes), "game (")) << file;
    if (!mark.empty()) {
      EXPECT_EQ(records, previous);
    }
    previous = records;
    // Every record has its 13 separators and a rom name behind "^".
    for (const std::string& record : records) {
      ASSERT_EQ(std::count(record.begin(), record.end(), '|'), 13) << record;
      ASSERT_NE(record.back(), '^') << record;
    }
  }
  EXPECT_TRUE(view_.warnings.empty());
}

}  // namespace
}  // namespace tabulon
