// The -listxml conversion: both XML dialects, fed whole and in small pieces, and malformed XML.
// MAME 0.78's real -listxml is converted and read back in the MAME extraction tests.
#include "mame/listxml_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/error.h"
#include "testing/listxml_samples.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::ErrorOf;
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

class ListXmlConverterTest : public ::testing::Test {
 protected:
  // Converts `xml` fed in pieces of `chunk` bytes (0: all at once).
  ListXmlCounts Convert(const std::string& xml, size_t chunk = 0) {
    ListXmlConverter converter(dir_.path(), "listxml.xml");
    if (chunk == 0) chunk = xml.size();
    for (size_t pos = 0; pos < xml.size(); pos += chunk) {
      converter.Feed(xml.data() + pos, std::min(chunk, xml.size() - pos));
    }
    converter.Finish();
    return converter.counts();
  }

  // listinfo.dat must hold the blocks `heads` (each "<kind> ( <name>") in this order, `count`
  // lines in all, among them `lines`; the side files must be exactly these rows under their heads.
  void ExpectFiles(const Lines& heads, size_t count, const Lines& lines, const Lines& details,
                   Lines gamelist) {
    const Lines info = SplitCrLf(ReadFile(dir_ / "listinfo.dat"));
    Lines found;
    for (size_t i = 0; i + 1 < info.size(); ++i) {
      if (info[i].ends_with(" (")) found.push_back(info[i] + " " + info[i + 1].substr(6));
    }
    EXPECT_EQ(found, heads);
    EXPECT_EQ(info.size(), count);
    for (const std::string& line : lines) {
      EXPECT_NE(std::find(info.begin(), info.end(), line), info.end()) << line;
    }
    gamelist.push_back(kBorder);
    EXPECT_EQ(ReadFile(dir_ / "listdetails.dat"), CrLf(Concat(kDetailsHead, details)));
    EXPECT_EQ(ReadFile(dir_ / "gamelist.dat"), CrLf(Concat(kGamelistHead, gamelist)));
    EXPECT_EQ(ReadFile(dir_ / "listinfo.dat"), CrLf(info));  // every line ends with CR LF
  }
  static Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }

  Lines FolderEntries() const {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
};

TEST_F(ListXmlConverterTest, NewDialectGivesTheThreeListsInStep) {
  for (size_t chunk : {size_t{0}, size_t{1}, size_t{7}}) {
    SCOPED_TRACE("fed in pieces of " + std::to_string(chunk));
    ListXmlCounts counts = Convert(testing::kNewListXml, chunk);
    EXPECT_EQ(counts.games, 4u);
    EXPECT_EQ(counts.resources, 1u);
    EXPECT_EQ(counts.devices, 1u);
    ExpectFiles(
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
         "\tdescription \"Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition\"",
         "\tvideo ( screen raster orientation vertical x 240 y 320 freq 58 )",
         "\tinput ( players 1 control joy2way buttons 0 coins 1 )",
         "\tdriver ( status preliminary color preliminary sound imperfect )",
         "\tdescription \"Two lines and tab\"", "\tinput ( players 0 buttons 0 )",
         "\tdescription \"Neo-Geo MV-6F\""},
        {"pacman   pacman     Pac-Man (Midway)",
         "astdelux asteroid   Asteroids Deluxe \"rev 3\" & more",
         "pocketga pocketgald Pocket Gal Deluxe (Euro v3.00) – Ōmiya edition",
         "dummy               Two lines and tab"},
        {"| Pac-Man (Midway)                 |  Yes  |  Yes  |  Yes  |   No  | pacman   |",
         "| Asteroids Deluxe \"rev 3\" & more  |  Yes  | Close |Partial|  Yes  | astdelux |",
         "| Pocket Gal Deluxe (Euro v3.00)   |   No  |   No  |Partial|  Yes  | pocketgaldx |",
         "| Two lines and tab                |  Yes  |  Yes  |  Yes  |  Yes  | dummy    |"});
  }
}

TEST_F(ListXmlConverterTest, OldDialectGivesTheThreeListsInStep) {
  ListXmlCounts counts = Convert(testing::kOldListXml);
  EXPECT_EQ(counts.games, 2u);
  EXPECT_EQ(counts.resources, 1u);
  EXPECT_EQ(counts.devices, 0u);
  ExpectFiles({"game ( pacman", "game ( mspacman", "resource ( neogeo"}, 27,
              {"\tinput ( players 4 buttons 4 coins 2 )",
               "\tdriver ( status good color good sound good )", "\tcloneof pacman",
               "\tvideo ( screen raster orientation vertical x 224 y 288 freq 60.606060 )",
               "\tinput ( players 2 control joy4way buttons 0 coins 2 )",
               "\tdriver ( status preliminary color imperfect sound imperfect )"},
              {"pacman   pacman     Pac-Man (Midway)", "mspacman            Ms. Pac-Man"},
              {"| Pac-Man (Midway)                 |  Yes  |  Yes  |  Yes  |  Yes  | pacman   |",
               "| Ms. Pac-Man                      |   No  | Close |Partial|  Yes  | mspacman |"});
}

// XML that is not well-formed names the file, line and column, writes nothing, and
// leaves the lists of an earlier run as they were.
TEST_F(ListXmlConverterTest, MalformedXmlLeavesTheOldListsAlone) {
  const std::pair<std::string, std::string> cases[] = {
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
  for (const auto& [xml, message] : cases) {
    EXPECT_EQ(ErrorOf([&] { Convert(xml); }), message);
    EXPECT_EQ(FolderEntries(), old_files) << xml;
    for (const std::string& name : old_files) {
      EXPECT_EQ(ReadFile(dir_ / name), "old " + name + "\r\n");
    }
  }
  std::filesystem::remove(dir_ / "listinfo.dat");
  EXPECT_THROW(Convert(cases[0].first), Error);
  EXPECT_EQ(FolderEntries(), (Lines{"gamelist.dat", "listdetails.dat"}));
}

}  // namespace
}  // namespace tabulon
