// The -listxml conversion of today's dialect, fed whole and in small pieces. The old dialect is
// converted in the CLI tests and, from MAME 0.78's real -listxml, in the MAME extraction tests;
// malformed XML is judged against expat's own verdict in the skimmer tests.
#include "mame/listxml_converter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::ReadFile;
using Lines = std::vector<std::string>;

// listinfo.dat holds the games in their order, then the BIOS sets, and no device; the side files
// hold one row per game below their heads.
TEST(ListXmlConverterTest, TheThreeListsInStep) {
  const std::string xml = testing::ReadFile(testing::TestData("listxml/new_dialect.xml"));
  const std::string border =
      "+----------------------------------+-------+-------+-------+-------+----------+";
  for (size_t chunk : {xml.size(), size_t{1}, size_t{7}}) {
    SCOPED_TRACE("fed in pieces of " + std::to_string(chunk));
    testing::TempDir dir;
    ListXmlConverter converter(dir.path(), "listxml.xml");
    for (size_t pos = 0; pos < xml.size(); pos += chunk) {
      converter.Feed(xml.data() + pos, std::min(chunk, xml.size() - pos));
    }
    converter.Finish();
    EXPECT_EQ(converter.counts().games, 4u);
    EXPECT_EQ(converter.counts().resources, 1u);
    EXPECT_EQ(converter.counts().devices, 1u);
    const Lines info = testing::SplitCrLf(ReadFile(dir / "listinfo.dat"));
    EXPECT_EQ(ReadFile(dir / "listinfo.dat"), CrLf(info));  // CR LF after every line
    EXPECT_EQ(info.size(), 43u);
    Lines heads;
    for (size_t i = 0; i + 1 < info.size(); ++i) {
      if (info[i].ends_with(" (")) heads.push_back(info[i] + " " + info[i + 1].substr(6));
    }
    EXPECT_EQ(heads, (Lines{"game ( pacman", "game ( astdelux", "game ( pocketgaldx",
                            "game ( dummy", "resource ( neogeo"}));
    // pacman's other lines reach the master list in the MAME extraction tests.
    for (const char* line :
         {"\tromof puckman", "\tsound ( channels 1 )",
          "\tdriver ( status good color good sound good )",
          "\tdescription \"Asteroids Deluxe \"rev 3\" & more\"",
          "\tvideo ( screen vector orientation horizontal freq 61.523438 )",
          "\tinput ( players 2 control only_buttons buttons 5 coins 2 )",
          "\tdriver ( status imperfect color imperfect sound imperfect )",
          "\tvideo ( screen raster orientation vertical x 240 y 320 freq 58 )",
          "\tinput ( players 1 control joy2way buttons 0 coins 1 )",
          "\tdriver ( status preliminary color preliminary sound imperfect )",
          "\tdescription \"Two lines and tab\"", "\tinput ( players 0 buttons 0 )"}) {
      EXPECT_NE(std::find(info.begin(), info.end(), line), info.end()) << line;
    }
    EXPECT_EQ(
        ReadFile(dir / "listdetails.dat"),
        CrLf({" romname driver     description", "-------- ---------- --------------------------",
              "pacman   pacman     Pac-Man (Midway)",
              "astdelux asteroid   Asteroids Deluxe \"rev 3\" & more",
              "pocketga pocketgald Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition",
              "dummy               Two lines and tab"}));
    EXPECT_EQ(
        ReadFile(dir / "gamelist.dat"),
        CrLf({"This is the list of games of MAME, converted from its -listxml output.", "", border,
              "|                                  |       |Correct|       |Screen | Internal |",
              "| Game Name                        |Working|Colors | Sound | Flip  |   Name   |",
              border,
              "| Pac-Man (Midway)                 |  Yes  |  Yes  |  Yes  |   No  | pacman   |",
              "| Asteroids Deluxe \"rev 3\" & more  |  Yes  | Close |Partial|  Yes  | astdelux |",
              "| Pocket Gal Deluxe (Euro v3.00)   |   No  |   No  |Partial|  Yes  | pocketgaldx |",
              "| Two lines and tab                |  Yes  |  Yes  |  Yes  |  Yes  | dummy    |",
              border}));
  }
}

}  // namespace
}  // namespace tabulon
