// The MAME half of a generation run: MAME writes its lists, its listinfo.dat is read into the
// record list with the side files held open, and each step is written to tabulonlog.txt.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mame/mame_facts.h"
#include "mame/mame_state.h"
#include "records/run_state.h"

namespace tabulon {

// Replaces tabulonlog.txt in the application folder with `lines`: the log shows the last step
// reached, never a history.
void WriteRunLog(const std::string& app_dir, const std::vector<std::string>& lines);

// GetMameData: runs MAME (RunMame) and, when MAME was found, reads its listinfo.dat in MAME mode,
// deletes the scripts and refreshes `file_list` from dats/. Outputs that are missing or unusable
// (today's MAME writes nothing for -li) are reported as warnings naming the file, and the run goes
// on with the other dats. `script_runner` runs MAME's scripts (empty: the platform's runner);
// `core_gate` says when the conversion may work while MAME runs (empty: when a core is idle).
// With `facts`, a -listxml converted in this run also gives MAME's facts, which are put there
// and kept in the facts file (they are left empty when the lists came any other way).
// Returns the number of MAME records added.
size_t GetMameData(RunState& run, std::vector<std::string>* file_list,
                   ScriptRunner script_runner = {}, std::shared_ptr<CoreGate> core_gate = nullptr,
                   std::optional<MameFacts>* facts = nullptr);

}  // namespace tabulon
