// The running program on POSIX systems.
#include <filesystem>

#include "platform/files.h"
#include "platform/program.h"

namespace tabulon {

std::string ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return PathText(std::filesystem::current_path());
  return PathText(exe.parent_path());
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace tabulon
