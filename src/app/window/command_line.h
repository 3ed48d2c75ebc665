// What the window program takes from its command line: only whether it runs in silent mode.
#pragma once

#include <string>

namespace tabulon {

// The command line as one text: the arguments after the program's name, joined by single
// spaces, which is the form the silent-mode switch has always been read from.
std::string CommandLineText(int argc, const char* const* argv);

// Silent mode is asked for when the text between the first and the second "-" of the command
// line (or the end), upper-cased, is exactly "S". So "-S", "-s", "x-S" and "/S -S" ask for it;
// "-S -V" (piece "S "), "-Sx" and "--S" do not, and a line without any "-" starts normally.
bool ParseSilentMode(const std::string& command_line);

}  // namespace tabulon
