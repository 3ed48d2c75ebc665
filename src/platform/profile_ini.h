// Private-profile ini files (catver.ini and friends), read and written the way the Windows
// profile functions treat them: section and key names match without regard to ASCII case, the
// first section and the first key of a name win, a value is the text after the first "=" with
// spaces and tabs trimmed and one pair of surrounding quotes removed, cut to 999 characters.
// The file is loaded once and indexed; writes are buffered and land on Save().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/strings.h"

namespace tabulon {

class ProfileIni {
 public:
  static constexpr size_t kMaxValue = 999;

  ProfileIni() = default;

  // Reads and indexes `path`. Lines may end in CR LF, LF or CR. Throws Error naming the path
  // when the file cannot be read.
  void Load(const std::string& path);
  // Takes the text of a file as if it had been read from `path` (for tests and for callers that
  // already hold the bytes).
  void LoadText(const std::string& path, std::string_view text);

  // The value of `key` in `section`, or `default_value` when either is absent. Blanks around the
  // names do not count. An empty key is never found: a set without a name must not pick up a
  // stray "=value" line.
  std::string Get(std::string_view section, std::string_view key,
                  std::string_view default_value) const;
  // The same without a copy, for lookups in bulk: the view stays valid until the next Load,
  // LoadText or Set (and `default_value` must outlive it when it is the answer).
  std::string_view Find(std::string_view section, std::string_view key,
                        std::string_view default_value) const;

  // Sets `key` in `section` to `value` (the names without the blanks around them): replaces the
  // line of an existing key, or adds the key at the end of its section, adding the section at the
  // end of the file when it is new.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // False for a key whose "key=value" line does not give it back: one holding "=", where the
  // line's key ends, or beginning with "[" and holding "]", which makes a section line of it (and
  // of the lines after it, that section's keys). Such a key set can never be found or edited.
  static bool CanBeKey(std::string_view key);

  // Writes the whole file back atomically to the path it was loaded from: every line it had
  // (comments, other sections, lines without "=") is kept, in order, with CR LF line ends.
  void Save() const;

  const std::string& path() const { return path_; }
  size_t key_count() const { return key_count_; }

 private:
  // Marks a key line written by Set() in keys_; a text in memory is far shorter than this.
  static constexpr size_t kSetLine = size_t{1} << (8 * sizeof(size_t) - 1);
  static constexpr size_t kNotFound = static_cast<size_t>(-1);

  // Section names hash and compare with ASCII letters folded, so finding one needs no copy.
  struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };

  // A slot of a section's open-addressed key index: the upper half of the key's hash, which also
  // picks the slot the probe starts at, and the keys_ number + 1 (0 for a free slot).
  struct Slot {
    uint32_t tag;
    uint32_t key;
  };
  struct Section {
    std::string name;
    bool in_file;               // false for a section added by Set()
    size_t insert_after;        // in_file: start of the line after which added keys go
    std::vector<size_t> added;  // set_lines_ numbers of the keys added by Set()
    std::vector<Slot> slots;    // empty for a later section of a name, which lookups never reach
    size_t used = 0;            // keys in `slots`
  };
  // A "key=value" line written by Set(), with the length of its key: the key may itself hold
  // "=" or blanks, so the line is never split again.
  struct SetLine {
    std::string_view text;  // in set_text_
    size_t key_size;
  };
  struct KeyLine {
    std::string_view key;
    std::string_view raw_value;  // before trimming, unquoting and cutting
  };

  void Index(const std::string& path, std::string text);
  // Builds the index of `section` from the key lines keys_[first...] found in it, `hashes`
  // holding their hashes; a key whose name came earlier is dropped.
  void IndexSection(Section& section, size_t first, const std::vector<uint64_t>& hashes);
  // The keys_ number of `key` in `section`, or kNotFound; `line` gets the key's line when found.
  size_t FindKey(const Section& section, std::string_view key, KeyLine* line) const;
  // Places keys_ number `key` in the slots of `section`, making room first when needed.
  static void AddSlot(Section& section, uint64_t hash, size_t key);
  static void PlaceSlot(std::vector<Slot>& slots, Slot slot);
  KeyLine ReadKeyLine(size_t ref) const;

  std::string path_;
  std::string text_;  // the file as loaded; lines, keys and values are read from it in place
  // The text of the lines Set() wrote. A line it replaces again keeps its old text here until
  // the next load: Set() is for filling a file in, not for a value that changes all the time.
  StringArena set_text_;
  std::vector<SetLine> set_lines_;
  // Where each indexed key's line is: its offset in text_, or kSetLine + its set_lines_ number.
  std::vector<size_t> keys_;
  // Lines of text_ that Set() replaced: (offset of the line, set_lines_ number).
  std::vector<std::pair<size_t, size_t>> replaced_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t, FoldedHash, FoldedEqual> section_index_;
  size_t key_count_ = 0;
};

}  // namespace tabulon
