// Folder listing for the dat file list, and folder making.
#include "platform/file_list.h"

#include <algorithm>
#include <filesystem>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {

std::vector<std::string> ListDatFiles(const std::string& folder,
                                      std::vector<PassedOver>* passed_over) {
  namespace fs = std::filesystem;
  const auto by_name = [](const std::string& a, const std::string& b) {
    int order = CompareNoCase(a, b);
    return order != 0 ? order < 0 : a < b;
  };
  std::vector<std::string> names;
  std::vector<PassedOver> others;
  std::error_code ec;
  for (fs::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = PathText(it->path().filename());
    const bool dat_name =
        name.size() >= 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".dat");
    // Hidden files are not read, as a file list on Windows does not show them.
    const bool hidden = IsHidden(InFolder(folder, name));
    std::error_code type_ec;
    PassedOver::Why why;
    if (dat_name && !hidden) {
      if (it->is_regular_file(type_ec)) {
        names.push_back(std::move(name));
        continue;
      }
      why = PassedOver::Why::kNotAFile;
    } else if (it->is_directory(type_ec)) {
      why = PassedOver::Why::kFolder;
    } else {
      why = hidden ? PassedOver::Why::kHidden : PassedOver::Why::kNotDat;
    }
    if (passed_over != nullptr) others.push_back(PassedOver{std::move(name), why});
  }
  std::sort(names.begin(), names.end(), by_name);
  if (passed_over != nullptr) {
    std::sort(others.begin(), others.end(),
              [&](const PassedOver& a, const PassedOver& b) { return by_name(a.name, b.name); });
    passed_over->insert(passed_over->end(), others.begin(), others.end());
  }
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
