// Where the owner's ROMs and samples are. With no RomPath of its own, tabulon.ini means MAME's:
// MAME is asked for its settings (-showconfig) rather than its mame.ini read here, since MAME
// finds that file along its inipath, which differs by build (Debian's looks in ~/.mame and
// /etc/mame, Windows builds beside mame.exe), lets later ini files override earlier ones, and
// fills in its built-in defaults for what no file says. What MAME prints is what it would use.
#include <cstdio>
#include <filesystem>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "shaping/availability.h"

namespace tabulon {
namespace {

// MAME's own value of `option` ("rompath"), as -showconfig prints it, or `fallback` (MAME's
// built-in default) when MAME cannot be asked.
std::string MameSearchPath(const std::string& mame_folder, const std::string& mame_exe,
                           std::string_view option, std::string_view fallback) {
  std::string answer;
  std::string temp_path;
  std::string error;
  const std::string prefix =
      InFolder(PathText(std::filesystem::temp_directory_path()), "tabulon-showconfig-");
  std::FILE* file = CreateTempFile(prefix, "", &temp_path, &error);
  if (file == nullptr) return std::string(fallback);
  ChildExit exit;
  OpenCoreGate gate;  // a few kilobytes: nothing to hold back
  const bool ran = RunCommandWritingFile(
      mame_folder, mame_exe + " -showconfig", fileno(file),
      [&answer](const char* data, size_t size) { answer.append(data, size); }, gate, [] {}, &error,
      &exit);
  std::fclose(file);
  RemoveFile(temp_path);
  if (!ran || !exit.ok()) return std::string(fallback);
  // Lines of "name   value", the value in quotes when it holds a space.
  for (std::string_view line : Split(answer, '\n')) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!StartsWith(line, option) || line.size() == option.size() ||
        (line[option.size()] != ' ' && line[option.size()] != '\t')) {
      continue;
    }
    std::string_view value = line.substr(option.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
      value.remove_prefix(1);
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::string(fallback);
}

}  // namespace

std::vector<std::string> RomFolders(const std::vector<std::string>& setting,
                                    const std::string& mame_folder, const std::string& mame_exe,
                                    bool samples) {
  std::vector<std::string> entries = setting;
  if (entries.empty()) {
    const std::string own = samples ? MameSearchPath(mame_folder, mame_exe, "samplepath", "samples")
                                    : MameSearchPath(mame_folder, mame_exe, "rompath", "roms");
    for (const std::string_view entry : Split(own, ';')) entries.emplace_back(entry);
  }
  std::vector<std::string> folders;
  for (const std::string& entry : entries) {
    const std::string_view trimmed = TrimSpaces(entry);
    if (trimmed.empty()) continue;
    // MAME runs in its own folder, so its relative paths start there.
    std::string path = ExpandEnvironment(trimmed);
    if (!FsPath(path).is_absolute()) {
      path = EndsWithSeparator(mame_folder) ? mame_folder + path : InFolder(mame_folder, path);
    }
    folders.push_back(std::move(path));
  }
  return folders;
}

}  // namespace tabulon
