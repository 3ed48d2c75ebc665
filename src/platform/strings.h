// String helpers with the rules the list formats were written for: only the space character is
// trimmed, positions count from 1 with 0 meaning "not found", and cuts past the end are safe.
// Everything works on bytes; no encoding is assumed.
#pragma once

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

bool StartsWith(std::string_view text, std::string_view prefix);

// Splits at every occurrence of `separator`: n separators give n + 1 pieces.
std::vector<std::string_view> Split(std::string_view text, char separator);

// Case-insensitive (ASCII letters only) three-way comparison: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace tabulon
