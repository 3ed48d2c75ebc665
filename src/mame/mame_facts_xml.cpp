// MAME's facts from its -listxml: expat over the whole file, which the facts need all of (ROMs,
// disks, devices), unlike the conversion into the three lists. Both dialects: MAME 0.78's <game>
// with runnable="no" for its BIOS sets, today's <machine> with isbios, isdevice and ismechanical.
// MAME's internal DTD gives the yes/no attributes their defaults, which expat reports as if
// written; only "yes" (and status="nodump") counts, so a default changes nothing.
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

#include "mame/mame_facts.h"
#include "mame/mame_facts_builder.h"
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

class FactsXmlReader {
 public:
  FactsXmlReader(std::string path, MameFacts* facts)
      : path_(std::move(path)), facts_(facts), builder_(facts), parser_(XML_ParserCreate(nullptr)) {
    if (parser_ == nullptr) throw std::bad_alloc();
    XML_SetUserData(parser(), this);
    XML_SetElementHandler(parser(), OnStart, OnEnd);
    XML_SetAttlistDeclHandler(parser(), OnAttlist);
  }

  void Read() {
    std::string error;
    std::unique_ptr<std::FILE, FileClose> file(OpenForReading(path_, &error));
    if (file == nullptr) throw Error(path_, "cannot open: " + error);
    for (;;) {
      void* buffer = XML_GetBuffer(parser(), kBlockSize);
      if (buffer == nullptr) throw std::bad_alloc();
      const size_t got = std::fread(buffer, 1, kBlockSize, file.get());
      if (got < static_cast<size_t>(kBlockSize) && std::ferror(file.get())) {
        throw Error(path_, "cannot be read: " + std::string(std::strerror(errno)));
      }
      const bool last = got == 0;
      if (XML_ParseBuffer(parser(), static_cast<int>(got), last) != XML_STATUS_OK) Fail();
      if (last) break;
    }
    builder_.KeepDevicesWithFiles();
    facts_->known.files = true;
    facts_->known.mechanical = mechanical_known_;
    facts_->known.controls = controls_known_;
  }

 private:
  XML_Parser parser() const { return parser_.get(); }

  [[noreturn]] void Fail() {
    if (pending_) std::rethrow_exception(pending_);
    const long line = static_cast<long>(XML_GetCurrentLineNumber(parser()));
    const unsigned long column = XML_GetCurrentColumnNumber(parser()) + 1;
    throw Error(path_, line,
                "malformed XML at column " + std::to_string(column) + ": " +
                    XML_ErrorString(XML_GetErrorCode(parser())));
  }

  // Exceptions must not unwind through expat's C frames: the callback stops the parser, and
  // Fail() rethrows once XML_ParseBuffer has returned.
  void Abort() {
    if (!pending_) pending_ = std::current_exception();
    XML_StopParser(parser(), XML_FALSE);
  }

  static void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<FactsXmlReader*>(user);
    try {
      self->Start(name, atts);
    } catch (...) {
      self->Abort();
    }
  }

  static void XMLCALL OnEnd(void* user, const XML_Char* /*name*/) {
    auto* self = static_cast<FactsXmlReader*>(user);
    try {
      if (self->depth_-- == 2 && self->in_machine_) {
        self->builder_.End();
        self->in_machine_ = false;
      }
    } catch (...) {
      self->Abort();
    }
  }

  // A DTD that declares the attribute says what a machine without it is: not mechanical, or
  // without controls. Without the declaration (MAME 0.78) nothing is known of either.
  static void XMLCALL OnAttlist(void* user, const XML_Char* element, const XML_Char* attribute,
                                const XML_Char* /*type*/, const XML_Char* /*value*/,
                                int /*required*/) {
    auto* self = static_cast<FactsXmlReader*>(user);
    if (Is(attribute, "ismechanical")) self->mechanical_known_ = true;
    if (Is(element, "control")) self->controls_known_ = true;
  }

  static const char* Find(const char** atts, const char* key) {
    for (; *atts != nullptr; atts += 2) {
      if (Is(atts[0], key)) return atts[1];
    }
    return nullptr;
  }

  static bool Yes(const char** atts, const char* key) {
    const char* value = Find(atts, key);
    return value != nullptr && Is(value, "yes");
  }

  template <typename Number>
  static Number ParseNumber(const char* text, int base) {
    Number number = 0;
    if (text != nullptr) std::from_chars(text, text + std::strlen(text), number, base);
    return number;
  }

  std::string_view Intern(const char* text) {
    return text == nullptr ? std::string_view() : builder_.Intern(text);
  }

  void Start(const char* name, const char** atts) {
    const int level = ++depth_;
    if (level == 2) {
      in_machine_ = (Is(name, "machine") || Is(name, "game")) && BeginMachine(atts);
    } else if (!in_machine_) {
      return;
    } else if (level == 3) {
      StartChild(name, atts);
    } else if (level == 4 && in_input_ && Is(name, "control")) {
      controls_known_ = true;
      ControlFact& control = builder_.controls.emplace_back();
      control.type = Intern(Find(atts, "type"));
      control.ways = Intern(Find(atts, "ways"));
      control.buttons = ParseNumber<int>(Find(atts, "buttons"), 10);
    }
  }

  bool BeginMachine(const char** atts) {
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
    m.bios = Yes(atts, "isbios") || (!m.device && runnable != nullptr && Is(runnable, "no"));
    const char* mechanical = Find(atts, "ismechanical");
    if (mechanical != nullptr) mechanical_known_ = true;
    m.mechanical = mechanical != nullptr && Is(mechanical, "yes");
    return true;
  }

  void StartChild(const char* name, const char** atts) {
    in_input_ = false;
    if (Is(name, "rom")) {
      const char* rom_name = Find(atts, "name");
      if (rom_name == nullptr) return;
      RomFact& rom = builder_.roms.emplace_back();
      rom.name = builder_.Keep(rom_name);
      const char* merge = Find(atts, "merge");
      rom.merge = merge == nullptr      ? std::string_view()
                  : Is(merge, rom_name) ? rom.name
                                        : Intern(merge);
      rom.bios = Intern(Find(atts, "bios"));
      rom.size = ParseNumber<uint64_t>(Find(atts, "size"), 10);
      const char* crc = Find(atts, "crc");
      rom.has_crc = crc != nullptr;
      rom.crc = ParseNumber<uint32_t>(crc, 16);
      const char* status = Find(atts, "status");
      rom.nodump = status != nullptr && Is(status, "nodump");
      rom.optional = Yes(atts, "optional");
    } else if (Is(name, "disk")) {
      const char* disk_name = Find(atts, "name");
      if (disk_name == nullptr) return;
      DiskFact& disk = builder_.disks.emplace_back();
      // MAME 0.78 named some disks with the .chd they are read from.
      disk.name = builder_.Intern(WithoutSuffix(disk_name, ".chd"));
      const char* merge = Find(atts, "merge");
      disk.merge =
          merge == nullptr ? std::string_view() : builder_.Intern(WithoutSuffix(merge, ".chd"));
      const char* status = Find(atts, "status");
      disk.nodump = status != nullptr && Is(status, "nodump");
      disk.optional = Yes(atts, "optional");
    } else if (Is(name, "device_ref")) {
      if (const char* device = Find(atts, "name")) builder_.device_refs.push_back(Intern(device));
    } else if (Is(name, "biosset")) {
      if (const char* bios = Find(atts, "name")) {
        builder_.bios_sets.push_back({Intern(bios), Yes(atts, "default")});
      }
    } else if (Is(name, "sample")) {
      if (const char* sample = Find(atts, "name")) {
        builder_.samples.push_back(builder_.Intern(WithoutSuffix(sample, ".wav")));
      }
    } else if (Is(name, "input")) {
      in_input_ = true;
    }
  }

  std::string path_;
  MameFacts* facts_;
  FactsBuilder builder_;
  std::unique_ptr<XML_ParserStruct, ParserFree> parser_;
  int depth_ = 0;  // open elements; the root is level 1, machines level 2
  bool in_machine_ = false;
  bool in_input_ = false;  // the machine's <input> is the open element at level 3
  bool mechanical_known_ = false;
  bool controls_known_ = false;
  std::exception_ptr pending_;  // thrown inside a callback, rethrown after XML_ParseBuffer
};

}  // namespace

MameFacts ReadFactsFromListXml(const std::string& xml_path) {
  MameFacts facts;
  facts.source = xml_path;
  FactsXmlReader(xml_path, &facts).Read();
  return facts;
}

}  // namespace tabulon
