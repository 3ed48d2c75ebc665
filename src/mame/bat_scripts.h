// The three one-line scripts through which MAME writes its lists into the application folder:
// listinfo.bat, listdetails.bat and gamelist.bat in the MAME folder.
#pragma once

#include <string>

namespace tabulon {

enum class MameList { kListinfo, kListdetails, kGamelist };

// "listinfo.bat", "listdetails.bat" or "gamelist.bat".
const char* ScriptName(MameList list);

// The script's line: MAME's program name, the list's options, and the quoted output file in the
// application folder (its short form). The quoting is the interpreter's (QuoteForScript), so no
// folder name can run a command.
std::string ScriptLine(MameList list, const std::string& mame_exe, const std::string& app_dir);

// MakeLiBat, MakeLDBat, MakeGLBat: (re)write one script into `mame_path` (which ends with the
// path separator).
// Throws Error naming the script when it cannot be written.
void MakeLiBat(const std::string& mame_path, const std::string& mame_exe,
               const std::string& app_dir);
void MakeLDBat(const std::string& mame_path, const std::string& mame_exe,
               const std::string& app_dir);
void MakeGLBat(const std::string& mame_path, const std::string& mame_exe,
               const std::string& app_dir);

// Deletes the three scripts; a script that is already gone is no error. An empty `mame_path`
// (no mame.cfg was read) deletes nothing.
void KillBats(const std::string& mame_path);

}  // namespace tabulon
