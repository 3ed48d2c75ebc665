#include "shaping/rom_sources.h"

#include <algorithm>

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

RomSource::RomSource(std::string path, std::vector<ArchiveMember> members, bool loose)
    : path_(std::move(path)), loose_(loose) {
  names_.reserve(members.size());
  for (const ArchiveMember& member : members) {
    names_.push_back(NameHash(FoldMemberName(member.name)));
    if (member.has_crc) crcs_.push_back({member.size, member.crc});
  }
  std::ranges::sort(names_);
  std::ranges::sort(crcs_);
}

bool RomSource::HasName(std::string_view folded) const {
  return std::ranges::binary_search(names_, NameHash(folded));
}

bool RomSource::HasCrc(uint32_t crc, uint64_t size) const {
  return std::ranges::binary_search(crcs_, Crc{size, crc});
}

RomShelf::RomShelf(std::vector<std::string> folders)
    : folder_paths_(std::move(folders)), ignore_case_(FileNamesIgnoreCase()) {}

std::string RomShelf::Key(std::string_view name) const {
  // Set names are ASCII, so folding ASCII letters is how Windows compares them too.
  return ignore_case_ ? FoldMemberName(name) : std::string(name);
}

std::unique_ptr<const RomSource> RomShelf::Read(const std::string& path, bool folder,
                                                SetSources* set) {
  try {
    return std::make_unique<const RomSource>(
        path, folder ? ListFolderFiles(path) : ReadArchiveDirectory(path), folder);
  } catch (const Error& e) {
    warnings_.push_back(std::string(e.what()) +
                        "; the sets that need it count as missing until it is replaced by a "
                        "good copy");
    set->unreadable.push_back(path.substr(path.find_last_of(PathSeparator()) + 1));
    return nullptr;
  }
}

const SetSources& RomShelf::Of(std::string_view set_name) {
  if (!listed_) {
    // One listing per folder rather than three look-ups per set: a full folder holds tens of
    // thousands of sets.
    for (const std::string& path : folder_paths_) {
      Folder& folder = folders_.emplace_back();
      folder.path = path;
      for (std::string& name : FolderEntryNames(path)) {
        folder.entries.try_emplace(Key(name), std::move(name));
      }
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
      const auto entry = folder.entries.find(Key(name + extension));
      if (entry == folder.entries.end()) continue;
      const std::string path = InFolder(folder.path, entry->second);
      const bool is_folder = *extension == '\0';
      // A file named like the set but without an extension is nothing MAME loads.
      if (is_folder && !IsFolder(path)) continue;
      if (auto source = Read(path, is_folder, &set)) set.sources.push_back(std::move(source));
    }
  }
  return set;
}

}  // namespace tabulon
