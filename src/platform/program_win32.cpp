// The running program on Windows.
#include <filesystem>

#include "platform/files.h"
#include "platform/program.h"
#include "platform/windows.h"
// clang-format off
#include <shellapi.h>  // CommandLineToArgvW: after windows.h, which it needs
// clang-format on

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

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8Text(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace tabulon
