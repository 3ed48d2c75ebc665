// String helpers: the 1-based, space-only, cut-safe rules every reader relies on.
#include "platform/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabulon {
namespace {

TEST(StringsTest, TrimRemovesSpacesButNotTabs) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("\ta \t"), "\ta \t");
  EXPECT_EQ(TrimSpaces("   "), "");
}

TEST(StringsTest, PositionsCountFromOneAndCutsPastTheEndAreSafe) {
  EXPECT_EQ(InStr("game (", "game ("), 1u);
  EXPECT_EQ(InStr("xgame (", "game ("), 2u);
  EXPECT_EQ(InStr("Game (", "game ("), 0u);
  EXPECT_EQ(Mid("abcdef", 3, 2), "cd");
  EXPECT_EQ(Mid("abcdef", 5, 10), "ef");
  EXPECT_EQ(Mid("abc", 4, 2), "");
  EXPECT_EQ(Mid("abc", 40), "");
}

TEST(StringsTest, CaseInsensitiveOrderFoldsAsciiOnly) {
  EXPECT_LT(CompareNoCase("Alpha", "beta"), 0);
  EXPECT_EQ(CompareNoCase("ABC", "abc"), 0);
  EXPECT_LT(CompareNoCase("ab", "abc"), 0);
  // '_' lies between the upper and lower case letters in ASCII; folding to lower puts it first.
  EXPECT_LT(CompareNoCase("A_", "Aa"), 0);
  EXPECT_NE(CompareNoCase("\xc3\xa9", "\xc3\x89"), 0);
  // Long texts: equal stretches are skipped a word at a time, so differences of case or of byte
  // in and after the first eight bytes, and lengths that differ past them, must still count.
  EXPECT_EQ(CompareNoCase("|Street Fighter II|1991", "|STREET FIGHTER ii|1991"), 0);
  EXPECT_LT(CompareNoCase("|Street Fighter II_", "|Street Fighter IIa"), 0);
  EXPECT_GT(CompareNoCase("|Street Fighter IIb", "|STREET FIGHTER IIA"), 0);
  EXPECT_GT(CompareNoCase("|Street Fighter II", "|Street aighter II"), 0);
  EXPECT_LT(CompareNoCase("|Street F", "|Street Fi"), 0);
  EXPECT_GT(CompareNoCase("|Street Fighter", "|Street F"), 0);
}

TEST(StringArenaTest, CopiesStayIntactAcrossBlocks) {
  // Sizes around the first block's, one far larger than any block, and enough small ones to fill
  // several blocks after it.
  std::vector<std::string> texts = {"", "a", std::string(4095, 'b'), std::string(4096, 'c'),
                                    std::string(3 << 20, 'd')};
  for (int i = 0; i < 20000; ++i) texts.push_back("record " + std::to_string(i));
  StringArena arena;
  std::vector<std::string_view> copies;
  for (const std::string& text : texts) copies.push_back(arena.Keep(text));
  StringArena moved = std::move(arena);
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(copies[i], texts[i]) << i;
    ASSERT_TRUE(copies[i].empty() || copies[i].data() != texts[i].data()) << i;
  }
}

}  // namespace
}  // namespace tabulon
