// Standard output and standard error for the text a user reads, which is UTF-8 inside the program.
// On POSIX systems they are std::cout and std::cerr. On Windows a console shows the text as
// written; output sent to a file or a pipe gets UTF-8 (console_win32.cpp says why).
#pragma once

#include <iosfwd>

namespace tabulon {

std::ostream& StandardOutput();
std::ostream& StandardError();

}  // namespace tabulon
