// Category and version of a set from its emulator's category file in catvers/: catver.ini for
// MAME, <emulator>catver.ini for any other emulator. A file that is missing when a dat is read is
// created with a placeholder entry for every set of that dat.
#pragma once

#include <string>
#include <vector>

#include "platform/profile_ini.h"
#include "records/field_slots.h"
#include "records/run_state.h"

namespace tabulon {

inline constexpr const char* kCategoryUnknown = "???? / ????";
inline constexpr const char* kVersionUnknown = "????";
inline constexpr const char* kCategoryPlaceholder = "????/????";
inline constexpr const char* kMameUnknown = "TLTC";

// The category file's name for `emulator`: catver.ini for MAME, otherwise the emulator name with
// every character that a file name cannot hold on Windows (\ / : * ? " < > |, control
// characters) turned into "_", followed by catver.ini.
std::string CategoryFileName(const std::string& emulator);

class CategoryLookup {
 public:
  // PrepareCatver: makes catvers/ when missing, picks the file for `emulator` and notes whether it
  // exists now. An existing file is loaded and indexed once here. Throws Error naming the file
  // when it cannot be read or the folder cannot be made.
  static CategoryLookup PrepareCatver(const std::string& app_dir, const std::string& emulator);
  // A lookup for a category file that could neither be read nor be made: every set gets the
  // placeholder values, and nothing is written.
  static CategoryLookup Placeholders(const std::string& app_dir, const std::string& emulator);

  // GetCatVer: sets lCat and lVer of the slots from lrom, falling back to LClone, or, when the
  // file did not exist, to the placeholders, noting a placeholder entry for lrom.
  void GetCatVer(FieldSlots* slots);

  // In MAME's own list, a set the file does not know gets "TLTC" as its version and category.
  void ReplaceUnknownForMame(FieldSlots* slots);

  // Writes the file when it did not exist: one empty line and the placeholder entries, replacing
  // it atomically. Does nothing for a file that existed. Throws Error naming the file.
  void Finish();

  // Sets looked up whose name no category file can hold as a key (ProfileIni::CanBeKey): how
  // many, and the names of the first kUnkeyableShown.
  static constexpr size_t kUnkeyableShown = 5;
  size_t unkeyable() const { return unkeyable_; }
  const std::vector<std::string>& first_unkeyable() const { return first_unkeyable_; }

  const std::string& path() const { return path_; }
  bool existed_at_start() const { return existed_; }
  // The counts of the sets looked up so far; `file` is left to the caller, which knows how the
  // report names it.
  const CategorySummary& summary() const { return summary_; }

 private:
  std::string path_;
  bool existed_ = false;
  bool write_ = true;
  ProfileIni ini_;
  CategorySummary summary_;
  size_t unkeyable_ = 0;
  std::vector<std::string> first_unkeyable_;
};

}  // namespace tabulon
