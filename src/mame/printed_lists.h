// An old MAME's printed lists (-li, -listdetails, -gamelist): whether a run may use them.
#pragma once

#include <string>

#include "mame/mame_state.h"
#include "mame/problem.h"

namespace tabulon {

// Whether the list at `path` holds a game block ("game (").
bool HasGameBlock(const std::string& path);

// Why the old options' lists in `app_dir` cannot be used though listinfo.dat holds games (a MAME
// that failed or was killed halfway, or wrote nothing for a side list); no problem when they can.
Problem OldListsProblem(const std::string& app_dir, const MameState& mame);

}  // namespace tabulon
