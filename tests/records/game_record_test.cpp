// Record composition, list order and the master list file.
#include "records/game_record.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

FieldSlots Slots(const std::string& rom, const std::string& desc) {
  FieldSlots s{"R", "D", "Y", "M", "C", "E", "K", "V", "S", "W", "I", "T"};
  s.lrom = rom;
  s.lDesc = desc;
  return s;
}

class MasterListTest : public ::testing::Test {
 protected:
  std::string AppDir() const { return dir_ / "Gen"; }
  std::string MasterList() const { return ReadFile(dir_ / "masterlist.lst"); }
  TempDir dir_;
};

TEST_F(MasterListTest, SortedByDescriptionRomNameFirstAndEmptyRomLeftOut) {
  RecordList list;
  AddGameRecord(Slots("b1", "beta"), RecordLayout::kNormal, &list);
  AddGameRecord(Slots("a1", "Alpha"), RecordLayout::kNormal, &list);
  AddGameRecord(Slots("", "alpha no rom"), RecordLayout::kNormal, &list);
  AddGameRecord(Slots("a2", "ALPHA"), RecordLayout::kNormal, &list);  // equal to Alpha
  FieldSlots no_clone = Slots("c1", "gamma");
  no_clone.LClone.clear();
  AddGameRecord(no_clone, RecordLayout::kNormal, &list);
  // A space sorts before the separator, so the longer description comes first.
  EXPECT_EQ(list[0], "|alpha no rom|Y|M|C|E|K|V||S|W|I|T|^");

  EXPECT_EQ(WriteMasterList(AppDir(), list, RecordLayout::kNormal), 4u);
  EXPECT_EQ(MasterList(),
            "a1|Alpha|Y|M|C|E|K|V||S|W|I|T|\r\n"
            "a2|ALPHA|Y|M|C|E|K|V||S|W|I|T|\r\n"
            "b1|beta|Y|M|C|E|K|V||S|W|I|T|\r\n"
            "c1|gamma|Y|M||E|K|V||S|W|I|T|\r\n");
}

TEST_F(MasterListTest, CaretInDescriptionCutsTheRecord) {
  RecordList list;
  AddGameRecord(Slots("r", "A^B"), RecordLayout::kNormal, &list);
  WriteMasterList(AppDir(), list, RecordLayout::kNormal);
  EXPECT_EQ(MasterList(), "B|Y|M|C|E|K|V||S|W|I|T||A\r\n");
}

TEST_F(MasterListTest, QuintaraRecordsWrittenAsTheyAreWhenTheyHaveARomName) {
  RecordList list;
  AddGameRecord(Slots("r", "D"), RecordLayout::kQuintara, &list);
  AddGameRecord(Slots("", "E"), RecordLayout::kQuintara, &list);
  EXPECT_EQ(WriteMasterList(AppDir(), list, RecordLayout::kQuintara), 1u);
  EXPECT_EQ(MasterList(), "|D|r|Y|M|C||K|V||E|app" + std::string(26, '|') + "\r\n");
}

TEST_F(MasterListTest, EmptyListReplacesAnOldFile) {
  WriteFile(dir_ / "masterlist.lst", "old\r\n");
  EXPECT_EQ(WriteMasterList(AppDir(), RecordList(), RecordLayout::kNormal), 0u);
  EXPECT_EQ(MasterList(), "");
}

TEST(MasterListPathTest, ParentOfTheApplicationFolder) {
  EXPECT_EQ(MasterListPath("/front/Gen"), InFolder("/front", "masterlist.lst"));
  EXPECT_EQ(MasterListPath("/front/Gen/"), InFolder("/front", "masterlist.lst"));
  EXPECT_EQ(MasterListPath("/Gen"), "/masterlist.lst");
  EXPECT_EQ(MasterListPath("/"), "/masterlist.lst");
}

}  // namespace
}  // namespace tabulon
