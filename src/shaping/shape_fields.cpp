#include "shaping/shape_fields.h"

#include <algorithm>

#include "platform/strings.h"

namespace tabulon {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) {
  const char lower = LowerAscii(c);
  return IsDigit(c) || (lower >= 'a' && lower <= 'z');
}

// The next space-separated word of `text` from `*pos` on, moving `*pos` past it.
std::string_view NextWord(std::string_view text, size_t* pos) {
  size_t begin = text.find_first_not_of(' ', *pos);
  if (begin == std::string_view::npos) begin = text.size();
  size_t end = text.find(' ', begin);
  if (end == std::string_view::npos) end = text.size();
  *pos = end;
  return text.substr(begin, end - begin);
}

int NumberAt(std::string_view text) {
  int n = 0;
  for (size_t i = 0; i < text.size() && IsDigit(text[i]) && n < 100000; ++i) {
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

}  // namespace

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

DriverStatus StatusOf(const HeldRecord& record) {
  std::string_view driver = record.driver_line.empty() ? record.slots.LDriver : record.driver_line;
  if (StartsWith(driver, "Working ")) {
    return StartsWith(driver.substr(8), "No") ? DriverStatus::kPreliminary : DriverStatus::kGood;
  }
  const std::string_view status = FieldWord(driver, "status");
  if (status == "good") return DriverStatus::kGood;
  if (status == "imperfect") return DriverStatus::kImperfect;
  if (status == "preliminary") return DriverStatus::kPreliminary;
  return DriverStatus::kOther;
}

bool HasWholeWord(std::string_view text, std::string_view word) {
  if (word.empty()) return false;
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    const size_t end = at + word.size();
    if ((at == 0 || !IsWordChar(text[at - 1])) && (end == text.size() || !IsWordChar(text[end]))) {
      return true;
    }
  }
  return false;
}

bool GlobMatches(std::string_view pattern, std::string_view text) {
  // The usual backtracking to the last star: linear for the few stars a category pattern has.
  size_t p = 0, t = 0, star = std::string_view::npos, star_text = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_text = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string CleanCategory(std::string_view category, bool* mature) {
  std::string text = LowerAscii(category);
  *mature = false;
  for (size_t star = text.find('*'); star != std::string::npos; star = text.find('*', star + 1)) {
    size_t i = text.find_first_not_of(' ', star + 1);
    if (i == std::string::npos || text.compare(i, 6, "mature") != 0) continue;
    i = text.find_first_not_of(' ', i + 6);
    if (i == std::string::npos || text[i] != '*') continue;
    text.erase(star, i + 1 - star);
    *mature = true;
    break;
  }
  return std::string(TrimSpaces(text));
}

std::optional<YearRange> YearsOf(std::string_view year) {
  if (year.size() < 4) return std::nullopt;
  YearRange range{0, 0};
  bool digit = false;
  for (char c : year.substr(0, 4)) {
    if (c != '?' && !IsDigit(c)) return std::nullopt;
    digit = digit || c != '?';
    range.first = range.first * 10 + (c == '?' ? 0 : c - '0');
    range.last = range.last * 10 + (c == '?' ? 9 : c - '0');
  }
  if (!digit) return std::nullopt;
  return range;
}

int MostPlayersOf(std::string_view value) {
  int most = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    if (!IsDigit(value[i]) || (i > 0 && IsDigit(value[i - 1]))) continue;
    size_t end = i;
    while (end < value.size() && IsDigit(value[end])) ++end;
    if (end < value.size() && (value[end] == 'P' || value[end] == 'p')) {
      most = std::max(most, NumberAt(value.substr(i)));
    }
  }
  return most;
}

std::string_view FieldWord(std::string_view field, std::string_view key) {
  size_t pos = 0;
  while (pos < field.size()) {
    if (NextWord(field, &pos) == key) return NextWord(field, &pos);
  }
  return {};
}

bool IsJoystick(std::string_view type) {
  return EqualsNoCase(type, "joy") || EqualsNoCase(type, "doublejoy") ||
         EqualsNoCase(type, "triplejoy");
}

int FirstNumber(std::string_view text) {
  const size_t digit = text.find_first_of("0123456789");
  return digit == std::string_view::npos ? 0 : NumberAt(text.substr(digit));
}

bool ControlOfInput(std::string_view input, Control* control) {
  const std::string_view type = FieldWord(input, "control");
  *control = {type, {}, NumberAt(FieldWord(input, "buttons"))};
  if (type.empty()) return control->buttons != 0;
  // Old MAME names a joystick by its ways, "v" in front for a vertical one: joy8way, vjoy2way,
  // doublejoy4way.
  if (type.size() > 3 && type.substr(type.size() - 3) == "way") {
    size_t digits = type.size() - 3;
    while (digits > 0 && IsDigit(type[digits - 1])) --digits;
    std::string_view base = type.substr(0, digits);
    if (!base.empty() && LowerAscii(base[0]) == 'v') base.remove_prefix(1);
    if (digits < type.size() - 3 && IsJoystick(base)) {
      control->type = base;
      control->ways = type.substr(digits, type.size() - 3 - digits);
    }
  }
  return true;
}

}  // namespace tabulon
