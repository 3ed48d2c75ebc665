// Writing and deleting MAME's scripts.
#include "mame/bat_scripts.h"

#include "platform/files.h"
#include "platform/script_text.h"
#include "platform/short_path.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

struct ScriptKind {
  const char* file;
  const char* options;
  const char* output;
};

const ScriptKind& Kind(MameList list) {
  static const ScriptKind kKinds[] = {
      {"listinfo.bat", " -history_file vantrelinc.dat -mameinfo_file vantrel123.dat -li > ",
       "listinfo.dat"},
      {"listdetails.bat", " -listdetails >", "listdetails.dat"},
      {"gamelist.bat", " -gamelist >", "gamelist.dat"},
  };
  return kKinds[static_cast<int>(list)];
}

void MakeScript(MameList list, const std::string& mame_path, const std::string& mame_exe,
                const std::string& app_dir) {
  WriteTextFile(mame_path + Kind(list).file,
                {InScriptEncoding(ScriptLine(list, mame_exe, app_dir))});
}

}  // namespace

const char* ScriptName(MameList list) { return Kind(list).file; }

std::string ScriptLine(MameList list, const std::string& mame_exe, const std::string& app_dir) {
  const ScriptKind& kind = Kind(list);
  return mame_exe + kind.options + QuoteForScript(InFolder(GetShortPathName(app_dir), kind.output));
}

void MakeLiBat(const std::string& mame_path, const std::string& mame_exe,
               const std::string& app_dir) {
  MakeScript(MameList::kListinfo, mame_path, mame_exe, app_dir);
}

void MakeLDBat(const std::string& mame_path, const std::string& mame_exe,
               const std::string& app_dir) {
  MakeScript(MameList::kListdetails, mame_path, mame_exe, app_dir);
}

void MakeGLBat(const std::string& mame_path, const std::string& mame_exe,
               const std::string& app_dir) {
  MakeScript(MameList::kGamelist, mame_path, mame_exe, app_dir);
}

void KillBats(const std::string& mame_path) {
  if (mame_path.empty()) return;  // no mame.cfg was read, so no script was written
  for (MameList list : {MameList::kListinfo, MameList::kListdetails, MameList::kGamelist}) {
    RemoveFile(InFolder(mame_path, ScriptName(list)));
  }
}

}  // namespace tabulon
