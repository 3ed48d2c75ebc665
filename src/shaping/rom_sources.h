// The files a set's sources hold, as the ROM folders' check looks them up: every "S.zip", "S.7z"
// and folder "S/" of the search folders, each read once and kept for the run.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/archive_directory.h"

namespace tabulon {

// The hash of a member name as the sources keep it: ASCII lower case, with "\" made "/", so that
// names compare this way whatever wrote the archive. Taken piece by piece, so that a name made of
// several ("<clone>/<name>", "<disk>.chd") is looked up without being put together first.
class NameHash {
 public:
  NameHash& Add(std::string_view text) {
    for (char c : text) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
      if (c == '\\') c = '/';
      hash_ = (hash_ ^ static_cast<unsigned char>(c)) * 1099511628211ull;  // FNV-1a
    }
    return *this;
  }
  uint64_t value() const { return hash_; }

 private:
  uint64_t hash_ = 14695981039346656037ull;
};

// One archive's directory, or the files of one set folder, indexed for the lookups.
class RomSource {
 public:
  // Loose files of a folder: no CRCs, found by name in every match mode.
  bool loose() const { return loose_; }
  // Whether a member has a name of this NameHash.
  bool HasName(uint64_t name_hash) const;
  // Whether a member has both this CRC32 and this size in the directory; a member whose CRC
  // the directory does not give never matches.
  bool HasCrc(uint32_t crc, uint64_t size) const;

 private:
  friend class RomShelf;
  // Hashes of the folded names, sorted, then (size, CRC) pairs, sorted, in the shelf's storage:
  // a full folder's check holds hundreds of thousands of names, and a hash takes a quarter of a
  // name's memory; two names of a set sharing 64 bits do not happen.
  const uint64_t* data_ = nullptr;
  uint32_t names_ = 0;
  uint32_t crcs_ = 0;
  bool loose_ = false;
};

// The sources of one set name in every search folder, in the folders' order, and those of them
// that could not be read (counted as holding nothing).
struct SetSources {
  std::span<const RomSource> sources;
  std::vector<std::string> unreadable;  // file names as found: "defender.zip"
};

// The search folders (RomPath, or SamplePath), looked into lazily: a folder's names are listed
// the first time a set is looked for, and a set's archives are read the first time it is asked
// for, each path once.
class RomShelf {
 public:
  explicit RomShelf(std::vector<std::string> folders);
  ~RomShelf();

  const SetSources& Of(std::string_view set_name);
  // One text for each source that could not be read, naming it and what is wrong.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  enum class Kind : uint8_t { kZip, kSevenZip, kFolder };  // the order sources are searched in
  // A folder entry that may be a source of a set.
  struct Candidate {
    uint32_t folder;
    Kind kind;
    std::string_view name;  // the entry's name as listed
  };
  struct Set {
    std::string_view key;  // the name the entries give the set: "S" of "S.zip"
    uint32_t first = 0;    // its candidates, in candidates_
    uint32_t count = 0;
    bool read = false;
    SetSources sources;
  };

  void List();
  Set* Find(std::string_view name, uint64_t hash);
  void Read(Set* set);
  void Add(const MemberView& member);
  // Room for `count` of T that lives as long as the shelf, from blocks of `blocks`: a full
  // folder's tens of thousands of sources then cost a few hundred allocations, and as many frees.
  template <typename T>
  T* Allocate(size_t count, std::vector<std::unique_ptr<T[]>>* blocks, T** next, size_t* left);

  std::vector<std::string> folder_paths_;
  std::vector<ArchiveFolder> folders_;  // opened on the first look-up
  bool listed_ = false;
  bool ignore_case_;
  std::string entry_names_;            // of every folder, one after the other
  std::vector<Candidate> candidates_;  // by set, in search order within each
  std::vector<Set> sets_;
  // The sets by the name they are looked up by, compared as the file system compares names: an
  // open-addressed table of (the upper half of the name's NameHash, set index + 1), 0 for none.
  // A full folder's sets are looked up a hundred thousand times a check.
  std::vector<uint64_t> table_;
  std::vector<std::string> warnings_;
  // What the source being read holds so far.
  std::vector<uint64_t> names_read_;
  std::vector<std::pair<uint64_t, uint64_t>> crcs_read_;
  std::vector<RomSource> sources_read_;  // of the set being read
  std::vector<std::unique_ptr<uint64_t[]>> data_blocks_;
  uint64_t* data_next_ = nullptr;
  size_t data_left_ = 0;
  std::vector<std::unique_ptr<RomSource[]>> source_blocks_;
  RomSource* sources_next_ = nullptr;
  size_t sources_left_ = 0;
};

}  // namespace tabulon
