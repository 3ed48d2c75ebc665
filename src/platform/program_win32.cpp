// The running program on Windows.
#include <filesystem>

#include "platform/files.h"
#include "platform/program.h"
#include "platform/windows.h"

namespace tabulon {

std::string ExecutableFolder() {
  std::wstring exe(MAX_PATH, L'\0');
  while (true) {
    const DWORD size = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (size == 0) return PathText(std::filesystem::current_path());
    if (size < exe.size()) {
      exe.resize(size);
      break;
    }
    exe.resize(exe.size() * 2);  // cut off: a path longer than MAX_PATH
  }
  return PathText(std::filesystem::path(exe).parent_path());
}

// Not CommandLineToArgvW, nor argv: both follow the C runtime's rules, by which a quoted folder
// ending in a backslash swallows the rest of the command line.
std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
  return SplitWindowsCommandLine(Utf8Text(GetCommandLineW()));
}

}  // namespace tabulon
