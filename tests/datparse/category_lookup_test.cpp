// Category and version lookup in the emulators' category files.
#include "datparse/category_lookup.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;

// The category and version found for `rom`, a clone of `clone`.
std::string Lookup(CategoryLookup& lookup, const std::string& rom, const std::string& clone) {
  FieldSlots s;
  s.lrom = rom;
  s.LClone = clone;
  lookup.GetCatVer(&s);
  return s.lCat + "|" + s.lVer;
}

TEST(CategoryLookupTest, LookupsFallBackToTheParent) {
  testing::TempDir dir;
  testing::WriteFile(dir / "catvers/catver.ini",
                     CrLf({"[Category]", "parent=Maze / Chase", "spaced=   Sports   ",
                           "unknown=???? / ????", "[VerAdded]", "parent=.30", "unknown=????"}));
  CategoryLookup lookup = CategoryLookup::PrepareCatver(dir.path(), "MAME");
  ASSERT_TRUE(lookup.existed_at_start());
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"parent", "parent", "Maze / Chase|.30"},
      {"clone", "parent", "Maze / Chase|.30"},
      {"spaced", "spaced", "Sports|????"},
      {"unknown", "parent", "Maze / Chase|.30"},  // a stored default counts as not found
      {"orphan", "orphan", "???? / ????|????"},
      {"", "", "???? / ????|????"}};
  for (const auto& [rom, clone, expected] : cases) EXPECT_EQ(Lookup(lookup, rom, clone), expected);
  // The run report counts the sets and names the first twenty not found.
  for (int i = 0; i < 20; ++i) Lookup(lookup, "more", "more");
  EXPECT_EQ(lookup.summary().found, 4u);
  EXPECT_EQ(lookup.summary().not_found, 22u);
  ASSERT_EQ(lookup.summary().first_not_found.size(), 20u);
  EXPECT_EQ(lookup.summary().first_not_found[1], "");
}

// A missing file is made, named after the emulator (letter case and all), with a placeholder
// entry for every set.
TEST(CategoryLookupTest, MissingFileGetsPlaceholdersForEverySet) {
  testing::TempDir dir;
  CategoryLookup lookup = CategoryLookup::PrepareCatver(dir.path(), "Mame");
  ASSERT_FALSE(lookup.existed_at_start());
  for (const char* rom : {"Berzerk", "", "Armor Attack", "Berzerk"})
    EXPECT_EQ(Lookup(lookup, rom, rom), "????/????|????");
  lookup.Finish();
  EXPECT_EQ(lookup.summary().placeholders, 2u);
  EXPECT_EQ(testing::ReadFile(dir / "catvers/Mamecatver.ini"),
            CrLf({"", "[Category]", "Berzerk=????/????", "Armor Attack=????/????", "[VerAdded]",
                  "Berzerk=????", "Armor Attack=????"}));
}

}  // namespace
}  // namespace tabulon
