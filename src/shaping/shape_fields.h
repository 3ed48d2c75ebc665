// What the shaping steps read from a held record's fields, in the forms MAME's lists give them
// (listinfo.dat's blocks, the gamelist table's status text, catver.ini's categories), and the
// ASCII text rules the steps compare by.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "records/held_record.h"

namespace tabulon {

// In the order a family prefers them.
enum class DriverStatus { kGood, kImperfect, kPreliminary, kOther };

// From the record's driver line ("status imperfect color good sound good )"), else from the
// gamelist text ("Working No(1) Correct Colors ..."), which tells only whether the set works.
DriverStatus StatusOf(const HeldRecord& record);

char LowerAscii(char c);
std::string LowerAscii(std::string_view text);

// Whether `word` stands in `text` as a whole word (no letter or digit either side); both in lower
// case.
bool HasWholeWord(std::string_view text, std::string_view word);

// `*` and `?` over the whole of `text`; both in lower case.
bool GlobMatches(std::string_view pattern, std::string_view text);

// The category without its Mature marker ("*Mature*", "* Mature *", in any case), trimmed and in
// lower case; `mature` tells whether the marker was there.
std::string CleanCategory(std::string_view category, bool* mature);

// The years the first four characters of the year field allow ("198?" is 1980 to 1989); none
// when they are not four digits or question marks with at least one digit.
struct YearRange {
  int first, last;
};
std::optional<YearRange> YearsOf(std::string_view year);

// The largest "<N>P" of an nplayers.ini value ("4P alt / 2P sim" is 4); 0 when it has none
// ("???", "Device", "Pinball").
int MostPlayersOf(std::string_view value);

// The value after `key` among the words of a listinfo field ("players 2 control joy4way ..."),
// empty when the key is not there.
std::string_view FieldWord(std::string_view field, std::string_view key);

// A control as the steps compare it: the type without an old joystick's ways ("joy4way" is a
// "joy" with ways "4"), and its ways as MAME writes them.
struct Control {
  std::string_view type;
  std::string_view ways;
  int buttons = 0;
};
// The input field's control ("players 2 control joy4way buttons 0 coins 2"); false when it names
// neither a control nor buttons.
bool ControlOfInput(std::string_view input, Control* control);
bool IsJoystick(std::string_view type);
// The first number in a joystick's ways ("vertical2" is 2, "5 (half8)" is 5), 0 when none.
int FirstNumber(std::string_view text);

}  // namespace tabulon
