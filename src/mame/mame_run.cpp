// Front-end configuration and MAME's script runs.
#include "mame/mame_run.h"

#include <filesystem>

#include "mame/bat_scripts.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

struct KeyLine {
  std::string value;
  long line = 0;
};

std::string KeyValue(const std::string& line, const char* key, const std::string& cfg_path,
                     long line_number) {
  std::vector<std::string_view> pieces = Split(line, '=');
  if (pieces.size() < 2) {
    throw Error(cfg_path, line_number, std::string("the ") + key + " line has no \"=\"");
  }
  return std::string(TrimSpaces(pieces[1]));
}

}  // namespace

MameConfig ReadMameConfig(const std::string& cfg_path) {
  LineReader reader(cfg_path);
  std::string line;
  bool found = false;
  while (reader.ReadLine(&line)) {
    if (EqualsNoCase(Left(line, 4), "PATH")) {
      found = true;
      break;
    }
  }
  if (!found) throw Error(cfg_path, "no PATH line");
  MameConfig config;
  long path_line = reader.line_number();
  config.path = KeyValue(line, "PATH", cfg_path, path_line);

  // The EXE search starts at the PATH line itself, which never matches.
  found = false;
  while (reader.ReadLine(&line)) {
    if (EqualsNoCase(Left(line, 3), "EXE")) {
      found = true;
      break;
    }
  }
  if (!found) {
    throw Error(cfg_path,
                "no EXE line after the PATH line (line " + std::to_string(path_line) + ")");
  }
  config.exe = KeyValue(line, "EXE", cfg_path, reader.line_number());
  return config;
}

std::string FrontEndFolder(const std::string& app_dir) {
  std::filesystem::path app = FsPath(app_dir);
  if (!app.has_filename()) app = app.parent_path();
  std::string folder = PathText(app.has_parent_path() ? app.parent_path() : app);
  if (!EndsWithSeparator(folder)) folder += PathSeparator();
  return folder;
}

MameRunResult RunMame(RunState& run, MameState& mame, const std::function<bool()>& before_scripts) {
  const std::string cfg_path = FrontEndFolder(run.app_dir) + InFolder("cfgs", "mame.cfg");
  if (!IsFile(cfg_path)) return MameRunResult::kNoConfig;

  auto mame_missing = [&run, &mame]() {
    mame.IsMame = false;
    run.ShowStatus(kMameMissingStatus);
  };
  try {
    MameConfig config = ReadMameConfig(cfg_path);
    // A relative folder is relative to the application folder, the folder the program works
    // in, wherever it was started from.
    mame.MamePath = config.path;
    if (!mame.MamePath.empty() && FsPath(mame.MamePath).is_relative()) {
      mame.MamePath = InFolder(run.app_dir, mame.MamePath);
    }
    if (!EndsWithSeparator(mame.MamePath)) mame.MamePath += PathSeparator();
    mame.MameExe = config.exe;
  } catch (const Error& e) {
    run.Warn(std::string(e.what()) + "; MAME's games are left out");
    mame_missing();
    return MameRunResult::kMissing;
  }

  // Hidden files count as missing, as the folder search that looks for MAME skips them.
  const std::string exe = mame.MamePath + mame.MameExe;
  const bool exe_found = !mame.MameExe.empty() && IsFile(exe) && !IsHidden(exe);
  if (!exe_found || !IsFolder(mame.MamePath) || mame.MamePath == std::string(1, PathSeparator())) {
    mame_missing();
    return MameRunResult::kMissing;
  }

  if (before_scripts && !before_scripts()) return MameRunResult::kScriptsSkipped;
  mame.scripts_written = true;
  try {
    MakeLiBat(mame.MamePath, mame.MameExe, run.app_dir);
    MakeLDBat(mame.MamePath, mame.MameExe, run.app_dir);
    MakeGLBat(mame.MamePath, mame.MameExe, run.app_dir);
  } catch (const Error& e) {
    KillBats(mame.MamePath);
    run.Warn(std::string(e.what()) + "; MAME's old list options are not tried");
    return MameRunResult::kScriptsNotWritten;
  }

  struct Step {
    const char* status;
    MameList list;
  };
  const Step steps[] = {
      {"Parsing MAME for listinfo......", MameList::kListinfo},
      {"Parsing MAME for Driver information......", MameList::kListdetails},
      {"Parsing MAME for gamelist......", MameList::kGamelist},
  };
  for (const Step& step : steps) {
    run.ShowStatus(step.status);
    const std::string script = ScriptName(step.list);
    std::string error;
    ChildExit exit;
    bool waited = mame.script_runner
                      ? mame.script_runner(mame.MamePath, script, &error, &exit)
                      : RunScriptAndWait(
                            mame.MamePath, script, [&run]() { run.Yield(); }, &error, &exit);
    if (waited) {
      mame.script_exits.emplace_back(mame.MamePath + script, exit);
      continue;
    }
    const std::string text = "Error parsing mame:  Last command run is:\r\n" + mame.MamePath +
                             script + "\r\nBat file contains:  \r\n" +
                             ScriptLine(step.list, mame.MameExe, run.app_dir);
    if (run.view != nullptr) run.view->ShowMessage("Error Accessing Mame", text);
    if (step.list == MameList::kListinfo) {
      throw MameListinfoFailed(mame.MamePath + script,
                               "MAME's listinfo run could not be waited "
                               "on: " +
                                   error);
    }
    run.Warn(FormatLocation(mame.MamePath + script, 0, "could not be waited on: " + error));
  }
  return MameRunResult::kRan;
}

}  // namespace tabulon
