// String helpers: the 1-based, space-only, cut-safe rules every reader relies on.
#include "platform/strings.h"

#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace tabulon
