// String helpers: the case-insensitive order the master list is sorted in, and the arena that
// keeps the records.
#include "platform/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabulon {
namespace {

TEST(StringsTest, CaseInsensitiveOrderFoldsAsciiOnly) {
  // Equal stretches are skipped a word at a time, so differences of case or of byte in and after
  // the first eight bytes, and lengths that differ past them, must still count.
  // clang-format off
  const std::tuple<const char*, const char*, int> cases[] = {
      {"ABC", "abc", 0}, {"ab", "abc", -1}, {"\xc3\xa9", "\xc3\x89", 1},
      // '_' lies between the upper and lower case letters in ASCII; folding to lower puts it first.
      {"A_", "Aa", -1}, {"|Street Fighter II_", "|Street Fighter IIa", -1},
      {"|Street Fighter II|1991", "|STREET FIGHTER ii|1991", 0}, {"|Street F", "|Street Fi", -1},
      {"|Street Fighter IIb", "|STREET FIGHTER IIA", 1}, {"|Street Fighter", "|Street F", 1},
      {"|Street Fighter II", "|Street aighter II", 1}};
  // clang-format on
  for (const auto& [a, b, sign] : cases) {
    const int result = CompareNoCase(a, b);
    EXPECT_EQ((result > 0) - (result < 0), sign) << a << " against " << b;
  }
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
  size_t blocks = 0;  // the short ones follow each other in a few blocks, not one block each
  for (size_t i = 6; i < copies.size(); ++i)
    blocks += copies[i].data() != copies[i - 1].data() + copies[i - 1].size();
  EXPECT_LT(blocks, 20u);
}

}  // namespace
}  // namespace tabulon
