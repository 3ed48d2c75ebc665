// Private-profile ini reading, indexing and atomic rewriting.
#include "platform/profile_ini.h"

#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return out;
}

std::string CleanValue(std::string_view raw) {
  std::string_view value = TrimBlanks(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, ProfileIni::kMaxValue));
}

}  // namespace

std::string ProfileIni::IndexKey(std::string_view section, std::string_view key) {
  std::string index = Fold(section);
  index.push_back('\x01');
  index += Fold(key);
  return index;
}

void ProfileIni::Load(const std::string& path) { LoadText(path, ReadWholeFile(path)); }

void ProfileIni::LoadText(const std::string& path, std::string_view text) {
  path_ = path;
  lines_.clear();
  sections_.clear();
  section_index_.clear();
  entries_.clear();

  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines_.emplace_back(text.substr(pos));
      break;
    }
    lines_.emplace_back(text.substr(pos, end - pos));
    pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }

  long current = -1;  // section of the line in hand; -1 before the first section
  long last_content = -1;
  auto close_section = [&]() {
    if (current >= 0) sections_[static_cast<size_t>(current)].insert_after = last_content;
  };
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view line = TrimBlanks(lines_[i]);
    if (!line.empty() && line.front() == '[') {
      close_section();
      size_t close = line.find(']');
      std::string_view name = TrimBlanks(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      sections_.push_back(
          Section{std::string(name), static_cast<long>(i), static_cast<long>(i), {}});
      current = static_cast<long>(sections_.size() - 1);
      last_content = static_cast<long>(i);
      section_index_.emplace(Fold(name), sections_.size() - 1);
      continue;
    }
    if (line.empty()) continue;
    last_content = static_cast<long>(i);
    if (current < 0) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = TrimBlanks(line.substr(0, eq));
    // Keys count only in the first section of a name, as lookups never reach a later one.
    const Section& section = sections_[static_cast<size_t>(current)];
    if (section_index_.at(Fold(section.name)) != static_cast<size_t>(current)) continue;
    entries_.emplace(IndexKey(section.name, key),
                     Entry{static_cast<long>(i), static_cast<size_t>(current), 0,
                           CleanValue(line.substr(eq + 1))});
  }
  close_section();
}

std::string ProfileIni::Get(std::string_view section, std::string_view key,
                            std::string_view default_value) const {
  if (key.empty()) return std::string(default_value);
  auto it = entries_.find(IndexKey(section, key));
  if (it == entries_.end()) return std::string(default_value);
  return it->second.value;
}

void ProfileIni::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value);
  std::string index = IndexKey(section, key);
  auto it = entries_.find(index);
  if (it != entries_.end()) {
    Entry& entry = it->second;
    if (entry.line >= 0) {
      lines_[static_cast<size_t>(entry.line)] = line;
    } else {
      sections_[entry.section].added[entry.added_index] = line;
    }
    entry.value = CleanValue(value);
    return;
  }
  auto sit = section_index_.find(Fold(section));
  size_t section_number;
  if (sit == section_index_.end()) {
    sections_.push_back(Section{std::string(section), -1, -1, {}});
    section_number = sections_.size() - 1;
    section_index_.emplace(Fold(section), section_number);
  } else {
    section_number = sit->second;
  }
  Section& target = sections_[section_number];
  target.added.push_back(std::move(line));
  entries_.emplace(std::move(index),
                   Entry{-1, section_number, target.added.size() - 1, CleanValue(value)});
}

void ProfileIni::Save() const {
  // Keys added to existing sections go after the section's last non-empty line.
  std::unordered_map<long, const Section*> inserts;
  for (const Section& section : sections_) {
    if (section.header_line >= 0 && !section.added.empty()) {
      inserts.emplace(section.insert_after, &section);
    }
  }
  AtomicTextWriter writer(path_);
  for (size_t i = 0; i < lines_.size(); ++i) {
    writer.WriteLine(lines_[i]);
    auto it = inserts.find(static_cast<long>(i));
    if (it != inserts.end()) {
      for (const std::string& line : it->second->added) writer.WriteLine(line);
    }
  }
  for (const Section& section : sections_) {
    if (section.header_line >= 0) continue;
    writer.WriteLine("[" + section.name + "]");
    for (const std::string& line : section.added) writer.WriteLine(line);
  }
  writer.Commit();
}

}  // namespace tabulon
