// The -listxml conversion of today's dialect, fed whole and in small pieces. The old dialect is
// converted in the CLI tests and, from MAME 0.78's real -listxml, in the MAME extraction tests;
// malformed XML is judged against expat's own verdict in the skimmer tests.
#include "mame/listxml_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "mame/listxml_head.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using testing::TestData;

// listinfo.dat holds the games in their order, then the BIOS sets, and no device; the side files
// hold one row per game below their heads. The three lists as they must be, checked by hand, are
// tests/data/listxml/new_dialect_*.dat.
TEST(ListXmlConverterTest, TheThreeListsInStep) {
  const std::string xml = ReadFile(TestData("listxml/new_dialect.xml"));
  for (size_t chunk : {xml.size(), size_t{1}, size_t{7}}) {
    SCOPED_TRACE("fed in pieces of " + std::to_string(chunk));
    testing::TempDir dir;
    ListXmlConverter converter(dir.path(), "listxml.xml");
    for (size_t pos = 0; pos < xml.size(); pos += chunk)
      converter.Feed(xml.data() + pos, std::min(chunk, xml.size() - pos));
    converter.Finish();
    const ListXmlCounts& counts = converter.counts();
    EXPECT_EQ(std::tuple(counts.games, counts.resources, counts.devices), std::tuple(4u, 1u, 1u));
    for (const std::string list : {"listinfo.dat", "listdetails.dat", "gamelist.dat"})
      EXPECT_EQ(ReadFile(dir / list), ReadFile(TestData("listxml/new_dialect_" + list))) << list;
  }
}

// Which MAME writes: its root element's build, read in pieces as MAME writes them, whatever
// comes before the root; and whether that build still has the old list options.
TEST(ListXmlHeadTest, TheBuildDecidesWhetherTheOldOptionsAreAsked) {
  const std::string dtd =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n" +
      std::string(9000, ' ') + "]>\n";
  const struct {
    std::string head;
    bool has_root;
    const char* build;
    bool lacks_old_options;
  } cases[] = {
      {dtd + "<mame build=\"0.251 (unknown)\" debug=\"no\">\n\t<machine", true, "0.251 (unknown)",
       true},
      {"<mame build=\"0.146\">", true, "0.146", true},
      {"<mame build=\"1.0\">", true, "1.0", true},
      {"<mame build=\"0.145u4 (Jun  3 2012)\">", true, "0.145u4 (Jun  3 2012)", false},
      {"<?xml version=\"1.0\"?>\n<mame build=\"0.78 (Dec 30 2003)\">", true, "0.78 (Dec 30 2003)",
       false},
      {"<mame>", true, "", false},
      {"<mame build=\"0.\">", true, "0.", false},
      {"<mame build=\".251\">", true, ".251", false},
      {"Error: unknown option: -listxml\n", false, "", false},
      {dtd + std::string(ListXmlHead::kLimit, ' ') + "<mame build=\"0.251\">", false, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.head.substr(0, 60));
    ListXmlHead head;
    bool read = false;
    for (size_t at = 0; at < c.head.size() && !read; at += 1000) {
      read = head.Feed(c.head.data() + at, std::min<size_t>(1000, c.head.size() - at));
    }
    EXPECT_EQ(read || head.read(),
              c.has_root || c.head.size() >= ListXmlHead::kLimit || !c.head.starts_with("<"));
    EXPECT_EQ(head.has_root(), c.has_root);
    EXPECT_EQ(head.build(), c.build);
    EXPECT_EQ(c.has_root && BuildLacksOldListOptions(head.build()), c.lacks_old_options);
  }
}

}  // namespace
}  // namespace tabulon
