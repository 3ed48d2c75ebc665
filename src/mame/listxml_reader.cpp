// The -listxml reader. Expat's callbacks collect one machine at a time into reused strings; the
// skimmer in front of expat takes out the lines no list needs, and turns the lines expat counts
// back into lines of the input for its error messages.
#include "mame/listxml_reader.h"

#include <expat.h>

#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "mame/listxml_facts.h"
#include "mame/listxml_skimmer.h"
#include "mame/xml_names.h"
#include "platform/error.h"

namespace tabulon {
namespace {

using Value = ListXmlMachine::Value;

// XML_Parse takes an int length, so larger chunks are handed over in pieces.
constexpr size_t kMaxParseChunk = size_t{1} << 30;

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

class ListXmlReader::Impl final : private ListXmlSkimmer::Sink {
 public:
  Impl(std::string source_name, MachineHandler on_machine, HeaderNameHandler on_header_name,
       ListXmlFactsGatherer* facts)
      : source_name_(std::move(source_name)),
        on_machine_(std::move(on_machine)),
        on_header_name_(std::move(on_header_name)),
        facts_(facts),
        parser_(XML_ParserCreate(nullptr)),
        skimmer_(facts != nullptr ? ReadsElementOrFacts : ReadsElement, ReadsText) {
    if (parser_ == nullptr) throw std::bad_alloc();
    XML_SetUserData(parser(), this);
    XML_SetElementHandler(parser(), OnStart, OnEnd);
    if (facts_ != nullptr) XML_SetAttlistDeclHandler(parser(), OnAttlist);
    skimmer_.SetSink(this);
  }

  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  void Feed(const char* data, size_t size) {
    ThrowIfSpent();
    while (size > 0) {
      const size_t piece = size < kMaxParseChunk ? size : kMaxParseChunk;
      try {
        skimmer_.Feed(std::string_view(data, piece), &skimmed_);
      } catch (...) {
        // From the sink: the parser's error, or the handler's.
        if (!failure_) failure_ = std::current_exception();
        throw;
      }
      ParseSkimmed(false);
      data += piece;
      size -= piece;
    }
  }

  const std::string& build() const { return build_; }

  // A protocol encoding takes the place of the declaration's, which would name UTF-16.
  void InputIsUtf8() { XML_SetEncoding(parser(), "UTF-8"); }

  void ReadAhead(size_t smallest_piece) { skimmer_.ReadAhead(smallest_piece); }

  void Finish() {
    ThrowIfSpent();
    try {
      skimmer_.Finish(&skimmed_);  // a piece read ahead goes through the sink here
    } catch (...) {
      if (!failure_) failure_ = std::current_exception();
      throw;
    }
    ParseSkimmed(true);
    if (facts_ != nullptr) facts_->Finish();
  }

 private:
  // Where an open element at the level below the machine matters when it ends.
  enum class Child { kOther, kText, kInput };

  static void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<Impl*>(user);
    try {
      self->Start(name, atts);
    } catch (...) {
      self->Abort(std::current_exception());
    }
  }

  static void XMLCALL OnEnd(void* user, const XML_Char* /*name*/) {
    auto* self = static_cast<Impl*>(user);
    try {
      self->End();
    } catch (...) {
      self->Abort(std::current_exception());
    }
  }

  static void XMLCALL OnText(void* user, const XML_Char* text, int length) {
    auto* self = static_cast<Impl*>(user);
    try {
      self->text_->append(text, static_cast<size_t>(length));
    } catch (...) {
      self->Abort(std::current_exception());
    }
  }

  static void XMLCALL OnAttlist(void* user, const XML_Char* element, const XML_Char* attribute,
                                const XML_Char* /*type*/, const XML_Char* /*value*/,
                                int /*required*/) {
    static_cast<Impl*>(user)->facts_->Declared(element, attribute);
  }

  XML_Parser parser() const { return parser_.get(); }

  // The elements the skimmer read itself, which the parser never sees.
  void Flush() override {
    if (!skimmed_.empty()) ParseSkimmed(false);
  }
  void StartElement(const char* name, const char** atts) override { Start(name, atts); }
  void Text(std::string_view text) override {
    if (reading_text_) text_->append(text);
  }
  void EndElement() override { End(); }

  void ReadText(bool on) {
    reading_text_ = on;
    XML_SetCharacterDataHandler(parser(), on ? OnText : nullptr);
  }

  // Exceptions must not unwind through expat's C frames: the callback stops the parser and
  // Parse() rethrows once XML_Parse has returned.
  void Abort(std::exception_ptr error) {
    if (!pending_) pending_ = error;
    XML_StopParser(parser(), XML_FALSE);
  }

  void ThrowIfSpent() const {
    if (failure_) std::rethrow_exception(failure_);
  }

  // The names of the elements Start() reads; the skimmer never cuts their lines. Asked of every
  // line of MAME's 270 MB: the length tells the few candidates apart.
  static bool ReadsElement(std::string_view name) {
    switch (name.size()) {
      case 4:
        return name == "game" || name == "year" || name == "name";
      case 5:
        return name == "video" || name == "sound" || name == "input";
      case 6:
        return name == "driver";
      case 7:
        return name == "machine" || name == "display" || name == "control" || name == "feature";
      case 11:
        return name == "description";
      case 12:
        return name == "manufacturer";
      default:
        return false;
    }
  }

  static bool ReadsElementOrFacts(std::string_view name) {
    return ReadsElement(name) || ListXmlFactsGatherer::ReadsElement(name);
  }

  // The elements StartText() reads the character data of.
  static bool ReadsText(std::string_view name) {
    return name == "description" || name == "year" || name == "manufacturer" || name == "name";
  }

  void ParseSkimmed(bool is_final) {
    // Expat tells the encoding from the XML's first bytes, and only when it has them together:
    // a first piece of one byte (XML that starts with its LF) could change its verdict on
    // UTF-16 input.
    if (!is_final && !started_ && skimmed_.size() < 4) return;
    started_ = true;
    const int size = static_cast<int>(skimmed_.size());
    const enum XML_Status status =
        XML_Parse(parser(), skimmed_.data(), size, is_final ? XML_TRUE : XML_FALSE);
    skimmed_.clear();
    if (status == XML_STATUS_OK) {
      // Expat has read up to here; what it still holds, and every error it may report, lies on
      // this line or after it.
      skimmer_.ForgetBefore(XML_GetCurrentLineNumber(parser()));
      return;
    }
    if (pending_) {
      failure_ = pending_;
    } else {
      // The skimmer took lines out: the line expat counts is a line of what it was given.
      const long line =
          static_cast<long>(skimmer_.OriginalLine(XML_GetCurrentLineNumber(parser())));
      const unsigned long column = XML_GetCurrentColumnNumber(parser()) + 1;
      failure_ =
          std::make_exception_ptr(Error(source_name_, line,
                                        "malformed XML at column " + std::to_string(column) + ": " +
                                            XML_ErrorString(XML_GetErrorCode(parser()))));
    }
    std::rethrow_exception(failure_);
  }

  void Start(const char* name, const char** atts) {
    if (facts_ != nullptr) facts_->Start(name, atts);
    const int level = ++depth_;
    if (level == 1) {
      // The build names the MAME that wrote the XML, for the stamp of the lists made from it.
      const char* build = ListXmlMachine::Attribute(atts, "build");
      build_ = build == nullptr ? "" : build;
      ListXmlMachine::Flatten(&build_);
      return;
    }
    if (level == 2) {
      in_machine_ = IsName(name, "machine") || IsName(name, "game");
      in_header_ = IsName(name, "header");
      if (in_machine_) BeginMachine(atts);
      return;
    }
    if (in_header_) {
      if (level == 3 && IsName(name, "name")) StartText(&header_name_);
      return;
    }
    if (!in_machine_ || machine_.device) return;
    if (level == 3) {
      child_ = Child::kOther;
      StartChild(name, atts);
    } else if (level == 4 && child_ == Child::kInput && !machine_.has_control_child &&
               IsName(name, "control")) {
      machine_.ReadControl(atts);
    }
  }

  void End() {
    if (facts_ != nullptr) facts_->End();
    const int level = depth_--;
    if (in_header_) {
      EndHeaderChild(level);
      return;
    }
    if (!in_machine_) return;
    if (level == 3) {
      if (child_ == Child::kText) {
        ReadText(false);
        ListXmlMachine::Flatten(text_);
      }
      child_ = Child::kOther;
    } else if (level == 2) {
      on_machine_(machine_);
      in_machine_ = false;
    }
  }

  void EndHeaderChild(int level) {
    if (level == 2) in_header_ = false;
    if (level != 3 || child_ != Child::kText) return;
    ReadText(false);
    child_ = Child::kOther;
    ListXmlMachine::Flatten(&header_name_.text);
    if (on_header_name_) on_header_name_(header_name_.text);
  }

  void BeginMachine(const char** atts) {
    ListXmlMachine& m = machine_;
    m.Reset();
    bool bios = false;
    bool not_runnable = false;
    for (; *atts != nullptr; atts += 2) {
      const char* key = atts[0];
      const char* value = atts[1];
      if (IsName(key, "name")) {
        m.name.Set(value);
      } else if (IsName(key, "sourcefile")) {
        m.source_file.Set(value);
      } else if (IsName(key, "cloneof")) {
        m.clone_of.Set(value);
      } else if (IsName(key, "romof")) {
        m.rom_of.Set(value);
      } else if (IsName(key, "isdevice")) {
        m.device = IsName(value, "yes");
      } else if (IsName(key, "isbios")) {
        bios = IsName(value, "yes");
      } else if (IsName(key, "runnable")) {
        // Before isbios existed, MAME marked its BIOS sets as not runnable.
        not_runnable = IsName(value, "no");
      }
    }
    m.resource = bios || not_runnable;
    for (Value* v : {&m.name, &m.source_file, &m.clone_of, &m.rom_of})
      ListXmlMachine::Flatten(&v->text);
  }

  void StartText(Value* value) {
    value->text.clear();
    value->present = true;
    text_ = &value->text;
    child_ = Child::kText;
    ReadText(true);
  }

  void StartChild(const char* name, const char** atts) {
    ListXmlMachine& m = machine_;
    switch (name[0]) {
      case 'd':
        if (IsName(name, "description")) {
          StartText(&m.description);
        } else if (IsName(name, "display")) {
          if (!m.has_video) m.ReadDisplay(atts);
        } else if (IsName(name, "driver")) {
          m.ReadDriver(atts);
        }
        break;
      case 'y':
        if (IsName(name, "year")) StartText(&m.year);
        break;
      case 'm':
        if (IsName(name, "manufacturer")) StartText(&m.manufacturer);
        break;
      case 'v':
        if (IsName(name, "video") && !m.has_video) m.ReadVideo(atts);
        break;
      case 's':
        if (IsName(name, "sound")) m.ReadSound(atts);
        break;
      case 'i':
        if (IsName(name, "input")) {
          child_ = Child::kInput;
          m.ReadInput(atts);
        }
        break;
      case 'f':
        if (IsName(name, "feature")) m.ReadFeature(atts);
        break;
      default:
        break;
    }
  }

  std::string source_name_;
  MachineHandler on_machine_;
  HeaderNameHandler on_header_name_;
  ListXmlFactsGatherer* facts_;
  std::unique_ptr<XML_ParserStruct, ParserFree> parser_;
  ListXmlSkimmer skimmer_;
  std::string skimmed_;   // what the skimmer left of the last piece, for the parser
  bool started_ = false;  // expat has been given the XML's first bytes

  std::string build_;  // the root element's build attribute
  int depth_ = 0;      // open elements; the root is level 1, machines level 2
  bool in_machine_ = false;
  bool in_header_ = false;
  Value header_name_;
  Child child_ = Child::kOther;
  std::string* text_ = nullptr;  // the value collecting character data
  bool reading_text_ = false;    // character data goes to text_
  ListXmlMachine machine_;

  std::exception_ptr pending_;  // thrown inside a callback, rethrown after XML_Parse
  std::exception_ptr failure_;  // what ended the read; later calls throw it again
};

ListXmlReader::ListXmlReader(std::string source_name, MachineHandler on_machine,
                             HeaderNameHandler on_header_name, ListXmlFactsGatherer* facts)
    : impl_(std::make_unique<Impl>(std::move(source_name), std::move(on_machine),
                                   std::move(on_header_name), facts)) {}

ListXmlReader::~ListXmlReader() = default;

void ListXmlReader::ReadAhead(size_t smallest_piece) { impl_->ReadAhead(smallest_piece); }

void ListXmlReader::InputIsUtf8() { impl_->InputIsUtf8(); }

void ListXmlReader::Feed(const char* data, size_t size) { impl_->Feed(data, size); }

void ListXmlReader::Finish() { impl_->Finish(); }

const std::string& ListXmlReader::build() const { return impl_->build(); }

}  // namespace tabulon
