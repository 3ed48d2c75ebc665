// Record composition, list order and the master list file.
#include "records/game_record.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

// Writes a list of records made from these (rom, description) pairs and returns the file.
std::string MasterListOf(const std::vector<std::pair<std::string, std::string>>& games,
                         RecordLayout layout, size_t lines) {
  testing::TempDir dir;
  RecordList list;
  for (const auto& [rom, desc] : games) {
    FieldSlots s{rom, desc, "Y", "M", desc == "gamma" ? "" : "C", "E", "K", "V",
                 "S", "W",  "I", "T"};
    AddGameRecord(s, layout, &list);
  }
  EXPECT_EQ(WriteMasterList(dir / "Gen", list, layout), lines);
  return testing::ReadFile(dir / "masterlist.lst");
}

TEST(MasterListTest, SortedByDescriptionRomNameFirst) {
  // An empty rom name leaves the record out; a "^" in a value cuts the record there, as the rom
  // name is found by that mark; gamma has no clone. "ALPHA" equals "Alpha" and keeps its place.
  EXPECT_EQ(MasterListOf({{"b1", "beta"},
                          {"a1", "Alpha"},
                          {"", "alpha no rom"},
                          {"a2", "ALPHA"},
                          {"c1", "gamma"},
                          {"r", "A^B"}},
                         RecordLayout::kNormal, 5),
            "B|Y|M|C|E|K|V||S|W|I|T||A\r\n"
            "a1|Alpha|Y|M|C|E|K|V||S|W|I|T|\r\n"
            "a2|ALPHA|Y|M|C|E|K|V||S|W|I|T|\r\n"
            "b1|beta|Y|M|C|E|K|V||S|W|I|T|\r\n"
            "c1|gamma|Y|M||E|K|V||S|W|I|T|\r\n");
  EXPECT_EQ(MasterListOf({{"r", "D"}, {"", "E"}}, RecordLayout::kQuintara, 1),
            "|D|r|Y|M|C||K|V||E|app" + std::string(26, '|') + "\r\n");
}

TEST(MasterListTest, PathIsInTheParentOfTheApplicationFolder) {
  EXPECT_EQ(MasterListPath("/front/Gen"), InFolder("/front", "masterlist.lst"));
  EXPECT_EQ(MasterListPath("/front/Gen/"), InFolder("/front", "masterlist.lst"));
  EXPECT_EQ(MasterListPath("/Gen"), "/masterlist.lst");
  EXPECT_EQ(MasterListPath("/"), "/masterlist.lst");
}

}  // namespace
}  // namespace tabulon
