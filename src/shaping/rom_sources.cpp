#include "shaping/rom_sources.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "platform/error.h"
#include "platform/files.h"

namespace tabulon {
namespace {

uint64_t NameHash(std::string_view folded) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : folded) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

std::string FoldMemberName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    if (c == '\\') c = '/';
  }
  return folded;
}

RomSource::RomSource(const std::vector<ArchiveMember>& members, bool loose) : loose_(loose) {
  std::vector<uint64_t> crcs;
  for (const ArchiveMember& member : members) {
    // No ROM is 4 GB or more, so a member that large matches none by its CRC.
    if (member.has_crc && member.size <= UINT32_MAX) crcs.push_back(member.size << 32 | member.crc);
  }
  names_ = static_cast<uint32_t>(members.size());
  crcs_ = static_cast<uint32_t>(crcs.size());
  keys_ = std::make_unique_for_overwrite<uint64_t[]>(names_ + crcs_);
  const std::span<uint64_t> names(keys_.get(), names_);
  for (size_t i = 0; i < members.size(); ++i) names[i] = NameHash(FoldMemberName(members[i].name));
  std::ranges::sort(names);
  std::ranges::sort(crcs);
  std::ranges::copy(crcs, keys_.get() + names_);
}

bool RomSource::HasName(std::string_view folded) const {
  return std::binary_search(keys_.get(), keys_.get() + names_, NameHash(folded));
}

bool RomSource::HasCrc(uint32_t crc, uint64_t size) const {
  const uint64_t* crcs = keys_.get() + names_;
  return size <= UINT32_MAX && std::binary_search(crcs, crcs + crcs_, size << 32 | crc);
}

RomShelf::RomShelf(std::vector<std::string> folders)
    : folder_paths_(std::move(folders)), ignore_case_(FileNamesIgnoreCase()) {}

std::string RomShelf::Key(std::string_view name) const {
  // Set names are ASCII, so folding ASCII letters is how Windows compares them too.
  return ignore_case_ ? FoldMemberName(name) : std::string(name);
}

bool RomShelf::Before(std::string_view a, std::string_view b) const {
  // The order of Key(): ASCII letters folded where the file system ignores case.
  return ignore_case_ ? CompareNoCase(a, b) < 0 : a < b;
}

void RomShelf::Read(const std::string& path, bool folder, SetSources* set) {
  try {
    set->sources.emplace_back(folder ? ListFolderFiles(path) : ReadArchiveDirectory(path), folder);
  } catch (const Error& e) {
    warnings_.push_back(std::string(e.what()) +
                        "; the sets that need it count as missing until it is replaced by a "
                        "good copy");
    set->unreadable.push_back(path.substr(path.find_last_of(PathSeparator()) + 1));
  }
}

const SetSources& RomShelf::Of(std::string_view set_name) {
  if (!listed_) {
    // One listing per folder rather than three look-ups per set: a full folder holds tens of
    // thousands of sets.
    for (const std::string& path : folder_paths_) {
      Folder& folder = folders_.emplace_back();
      folder.path = path;
      const std::vector<std::string> names = FolderEntryNames(path);
      folder.entries.reserve(names.size());
      for (const std::string& name : names) folder.entries.push_back(folder.text.Keep(name));
      // Stable: of two names the same but for case, the one listed first is found.
      std::ranges::stable_sort(folder.entries, [this](auto a, auto b) { return Before(a, b); });
    }
    listed_ = true;
  }
  // Each path belongs to one set name, so keeping the sets keeps every path read once.
  auto [found, added] = sets_.try_emplace(Key(set_name));
  SetSources& set = found->second;
  if (!added) return set;
  const std::string name(set_name);
  for (const Folder& folder : folders_) {
    for (const char* extension : {".zip", ".7z", ""}) {
      const std::string wanted = name + extension;
      const auto entry = std::ranges::lower_bound(folder.entries, wanted,
                                                  [this](auto a, auto b) { return Before(a, b); });
      if (entry == folder.entries.end() || Before(wanted, *entry)) continue;
      const std::string path = InFolder(folder.path, *entry);
      const bool is_folder = *extension == '\0';
      // A file named like the set but without an extension is nothing MAME loads.
      if (is_folder && !IsFolder(path)) continue;
      Read(path, is_folder, &set);
    }
  }
  return set;
}

}  // namespace tabulon
