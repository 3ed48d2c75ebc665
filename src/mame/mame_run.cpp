// Front-end configuration and MAME's script runs.
#include "mame/mame_run.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "mame/bat_scripts.h"
#include "mame/problem.h"
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
    throw Error(cfg_path, line_number,
                std::string("the ") + key + " line has no \"=\": write it as " + key + "=...");
  }
  return std::string(TrimSpaces(pieces[1]));
}

// What a user's mame.cfg holds on this system, for the texts that say how to write a line.
std::string ExampleMameFolder() { return PathSeparator() == '/' ? "/usr/games" : "C:\\MAME"; }
std::string ExampleMameExe() { return PathSeparator() == '/' ? "mame" : "mame.exe"; }

// A folder as the user writes it: without the separator MamePath ends with, but for a root.
std::string FolderText(std::string folder) {
  if (folder.size() > 1 && EndsWithSeparator(folder) &&
      FsPath(folder.substr(0, folder.size() - 1)).has_relative_path()) {
    folder.pop_back();
  }
  return folder;
}

// Why the PATH value names no folder, in the words of the mistakes users make with it.
std::string PathHint(const std::string& value, const std::string& app_dir) {
  if (value.find('"') != std::string::npos) return "; write the path without quotes";
  if (value.starts_with("~")) return "; a ~ is not expanded here: write the whole path";
  if (PathSeparator() == '/' && value.find('\\') != std::string::npos) {
    return "; this system separates folders with /, not \\";
  }
  if (FsPath(value).is_relative()) {
    return "; a relative PATH is taken from the application folder " + app_dir;
  }
  return "";
}

// A file of `folder` whose name is the one asked for but for letter case or the ".exe" that
// Windows programs have and others lack, as a hint for the EXE line; empty when there is none.
std::string NearExeName(const std::string& folder, const std::string& exe) {
  auto bare = [](std::string name) {
    name = UpperAscii(name);
    if (name.ends_with(".EXE")) name.resize(name.size() - 4);
    return name;
  };
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(FsPath(folder), ec)) {
    const std::string name = PathText(entry.path().filename());
    if (name != exe && bare(name) == bare(exe) && entry.is_regular_file(ec)) return name;
  }
  return "";
}

// What is wrong with the MAME that mame.cfg names, with the line it is on; no problem when MAME
// is there to run.
Problem MameProblem(const MameConfig& config, const MameState& mame, const std::string& app_dir,
                    long* line) {
  *line = config.path_line;
  const std::string folder = FolderText(mame.MamePath);
  if (config.path.empty()) {
    return "PATH=: no folder is named; write MAME's folder after the \"=\", such as PATH=" +
           ExampleMameFolder();
  }
  const std::string path_line = "PATH=" + config.path + ": ";
  if (mame.MamePath == std::string(1, PathSeparator())) {
    return path_line + "no folder is named";
  }
  if (!IsFolder(mame.MamePath)) {
    return path_line + "no such folder: " + folder + PathHint(config.path, app_dir);
  }
  *line = config.exe_line;
  if (config.exe.empty()) {
    return "EXE=: no program is named; write MAME's program file after the \"=\", such as EXE=" +
           ExampleMameExe();
  }
  const std::string exe_line = "EXE=" + config.exe + ": ";
  const std::string exe = mame.MamePath + mame.MameExe;
  if (!IsFile(exe)) {
    const std::string near = NearExeName(mame.MamePath, config.exe);
    return exe_line + "no file named " + config.exe + " in " + folder +
           (near.empty() ? "" : "; the folder has " + near + ": write EXE=" + near);
  }
  // Hidden files count as missing, as the folder search that looks for MAME skips them.
  if (IsHidden(exe)) return exe_line + exe + " is a hidden file";
  if (!IsExecutable(exe)) return exe_line + exe + " is not executable";
  return {};
}

}  // namespace

MameConfig ReadMameConfig(const std::string& cfg_path) {
  // Notepad saves "UTF-8" with a byte order mark and "Unicode" as UTF-16: both are read.
  const std::vector<std::string> lines = ReadTextLines(cfg_path);
  auto find = [&lines](size_t from, const char* key) {
    const size_t length = std::strlen(key);
    for (size_t i = from; i < lines.size(); ++i) {
      if (EqualsNoCase(Left(lines[i], length), key)) return i;
    }
    return lines.size();
  };
  MameConfig config;
  const size_t path_at = find(0, "PATH");
  if (path_at == lines.size()) {
    throw Error(cfg_path, "no PATH line: write one such as PATH=" + ExampleMameFolder());
  }
  config.path_line = static_cast<long>(path_at) + 1;
  config.path = KeyValue(lines[path_at], "PATH", cfg_path, config.path_line);

  // The EXE search starts at the PATH line itself, which never matches.
  const size_t exe_at = find(path_at, "EXE");
  if (exe_at == lines.size()) {
    throw Error(cfg_path, "no EXE line after the PATH line (line " +
                              std::to_string(config.path_line) +
                              "): write one such as EXE=" + ExampleMameExe());
  }
  config.exe_line = static_cast<long>(exe_at) + 1;
  config.exe = KeyValue(lines[exe_at], "EXE", cfg_path, config.exe_line);
  return config;
}

std::string EarlierListsHint(const std::string& app_dir) {
  const std::string listinfo = InFolder(app_dir, "listinfo.dat");
  if (!IsFile(listinfo)) return "";
  size_t games = 0;
  try {
    LineReader reader(listinfo);
    for (std::string line; reader.ReadLine(&line);) games += TrimSpaces(line) == "game (";
  } catch (const Error&) {
    return "";
  }
  if (games == 0) return "";
  const std::string cfg = InFolder("cfgs", "mame.cfg");
  return "; the lists of an earlier run are still in " + app_dir +
         " (listinfo.dat: " + std::to_string(games) + (games == 1 ? " game" : " games") +
         ", from " + FileDate(listinfo) + "), not read while " + cfg +
         " names no MAME: correct the line to run MAME, or move " + cfg +
         " away to have them read as they stand";
}

std::string FrontEndFolder(const std::string& app_dir) {
  std::filesystem::path app = FsPath(app_dir);
  if (!app.has_filename()) app = app.parent_path();
  std::string folder = PathText(app.has_parent_path() ? app.parent_path() : app);
  if (!EndsWithSeparator(folder)) folder += PathSeparator();
  return folder;
}

MameRunResult RunMame(RunState& run, MameState& mame) {
  const std::string cfg_path = FrontEndFolder(run.app_dir) + InFolder("cfgs", "mame.cfg");
  if (!IsFile(cfg_path)) return MameRunResult::kNoConfig;
  run.report.mame_setup.settings = cfg_path;

  auto mame_missing = [&run, &mame]() {
    mame.IsMame = false;
    run.ShowStatus(kMameMissingStatus);
  };
  MameConfig config;
  try {
    config = ReadMameConfig(cfg_path);
    // A relative folder is relative to the application folder, the folder the program works
    // in, wherever it was started from.
    mame.MamePath = config.path;
    if (!mame.MamePath.empty() && FsPath(mame.MamePath).is_relative()) {
      mame.MamePath = InFolder(run.app_dir, mame.MamePath);
    }
    if (!EndsWithSeparator(mame.MamePath)) mame.MamePath += PathSeparator();
    mame.MameExe = config.exe;
  } catch (const Error& e) {
    run.Warn(std::string(e.what()) + "; MAME's games are left out" + EarlierListsHint(run.app_dir));
    mame_missing();
    return MameRunResult::kMissing;
  }

  long line = 0;
  if (const Problem problem = MameProblem(config, mame, run.app_dir, &line)) {
    run.Warn(FormatLocation(cfg_path, line, *problem) + "; MAME's games are left out" +
             EarlierListsHint(run.app_dir));
    mame_missing();
    return MameRunResult::kMissing;
  }

  run.report.mame_setup.program = mame.MamePath + mame.MameExe;
  return MameRunResult::kFound;
}

MameRunResult RunMameScripts(RunState& run, MameState& mame) {
  mame.scripts_written = true;
  auto make_scripts = [&mame, &run](const std::string& folder) -> Problem {
    mame.script_folder = folder;
    try {
      MakeLiBat(folder, mame.MameExe, run.app_dir);
      MakeLDBat(folder, mame.MameExe, run.app_dir);
      MakeGLBat(folder, mame.MameExe, run.app_dir);
      return {};
    } catch (const Error& e) {
      KillBats(folder);
      return std::string(e.what());
    }
  };
  // Another front end sharing this MAME folder writes its scripts under the same names: its
  // lock keeps the two runs' scripts apart. A folder that cannot take the lock file takes no
  // scripts either, and those go beside the lists, in the locked application folder.
  std::string lock_error;
  mame.script_lock = run.LockFolder(FolderText(mame.MamePath), &lock_error);
  const Problem folder_error =
      mame.script_lock.locked()
          ? make_scripts(mame.MamePath)
          : FormatLocation(mame.MamePath + kFolderLockName, 0, "cannot write: " + lock_error);
  if (folder_error) {
    mame.script_lock.Unlock();
    // A MAME folder that takes no files is the usual case, not a mistake (Debian's /usr/games
    // for a user, C:\Program Files\MAME): the scripts are written beside the lists instead and
    // run in MAME's folder all the same.
    const std::string app_folder = run.app_dir + PathSeparator();
    if (const Problem again = make_scripts(app_folder)) {
      mame.script_folder.clear();
      run.Warn(*again + "; MAME's old list options are not tried");
      return MameRunResult::kScriptsNotWritten;
    }
    run.Note(FolderText(mame.MamePath) + ": takes no files (" + *folder_error +
             "), so MAME's scripts were written to and run from " + run.app_dir +
             ", in MAME's folder all the same");
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
    const std::string script = mame.script_folder + ScriptName(step.list);
    std::string error;
    ChildExit exit;
    bool waited = mame.script_runner
                      ? mame.script_runner(mame.MamePath, script, &error, &exit)
                      : RunScriptAndWait(
                            mame.MamePath, script, [&run]() { run.Yield(); }, &error, &exit);
    if (waited) {
      mame.script_exits.emplace_back(script, exit);
      continue;
    }
    const std::string text = "Error parsing mame:  Last command run is:\r\n" + script +
                             "\r\nBat file contains:  \r\n" +
                             ScriptLine(step.list, mame.MameExe, run.app_dir);
    if (run.view != nullptr) run.view->ShowMessage("Error Accessing Mame", text);
    if (step.list == MameList::kListinfo) {
      throw MameListinfoFailed(script,
                               "MAME's listinfo run could not be waited "
                               "on: " +
                                   error);
    }
    run.Warn(FormatLocation(script, 0, "could not be waited on: " + error));
  }
  // The next front end's run need not wait for this one's conversion.
  if (mame.script_lock.locked()) {
    KillBats(mame.script_folder);
    mame.script_lock.Unlock();
  }
  return MameRunResult::kRan;
}

}  // namespace tabulon
