// The facts kept in the application folder, so that a repeat run reads a few megabytes of lines
// instead of MAME's 270 MB of XML. The head:
//
//   Tabulon: what MAME knows of its machines
//   source=listxml.xml                          the file they came from, in the same folder
//   identity=SIZE MODIFIED CHANGED VOLUME FILE  that file's identity, as in mamelists.stamp
//   known=files mechanical controls             what the source told
//   machines=N
//
// then one line per machine and one per file or fact of it, fields after the kind letter each
// behind a tab (no value holds one: the readers make them spaces), and "end":
//
//   M name cloneof romof sampleof FLAGS   b BIOS, d device, m mechanical
//   R name merge bios size crc FLAGS      crc in hex, empty when none; n nodump, o optional
//   D name merge FLAGS                    n nodump, o optional
//   V device        B name FLAGS (d the default)        S sample        C type ways buttons
//
// The source's identity changes with every new listxml.xml; a facts file that does not match it,
// or that is damaged or cut off anywhere, is not trusted: the source is read again.
#include <charconv>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "mame/mame_facts.h"
#include "mame/mame_facts_builder.h"
#include "mame/mame_stamp.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

constexpr std::string_view kFirstLine = "Tabulon: what MAME knows of its machines";
constexpr std::string_view kLastLine = "end";

std::string KnownText(const FactsKnown& known) {
  std::string text;
  for (const auto& [flag, word] :
       {std::pair{known.files, "files"}, std::pair{known.mechanical, "mechanical"},
        std::pair{known.controls, "controls"}}) {
    if (!flag) continue;
    if (!text.empty()) text += ' ';
    text += word;
  }
  return text;
}

void AppendNumber(std::string* line, uint64_t number, int base = 10) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number, base).ptr;
  line->append(digits, end);
}

class FactsFileWriter {
 public:
  explicit FactsFileWriter(const std::string& path)
      : out_(path, AtomicTextWriter::Durability::kCached) {}

  void Write(const MameFacts& facts, std::string_view source, const std::string& identity) {
    out_.WriteLine(kFirstLine);
    out_.WriteLine("source=" + std::string(source));
    out_.WriteLine("identity=" + identity);
    out_.WriteLine("known=" + KnownText(facts.known));
    out_.WriteLine("machines=" + std::to_string(facts.size()));
    for (size_t i = 0; i < facts.size(); ++i) Machine(facts, facts.at(i));
    out_.WriteLine(kLastLine);
    out_.Commit();
  }

 private:
  void Start(char kind, std::string_view first) {
    line_.assign(1, kind);
    Field(first);
  }
  void Field(std::string_view text) {
    line_ += '\t';
    line_ += text;
  }
  void Flags(std::initializer_list<std::pair<bool, char>> flags) {
    line_ += '\t';
    for (const auto& [on, letter] : flags) {
      if (on) line_ += letter;
    }
  }
  void Finish() { out_.WriteLine(line_); }

  void Machine(const MameFacts& facts, const MachineFacts& m) {
    Start('M', m.name);
    Field(m.clone_of);
    Field(m.rom_of);
    Field(m.sample_of);
    Flags({{m.bios, 'b'}, {m.device, 'd'}, {m.mechanical, 'm'}});
    Finish();
    for (const RomFact& rom : m.roms) {
      Start('R', facts.Text(rom.name));
      Field(facts.Text(rom.merge));
      Field(facts.Text(rom.bios));
      line_ += '\t';
      AppendNumber(&line_, rom.size());
      line_ += '\t';
      if (rom.has_crc) AppendNumber(&line_, rom.crc, 16);
      Flags({{rom.nodump, 'n'}, {rom.optional, 'o'}});
      Finish();
    }
    for (const DiskFact& disk : m.disks) {
      Start('D', disk.name);
      Field(disk.merge);
      Flags({{disk.nodump, 'n'}, {disk.optional, 'o'}});
      Finish();
    }
    for (const std::string_view device : m.device_refs) {
      Start('V', device);
      Finish();
    }
    for (const BiosSetFact& bios : m.bios_sets) {
      Start('B', bios.name);
      Flags({{bios.is_default, 'd'}});
      Finish();
    }
    for (const std::string_view sample : m.samples) {
      Start('S', sample);
      Finish();
    }
    for (const ControlFact& control : m.controls) {
      Start('C', control.type);
      Field(control.ways);
      line_ += '\t';
      AppendNumber(&line_, static_cast<uint64_t>(control.buttons));
      Finish();
    }
  }

  AtomicTextWriter out_;
  std::string line_;
};

template <typename Number>
bool ParseNumber(std::string_view text, Number* number, int base = 10) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *number, base);
  return error == std::errc() && stop == end && !text.empty();
}

// Reads the facts file back; nullopt when it is not the whole file written for that source.
class FactsFileReader {
 public:
  explicit FactsFileReader(MameFacts* facts) : facts_(facts), builder_(facts) {}

  bool Read(const std::string& path, std::string_view source, const std::string& identity) {
    LineReader lines(path);
    size_t machines = 0;
    if (!Expect(lines, kFirstLine) || !Expect(lines, "source=" + std::string(source)) ||
        !Expect(lines, "identity=" + identity) || !ReadKnown(lines) || !lines.ReadLine(&line_) ||
        !line_.starts_with("machines=") ||
        !ParseNumber(std::string_view(line_).substr(9), &machines)) {
      return false;
    }
    while (lines.ReadLine(&line_)) {
      if (line_ == kLastLine) {
        builder_.End();
        return facts_->size() == machines && lines.AtEnd();
      }
      if (!Line()) return false;
    }
    return false;  // cut off before its last line
  }

 private:
  bool Expect(LineReader& lines, std::string_view text) {
    return lines.ReadLine(&line_) && line_ == text;
  }

  bool ReadKnown(LineReader& lines) {
    if (!lines.ReadLine(&line_) || !line_.starts_with("known=")) return false;
    FactsKnown& known = facts_->known;
    known = {};
    for (std::string_view word : Split(std::string_view(line_).substr(6), ' ')) {
      if (word == "files") {
        known.files = true;
      } else if (word == "mechanical") {
        known.mechanical = true;
      } else if (word == "controls") {
        known.controls = true;
      } else if (!word.empty()) {
        return false;
      }
    }
    return true;
  }

  // Splits the line at its tabs into fields_; false unless it has `count` fields after its kind.
  bool Fields(size_t count) {
    size_t n = 0;
    std::string_view rest = std::string_view(line_).substr(1);
    while (!rest.empty() && rest[0] == '\t' && n < kMaxFields) {
      rest.remove_prefix(1);
      const size_t tab = rest.find('\t');
      fields_[n++] = rest.substr(0, tab);
      rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab);
    }
    return n == count && rest.empty();
  }

  // Which of `letters` the flags field holds, as bits; false for a letter it should not hold.
  static bool ParseFlags(std::string_view field, std::string_view letters, unsigned* bits) {
    *bits = 0;
    for (const char c : field) {
      const size_t at = letters.find(c);
      if (at == std::string_view::npos) return false;
      *bits |= 1u << at;
    }
    return true;
  }

  bool Line() {
    if (line_.empty()) return false;
    const char kind = line_[0];
    unsigned flags = 0;
    if (kind == 'M') {
      builder_.End();
      if (!Fields(5) || fields_[0].empty() || !ParseFlags(fields_[4], "bdm", &flags) ||
          !builder_.Begin(fields_[0])) {
        return false;  // a name twice is no file this program wrote
      }
      in_machine_ = true;
      MachineFacts& m = builder_.machine();
      m.clone_of = builder_.Intern(fields_[1]);
      m.rom_of = builder_.Intern(fields_[2]);
      m.sample_of = builder_.Intern(fields_[3]);
      m.bios = flags & 1u;
      m.device = flags & 2u;
      m.mechanical = flags & 4u;
      return true;
    }
    if (!in_machine_) return false;
    switch (kind) {
      case 'R': {
        if (!Fields(6) || !ParseFlags(fields_[5], "no", &flags)) return false;
        RomFact& rom = builder_.roms.emplace_back();
        rom.name = builder_.KeepId(fields_[0]);
        rom.merge = fields_[1] == fields_[0] ? rom.name : builder_.InternId(fields_[1]);
        rom.bios = builder_.InternId(fields_[2]);
        rom.has_crc = !fields_[4].empty();
        rom.nodump = flags & 1u;
        rom.optional = flags & 2u;
        uint64_t size = 0;
        if (!ParseNumber(fields_[3], &size)) return false;
        rom.set_size(size);
        return !rom.has_crc || ParseNumber(fields_[4], &rom.crc, 16);
      }
      case 'D': {
        if (!Fields(3) || !ParseFlags(fields_[2], "no", &flags)) return false;
        builder_.disks.push_back({builder_.Intern(fields_[0]), builder_.Intern(fields_[1]),
                                  (flags & 1u) != 0, (flags & 2u) != 0});
        return true;
      }
      case 'V':
        if (!Fields(1)) return false;
        builder_.AddDeviceRef(fields_[0]);
        return true;
      case 'B':
        if (!Fields(2) || !ParseFlags(fields_[1], "d", &flags)) return false;
        builder_.bios_sets.push_back({builder_.Intern(fields_[0]), flags != 0});
        return true;
      case 'S':
        if (!Fields(1)) return false;
        builder_.samples.push_back(builder_.Intern(fields_[0]));
        return true;
      case 'C': {
        if (!Fields(3)) return false;
        ControlFact& control = builder_.controls.emplace_back();
        control.type = builder_.Intern(fields_[0]);
        control.ways = builder_.Intern(fields_[1]);
        return ParseNumber(fields_[2], &control.buttons);
      }
      default:
        return false;
    }
  }

  static constexpr size_t kMaxFields = 7;
  MameFacts* facts_;
  FactsBuilder builder_;
  std::string line_;
  std::string_view fields_[kMaxFields];
  bool in_machine_ = false;
};

// Whether listinfo.dat is an old MAME's own, with its ROM lines: the lists converted from
// -listxml have none, and their facts come from listxml.xml.
bool HasRomLines(const std::string& listinfo_path) {
  if (!IsFile(listinfo_path)) return false;
  try {
    LineReader lines(listinfo_path);
    std::string line;
    // The first block with a ROM tells; a few thousand lines cover the first games.
    for (int i = 0; i < 5000 && lines.ReadLine(&line); ++i) {
      const size_t start = line.find_first_not_of(" \t");
      if (start != std::string::npos && std::string_view(line).substr(start).starts_with("rom ("))
        return true;
    }
  } catch (const Error&) {
  }
  return false;
}

std::optional<MameFacts> ReadKeptFacts(const std::string& path, std::string_view source,
                                       const std::string& identity) {
  if (!IsFile(path)) return std::nullopt;
  MameFacts facts;
  try {
    if (FactsFileReader(&facts).Read(path, source, identity)) return facts;
  } catch (const Error&) {
  }
  return std::nullopt;
}

}  // namespace

MameFacts LoadMameFacts(const std::string& app_dir, std::string* why) {
  why->clear();
  const std::string listinfo = InFolder(app_dir, "listinfo.dat");
  const bool old_mame = HasRomLines(listinfo);
  const std::string source_name = old_mame ? "listinfo.dat" : "listxml.xml";
  const std::string source = InFolder(app_dir, source_name);
  FileIdentity identity;
  if (!GetFileIdentity(source, &identity)) {
    *why =
        "MAME's ROMs, devices, controls and mechanical machines are not known, as there is no "
        "listxml.xml in " +
        app_dir +
        ": run Tabulon with MAME once (cfgs/mame.cfg), which "
        "keeps it there, or save MAME's -listxml output there as listxml.xml.";
    return MameFacts();
  }
  const std::string kept = InFolder(app_dir, kMameFactsName);
  const std::string identity_text = IdentityText(identity);
  if (std::optional<MameFacts> facts = ReadKeptFacts(kept, source_name, identity_text)) {
    facts->source = source;
    return std::move(*facts);
  }
  MameFacts facts;
  try {
    facts = old_mame ? ReadFactsFromListinfo(source) : ReadFactsFromListXml(source);
  } catch (const Error& e) {
    *why = "MAME's ROMs, devices, controls and mechanical machines are not known, as " +
           std::string(e.what()) +
           ": run Tabulon with MAME again, or save MAME's whole "
           "-listxml output there as listxml.xml.";
    return MameFacts();
  }
  // Kept only when the source is still the file that was read.
  FileIdentity after;
  if (GetFileIdentity(source, &after) && after == identity) {
    try {
      FactsFileWriter(kept).Write(facts, source_name, identity_text);
    } catch (const Error&) {
      // Not kept: read again from the source next time.
    }
  }
  return facts;
}

void KeepMameFacts(const std::string& app_dir, const MameFacts& facts) {
  FileIdentity identity;
  if (!GetFileIdentity(InFolder(app_dir, "listxml.xml"), &identity)) return;
  try {
    FactsFileWriter(InFolder(app_dir, kMameFactsName))
        .Write(facts, "listxml.xml", IdentityText(identity));
  } catch (const Error&) {
  }
}

}  // namespace tabulon
