// The -listxml conversion: both XML dialects, fed whole and in small pieces. Malformed XML is
// judged against expat's own verdict in the skimmer tests; MAME 0.78's real -listxml is
// converted and read back in the MAME extraction tests.
#include "mame/listxml_converter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/listxml_samples.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using Lines = std::vector<std::string>;

class ListXmlConverterTest : public ::testing::Test {
 protected:
  // Converts `xml` fed in pieces of `chunk` bytes (0: all at once) and returns the counts.
  std::string Convert(const std::string& xml, size_t chunk = 0) {
    ListXmlConverter converter(dir_.path(), "listxml.xml");
    if (chunk == 0) chunk = xml.size();
    for (size_t pos = 0; pos < xml.size(); pos += chunk) {
      converter.Feed(xml.data() + pos, std::min(chunk, xml.size() - pos));
    }
    converter.Finish();
    const ListXmlCounts& c = converter.counts();
    return std::to_string(c.games) + " " + std::to_string(c.resources) + " " +
           std::to_string(c.devices);
  }
  testing::TempDir dir_;
};

// Each dialect gives games, resources and devices; listinfo.dat holds the blocks `heads`, in
// this order, `lines` in all, among them `some`; the side files hold exactly their rows below
// their heads.
TEST_F(ListXmlConverterTest, BothDialectsGiveTheThreeListsInStep) {
  struct Case {
    const char* xml;
    std::string counts;
    Lines heads;
    size_t lines;
    Lines some, details, gamelist;
  };
  const Case cases[] = {
      {testing::kNewListXml,
       "4 1 1",
       {"game ( pacman", "game ( astdelux", "game ( pocketgaldx", "game ( dummy",
        "resource ( neogeo"},
       43,
       {"\tyear 1980", "\tmanufacturer \"Namco (Midway license)\"", "\tcloneof puckman",
        "\tromof puckman", "\tsound ( channels 1 )",
        // Rotated by 90 degrees: width and height swap; only the first display counts.
        "\tvideo ( screen raster orientation vertical x 224 y 288 freq 60.606061 )",
        "\tinput ( players 2 control joy4way buttons 0 coins 2 )",
        "\tdriver ( status good color good sound good )",
        "\tdescription \"Asteroids Deluxe \"rev 3\" & more\"",
        "\tvideo ( screen vector orientation horizontal freq 61.523438 )",
        "\tinput ( players 2 control only_buttons buttons 5 coins 2 )",
        "\tdriver ( status imperfect color imperfect sound imperfect )",
        "\tvideo ( screen raster orientation vertical x 240 y 320 freq 58 )",
        "\tinput ( players 1 control joy2way buttons 0 coins 1 )",
        "\tdriver ( status preliminary color preliminary sound imperfect )",
        "\tdescription \"Two lines and tab\"", "\tinput ( players 0 buttons 0 )"},
       {"pacman   pacman     Pac-Man (Midway)",
        "astdelux asteroid   Asteroids Deluxe \"rev 3\" & more",
        "pocketga pocketgald Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition",
        "dummy               Two lines and tab"},
       {"| Pac-Man (Midway)                 |  Yes  |  Yes  |  Yes  |   No  | pacman   |",
        "| Asteroids Deluxe \"rev 3\" & more  |  Yes  | Close |Partial|  Yes  | astdelux |",
        "| Pocket Gal Deluxe (Euro v3.00)   |   No  |   No  |Partial|  Yes  | pocketgaldx |",
        "| Two lines and tab                |  Yes  |  Yes  |  Yes  |  Yes  | dummy    |"}},
      {testing::kOldListXml,
       "2 1 0",
       {"game ( pacman", "game ( mspacman", "resource ( neogeo"},
       27,
       {"\tinput ( players 4 buttons 4 coins 2 )", "\tcloneof pacman",
        "\tvideo ( screen raster orientation vertical x 224 y 288 freq 60.606060 )",
        "\tinput ( players 2 control joy4way buttons 0 coins 2 )",
        "\tdriver ( status preliminary color imperfect sound imperfect )"},
       {"pacman   pacman     Pac-Man (Midway)", "mspacman            Ms. Pac-Man"},
       {"| Pac-Man (Midway)                 |  Yes  |  Yes  |  Yes  |  Yes  | pacman   |",
        "| Ms. Pac-Man                      |   No  | Close |Partial|  Yes  | mspacman |"}}};
  const std::string border =
      "+----------------------------------+-------+-------+-------+-------+----------+";
  for (const Case& c : cases) {
    for (size_t chunk : {size_t{0}, size_t{1}, size_t{7}}) {
      SCOPED_TRACE(c.heads[0] + ", " + c.heads[1] + ", pieces of " + std::to_string(chunk));
      EXPECT_EQ(Convert(c.xml, chunk), c.counts);
      const Lines info = testing::SplitCrLf(ReadFile(dir_ / "listinfo.dat"));
      Lines heads;
      for (size_t i = 0; i + 1 < info.size(); ++i) {
        if (info[i].ends_with(" (")) heads.push_back(info[i] + " " + info[i + 1].substr(6));
      }
      EXPECT_EQ(heads, c.heads);
      EXPECT_EQ(ReadFile(dir_ / "listinfo.dat"), testing::CrLf(info));  // CR LF after every line
      EXPECT_EQ(info.size(), c.lines);
      for (const std::string& line : c.some) {
        EXPECT_NE(std::find(info.begin(), info.end(), line), info.end()) << line;
      }
      Lines details = {" romname driver     description",
                       "-------- ---------- --------------------------"};
      details.insert(details.end(), c.details.begin(), c.details.end());
      EXPECT_EQ(ReadFile(dir_ / "listdetails.dat"), testing::CrLf(details));
      Lines gamelist = {
          "This is the list of games of MAME, converted from its -listxml output.",
          "",
          border,
          "|                                  |       |Correct|       |Screen | Internal |",
          "| Game Name                        |Working|Colors | Sound | Flip  |   Name   |",
          border};
      gamelist.insert(gamelist.end(), c.gamelist.begin(), c.gamelist.end());
      gamelist.push_back(border);
      EXPECT_EQ(ReadFile(dir_ / "gamelist.dat"), testing::CrLf(gamelist));
    }
  }
}

}  // namespace
}  // namespace tabulon
