// One generation run from start to finish: MAME's games, every dat of dats/, the master list.
// The window's button, its timer in silent mode and tabulon-cli all drive this same run.
#pragma once

#include <string>
#include <vector>

#include "mame/mame_state.h"
#include "records/run_state.h"

namespace tabulon {

// What the window does when it loads: makes dats/ and catvers/ when missing and lists the dats
// into `file_list`, as the window's dat file list shows them. Throws Error when it cannot, after
// writing that into tabulonreport.txt when the application folder can be written.
void LoadAppFolder(RunState& run, std::vector<std::string>* file_list);

struct GenerationResult {
  std::string master_list;  // path of the master list written
  size_t lines_written = 0;
  bool shaped = false;   // tabulon.ini left MAME's games out
  size_t mame_in = 0;    // MAME's games before the shaping
  size_t mame_kept = 0;  // and after it
};

// Empties the record list, reads MAME's own list, then every dat of `file_list` (VPLAUNCHER.DAT, in
// any case, with the Visual Pinball reader, every other one with the dat reader), writes the master
// list and shows "List Creation Complete". `file_list` is the window's dat file list; the MAME step
// refreshes it from dats/ when MAME was found. Throws Error (MameListinfoFailed when MAME's
// listinfo run could not be waited on) or RunCancelled when the run cannot finish; the master list
// is then left as it was. `script_runner` runs MAME's scripts (empty: the platform's runner).
//
// Every run, finished or not, leaves tabulonreport.txt in the application folder: its summary
// (RunSummary), how it ended when it did not finish, and its warnings.
GenerationResult RunGeneration(RunState& run, std::vector<std::string>* file_list,
                               ScriptRunner script_runner = {});

// The run's summary, one line each: records per source, the lines written (when `result` is
// given) and the number of warnings, under a "Summary:" line.
std::vector<std::string> RunSummary(const RunReport& report, const GenerationResult* result);

}  // namespace tabulon
