// The path text rules and file tests that are the same on every platform.
#include "platform/files.h"

#include <cctype>
#include <chrono>
#include <ctime>
#include <fstream>

namespace tabulon {

std::string InFolder(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).push_back(PathSeparator());
  path.append(name);
  return path;
}

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '/' || path.back() == PathSeparator());
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(FsPath(path), ec);
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(FsPath(path), ec);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(FsPath(path), ec);
}

bool IsExecutable(const std::string& path) {
  // The C runtime of Windows gives a program's extension the execute permissions.
  using std::filesystem::perms;
  std::error_code ec;
  const perms p = std::filesystem::status(FsPath(path), ec).permissions();
  return !ec && (p & (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none;
}

bool IsLauncher(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_symlink(FsPath(path), ec)) return true;
  std::string extension = PathText(FsPath(path).extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".bat" || extension == ".cmd") return true;
  std::ifstream file(FsPath(path), std::ios::binary);
  char start[2] = {};
  return file.read(start, 2) && start[0] == '#' && start[1] == '!';
}

std::string FileDate(const std::string& path) {
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(FsPath(path), ec);
  if (ec) return "";
  const std::time_t time =
      std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
  const std::tm* local = std::localtime(&time);
  char text[32];
  if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local) == 0) return "";
  return text;
}

}  // namespace tabulon
