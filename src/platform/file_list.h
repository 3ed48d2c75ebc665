// Folder listings and folder making for the working folders of the application folder.
#pragma once

#include <string>
#include <vector>

#include "platform/program.h"

namespace tabulon {

// Names (without folder) of the ordinary files in `folder` whose name ends in ".dat" in any
// letter case and that are not hidden (IsHidden), sorted by name with case ignored. A missing
// folder gives an empty list. Entries so named that are not files (folders, pipes, ...) are
// added to `not_files` when given.
std::vector<std::string> ListDatFiles(const std::string& folder,
                                      std::vector<std::string>* not_files = nullptr);

// Makes `folder` when it does not exist; throws Error naming it when that fails.
void MakeFolderIfMissing(const std::string& folder);

}  // namespace tabulon
