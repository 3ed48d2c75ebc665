// Reading the silent-mode switch and the requests for help from the command line.
#include "app/form/command_line.h"

#include <algorithm>
#include <vector>

#include "app/form/form.h"
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

WindowStart ParseWindowStart(const std::string& command_line) {
  if (ParseSilentMode(command_line)) return WindowStart::kSilent;
  WindowStart start = WindowStart::kWindow;
  size_t end = 0;
  while (end < command_line.size()) {
    const size_t begin = command_line.find_first_not_of(" \t", end);
    if (begin == std::string::npos) break;
    end = std::min(command_line.find_first_of(" \t", begin), command_line.size());
    const std::string_view word = std::string_view(command_line).substr(begin, end - begin);
    if (word == "--help" || word == "-h" || word == "/?") return WindowStart::kHelp;
    if (word == "--version") start = WindowStart::kVersion;
  }
  return start;
}

std::string WindowUsage(const std::string& app_dir) {
  return "usage: tabulon [-S]\n"
         "\n"
         "The window of Tabulon: builds masterlist.lst in the front-end folder, the parent of\n"
         "the application folder, from every *.dat file in the application folder's dats folder,\n"
         "with categories and versions from its catvers folder. Press Generate List to run;\n"
         "hold Shift as you press it to run MAME even when its last lists could be reused.\n"
         "\n"
         "  -S, -s         silent mode: run at once without waiting for a click and end the\n"
         "                 program when the run is over, with exit status 0 when the list was\n"
         "                 written and 1 otherwise; failures go to stderr and tabulonreport.txt,\n"
         "                 never to a message box. The text between the first and the second\n"
         "                 \"-\" of the command line must be exactly that letter.\n"
         "  -h, --help, /? show this help\n"
         "  --version      show the version\n"
         "\n"
         "The application folder is the folder that holds this program:\n"
         "  " +
         app_dir +
         "\n"
         "tabulon-cli, beside it, is the same run on the command line (tabulon-cli --help).\n";
}

std::string WindowVersion() { return std::string("tabulon (") + kTitle + ")\n"; }

}  // namespace tabulon
