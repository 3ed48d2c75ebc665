// An old MAME's facts from its own listinfo.dat: each game or resource block's name, cloneof,
// romof and sampleof lines, and its rom, disk, sample and biosset lines. Such a MAME wrote
// nothing of mechanical machines, and names one control in its input line, which the steps read
// from the record.
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "mame/mame_facts.h"
#include "mame/mame_facts_builder.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

// The words of a line; a value in quotes ("Europe MVS (Ver. 2)") is one word without them. A
// quote ends where a blank or the line's end follows it, as old MAME wrote quotes unescaped.
void SplitWords(std::string_view line, std::vector<std::string_view>* words) {
  words->clear();
  size_t pos = 0;
  auto blank = [&line](size_t at) {
    return at >= line.size() || line[at] == ' ' || line[at] == '\t';
  };
  while (pos < line.size()) {
    if (blank(pos)) {
      ++pos;
      continue;
    }
    size_t end = pos;
    if (line[pos] == '"') {
      ++pos;
      end = pos;
      while (end < line.size() && !(line[end] == '"' && blank(end + 1))) ++end;
      words->push_back(line.substr(pos, end - pos));
      pos = end + 1;
      continue;
    }
    while (!blank(end)) ++end;
    words->push_back(line.substr(pos, end - pos));
    pos = end;
  }
}

// The value after `key` among the words inside "( ... )"; empty when it is not there.
std::string_view Value(const std::vector<std::string_view>& words, std::string_view key) {
  for (size_t i = 2; i + 1 < words.size(); i += 2) {
    if (words[i] == key) return words[i + 1];
  }
  return {};
}

template <typename Number>
Number ParseNumber(std::string_view text, int base, bool* ok = nullptr) {
  Number number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
  if (ok != nullptr)
    *ok = !text.empty() && error == std::errc() && end == text.data() + text.size();
  return number;
}

std::string_view WithoutSuffix(std::string_view name, std::string_view suffix) {
  if (name.size() > suffix.size() &&
      EqualsNoCase(name.substr(name.size() - suffix.size()), suffix)) {
    name.remove_suffix(suffix.size());
  }
  return name;
}

class ListinfoFactsReader {
 public:
  explicit ListinfoFactsReader(MameFacts* facts) : builder_(facts) {}

  void Line(std::string_view line) {
    SplitWords(line, &words_);
    if (words_.empty()) return;
    const std::string_view key = words_[0];
    if (depth_ == 0) {
      if (words_.size() == 2 && words_[1] == "(") {
        block_ = key == "game" || key == "machine" ? Block::kGame
                 : key == "resource"               ? Block::kResource
                                                   : Block::kOther;
        depth_ = 1;
        started_ = false;
      }
      return;
    }
    if (key == ")") {
      depth_ = 0;
      if (started_) builder_.End();
      return;
    }
    if (block_ == Block::kOther || words_.size() < 2) return;
    if (key == "name") {
      started_ = builder_.Begin(words_[1]);
      if (started_) builder_.machine().bios = block_ == Block::kResource;
      return;
    }
    if (!started_) return;
    MachineFacts& m = builder_.machine();
    if (key == "cloneof") {
      m.clone_of = builder_.Intern(words_[1]);
    } else if (key == "romof") {
      m.rom_of = builder_.Intern(words_[1]);
    } else if (key == "sampleof") {
      m.sample_of = builder_.Intern(words_[1]);
    } else if (key == "sample") {
      builder_.samples.push_back(builder_.Intern(WithoutSuffix(words_[1], ".wav")));
    } else if (words_[1] == "(") {
      Element(key);
    }
  }

 private:
  enum class Block { kGame, kResource, kOther };

  bool Flag(std::string_view flag) const {
    for (size_t i = 2; i + 1 < words_.size(); i += 2) {
      if (words_[i] == "flags" && words_[i + 1] == flag) return true;
    }
    return false;
  }

  void Element(std::string_view key) {
    const std::string_view name = Value(words_, "name");
    if (name.empty()) return;
    if (key == "rom") {
      RomFact& rom = builder_.roms.emplace_back();
      rom.name = builder_.KeepId(name);
      const std::string_view merge = Value(words_, "merge");
      rom.merge = merge == name ? rom.name : builder_.InternId(merge);
      rom.bios = builder_.InternId(Value(words_, "bios"));
      rom.set_size(ParseNumber<uint64_t>(Value(words_, "size"), 10));
      rom.crc = ParseNumber<uint32_t>(Value(words_, "crc"), 16, &rom.has_crc);
      rom.nodump = Flag("nodump");
      rom.optional = Flag("optional");
    } else if (key == "disk") {
      DiskFact& disk = builder_.disks.emplace_back();
      disk.name = builder_.Intern(WithoutSuffix(name, ".chd"));
      disk.merge = builder_.Intern(WithoutSuffix(Value(words_, "merge"), ".chd"));
      disk.nodump = Flag("nodump");
      disk.optional = Flag("optional");
    } else if (key == "biosset") {
      builder_.bios_sets.push_back({builder_.Intern(name), Value(words_, "default") == "yes"});
    }
  }

  FactsBuilder builder_;
  std::vector<std::string_view> words_;
  Block block_ = Block::kOther;
  int depth_ = 0;         // 1 inside a block
  bool started_ = false;  // the block's machine is being read
};

}  // namespace

MameFacts ReadFactsFromListinfo(const std::string& listinfo_path) {
  MameFacts facts;
  facts.source = listinfo_path;
  ListinfoFactsReader reader(&facts);
  LineReader lines(listinfo_path);
  std::string line;
  while (lines.ReadLine(&line)) reader.Line(line);
  facts.known.files = true;
  return facts;
}

}  // namespace tabulon
