// The running program: what is the same on every system.
#include "platform/program.h"

namespace tabulon {

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
  size_t i = 0;
  // The program's name ends at its closing quote, or at the first blank when it is not quoted;
  // backslashes mean nothing in it.
  if (i < line.size() && line[i] == '"') {
    const size_t close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  }
  while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;

  std::vector<std::string> args;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return args;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      if (line[i] == '\\') {
        size_t run = 0;
        while (i < line.size() && line[i] == '\\') ++run, ++i;
        // A run of backslashes before a quote: a program quoting by the C runtime's rules doubles
        // them there, so "C:\Tabulon\\" ends in one. A single one, "C:\Tabulon\", is what
        // Explorer's "Copy as path" and tab completion give for a folder: the runtime would take
        // \" for a quote inside the argument and go on to the end of the line, though no Windows
        // path can hold a quote. Here it is the folder's backslash and the quote closes.
        arg.append(i < line.size() && line[i] == '"' ? (run + 1) / 2 : run, '\\');
      } else if (line[i] == '"') {
        // A quote only ever opens or closes a quoted stretch: an argument never holds one.
        quoted = !quoted;
        ++i;
      } else {
        arg.push_back(line[i++]);
      }
    }
    args.push_back(std::move(arg));
  }
}

}  // namespace tabulon
