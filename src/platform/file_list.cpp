// Folder listing for the dat file list, and folder making.
#include "platform/file_list.h"

#include <algorithm>
#include <filesystem>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {

std::vector<std::string> ListDatFiles(const std::string& folder,
                                      std::vector<std::string>* not_files) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = PathText(it->path().filename());
    // Hidden files are not listed, as a file list on Windows does not show them.
    if (name.size() < 4 || !EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".dat") ||
        IsHidden(InFolder(folder, name))) {
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
  if (fs::is_directory(FsPath(folder), ec)) return;
  fs::create_directory(FsPath(folder), ec);
  if (ec) throw Error(folder, "cannot make the folder: " + ec.message());
}

}  // namespace tabulon
