// The -listxml conversion: both XML dialects line by line, fed whole and in small pieces;
// malformed XML; and MAME 0.78's real -listxml read back through the dat reader.
#include "mame/listxml_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "datparse/dat_reader.h"
#include "platform/error.h"
#include "platform/strings.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::SplitCrLf;
using testing::TempDir;
using testing::WriteFile;

using Lines = std::vector<std::string>;

const Lines kDetailsHead = {" romname driver     description",
                            "-------- ---------- --------------------------"};
const std::string kBorder =
    "+----------------------------------+-------+-------+-------+-------+----------+";
const Lines kGamelistHead = {
    "This is the list of games of MAME, converted from its -listxml output.",
    "",
    kBorder,
    "|                                  |       |Correct|       |Screen | Internal |",
    "| Game Name                        |Working|Colors | Sound | Flip  |   Name   |",
    kBorder};

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class ListXmlConverterTest : public ::testing::Test {
 protected:
  // Converts `xml` fed in pieces of `chunk` bytes (0: all at once).
  ListXmlCounts Convert(const std::string& xml, size_t chunk) {
    ListXmlConverter converter(dir_.path(), "listxml.xml");
    if (chunk == 0) chunk = xml.size();
    for (size_t pos = 0; pos < xml.size(); pos += chunk) {
      converter.Feed(xml.data() + pos, std::min(chunk, xml.size() - pos));
    }
    converter.Finish();
    return converter.counts();
  }

  // The whole file must be exactly these lines, each ended by CR LF.
  void ExpectFile(const std::string& name, const Lines& lines, size_t chunk) {
    std::string bytes = ReadFile(dir_ / name);
    EXPECT_EQ(SplitCrLf(bytes), lines) << name << ", fed in pieces of " << chunk;
    EXPECT_EQ(bytes, CrLf(lines)) << name << " has a line end other than CR LF";
  }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
};

// Today's dialect. The description of pocketgaldx has 31 ASCII bytes before a three-byte en
// dash, so a cut at 33 bytes would split it.
const char kNewDialect[] = R"xml(<?xml version="1.0"?>
<mame build="0.251 (unknown)" debug="no" mameconfig="10">
	<machine name="neogeo" sourcefile="neogeo/neogeo.cpp" isbios="yes">
		<description>Neo-Geo MV-6F</description>
		<year>1990</year>
		<manufacturer>SNK</manufacturer>
	</machine>
	<machine name="z80" sourcefile="emu/cpu/z80/z80.cpp" isdevice="yes" runnable="no">
		<description>Zilog Z80</description>
	</machine>
	<machine name="pacman" sourcefile="pacman/pacman.cpp" cloneof="puckman" romof="puckman">
		<description>Pac-Man (Midway)</description>
		<year>1980</year>
		<manufacturer>Namco (Midway license)</manufacturer>
		<display tag="screen" type="raster" rotate="90" width="288" height="224" refresh="60.606061" />
		<display tag="lcd" type="lcd" rotate="0" width="100" height="50" refresh="50" />
		<sound channels="1"/>
		<input players="2" coins="2"><control type="joy" player="1" ways="4"/></input>
		<driver status="good" emulation="good" cocktail="preliminary" savestate="supported"/>
	</machine>
	<machine name="astdelux" sourcefile="atari/asteroid.cpp" cloneof="asteroid" romof="asteroid">
		<description>Asteroids Deluxe &quot;rev 3&quot; &amp; more</description>
		<display tag="screen" type="vector" rotate="0" refresh="61.523438" />
		<sound channels="1"/>
		<input players="2" coins="2"><control type="only_buttons" buttons="5"/></input>
		<driver status="imperfect" emulation="good" savestate="unsupported"/>
		<feature type="palette" status="imperfect"/>
		<feature type="sound" overall="imperfect"/>
	</machine>
	<machine name="pocketgaldx" sourcefile="pocketgaldeluxe.cpp" romof="decocass">
		<description>Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition</description>
		<year>1993</year>
		<manufacturer>Data East &amp; Nihon System</manufacturer>
		<display tag="screen" type="raster" rotate="270" width="320" height="240" refresh="58" />
		<input players="1" coins="1">
			<control type="joy" player="1" ways="vertical2"/>
			<control type="joy" player="2" buttons="3" ways="8"/>
		</input>
		<driver status="preliminary" emulation="preliminary" savestate="unsupported"/>
		<feature type="palette" status="unemulated"/>
		<feature type="sound" status="imperfect" overall="unemulated"/>
	</machine>
	<machine name="dummy" runnable="yes">
		<description>Two
lines&#9;and&#13;tab</description>
		<year></year>
		<input players="0"/>
	</machine>
</mame>
)xml";

TEST_F(ListXmlConverterTest, NewDialectGivesTheThreeListsInStep) {
  for (size_t chunk : {size_t{0}, size_t{1}, size_t{7}}) {
    ListXmlCounts counts = Convert(kNewDialect, chunk);
    EXPECT_EQ(counts.games, 4u);
    EXPECT_EQ(counts.resources, 1u);
    EXPECT_EQ(counts.devices, 1u);
    ExpectFile("listinfo.dat",
               {"game (",
                "\tname pacman",
                "\tdescription \"Pac-Man (Midway)\"",
                "\tyear 1980",
                "\tmanufacturer \"Namco (Midway license)\"",
                "\tcloneof puckman",
                "\tromof puckman",
                "\tvideo ( screen raster orientation vertical x 224 y 288 freq 60.606061 )",
                "\tsound ( channels 1 )",
                "\tinput ( players 2 control joy4way buttons 0 coins 2 )",
                "\tdriver ( status good color good sound good )",
                ")",
                "",
                "game (",
                "\tname astdelux",
                "\tdescription \"Asteroids Deluxe \"rev 3\" & more\"",
                "\tcloneof asteroid",
                "\tromof asteroid",
                "\tvideo ( screen vector orientation horizontal freq 61.523438 )",
                "\tsound ( channels 1 )",
                "\tinput ( players 2 control only_buttons buttons 5 coins 2 )",
                "\tdriver ( status imperfect color imperfect sound imperfect )",
                ")",
                "",
                "game (",
                "\tname pocketgaldx",
                "\tdescription \"Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition\"",
                "\tyear 1993",
                "\tmanufacturer \"Data East & Nihon System\"",
                "\tromof decocass",
                "\tvideo ( screen raster orientation vertical x 240 y 320 freq 58 )",
                "\tinput ( players 1 control joy2way buttons 0 coins 1 )",
                "\tdriver ( status preliminary color preliminary sound imperfect )",
                ")",
                "",
                "game (",
                "\tname dummy",
                "\tdescription \"Two lines and tab\"",
                "\tinput ( players 0 buttons 0 )",
                ")",
                "",
                "resource (",
                "\tname neogeo",
                "\tdescription \"Neo-Geo MV-6F\"",
                "\tyear 1990",
                "\tmanufacturer \"SNK\"",
                ")",
                ""},
               chunk);
    ExpectFile(
        "listdetails.dat",
        Concat(kDetailsHead, {"pacman   pacman     Pac-Man (Midway)",
                              "astdelux asteroid   Asteroids Deluxe \"rev 3\" & more",
                              "pocketga pocketgald Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition",
                              "dummy               Two lines and tab"}),
        chunk);
    ExpectFile(
        "gamelist.dat",
        Concat(
            kGamelistHead,
            {"| Pac-Man (Midway)                 |  Yes  |  Yes  |  Yes  |   No  | pacman   |",
             "| Asteroids Deluxe \"rev 3\" & more  |  Yes  | Close |Partial|  Yes  | astdelux |",
             "| Pocket Gal Deluxe (Euro v3.00)   |   No  |   No  |Partial|  Yes  | pocketgaldx |",
             "| Two lines and tab                |  Yes  |  Yes  |  Yes  |  Yes  | dummy    |",
             kBorder}),
        chunk);
  }
}

// MAME before 0.162: game elements, a video element, BIOS sets not runnable, and the driver's
// own color and sound.
TEST_F(ListXmlConverterTest, OldDialectGivesTheThreeListsInStep) {
  const char xml[] = R"xml(<?xml version="1.0"?>
<mame build="0.78 (Dec 24 2003)">
	<game name="puckman">
		<description>PuckMan (Japan set 1)</description>
		<video screen="raster" orientation="vertical" width="224" height="288" aspectx="3" aspecty="4" refresh="60.606060"/>
		<sound channels="1"/>
		<input players="2" control="joy4way" coins="2"/>
		<driver status="good" color="good" sound="good" palettesize="16"/>
	</game>
	<game runnable="no" name="neogeo">
		<description>Neo-Geo</description>
	</game>
	<game name="88games">
		<description>'88 Games</description>
		<input players="4" buttons="4" coins="2"/>
		<driver status="preliminary" color="imperfect" sound="preliminary" palettesize="2048"/>
	</game>
</mame>
)xml";
  ListXmlCounts counts = Convert(xml, 0);
  EXPECT_EQ(counts.games, 2u);
  EXPECT_EQ(counts.resources, 1u);
  EXPECT_EQ(counts.devices, 0u);
  ExpectFile("listinfo.dat",
             {"game (",
              "\tname puckman",
              "\tdescription \"PuckMan (Japan set 1)\"",
              "\tvideo ( screen raster orientation vertical x 224 y 288 freq 60.606060 )",
              "\tsound ( channels 1 )",
              "\tinput ( players 2 control joy4way buttons 0 coins 2 )",
              "\tdriver ( status good color good sound good )",
              ")",
              "",
              "game (",
              "\tname 88games",
              "\tdescription \"'88 Games\"",
              "\tinput ( players 4 buttons 4 coins 2 )",
              "\tdriver ( status preliminary color imperfect sound preliminary )",
              ")",
              "",
              "resource (",
              "\tname neogeo",
              "\tdescription \"Neo-Geo\"",
              ")",
              ""},
             0);
  ExpectFile("listdetails.dat",
             Concat(kDetailsHead,
                    {"puckman             PuckMan (Japan set 1)", "88games             '88 Games"}),
             0);
  ExpectFile(
      "gamelist.dat",
      Concat(kGamelistHead,
             {"| PuckMan (Japan set 1)            |  Yes  |  Yes  |  Yes  |  Yes  | puckman  |",
              "| '88 Games                        |   No  | Close |   No  |  Yes  | 88games  |",
              kBorder}),
      0);
}

// XML that is not well-formed names the file, line and column, writes nothing, and
// leaves the lists of an earlier run as they were.
TEST_F(ListXmlConverterTest, MalformedXmlLeavesTheOldListsAlone) {
  struct Case {
    std::string xml, message;
  };
  const Case cases[] = {
      // expat points at the tag's name and at the byte where the ";" belongs.
      {"<mame>\n\t<machine name=\"a\">\n\t\t<description>A</descr>\n",
       "listxml.xml:3: malformed XML at column 19: mismatched tag"},
      {"<mame>\n\t<machine name=\"a\"><description>A &amp B</description>",
       "listxml.xml:2: malformed XML at column 39: not well-formed (invalid token)"},
      {"<mame>\n\t<machine name=\"a\">\n",
       "listxml.xml:3: malformed XML at column 1: no element found"},
      {"Unknown command 'listxml'\n", "listxml.xml:1: malformed XML at column 1: syntax error"},
  };
  const Lines old_files = {"gamelist.dat", "listdetails.dat", "listinfo.dat"};
  for (const std::string& name : old_files) WriteFile(dir_ / name, "old " + name + "\r\n");
  for (const Case& c : cases) {
    try {
      Convert(c.xml, 0);
      ADD_FAILURE() << "no error for " << c.xml;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(FolderEntries(), old_files) << c.xml;
    for (const std::string& name : old_files) {
      EXPECT_EQ(ReadFile(dir_ / name), "old " + name + "\r\n");
    }
  }
  std::filesystem::remove(dir_ / "listinfo.dat");
  EXPECT_THROW(Convert(cases[0].xml, 0), Error);
  EXPECT_EQ(FolderEntries(), (Lines{"gamelist.dat", "listdetails.dat"}));
}

// MAME 0.78's real -listxml read back as the MAME extraction reads it: every game block takes
// exactly one row of each side file, and the rows belong to their games.
TEST_F(ListXmlConverterTest, RealMame078ReadsBackThroughTheDatReader) {
  std::string packed = testing::SharedData("mame_dats/mame078_listxml.xml.xz");
  if (packed.empty()) return;
  std::string xml = dir_ / "mame078.xml";
  ASSERT_EQ(std::system(("xz -dc '" + packed + "' > '" + xml + "'").c_str()), 0)
      << "xz could not unpack " << packed;

  ListXmlCounts counts = ConvertListXmlFile(xml, dir_.path());
  EXPECT_EQ(counts.games, 4705u);
  EXPECT_EQ(counts.resources, 15u);
  EXPECT_EQ(counts.devices, 0u);

  // The side files stand at their first rows as the MAME extraction leaves them.
  testing::RecordingView view;
  RunState run(dir_.path(), &view);
  run.listdetails = std::make_unique<LineReader>(dir_ / "listdetails.dat");
  run.gamelist = std::make_unique<LineReader>(dir_ / "gamelist.dat");
  std::string line;
  run.listdetails->ReadLine(&line);
  run.listdetails->ReadLine(&line);
  while (!StartsWith(line, "| Game Name") && run.gamelist->ReadLine(&line)) {
  }
  run.gamelist->ReadLine(&line);
  run.MameMode = true;
  EXPECT_EQ(GetListInfo("listinfo.dat", run), 4705u + 15u);
  EXPECT_EQ(run.listdetails_short, 0u);
  EXPECT_EQ(run.gamelist_short, 0u);
  EXPECT_TRUE(run.listdetails->AtEnd());
  ASSERT_TRUE(run.gamelist->ReadLine(&line));
  EXPECT_EQ(line, kBorder);
  // MAME 0.78's own -gamelist gave tryout the same cells: No, No, No, Yes.
  const Lines& records = run.List1.Items();
  auto tryout = std::find_if(records.begin(), records.end(),
                             [](const std::string& record) { return record.ends_with("^tryout"); });
  ASSERT_NE(tryout, records.end());
  EXPECT_EQ(*tryout,
            "|Pro Yakyuu Nyuudan Test Tryout (JPN Ver.)|1985|Data East|tryout|MAME|????/????|TLTC|"
            "|Working No Correct Colors No Sound No Flip Screen Yes|screen raster orientation "
            "vertical x 256 y 256 freq 60.000000|players 1 buttons 3 coins 2||^tryout");
}

}  // namespace
}  // namespace tabulon
