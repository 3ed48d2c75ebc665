// Environment variables in paths the way programs of this system write them, MAME among them:
// "$HOME/mame/roms", "${HOME}" and a leading "~" on POSIX systems, "%USERPROFILE%" on Windows.
#pragma once

#include <string>
#include <string_view>

namespace tabulon {

// `path` with its variables replaced by their values. On POSIX systems an unset variable becomes
// nothing, and a "$" not followed by a name or a closed "{...}" stays as it is; on Windows an
// unset %NAME% stays as it is.
std::string ExpandEnvironment(std::string_view path);

}  // namespace tabulon
