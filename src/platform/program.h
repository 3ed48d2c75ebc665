// The running program as the platform sees it: its folder and its command line.
#pragma once

#include <string>
#include <vector>

namespace tabulon {

// The folder that holds the running program, as the platform reports it.
std::string ExecutableFolder();

// The program's arguments (without its name) as UTF-8 text. On Windows they are taken from the
// wide command line: `argv` holds them in the ANSI code page, which cannot hold every name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tabulon
