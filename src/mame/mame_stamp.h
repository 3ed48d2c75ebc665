// The stamp beside MAME's lists: which MAME made them, and what the lists looked like when it
// had, so that a run can tell that running the same MAME again would only give the same lists.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace tabulon {

// The stamp's name in the application folder.
inline constexpr const char* kMameStampName = "mamelists.stamp";

struct MameStamp {
  std::string exe;                   // the MAME executable's full path
  FileIdentity exe_identity;         // its identity when it ran
  std::string build;                 // the build attribute of its -listxml root element
  bool old_options_refused = false;  // it answered -li and the like with no list
  size_t devices = 0;                // machines the conversion left out as devices
  // listinfo.dat, listdetails.dat and gamelist.dat as the conversion left them.
  std::vector<std::pair<std::string, FileIdentity>> lists;
};

// A file's identity as the stamp writes it: "size modified changed volume file".
std::string IdentityText(const FileIdentity& identity);

// The full path by which the stamp names MAME's executable `path`.
std::string StampExePath(const std::string& path);

// The stamp in `app_dir`; nullopt when there is none or it is damaged (any line missing or not
// as written).
std::optional<MameStamp> ReadMameStamp(const std::string& app_dir);

// Writes the stamp of the lists now in `app_dir`, made by the executable `exe` of build `build`,
// through a temporary file renamed over the old stamp. Throws Error naming the file.
void WriteMameStamp(const std::string& app_dir, const std::string& exe, const std::string& build,
                    bool old_options_refused, size_t devices);

// Deletes the stamp: called before MAME writes new lists, so that a run that fails halfway
// never leaves a stamp for lists that are not the ones it describes.
void RemoveMameStamp(const std::string& app_dir);

// Whether `exe` is the file the stamp names, unchanged: the same FileIdentity.
bool SameExecutable(const MameStamp& stamp, const std::string& exe);
// Whether each list in `app_dir` is still the one the stamp describes.
bool ListsIntact(const MameStamp& stamp, const std::string& app_dir);

}  // namespace tabulon
