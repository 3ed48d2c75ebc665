// MAME's facts from its -listxml: the ROM, disk, device, BIOS option, sample and control lines of
// every machine, through the skimmer (which takes out the lines of everything else) and expat. Both
// dialects: MAME 0.78's <game> with runnable="no" for its BIOS sets, today's <machine> with isbios,
// isdevice and ismechanical. MAME's internal DTD gives the yes/no attributes their defaults, which
// expat reports as if written; only "yes" (and status="nodump") counts, so a default changes
// nothing.
#include <expat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mame/listxml_facts.h"
#include "mame/listxml_skimmer.h"
#include "mame/mame_facts.h"
#include "mame/xml_names.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {
namespace {

constexpr int kBlockSize = 1 << 20;

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// "foo.wav" as MAME 0.78 named its samples, "foo" as today's MAME does.
std::string_view WithoutSuffix(std::string_view name, std::string_view suffix) {
  if (name.size() > suffix.size() &&
      EqualsNoCase(name.substr(name.size() - suffix.size()), suffix)) {
    name.remove_suffix(suffix.size());
  }
  return name;
}

// Reads listxml.xml on its own: the skimmer and expat hand the gatherer the elements it reads.
class FactsXmlReader final : private ListXmlSkimmer::Sink {
 public:
  FactsXmlReader(std::string path, MameFacts* facts)
      : path_(std::move(path)), gatherer_(facts), parser_(XML_ParserCreate(nullptr)) {
    if (parser_ == nullptr) throw std::bad_alloc();
    XML_SetUserData(parser(), this);
    XML_SetElementHandler(parser(), OnStart, OnEnd);
    XML_SetAttlistDeclHandler(parser(), OnAttlist);
    skimmer_.SetSink(this);
  }

  void Read() {
    std::string error;
    std::unique_ptr<std::FILE, FileClose> file(OpenForReading(path_, &error));
    if (file == nullptr) throw Error(path_, "cannot open: " + error);
    std::vector<char> block(kBlockSize);
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
      skimmer_.Feed(std::string_view(block.data(), got), &skimmed_);
      ParseSkimmed(false);
    }
    if (std::ferror(file.get())) {
      throw Error(path_, "cannot be read: " + std::string(std::strerror(errno)));
    }
    skimmer_.Finish(&skimmed_);
    ParseSkimmed(true);
    gatherer_.Finish();
  }

 private:
  XML_Parser parser() const { return parser_.get(); }

  // The elements the skimmer read whole, which expat never sees.
  void Flush() override {
    if (!skimmed_.empty()) ParseSkimmed(false);
  }
  void StartElement(const char* name, const char** atts) override { gatherer_.Start(name, atts); }
  void Text(std::string_view /*text*/) override {}
  void EndElement() override { gatherer_.End(); }

  void ParseSkimmed(bool is_final) {
    // Expat tells the encoding from the XML's first bytes, and only when it has them together.
    if (!is_final && !started_ && skimmed_.size() < 4) return;
    started_ = true;
    const enum XML_Status status =
        XML_Parse(parser(), skimmed_.data(), static_cast<int>(skimmed_.size()), is_final);
    skimmed_.clear();
    if (status != XML_STATUS_OK) Fail();
    skimmer_.ForgetBefore(XML_GetCurrentLineNumber(parser()));
  }

  [[noreturn]] void Fail() {
    if (pending_) std::rethrow_exception(pending_);
    // The skimmer took lines out: the line expat counts is a line of what it was given.
    const long line = static_cast<long>(skimmer_.OriginalLine(XML_GetCurrentLineNumber(parser())));
    const unsigned long column = XML_GetCurrentColumnNumber(parser()) + 1;
    throw Error(path_, line,
                "malformed XML at column " + std::to_string(column) + ": " +
                    XML_ErrorString(XML_GetErrorCode(parser())));
  }

  // Exceptions must not unwind through expat's C frames: the callback stops the parser, and
  // Fail() rethrows once XML_Parse has returned.
  void Abort() {
    if (!pending_) pending_ = std::current_exception();
    XML_StopParser(parser(), XML_FALSE);
  }

  static void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<FactsXmlReader*>(user);
    try {
      self->gatherer_.Start(name, atts);
    } catch (...) {
      self->Abort();
    }
  }

  static void XMLCALL OnEnd(void* user, const XML_Char* /*name*/) {
    auto* self = static_cast<FactsXmlReader*>(user);
    try {
      self->gatherer_.End();
    } catch (...) {
      self->Abort();
    }
  }

  static void XMLCALL OnAttlist(void* user, const XML_Char* element, const XML_Char* attribute,
                                const XML_Char* /*type*/, const XML_Char* /*value*/,
                                int /*required*/) {
    static_cast<FactsXmlReader*>(user)->gatherer_.Declared(element, attribute);
  }

  std::string path_;
  ListXmlFactsGatherer gatherer_;
  std::unique_ptr<XML_ParserStruct, ParserFree> parser_;
  ListXmlSkimmer skimmer_{ListXmlFactsGatherer::ReadsElement};
  std::string skimmed_;         // what the skimmer left of the last block, for the parser
  bool started_ = false;        // expat has been given the XML's first bytes
  std::exception_ptr pending_;  // thrown inside a callback, rethrown after XML_Parse
};

template <size_t N>
const char* Find(const char** atts, const char (&key)[N]) {
  for (; *atts != nullptr; atts += 2) {
    if (IsName(atts[0], key)) return atts[1];
  }
  return nullptr;
}

template <size_t N>
bool Yes(const char** atts, const char (&key)[N]) {
  const char* value = Find(atts, key);
  return value != nullptr && IsName(value, "yes");
}

template <typename Number>
Number ParseNumber(const char* text, int base) {
  Number number = 0;
  if (text != nullptr) std::from_chars(text, text + std::strlen(text), number, base);
  return number;
}

}  // namespace

// Asked of every line of MAME's 270 MB: the length tells the few candidates apart.
bool ListXmlFactsGatherer::ReadsElement(std::string_view name) {
  switch (name.size()) {
    case 3:
      return name == "rom";
    case 4:
      return name == "game" || name == "disk";
    case 5:
      return name == "input";
    case 6:
      return name == "sample";
    case 7:
      return name == "machine" || name == "biosset" || name == "control";
    case 10:
      return name == "device_ref";
    default:
      return false;
  }
}

void ListXmlFactsGatherer::Finish() {
  builder_.KeepDevicesWithFiles();
  facts_->known.files = true;
  facts_->known.mechanical = mechanical_known_;
  facts_->known.controls = controls_known_;
}

void ListXmlFactsGatherer::End() {
  if (depth_-- == 2 && in_machine_) {
    builder_.End();
    in_machine_ = false;
  }
}

// A DTD that declares the attribute says what a machine without it is: not mechanical, or
// without controls. Without the declaration (MAME 0.78) nothing is known of either.
void ListXmlFactsGatherer::Declared(const char* element, const char* attribute) {
  if (IsName(attribute, "ismechanical")) mechanical_known_ = true;
  if (IsName(element, "control")) controls_known_ = true;
}

std::string_view ListXmlFactsGatherer::Intern(const char* text) {
  return text == nullptr ? std::string_view() : builder_.Intern(text);
}

void ListXmlFactsGatherer::Start(const char* name, const char** atts) {
  const int level = ++depth_;
  if (level == 2) {
    in_machine_ = (IsName(name, "machine") || IsName(name, "game")) && BeginMachine(atts);
  } else if (!in_machine_) {
    return;
  } else if (level == 3) {
    StartChild(name, atts);
  } else if (level == 4 && in_input_ && IsName(name, "control")) {
    controls_known_ = true;
    ControlFact& control = builder_.controls.emplace_back();
    control.type = Intern(Find(atts, "type"));
    control.ways = Intern(Find(atts, "ways"));
    control.buttons = ParseNumber<int>(Find(atts, "buttons"), 10);
  }
}

bool ListXmlFactsGatherer::BeginMachine(const char** atts) {
  const char* name = Find(atts, "name");
  if (name == nullptr || !builder_.Begin(name)) return false;
  MachineFacts& m = builder_.machine();
  m.clone_of = Intern(Find(atts, "cloneof"));
  m.rom_of = Intern(Find(atts, "romof"));
  m.sample_of = Intern(Find(atts, "sampleof"));
  m.device = Yes(atts, "isdevice");
  // Before isbios, MAME marked its BIOS sets as not runnable; today's devices are not
  // runnable either.
  const char* runnable = Find(atts, "runnable");
  m.bios = Yes(atts, "isbios") || (!m.device && runnable != nullptr && IsName(runnable, "no"));
  const char* mechanical = Find(atts, "ismechanical");
  if (mechanical != nullptr) mechanical_known_ = true;
  m.mechanical = mechanical != nullptr && IsName(mechanical, "yes");
  return true;
}

// A third of a million of these: the attributes are gone through once.
void ListXmlFactsGatherer::StartRom(const char** atts) {
  const char* rom_name = nullptr;
  const char* merge = nullptr;
  const char* bios = nullptr;
  const char* size = nullptr;
  const char* crc = nullptr;
  const char* status = nullptr;
  const char* optional = nullptr;
  for (; *atts != nullptr; atts += 2) {
    const char* key = atts[0];
    const char* value = atts[1];
    switch (key[0]) {
      case 'n':
        if (IsName(key, "name")) rom_name = value;
        break;
      case 'm':
        if (IsName(key, "merge")) merge = value;
        break;
      case 'b':
        if (IsName(key, "bios")) bios = value;
        break;
      case 's':
        if (IsName(key, "size")) {
          size = value;
        } else if (IsName(key, "status")) {
          status = value;
        }
        break;
      case 'c':
        if (IsName(key, "crc")) crc = value;
        break;
      case 'o':
        if (IsName(key, "optional")) optional = value;
        break;
      default:
        break;
    }
  }
  if (rom_name == nullptr) return;
  RomFact& rom = builder_.roms.emplace_back();
  rom.name = builder_.KeepId(rom_name);
  rom.merge = merge == nullptr      ? TextId()
              : Is(merge, rom_name) ? rom.name
                                    : builder_.InternId(merge);
  rom.bios = bios == nullptr ? TextId() : builder_.InternId(bios);
  rom.set_size(ParseNumber<uint64_t>(size, 10));
  rom.has_crc = crc != nullptr;
  rom.crc = ParseNumber<uint32_t>(crc, 16);
  rom.nodump = status != nullptr && IsName(status, "nodump");
  rom.optional = optional != nullptr && IsName(optional, "yes");
}

void ListXmlFactsGatherer::StartChild(const char* name, const char** atts) {
  in_input_ = false;
  // A million children: their first letter tells most apart.
  switch (name[0]) {
    case 'r':
      if (IsName(name, "rom")) StartRom(atts);
      break;
    case 'd':
      if (IsName(name, "device_ref")) {
        if (const char* device = Find(atts, "name")) builder_.AddDeviceRef(device);
      } else if (IsName(name, "disk")) {
        StartDisk(atts);
      }
      break;
    case 'b':
      if (!IsName(name, "biosset")) break;
      if (const char* bios = Find(atts, "name")) {
        builder_.bios_sets.push_back({Intern(bios), Yes(atts, "default")});
      }
      break;
    case 's':
      if (!IsName(name, "sample")) break;
      if (const char* sample = Find(atts, "name")) {
        builder_.samples.push_back(builder_.Intern(WithoutSuffix(sample, ".wav")));
      }
      break;
    case 'i':
      in_input_ = IsName(name, "input");
      break;
    default:
      break;
  }
}

void ListXmlFactsGatherer::StartDisk(const char** atts) {
  const char* disk_name = Find(atts, "name");
  if (disk_name == nullptr) return;
  DiskFact& disk = builder_.disks.emplace_back();
  // MAME 0.78 named some disks with the .chd they are read from.
  disk.name = builder_.Intern(WithoutSuffix(disk_name, ".chd"));
  const char* merge = Find(atts, "merge");
  disk.merge =
      merge == nullptr ? std::string_view() : builder_.Intern(WithoutSuffix(merge, ".chd"));
  const char* status = Find(atts, "status");
  disk.nodump = status != nullptr && IsName(status, "nodump");
  disk.optional = Yes(atts, "optional");
}

MameFacts ReadFactsFromListXml(const std::string& xml_path) {
  MameFacts facts;
  facts.source = xml_path;
  FactsXmlReader(xml_path, &facts).Read();
  return facts;
}

}  // namespace tabulon
