// The files a set's sources hold, as the ROM folders' check looks them up: every "S.zip", "S.7z"
// and folder "S/" of the search folders, each read once and kept for the run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/archive_directory.h"
#include "platform/strings.h"

namespace tabulon {

// ASCII lower case, with "\" made "/": member names compare this way whatever wrote the archive.
std::string FoldMemberName(std::string_view name);

// One archive's directory, or the files of one set folder, indexed for the lookups.
class RomSource {
 public:
  RomSource(const std::vector<ArchiveMember>& members, bool loose);

  // Loose files of a folder: no CRCs, found by name in every match mode.
  bool loose() const { return loose_; }
  // Whether a member has this name (already folded with FoldMemberName).
  bool HasName(std::string_view folded) const;
  // Whether a member has both this CRC32 and this size in the directory; a member whose CRC
  // the directory does not give never matches.
  bool HasCrc(uint32_t crc, uint64_t size) const;

 private:
  // A full folder's check holds the directories of tens of thousands of archives, so each is
  // one allocation of sorted 64-bit keys: first the hashes of the folded names (a quarter of a
  // name's memory; two names of a set sharing 64 bits do not happen), then each CRC with its
  // size in the high half.
  std::unique_ptr<uint64_t[]> keys_;
  uint32_t names_ = 0;
  uint32_t crcs_ = 0;
  bool loose_;
};

// The sources of one set name in every search folder, in the folders' order, and those of them
// that could not be read (counted as holding nothing).
struct SetSources {
  std::vector<RomSource> sources;
  std::vector<std::string> unreadable;  // file names as found: "defender.zip"
};

// The search folders (RomPath, or SamplePath), looked into lazily: a folder's names are listed
// the first time a set is looked for, and a set's archives are read the first time it is asked
// for, each path once.
class RomShelf {
 public:
  explicit RomShelf(std::vector<std::string> folders);

  const SetSources& Of(std::string_view set_name);
  // One text for each source that could not be read, naming it and what is wrong.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  struct Folder {
    std::string path;
    StringArena text;
    // Entry names, sorted as the file system compares them (ignoring case on Windows).
    std::vector<std::string_view> entries;
  };
  std::string Key(std::string_view name) const;
  bool Before(std::string_view a, std::string_view b) const;
  void Read(const std::string& path, bool folder, SetSources* set);

  std::vector<std::string> folder_paths_;
  std::vector<Folder> folders_;  // listed on the first look-up
  bool listed_ = false;
  bool ignore_case_;
  std::unordered_map<std::string, SetSources> sets_;  // by Key(set name)
  std::vector<std::string> warnings_;
};

}  // namespace tabulon
