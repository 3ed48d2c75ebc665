// Whether the owner has a set: every file MAME needs to start it found in the ROM folders
// (zips, 7z archives and set folders), along its chain of parent and BIOS and its devices',
// by reading the archives' directories only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mame/mame_facts.h"
#include "shaping/shaping_settings.h"

namespace tabulon {

// What a set misses first, for the report's counts.
enum class Missing { kNone, kOwn, kParent, kBios, kDevice, kDisk, kSample, kNeedsNoFiles };

struct AvailabilityVerdict {
  Missing missing = Missing::kNone;
  std::string reason;  // as the report shows it after the set's name: "device namco52"
};

class AvailabilityCheck {
 public:
  // `rom_folders` and `sample_folders` in search order, as full paths.
  AvailabilityCheck(const ShapingSettings& settings, const MameFacts& facts,
                    std::vector<std::string> rom_folders, std::vector<std::string> sample_folders);
  ~AvailabilityCheck();

  AvailabilityVerdict Check(std::string_view set_name);

  // One warning for each source that could not be read (naming it and what is wrong); its set
  // counted as missing.
  const std::vector<std::string>& warnings() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The folders of RomPath (or SamplePath) as full paths: relative ones from MAME's folder, and
// when the setting is empty MAME's own rompath (samplepath), as MAME itself finds it.
std::vector<std::string> RomFolders(const std::vector<std::string>& setting,
                                    const std::string& mame_folder, const std::string& mame_exe,
                                    bool samples);

}  // namespace tabulon
