// Fixed-column reading of MAME's gamelist and listdetails tables.
#include "mame/game_status.h"

#include "platform/strings.h"

namespace tabulon {

std::string GameStatusFromRow(std::string_view row) {
  std::string text = "Working ";
  text += TrimSpaces(Mid(row, 37, 7));
  text += " Correct Colors ";
  text += TrimSpaces(Mid(row, 45, 7));
  text += " Sound ";
  text += TrimSpaces(Mid(row, 53, 7));
  text += " Flip Screen ";
  text += TrimSpaces(Mid(row, 61, 7));
  return text;
}

std::optional<std::string> GetGameStatus(LineReader& gamelist) {
  std::string row;
  if (!gamelist.ReadLine(&row)) return std::nullopt;
  return GameStatusFromRow(row);
}

std::string DriverNameFromRow(std::string_view row) {
  return std::string(TrimSpaces(Mid(row, 10, 10)));
}

}  // namespace tabulon
