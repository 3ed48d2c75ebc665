#include "shaping/rom_sources.h"

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {
namespace {

bool HasSuffix(std::string_view name, std::string_view suffix, bool fold) {
  if (name.size() <= suffix.size()) return false;
  const std::string_view end = name.substr(name.size() - suffix.size());
  return fold ? EqualsNoCase(end, suffix) : end == suffix;
}

}  // namespace

bool RomSource::HasName(uint64_t name_hash) const {
  return std::binary_search(data_, data_ + names_, name_hash);
}

bool RomSource::HasCrc(uint32_t crc, uint64_t size) const {
  // The pairs after the names: size, then CRC.
  const uint64_t* pairs = data_ + names_;
  size_t low = 0, high = crcs_;
  while (low < high) {
    const size_t mid = (low + high) / 2;
    const uint64_t* at = pairs + 2 * mid;
    if (at[0] < size || (at[0] == size && at[1] < crc)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low < crcs_ && pairs[2 * low] == size && pairs[2 * low + 1] == crc;
}

RomShelf::RomShelf(std::vector<std::string> folders)
    : folder_paths_(std::move(folders)), ignore_case_(FileNamesIgnoreCase()) {}

RomShelf::~RomShelf() = default;

void RomShelf::List() {
  listed_ = true;
  // One listing per folder rather than three look-ups per set: a full folder holds tens of
  // thousands of sets.
  struct Entry {
    uint32_t folder;
    uint32_t offset;
    uint32_t size;
  };
  std::vector<Entry> entries;
  for (const std::string& path : folder_paths_) {
    const ArchiveFolder& folder = folders_.emplace_back(path);
    folder.ListEntries([&](std::string_view name) {
      entries.push_back({static_cast<uint32_t>(folders_.size() - 1),
                         static_cast<uint32_t>(entry_names_.size()),
                         static_cast<uint32_t>(name.size())});
      entry_names_.append(name);
    });
  }
  // At most half full, so that a look-up ends after a probe or two.
  size_t slots = 16;
  while (slots < 2 * entries.size()) slots *= 2;
  table_.assign(slots, 0);
  sets_.reserve(entries.size());
  // Each entry is a source of one set name: "S.zip" and "S.7z" of S, any other of the folder S.
  std::vector<std::pair<uint32_t, Candidate>> found;  // by set
  found.reserve(entries.size());
  for (const Entry& entry : entries) {
    const std::string_view name = std::string_view(entry_names_).substr(entry.offset, entry.size);
    Candidate candidate{entry.folder, Kind::kFolder, name};
    std::string_view key = name;
    if (HasSuffix(name, ".zip", ignore_case_)) {
      candidate.kind = Kind::kZip;
      key.remove_suffix(4);
    } else if (HasSuffix(name, ".7z", ignore_case_)) {
      candidate.kind = Kind::kSevenZip;
      key.remove_suffix(3);
    }
    const uint64_t hash = NameHash().Add(key).value();
    Set* set = Find(key, hash);
    if (set == nullptr) {
      set = &sets_.emplace_back();
      set->key = key;
      for (size_t at = hash & (table_.size() - 1);; at = (at + 1) & (table_.size() - 1)) {
        if (table_[at] != 0) continue;
        table_[at] = (hash & 0xFFFFFFFF00000000ull) | sets_.size();
        break;
      }
    }
    found.emplace_back(static_cast<uint32_t>(set - sets_.data()), candidate);
    ++set->count;
  }
  // Grouped by set, in the order they are searched: folder by folder, zip, 7z, then set folder.
  uint32_t first = 0;
  for (Set& set : sets_) {
    set.first = first;
    first += std::exchange(set.count, 0);
  }
  candidates_.resize(found.size());
  for (const auto& [set, candidate] : found) {
    candidates_[sets_[set].first + sets_[set].count++] = candidate;
  }
  // A folder holds one entry of each kind for a name, so no two candidates of a set tie.
  for (const Set& set : sets_) {
    if (set.count < 2) continue;
    std::sort(candidates_.begin() + set.first, candidates_.begin() + set.first + set.count,
              [](const Candidate& a, const Candidate& b) {
                return a.folder != b.folder ? a.folder < b.folder : a.kind < b.kind;
              });
  }
}

RomShelf::Set* RomShelf::Find(std::string_view name, uint64_t hash) {
  const uint64_t tag = hash & 0xFFFFFFFF00000000ull;
  for (size_t at = hash & (table_.size() - 1);; at = (at + 1) & (table_.size() - 1)) {
    const uint64_t slot = table_[at];
    if (slot == 0) return nullptr;
    if ((slot & 0xFFFFFFFF00000000ull) != tag) continue;
    Set& set = sets_[(slot & 0xFFFFFFFF) - 1];
    // Set names are ASCII, so folding ASCII letters is how Windows compares them too.
    if (ignore_case_ ? EqualsNoCase(set.key, name) : set.key == name) return &set;
  }
}

void RomShelf::Add(const MemberView& member) {
  names_read_.push_back(NameHash().Add(member.name).value());
  if (member.has_crc) crcs_read_.emplace_back(member.size, member.crc);
}

template <typename T>
T* RomShelf::Allocate(size_t count, std::vector<std::unique_ptr<T[]>>* blocks, T** next,
                      size_t* left) {
  if (count > *left) {
    // What is left of the last block goes unused: less than a set's share, on average.
    *left = std::max<size_t>(count, 64 * 1024 / sizeof(T));
    *next = blocks->emplace_back(new T[*left]).get();
  }
  T* at = *next;
  *next += count;
  *left -= count;
  return at;
}

void RomShelf::Read(Set* set) {
  set->read = true;
  sources_read_.clear();
  for (uint32_t i = set->first; i < set->first + set->count; ++i) {
    const Candidate& candidate = candidates_[i];
    const ArchiveFolder& folder = folders_[candidate.folder];
    const bool loose = candidate.kind == Kind::kFolder;
    std::string path;
    names_read_.clear();
    crcs_read_.clear();
    try {
      if (loose) {
        path = InFolder(folder.path(), candidate.name);
        // A file named like the set but without an extension is nothing MAME loads.
        if (!IsFolder(path)) continue;
        for (const ArchiveMember& file : ListFolderFiles(path)) {
          Add({file.name, file.size, file.crc, file.has_crc});
        }
      } else {
        folder.Read(candidate.name, [this](const MemberView& member) { Add(member); });
      }
    } catch (const Error& e) {
      warnings_.push_back(std::string(e.what()) +
                          "; the sets that need it count as missing until it is replaced by a "
                          "good copy");
      set->sources.unreadable.emplace_back(candidate.name);
      continue;
    }
    std::sort(names_read_.begin(), names_read_.end());
    std::sort(crcs_read_.begin(), crcs_read_.end());
    RomSource& source = sources_read_.emplace_back();
    source.loose_ = loose;
    source.names_ = static_cast<uint32_t>(names_read_.size());
    source.crcs_ = static_cast<uint32_t>(crcs_read_.size());
    uint64_t* data = Allocate(names_read_.size() + 2 * crcs_read_.size(), &data_blocks_,
                              &data_next_, &data_left_);
    source.data_ = data;
    data = std::copy(names_read_.begin(), names_read_.end(), data);
    for (const auto& [size, crc] : crcs_read_) {
      *data++ = size;
      *data++ = crc;
    }
  }
  if (sources_read_.empty()) return;
  RomSource* sources =
      Allocate(sources_read_.size(), &source_blocks_, &sources_next_, &sources_left_);
  std::copy(sources_read_.begin(), sources_read_.end(), sources);
  set->sources.sources = {sources, sources_read_.size()};
}

const SetSources& RomShelf::Of(std::string_view set_name) {
  static const SetSources kNone;
  if (!listed_) List();
  Set* set = Find(set_name, NameHash().Add(set_name).value());
  if (set == nullptr) return kNone;
  // Each path belongs to one set name, so keeping the sets keeps every path read once.
  if (!set->read) Read(set);
  return set->sources;
}

}  // namespace tabulon
