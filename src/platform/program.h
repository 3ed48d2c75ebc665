// The running program as the platform sees it: its folder and its command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

// The folder that holds the running program, as the platform reports it.
std::string ExecutableFolder();

// The program's arguments (without its name) as UTF-8 text. On Windows they are taken from the
// wide command line: `argv` holds them in the ANSI code page, which cannot hold every name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The arguments (without the program's name) of a Windows command line, by the C runtime's rules
// but for one: a quote is never part of an argument, as it can be of no Windows path. So a quoted
// folder ending in a single backslash ("C:\Front End\Tabulon\") keeps its backslash and ends
// there; backslashes before a quote that the runtime's quoting doubled count once.
std::vector<std::string> SplitWindowsCommandLine(std::string_view command_line);

}  // namespace tabulon
