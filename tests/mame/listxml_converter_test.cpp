// The -listxml conversion of today's dialect, fed whole and in small pieces. The old dialect is
// converted in the CLI tests and, from MAME 0.78's real -listxml, in the MAME extraction tests;
// malformed XML is judged against expat's own verdict in the skimmer tests.
#include "mame/listxml_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

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

}  // namespace
}  // namespace tabulon
