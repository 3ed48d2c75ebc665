// Driver status text and driver name from MAME's side outputs: the n-th game of listinfo.dat takes
// the n-th data row of gamelist.dat (status columns) and of listdetails.dat (driver column).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text_io.h"

namespace tabulon {

// The driver status text of one gamelist.dat row: "Working " W " Correct Colors " C " Sound " S
// " Flip Screen " F, each value cut from its fixed column (37-43, 45-51, 53-59, 61-67) and
// trimmed of spaces.
std::string GameStatusFromRow(std::string_view row);

// Reads the next row of gamelist.dat and returns its status text; nullopt when the file has no
// row left.
std::optional<std::string> GetGameStatus(LineReader& gamelist);

// The driver name of a listdetails.dat row: characters 10 to 19, trimmed of spaces.
std::string DriverNameFromRow(std::string_view row);

}  // namespace tabulon
