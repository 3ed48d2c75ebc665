// Reading the silent-mode switch from the command line.
#include "app/form/command_line.h"

#include <algorithm>
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

std::string_view CommandLineAfterProgram(std::string_view command_line) {
  size_t end = 0;
  if (StartsWith(command_line, "\"")) {
    end = command_line.find('"', 1);
    end = end == std::string_view::npos ? command_line.size() : end + 1;
  } else {
    end = std::min(command_line.find_first_of(" \t"), command_line.size());
  }
  const size_t rest = command_line.find_first_not_of(" \t", end);
  return rest == std::string_view::npos ? std::string_view() : command_line.substr(rest);
}

bool ParseSilentMode(const std::string& command_line) {
  // Deliberately no trimming: "-S -V" gives the piece "S " and starts normally.
  const std::vector<std::string_view> pieces = Split(command_line, '-');
  return pieces.size() > 1 && UpperAscii(pieces[1]) == "S";
}

}  // namespace tabulon
