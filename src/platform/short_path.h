// Short forms of paths, as the scripts written into the MAME folder name their output.
#pragma once

#include <string>

namespace tabulon {

// The short form of a path, as the scripts' output targets use it: on Windows the system's 8.3
// form, which keeps non-ASCII letters out of the scripts. Linux has no short names: an existing
// path is its own short form. A path that does not exist has none (empty text).
std::string GetShortPathName(const std::string& long_path);

}  // namespace tabulon
