#include "mame/printed_lists.h"

#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

// Whether listinfo.dat ends with a block's ")": an old MAME stopped halfway leaves a block open.
bool EndsWithBlock(const std::string& path) {
  LineReader reader(path);
  std::string line, last;
  while (reader.ReadLine(&line)) {
    if (TrimSpaces(line).empty()) continue;
    last = std::move(line);
  }
  return TrimSpaces(last) == ")";
}

}  // namespace

bool HasGameBlock(const std::string& path) {
  if (!IsFile(path)) return false;
  LineReader reader(path);
  std::string line;
  while (reader.ReadLine(&line)) {
    if (line.find("game (") != std::string::npos) return true;
  }
  return false;
}

Problem OldListsProblem(const std::string& app_dir, const MameState& mame) {
  const std::string listinfo_path = InFolder(app_dir, "listinfo.dat");
  for (const auto& [script, exit] : mame.script_exits) {
    if (!exit.ok()) return FormatLocation(script, 0, "MAME " + exit.Describe());
  }
  if (!EndsWithBlock(listinfo_path)) {
    return FormatLocation(listinfo_path, 0, "ends inside a block: MAME's output was cut off");
  }
  // An old MAME prints a header for these at least; without one its games could not be paired
  // with their rows.
  for (const auto& [name, option] :
       {std::pair{"listdetails.dat", "-listdetails"}, std::pair{"gamelist.dat", "-gamelist"}}) {
    const std::string path = InFolder(app_dir, name);
    FileIdentity identity;
    if (!GetFileIdentity(path, &identity) || identity.size == 0) {
      return FormatLocation(path, 0, std::string("MAME wrote nothing for ") + option);
    }
  }
  return {};
}

}  // namespace tabulon
