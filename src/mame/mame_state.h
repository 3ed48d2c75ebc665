// MAME's part of a generation run: where MAME is, its scripts, and the side outputs open while
// its own list is read. GetMameData owns one for the length of the MAME step.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mame/mame_side_files.h"
#include "platform/file_lock.h"
#include "platform/process.h"

namespace tabulon {

// Runs one of MAME's scripts in the MAME folder and waits for it: (folder, script path, error,
// how it ended) -> whether it could be started and waited on.
using ScriptRunner = std::function<bool(const std::string& folder, const std::string& script_path,
                                        std::string* error, ChildExit* exit)>;

struct MameState {
  bool IsMame = false;   // cfgs/mame.cfg names a MAME that is there
  std::string MamePath;  // MAME's folder, ending with "/"
  std::string MameExe;
  bool scripts_written = false;  // the scripts may stand in script_folder
  // Where the scripts are written, ending with "/": the MAME folder, or the application folder
  // when the MAME folder takes no files. They run in the MAME folder either way.
  std::string script_folder;
  // Held while the scripts stand in the MAME folder, which other front ends may share.
  FileLock script_lock;
  // Empty: the platform's script runner. Tests put a stand-in here.
  ScriptRunner script_runner;
  // When the -listxml conversion may work while MAME runs. Empty: while a core is idle
  // (MakeIdleCoreGate), which on a busy machine may be never; tests put an open gate here.
  std::shared_ptr<CoreGate> core_gate;
  MameSideFiles side_files;
  // How each script that ran ended, in the order they ran: (script path, exit).
  std::vector<std::pair<std::string, ChildExit>> script_exits;
};

}  // namespace tabulon
