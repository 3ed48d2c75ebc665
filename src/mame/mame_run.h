// Finding MAME through the front end's cfgs/mame.cfg and running its three list scripts.
#pragma once

#include <string>

#include "mame/mame_state.h"
#include "records/run_state.h"

namespace tabulon {

struct MameConfig {
  std::string path;    // the PATH value, trimmed of spaces
  std::string exe;     // the EXE value, trimmed of spaces
  long path_line = 0;  // where they stand in mame.cfg, from 1
  long exe_line = 0;
};

// Reads PATH (the first line whose first four characters are "PATH" in any case) and EXE (the
// first line from the PATH line on whose first three characters are "EXE" in any case); a value
// is the text between the line's first and second "=". Throws Error naming the file and, where
// it helps, the line, when a key line is missing or has no "=".
MameConfig ReadMameConfig(const std::string& cfg_path);

// When the application folder holds the lists of an earlier run, a warning's closing words that
// say so, how many games they hold, and how to have them read; else an empty text.
std::string EarlierListsHint(const std::string& app_dir);

// The parent of the application folder, ending with "/".
std::string FrontEndFolder(const std::string& app_dir);

// The exit status with which MAME refuses a command line it does not accept, such as an option
// it no longer knows (today's MAME answers -li, -listdetails and -gamelist with it).
inline constexpr int kMameRefusedOptionStatus = 6;

// The status texts of the three runs.
inline constexpr const char* kMameMissingStatus = "MAME.exe missing, searching for other dats....";

enum class MameRunResult {
  kNoConfig,          // no cfgs/mame.cfg: nothing was done
  kMissing,           // MAME is missing or mame.cfg unusable: mame.IsMame is false
  kFound,             // MAME is there; nothing was run
  kRan,               // the three scripts ran
  kScriptsNotWritten  // MAME is there but its folder takes no scripts (a warning says why)
};

// RunMame: reads the front end's mame.cfg into mame.MamePath (ending with "/") and mame.MameExe,
// and clears mame.IsMame when MAME is missing (or the file cannot be used, with a warning that
// says why); kFound when MAME is there to run. Without a mame.cfg nothing happens and IsMame
// keeps its value. A relative PATH is taken from the application folder.
MameRunResult RunMame(RunState& run, MameState& mame);

// For a MAME that RunMame found: writes the three scripts and runs them one after the other,
// waiting for each; kRan. A run that cannot be waited on shows the "Error Accessing Mame"
// message; for the listinfo run that ends the run with MameListinfoFailed. A MAME folder that
// takes no scripts (a read-only folder) has them written beside the lists, and one that cannot
// take them there either is reported and the script runs are left out: kScriptsNotWritten.
MameRunResult RunMameScripts(RunState& run, MameState& mame);

}  // namespace tabulon
