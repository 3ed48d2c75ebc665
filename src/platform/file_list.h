// Folder listings and folder making for the working folders of the application folder.
#pragma once

#include <string>
#include <vector>

#include "platform/program.h"

namespace tabulon {

// An entry of the dats folder that ListDatFiles passes over, and why, so that the run can say
// what it did not read.
struct PassedOver {
  enum class Why {
    kNotAFile,  // named *.dat, not hidden, but a folder, pipe or device
    kFolder,    // any other folder
    kHidden,    // a hidden file (IsHidden)
    kNotDat,    // a file (or pipe, ...) whose name does not end in ".dat"
  };
  std::string name;
  Why why;
};

// Names (without folder) of the ordinary files in `folder` whose name ends in ".dat" in any
// letter case and that are not hidden (IsHidden), sorted by name with case ignored. A missing
// folder gives an empty list. Every other entry is added to `passed_over` when given, in the
// same order.
std::vector<std::string> ListDatFiles(const std::string& folder,
                                      std::vector<PassedOver>* passed_over = nullptr);

// Makes `folder` when it does not exist; throws Error naming it when that fails.
void MakeFolderIfMissing(const std::string& folder);

}  // namespace tabulon
