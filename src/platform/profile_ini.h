// Private-profile ini files (catver.ini and friends), read and written the way the Windows
// profile functions treat them: section and key names match without regard to ASCII case, the
// first section and the first key of a name win, a value is the text after the first "=" with
// spaces and tabs trimmed and one pair of surrounding quotes removed, cut to 999 characters.
// The file is loaded once and indexed; writes are buffered and land on Save().
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

  // The value of `key` in `section`, or `default_value` when either is absent. An empty key is
  // never found.
  std::string Get(std::string_view section, std::string_view key,
                  std::string_view default_value) const;

  // Sets `key` in `section` to `value`: replaces the line of an existing key, or adds the key at
  // the end of its section, adding the section at the end of the file when it is new.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // Writes the whole file back atomically to the path it was loaded from: every line it had
  // (comments, other sections, lines without "=") is kept, in order, with CR LF line ends.
  void Save() const;

  const std::string& path() const { return path_; }
  size_t key_count() const { return entries_.size(); }

 private:
  struct Section {
    std::string name;
    long header_line;                // -1 for a section added by Set()
    long insert_after;               // line after which added keys go (-1: right after the header)
    std::vector<std::string> added;  // "key=value" lines added by Set()
  };
  struct Entry {
    long line;  // index into lines_, or -1 when the key was added by Set()
    size_t section;
    size_t added_index;  // index into Section::added when line == -1
    std::string value;
  };

  static std::string IndexKey(std::string_view section, std::string_view key);

  std::string path_;
  std::vector<std::string> lines_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> section_index_;  // folded name -> first section
  std::unordered_map<std::string, Entry> entries_;         // folded section + key -> first key
};

}  // namespace tabulon
