// Reading the silent-mode switch from the command line.
#include "app/window/command_line.h"

#include <vector>

#include "platform/strings.h"

namespace tabulon {

std::string CommandLineText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

bool ParseSilentMode(const std::string& command_line) {
  // Deliberately no trimming: "-S -V" gives the piece "S " and starts normally.
  const std::vector<std::string_view> pieces = Split(command_line, '-');
  return pieces.size() > 1 && UpperAscii(pieces[1]) == "S";
}

}  // namespace tabulon
