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

namespace tabulon {

// ASCII lower case, with "\" made "/": member names compare this way whatever wrote the archive.
std::string FoldMemberName(std::string_view name);

// One archive's directory, or the files of one set folder, indexed for the lookups.
class RomSource {
 public:
  RomSource(std::string path, std::vector<ArchiveMember> members, bool loose);

  const std::string& path() const { return path_; }
  // Loose files of a folder: no CRCs, found by name in every match mode.
  bool loose() const { return loose_; }
  // Whether a member has this name (already folded with FoldMemberName).
  bool HasName(std::string_view folded) const;
  // Whether a member has both this CRC32 and this size in the directory; a member whose CRC
  // the directory does not give never matches.
  bool HasCrc(uint32_t crc, uint64_t size) const;

 private:
  struct Crc {
    uint64_t size;
    uint32_t crc;
    auto operator<=>(const Crc&) const = default;
  };
  std::string path_;
  bool loose_;
  // Hashes of the folded names, sorted: a full folder's check holds hundreds of thousands, and
  // a hash takes a quarter of a name's memory; two names of a set sharing 64 bits do not happen.
  std::vector<uint64_t> names_;
  std::vector<Crc> crcs_;  // sorted
};

// The sources of one set name in every search folder, in the folders' order, and those of them
// that could not be read (counted as holding nothing).
struct SetSources {
  std::vector<std::unique_ptr<const RomSource>> sources;
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
    // Entry names by the key the file system compares them with (folded on Windows).
    std::unordered_map<std::string, std::string> entries;
  };
  std::string Key(std::string_view name) const;
  std::unique_ptr<const RomSource> Read(const std::string& path, bool folder, SetSources* set);

  std::vector<std::string> folder_paths_;
  std::vector<Folder> folders_;  // listed on the first look-up
  bool listed_ = false;
  bool ignore_case_;
  std::unordered_map<std::string, SetSources> sets_;  // by Key(set name)
  std::vector<std::string> warnings_;
};

}  // namespace tabulon
