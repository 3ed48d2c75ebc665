// Category and version lookup in the emulators' category files.
#include "datparse/category_lookup.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

FieldSlots Set(const std::string& rom, const std::string& clone) {
  FieldSlots s;
  s.lrom = rom;
  s.LClone = clone;
  return s;
}

TEST(CategoryLookupTest, FileNamedAfterTheEmulator) {
  TempDir dir;
  EXPECT_EQ(CategoryLookup::PrepareCatver(dir.path(), "MAME").path(), dir / "catvers/catver.ini");
  EXPECT_EQ(CategoryLookup::PrepareCatver(dir.path(), "Mame").path(),
            dir / "catvers/Mamecatver.ini");
  EXPECT_EQ(CategoryLookup::PrepareCatver(dir.path(), "Neo-Geo").path(),
            dir / "catvers/Neo-Geocatver.ini");
}

TEST(CategoryLookupTest, LookupsFallBackToTheParent) {
  TempDir dir;
  WriteFile(dir / "catvers/catver.ini",
            CrLf({"[Category]", "parent=Maze / Chase", "spaced=   Sports   ", "unknown=???? / ????",
                  "[VerAdded]", "parent=.30", "unknown=????"}));
  CategoryLookup lookup = CategoryLookup::PrepareCatver(dir.path(), "MAME");
  ASSERT_TRUE(lookup.existed_at_start());
  struct Case {
    std::string rom, clone, category, version;
  };
  const Case cases[] = {
      {"parent", "parent", "Maze / Chase", ".30"},
      {"clone", "parent", "Maze / Chase", ".30"},
      {"spaced", "spaced", "Sports", "????"},
      {"unknown", "parent", "Maze / Chase", ".30"},  // a stored default counts as not found
      {"orphan", "orphan", "???? / ????", "????"},
      {"", "", "???? / ????", "????"},
  };
  for (const Case& c : cases) {
    FieldSlots s = Set(c.rom, c.clone);
    lookup.GetCatVer(&s);
    EXPECT_EQ(s.lCat, c.category) << c.rom;
    EXPECT_EQ(s.lVer, c.version) << c.rom;
  }
}

TEST(CategoryLookupTest, MissingFileGetsPlaceholdersForEverySet) {
  TempDir dir;
  CategoryLookup lookup = CategoryLookup::PrepareCatver(dir.path(), "Vectrex");
  ASSERT_FALSE(lookup.existed_at_start());
  for (const char* rom : {"Berzerk", "", "Armor Attack", "Berzerk"}) {
    FieldSlots s = Set(rom, rom);
    lookup.GetCatVer(&s);
    EXPECT_EQ(s.lCat, "????/????");
    EXPECT_EQ(s.lVer, "????");
  }
  lookup.Finish();
  const std::string written = ReadFile(dir / "catvers/Vectrexcatver.ini");
  EXPECT_EQ(written, CrLf({"", "[Category]", "Berzerk=????/????", "Armor Attack=????/????",
                           "[VerAdded]", "Berzerk=????", "Armor Attack=????"}));

  // Next time the file exists: its sets are found with the placeholders, and it is not touched.
  CategoryLookup again = CategoryLookup::PrepareCatver(dir.path(), "Vectrex");
  ASSERT_TRUE(again.existed_at_start());
  FieldSlots s = Set("Armor Attack", "Armor Attack");
  again.GetCatVer(&s);
  EXPECT_EQ(s.lCat, "????/????");
  again.Finish();
  EXPECT_EQ(ReadFile(dir / "catvers/Vectrexcatver.ini"), written);
}

}  // namespace
}  // namespace tabulon
