// Private-profile ini reading, indexing and atomic rewriting. A category file has tens of
// thousands of keys and is read on every run, and such a load pays more for the fresh memory it
// touches than for anything it computes. So the text is kept once and the index holds offsets into
// it, some twenty bytes a key: no string is made per line, key or value, nor a folded copy per
// lookup.
#include "platform/profile_ini.h"

#include <algorithm>
#include <bit>

#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view CleanValue(std::string_view raw) {
  std::string_view value = TrimBlanks(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value.substr(0, ProfileIni::kMaxValue);
}

// The line of `text` that starts at `start`: where it ends, before its CR LF, LF or CR, and where
// the next line starts.
struct LineSpan {
  size_t end;
  size_t next;
};

LineSpan LineAt(std::string_view text, size_t start) {
  size_t end = start;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  size_t next = end;
  if (next < text.size()) {
    next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
  }
  return {end, next};
}

// FNV-1a over the name with ASCII letters folded to lower case, then a multiplicative mix so that
// the upper bits, which pick the slot, depend on every byte.
uint64_t KeyHash(std::string_view name) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (char c : name) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<unsigned char>(byte + ('a' - 'A'));
    hash = (hash ^ byte) * 0x100000001b3u;
  }
  return hash * 0x9e3779b97f4a7c15u;
}

uint32_t Tag(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

// Slots for `keys` keys: a power of two, at most three quarters in use, so probe runs stay short.
size_t SlotCountFor(size_t keys) {
  size_t count = 16;
  while (count * 3 < keys * 4) count *= 2;
  return count;
}

// The slot a probe for `tag` starts at, among `slot_count` (a power of two) slots.
size_t HomeSlot(uint32_t tag, size_t slot_count) {
  return tag >> (32 - std::countr_zero(slot_count));
}

}  // namespace

size_t ProfileIni::FoldedHash::operator()(std::string_view name) const {
  return static_cast<size_t>(KeyHash(name));
}

bool ProfileIni::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return EqualsNoCase(a, b);
}

void ProfileIni::Load(const std::string& path) { Index(path, ReadWholeFile(path)); }

void ProfileIni::LoadText(const std::string& path, std::string_view text) {
  Index(path, std::string(text));
}

void ProfileIni::Index(const std::string& path, std::string text) {
  path_ = path;
  text_ = std::move(text);
  set_text_.Clear();
  set_lines_.clear();
  keys_.clear();
  replaced_.clear();
  sections_.clear();
  section_index_.clear();
  key_count_ = 0;

  const std::string_view all = text_;
  size_t current = kNotFound;  // section of the line in hand; none before the first section
  bool first_of_name = false;
  size_t last_content = 0;
  size_t first_key = 0;          // keys_ number of the section's first key line
  std::vector<uint64_t> hashes;  // of the section's key lines
  auto close_section = [&]() {
    if (current == kNotFound) return;
    Section& section = sections_[current];
    section.insert_after = last_content;
    if (first_of_name) IndexSection(section, first_key, hashes);
    hashes.clear();
  };
  for (size_t start = 0; start < all.size();) {
    const LineSpan span = LineAt(all, start);
    const std::string_view line = TrimBlanks(all.substr(start, span.end - start));
    const size_t line_start = start;
    start = span.next;
    // A section's name runs to the line's last "]"; a "[" line without one is no section line.
    const size_t close = line.empty() || line.front() != '[' ? 0 : line.rfind(']');
    if (close != 0 && close != std::string_view::npos) {
      close_section();
      std::string_view name = TrimBlanks(line.substr(1, close - 1));
      current = sections_.size();
      sections_.push_back(Section{std::string(name), true, line_start, {}, {}});
      first_of_name = section_index_.emplace(std::string(name), current).second;
      last_content = line_start;
      first_key = keys_.size();
      continue;
    }
    if (line.empty()) continue;
    last_content = line_start;
    // Keys count only in the first section of a name, as lookups never reach a later one.
    if (current == kNotFound || !first_of_name) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    keys_.push_back(line_start);
    hashes.push_back(KeyHash(TrimBlanks(line.substr(0, eq))));
  }
  close_section();
}

void ProfileIni::IndexSection(Section& section, size_t first, const std::vector<uint64_t>& hashes) {
  // Sized for every key line at once, so the index is built without growing.
  section.slots.assign(SlotCountFor(hashes.size()), Slot{0, 0});
  const size_t mask = section.slots.size() - 1;
  size_t kept = first;
  for (size_t i = 0; i < hashes.size(); ++i) {
    const size_t ref = keys_[first + i];
    const uint32_t tag = Tag(hashes[i]);
    size_t slot = HomeSlot(tag, section.slots.size());
    bool earlier = false;
    for (; section.slots[slot].key != 0; slot = (slot + 1) & mask) {
      const Slot& other = section.slots[slot];
      if (other.tag == tag &&
          EqualsNoCase(ReadKeyLine(keys_[other.key - 1]).key, ReadKeyLine(ref).key)) {
        earlier = true;
        break;
      }
    }
    if (earlier) continue;
    keys_[kept] = ref;
    section.slots[slot] = Slot{tag, static_cast<uint32_t>(kept + 1)};
    ++kept;
  }
  section.used = kept - first;
  key_count_ += section.used;
  keys_.resize(kept);
}

size_t ProfileIni::FindKey(const Section& section, std::string_view key, KeyLine* line) const {
  if (section.slots.empty()) return kNotFound;
  const uint32_t tag = Tag(KeyHash(key));
  const size_t mask = section.slots.size() - 1;
  for (size_t slot = HomeSlot(tag, section.slots.size());; slot = (slot + 1) & mask) {
    const Slot& candidate = section.slots[slot];
    if (candidate.key == 0) return kNotFound;
    if (candidate.tag != tag) continue;
    const size_t found = candidate.key - 1;
    *line = ReadKeyLine(keys_[found]);
    if (EqualsNoCase(line->key, key)) return found;
  }
}

void ProfileIni::PlaceSlot(std::vector<Slot>& slots, Slot slot) {
  const size_t mask = slots.size() - 1;
  size_t i = HomeSlot(slot.tag, slots.size());
  while (slots[i].key != 0) i = (i + 1) & mask;
  slots[i] = slot;
}

void ProfileIni::AddSlot(Section& section, uint64_t hash, size_t key) {
  if ((section.used + 1) * 4 > section.slots.size() * 3) {
    // The tag picks the home slot, so the keys move to the larger table without being read.
    std::vector<Slot> old = std::move(section.slots);
    section.slots.assign(std::max<size_t>(16, 2 * old.size()), Slot{0, 0});
    for (const Slot& slot : old) {
      if (slot.key != 0) PlaceSlot(section.slots, slot);
    }
  }
  PlaceSlot(section.slots, Slot{Tag(hash), static_cast<uint32_t>(key + 1)});
  ++section.used;
}

ProfileIni::KeyLine ProfileIni::ReadKeyLine(size_t ref) const {
  if ((ref & kSetLine) != 0) {
    const SetLine& line = set_lines_[ref & ~kSetLine];
    return KeyLine{line.text.substr(0, line.key_size), line.text.substr(line.key_size + 1)};
  }
  const std::string_view all = text_;
  const std::string_view line = TrimBlanks(all.substr(ref, LineAt(all, ref).end - ref));
  const size_t eq = line.find('=');
  return KeyLine{TrimBlanks(line.substr(0, eq)), line.substr(eq + 1)};
}

std::string ProfileIni::Get(std::string_view section, std::string_view key,
                            std::string_view default_value) const {
  return std::string(Find(section, key, default_value));
}

bool ProfileIni::CanBeKey(std::string_view key) {
  key = TrimBlanks(key);
  return key.find('=') == std::string_view::npos &&
         (!key.starts_with('[') || key.find(']') == std::string_view::npos);
}

std::string_view ProfileIni::Find(std::string_view section, std::string_view key,
                                  std::string_view default_value) const {
  // Names are asked for as the file holds them, without the blanks around them.
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  if (key.empty()) return default_value;
  auto it = section_index_.find(section);
  if (it == section_index_.end()) return default_value;
  KeyLine line;
  if (FindKey(sections_[it->second], key, &line) == kNotFound) return default_value;
  return CleanValue(line.raw_value);
}

void ProfileIni::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  std::string text;
  text.reserve(key.size() + 1 + value.size());
  text.append(key).append("=").append(value);
  const SetLine line{set_text_.Keep(text), key.size()};
  auto it = section_index_.find(section);
  if (it != section_index_.end()) {
    KeyLine existing;
    const size_t found = FindKey(sections_[it->second], key, &existing);
    if (found != kNotFound) {
      // The new line may spell the key differently; it folds to the same name, so its slot holds.
      size_t& ref = keys_[found];
      if ((ref & kSetLine) != 0) {
        set_lines_[ref & ~kSetLine] = line;
      } else {
        replaced_.emplace_back(ref, set_lines_.size());
        ref = kSetLine | set_lines_.size();
        set_lines_.push_back(line);
      }
      return;
    }
  }
  size_t number;
  if (it == section_index_.end()) {
    number = sections_.size();
    sections_.push_back(Section{std::string(section), false, 0, {}, {}});
    section_index_.emplace(std::string(section), number);
  } else {
    number = it->second;
  }
  Section& target = sections_[number];
  target.added.push_back(set_lines_.size());
  keys_.push_back(kSetLine | set_lines_.size());
  set_lines_.push_back(line);
  AddSlot(target, KeyHash(key), keys_.size() - 1);
  ++key_count_;
}

void ProfileIni::Save() const {
  AtomicTextWriter writer(path_);
  // Lines Set() replaced, and keys it added to sections of the file, which go after the
  // section's last non-empty line: both are met in file order on one pass over the text.
  std::vector<std::pair<size_t, size_t>> replaced = replaced_;
  std::sort(replaced.begin(), replaced.end());
  auto next_replaced = replaced.begin();
  auto next_insert = sections_.begin();
  auto skip_to_next_insert = [&]() {
    while (next_insert != sections_.end() && (!next_insert->in_file || next_insert->added.empty()))
      ++next_insert;
  };
  skip_to_next_insert();
  const std::string_view all = text_;
  for (size_t start = 0; start < all.size();) {
    const LineSpan span = LineAt(all, start);
    if (next_replaced != replaced.end() && next_replaced->first == start) {
      writer.WriteLine(set_lines_[next_replaced->second].text);
      ++next_replaced;
    } else {
      writer.WriteLine(all.substr(start, span.end - start));
    }
    while (next_insert != sections_.end() && next_insert->insert_after == start) {
      for (size_t number : next_insert->added) writer.WriteLine(set_lines_[number].text);
      ++next_insert;
      skip_to_next_insert();
    }
    start = span.next;
  }
  for (const Section& section : sections_) {
    if (section.in_file) continue;
    writer.Write("[");
    writer.Write(section.name);
    writer.WriteLine("]");
    for (size_t number : section.added) writer.WriteLine(set_lines_[number].text);
  }
  writer.Commit();
}

}  // namespace tabulon
