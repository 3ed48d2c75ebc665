// What the window program takes from its command line: whether it runs in silent mode, or only
// prints its usage or version.
#pragma once

#include <string>
#include <string_view>

namespace tabulon {

// The command line as one text: the arguments after the program's name, joined by single
// spaces: the silent-mode switch is found by splitting that text at "-", so `x-S` and
// `/S -S` count wherever the shell split the words.
std::string CommandLineText(int argc, const char* const* argv);

// The same text from Windows' whole command line (GetCommandLine), the way the C runtime finds
// it: the program's name ends at the closing quote when it begins with one, else at the first
// blank or tab, and the blanks and tabs after it are dropped. The rest is taken as it stands.
std::string_view CommandLineAfterProgram(std::string_view command_line);

// Silent mode is asked for when the text between the first and the second "-" of the command
// line (or the end), upper-cased, is exactly "S". So "-S", "-s", "x-S" and "/S -S" ask for it;
// "-S -V" (piece "S "), "-Sx" and "--S" do not, and a line without any "-" starts normally.
bool ParseSilentMode(const std::string& command_line);

enum class WindowStart { kWindow, kSilent, kHelp, kVersion };

// What the command line asks of the window program. Silent mode comes first, by the rule above,
// so no line that asked for it before asks for anything else now. Otherwise a word "--help",
// "-h" or "/?" asks for the usage, a word "--version" for the version; every other word is
// passed over, as the window always has.
WindowStart ParseWindowStart(const std::string& command_line);

// The texts --help and --version print. `app_dir` is the application folder, named in the usage.
std::string WindowUsage(const std::string& app_dir);
std::string WindowVersion();

}  // namespace tabulon
