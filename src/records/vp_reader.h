// Reader of the Visual Pinball launcher list VPLAUNCHER.DAT: one table per line, fields
// separated by "\", each table becoming one pinball record.
#pragma once

#include <string>

#include "records/run_state.h"

namespace tabulon {

// Reads dats/<dat_name> and adds one record per table line. Empty lines are skipped; a line with
// fewer than seven fields is skipped with a warning that names the file and line. Returns the
// number of records added. Throws Error when the file cannot be read.
size_t getlistinfoVP(const std::string& dat_name, RunState& run);

}  // namespace tabulon
