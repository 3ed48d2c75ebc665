// String helpers with the rules the list formats were written for: only the space character is
// trimmed, positions count from 1 with 0 meaning "not found", and cuts past the end are safe.
// Everything works on bytes; no encoding is assumed.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

// Removes leading and trailing spaces (not tabs).
std::string_view TrimSpaces(std::string_view text);

// 1-based position of the first occurrence of `needle` in `text`, 0 when absent.
size_t InStr(std::string_view text, std::string_view needle);

// Up to `length` bytes from the 1-based position `start`; empty when start lies past the end.
std::string_view Mid(std::string_view text, size_t start, size_t length = std::string_view::npos);
std::string_view Left(std::string_view text, size_t length);

// ASCII upper case; other bytes pass through.
std::string UpperAscii(std::string_view text);

// Inline, as the readers test every line against a few literal prefixes and a call per test
// costs more than the comparison.
inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Splits at every occurrence of `separator`: n separators give n + 1 pieces.
std::vector<std::string_view> Split(std::string_view text, char separator);

// Case-insensitive (ASCII letters only) three-way comparison: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Keeps copies of strings in blocks that never move, so the copies stay where they are for the
// arena's life, moves included, and tens of thousands of short strings take a few allocations
// instead of one each.
class StringArena {
 public:
  // Copies `text` into the arena and returns the copy.
  std::string_view Keep(std::string_view text);
  // Lets go of every copy.
  void Clear();

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // the unused end of the last block
  size_t free_size_ = 0;
  size_t next_block_size_ = 0;
};

}  // namespace tabulon
