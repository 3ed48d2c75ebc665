// Folder listing for the dat file list, and folder making.
#include "platform/file_list.h"

#include <algorithm>
#include <filesystem>

#include "platform/error.h"
#include "platform/strings.h"

namespace tabulon {

std::vector<std::string> ListDatFiles(const std::string& folder,
                                      std::vector<std::string>* not_files) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    // Hidden files are not listed, as a file list on Windows does not show them.
    if (name.size() < 4 || name.front() == '.' ||
        !EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".dat")) {
      continue;
    }
    std::error_code type_ec;
    if (it->is_regular_file(type_ec)) {
      names.push_back(std::move(name));
    } else if (not_files != nullptr) {
      not_files->push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int order = CompareNoCase(a, b);
    return order != 0 ? order < 0 : a < b;
  });
  return names;
}

void MakeFolderIfMissing(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  fs::create_directory(folder, ec);
  if (ec) throw Error(folder, "cannot make the folder: " + ec.message());
}

std::string ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path().string();
  return exe.parent_path().string();
}

}  // namespace tabulon
