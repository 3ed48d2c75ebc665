// Folder listings and folder making for the working folders of the application folder.
#pragma once

#include <string>
#include <vector>

namespace tabulon {

// Names (without folder) of the ordinary files in `folder` whose name ends in ".dat" in any
// letter case, sorted by name with case ignored. A missing folder gives an empty list.
std::vector<std::string> ListDatFiles(const std::string& folder);

// Makes `folder` when it does not exist; throws Error naming it when that fails.
void MakeFolderIfMissing(const std::string& folder);

// The folder that holds the running program, as the platform reports it.
std::string ExecutableFolder();

}  // namespace tabulon
