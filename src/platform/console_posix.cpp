// Standard output and standard error on POSIX systems: the terminal takes UTF-8 as it is.
#include <iostream>

#include "platform/console.h"

namespace tabulon {

std::ostream& StandardOutput() { return std::cout; }
std::ostream& StandardError() { return std::cerr; }

}  // namespace tabulon
