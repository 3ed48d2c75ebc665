// The -listxml conversion. Expat's callbacks collect one machine at a time into reused strings;
// when the machine's element ends, its listinfo block and its two side-file rows are appended to
// output buffers that go to the files in large writes.
#include "mame/listxml_converter.h"

#include <expat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mame/listxml_skimmer.h"
#include "platform/error.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

constexpr size_t kReadBlock = 256 * 1024;
// XML_Parse takes an int length, so larger chunks are handed over in pieces.
constexpr size_t kMaxParseChunk = size_t{1} << 30;
// Output buffers are written out once they pass this size.
constexpr size_t kFlushSize = 256 * 1024;

constexpr std::string_view kCrLf = "\r\n";

// Old MAME's -gamelist table head, with its border line.
constexpr std::string_view kBorder =
    "+----------------------------------+-------+-------+-------+-------+----------+";
constexpr std::string_view kTableHead1 =
    "|                                  |       |Correct|       |Screen | Internal |";
constexpr std::string_view kTableHead2 =
    "| Game Name                        |Working|Colors | Sound | Flip  |   Name   |";
constexpr size_t kListNameWidth = 33;
constexpr size_t kRomNameWidth = 8;
constexpr size_t kDriverWidth = 10;

constexpr std::string_view kCellNo = "   No  ";
constexpr std::string_view kCellYes = "  Yes  ";
constexpr std::string_view kCellClose = " Close ";
constexpr std::string_view kCellPartial = "Partial";

constexpr std::string_view kGood = "good";
constexpr std::string_view kImperfect = "imperfect";
constexpr std::string_view kPreliminary = "preliminary";

// An attribute or element text of the machine being read. The strings keep their capacity from
// machine to machine, so reading a machine allocates nothing once the first few are through.
struct Value {
  std::string text;
  bool present = false;

  void Reset() {
    text.clear();
    present = false;
  }
  void Set(const char* value) {
    text.assign(value);
    present = true;
  }
};

// The list formats are line based: a line break or tab inside a value would split or shift a
// line, so each becomes a space.
void Flatten(std::string* text) {
  for (char& c : *text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
}

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// A feature's level ("unemulated", "imperfect", else none) as the driver status word.
std::string_view FeatureLevel(const char* level) {
  if (Is(level, "unemulated")) return kPreliminary;
  if (Is(level, "imperfect")) return kImperfect;
  return kGood;
}

// Appends `text` cut or padded with spaces to `width` bytes. A cut that would split a UTF-8
// sequence is moved back to the sequence's first byte, and the gap padded.
void AppendFitted(std::string* out, std::string_view text, size_t width) {
  size_t take = text.size();
  if (take > width) {
    take = width;
    while (take > 0 && (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80) --take;
  }
  out->append(text.data(), take);
  out->append(width - take, ' ');
}

void AppendPadded(std::string* out, std::string_view text, size_t width) {
  out->append(text);
  if (text.size() < width) out->append(width - text.size(), ' ');
}

// " key value" when the value is there.
void AppendPiece(std::string* out, std::string_view key, const Value& value) {
  if (!value.present) return;
  *out += ' ';
  *out += key;
  *out += ' ';
  *out += value.text;
}

// The driver column: the source file's name without folder and extension.
std::string_view DriverName(std::string_view source_file) {
  size_t slash = source_file.find_last_of("/\\");
  if (slash != std::string_view::npos) source_file.remove_prefix(slash + 1);
  size_t dot = source_file.rfind('.');
  if (dot != std::string_view::npos) source_file = source_file.substr(0, dot);
  return source_file;
}

// What the conversion keeps of one machine element.
struct Machine {
  bool device = false;
  bool resource = false;
  Value name, source_file, clone_of, rom_of;
  Value description, year, manufacturer;

  bool has_video = false;
  Value screen, width, height, refresh;
  bool vertical = false;

  bool has_sound = false;
  Value channels;

  bool has_input = false;
  bool has_control_child = false;
  Value players, control, buttons, coins;

  bool has_driver = false;
  Value status, color, sound;
  bool cocktail_preliminary = false;
  // Newer MAME states colours and sound as features; unset means no feature said otherwise.
  std::string_view palette_feature = kGood;
  std::string_view sound_feature = kGood;

  void Reset() {
    device = resource = false;
    for (Value* v : {&name, &source_file, &clone_of, &rom_of, &description, &year, &manufacturer,
                     &screen, &width, &height, &refresh, &channels, &players, &control, &buttons,
                     &coins, &status, &color, &sound}) {
      v->Reset();
    }
    has_video = vertical = has_sound = has_input = has_control_child = false;
    has_driver = cocktail_preliminary = false;
    palette_feature = sound_feature = kGood;
  }
};

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

class ListXmlConverter::Impl {
 public:
  Impl(const std::string& out_dir, std::string source_name)
      : source_name_(std::move(source_name)),
        listinfo_(out_dir + "/listinfo.dat"),
        listdetails_(out_dir + "/listdetails.dat"),
        gamelist_(out_dir + "/gamelist.dat"),
        parser_(XML_ParserCreate(nullptr)) {
    if (parser_ == nullptr) throw std::bad_alloc();
    XML_SetUserData(parser(), this);
    XML_SetElementHandler(parser(), OnStart, OnEnd);

    details_out_ += " romname driver     description\r\n";
    details_out_ += "-------- ---------- --------------------------\r\n";
    // The reader skips everything up to the "| Game Name" line, so these lines are free text.
    gamelist_out_ += "This is the list of games of MAME, converted from its -listxml output.\r\n";
    gamelist_out_ += "\r\n";
    for (std::string_view line : {kBorder, kTableHead1, kTableHead2, kBorder}) {
      gamelist_out_ += line;
      gamelist_out_ += kCrLf;
    }
  }

  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  void Feed(const char* data, size_t size) {
    ThrowIfSpent();
    while (size > 0) {
      const size_t piece = size < kMaxParseChunk ? size : kMaxParseChunk;
      skimmer_.Feed(std::string_view(data, piece), &skimmed_);
      ParseSkimmed(false);
      data += piece;
      size -= piece;
    }
  }

  void Finish() {
    ThrowIfSpent();
    skimmer_.Finish(&skimmed_);
    ParseSkimmed(true);
    try {
      listinfo_out_ += resources_out_;
      gamelist_out_ += kBorder;
      gamelist_out_ += kCrLf;
      FlushAll();
      listdetails_.Commit();
      gamelist_.Commit();
      listinfo_.Commit();
    } catch (...) {
      failure_ = std::current_exception();
      throw;
    }
    finished_ = true;
  }

  const ListXmlCounts& counts() const { return counts_; }

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

  XML_Parser parser() const { return parser_.get(); }

  // Exceptions must not unwind through expat's C frames: the callback stops the parser and
  // Parse() rethrows once XML_Parse has returned.
  void Abort(std::exception_ptr error) {
    if (!pending_) pending_ = error;
    XML_StopParser(parser(), XML_FALSE);
  }

  void ThrowIfSpent() const {
    if (failure_) std::rethrow_exception(failure_);
    if (finished_) throw std::logic_error("ListXmlConverter used after Finish()");
  }

  // The names of the elements Start() reads; the skimmer never cuts their lines.
  static bool ReadsElement(std::string_view name) {
    for (std::string_view read :
         {"machine", "game", "description", "year", "manufacturer", "display", "video", "sound",
          "input", "control", "driver", "feature"}) {
      if (name == read) return true;
    }
    return false;
  }

  // The elements StartText() reads the character data of.
  static bool ReadsText(std::string_view name) {
    return name == "description" || name == "year" || name == "manufacturer";
  }

  void ParseSkimmed(bool is_final) {
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
    const int level = ++depth_;
    if (level == 2) {
      in_machine_ = Is(name, "machine") || Is(name, "game");
      if (in_machine_) BeginMachine(atts);
      return;
    }
    if (!in_machine_ || machine_.device) return;
    if (level == 3) {
      child_ = Child::kOther;
      StartChild(name, atts);
    } else if (level == 4 && child_ == Child::kInput && !machine_.has_control_child &&
               Is(name, "control")) {
      StartControl(atts);
    }
  }

  void End() {
    const int level = depth_--;
    if (!in_machine_) return;
    if (level == 3) {
      if (child_ == Child::kText) {
        XML_SetCharacterDataHandler(parser(), nullptr);
        Flatten(text_);
      }
      child_ = Child::kOther;
    } else if (level == 2) {
      EndMachine();
      in_machine_ = false;
    }
  }

  void BeginMachine(const char** atts) {
    Machine& m = machine_;
    m.Reset();
    bool bios = false;
    bool not_runnable = false;
    for (; *atts != nullptr; atts += 2) {
      const char* key = atts[0];
      const char* value = atts[1];
      if (Is(key, "name")) {
        m.name.Set(value);
      } else if (Is(key, "sourcefile")) {
        m.source_file.Set(value);
      } else if (Is(key, "cloneof")) {
        m.clone_of.Set(value);
      } else if (Is(key, "romof")) {
        m.rom_of.Set(value);
      } else if (Is(key, "isdevice")) {
        m.device = Is(value, "yes");
      } else if (Is(key, "isbios")) {
        bios = Is(value, "yes");
      } else if (Is(key, "runnable")) {
        // Before isbios existed, MAME marked its BIOS sets as not runnable.
        not_runnable = Is(value, "no");
      }
    }
    m.resource = bios || not_runnable;
    for (Value* v : {&m.name, &m.source_file, &m.clone_of, &m.rom_of}) Flatten(&v->text);
  }

  void StartText(Value* value) {
    value->text.clear();
    value->present = true;
    text_ = &value->text;
    child_ = Child::kText;
    XML_SetCharacterDataHandler(parser(), OnText);
  }

  // Sets `value` from the attribute `key`, flattened; leaves it absent when there is none.
  static void TakeAttribute(const char** atts, const char* key, Value* value) {
    for (; *atts != nullptr; atts += 2) {
      if (Is(atts[0], key)) {
        value->Set(atts[1]);
        Flatten(&value->text);
        return;
      }
    }
  }

  static const char* FindAttribute(const char** atts, const char* key) {
    for (; *atts != nullptr; atts += 2) {
      if (Is(atts[0], key)) return atts[1];
    }
    return nullptr;
  }

  void StartChild(const char* name, const char** atts) {
    Machine& m = machine_;
    switch (name[0]) {
      case 'd':
        if (Is(name, "description")) {
          StartText(&m.description);
        } else if (Is(name, "display")) {
          if (!m.has_video) StartDisplay(atts);
        } else if (Is(name, "driver")) {
          StartDriver(atts);
        }
        break;
      case 'y':
        if (Is(name, "year")) StartText(&m.year);
        break;
      case 'm':
        if (Is(name, "manufacturer")) StartText(&m.manufacturer);
        break;
      case 'v':
        if (Is(name, "video") && !m.has_video) StartVideo(atts);
        break;
      case 's':
        if (Is(name, "sound")) {
          m.has_sound = true;
          TakeAttribute(atts, "channels", &m.channels);
        }
        break;
      case 'i':
        if (Is(name, "input")) StartInput(atts);
        break;
      case 'f':
        if (Is(name, "feature")) StartFeature(atts);
        break;
      default:
        break;
    }
  }

  void StartDisplay(const char** atts) {
    Machine& m = machine_;
    m.has_video = true;
    TakeAttribute(atts, "type", &m.screen);
    TakeAttribute(atts, "width", &m.width);
    TakeAttribute(atts, "height", &m.height);
    TakeAttribute(atts, "refresh", &m.refresh);
    const char* rotate = FindAttribute(atts, "rotate");
    m.vertical = rotate != nullptr && (Is(rotate, "90") || Is(rotate, "270"));
    // The table gives the size as the player sees it, so a turned screen swaps its sides.
    if (m.vertical) std::swap(m.width, m.height);
  }

  // Older MAME's video element already states the orientation and the size as seen.
  void StartVideo(const char** atts) {
    Machine& m = machine_;
    m.has_video = true;
    TakeAttribute(atts, "screen", &m.screen);
    TakeAttribute(atts, "width", &m.width);
    TakeAttribute(atts, "height", &m.height);
    TakeAttribute(atts, "refresh", &m.refresh);
    const char* orientation = FindAttribute(atts, "orientation");
    m.vertical = orientation != nullptr && Is(orientation, "vertical");
  }

  // The input element's own control and buttons are what older MAME wrote; a control child,
  // when there is one, replaces them (StartControl).
  void StartInput(const char** atts) {
    Machine& m = machine_;
    m.has_input = true;
    child_ = Child::kInput;
    TakeAttribute(atts, "players", &m.players);
    TakeAttribute(atts, "coins", &m.coins);
    TakeAttribute(atts, "control", &m.control);
    TakeAttribute(atts, "buttons", &m.buttons);
  }

  void StartControl(const char** atts) {
    Machine& m = machine_;
    m.has_control_child = true;
    m.control.Reset();
    m.buttons.Reset();
    TakeAttribute(atts, "type", &m.control);
    TakeAttribute(atts, "buttons", &m.buttons);
    const std::string& type = m.control.text;
    if (m.control.present && (type == "joy" || type == "doublejoy" || type == "triplejoy")) {
      // Old MAME named joysticks by their directions: joy8way, and joy2way for "vertical2".
      const char* ways = FindAttribute(atts, "ways");
      if (ways == nullptr) return;
      const char* digits = ways + std::strcspn(ways, "0123456789");
      size_t count = std::strspn(digits, "0123456789");
      if (count == 0) return;
      m.control.text.append(digits, count);
      m.control.text += "way";
    }
  }

  void StartDriver(const char** atts) {
    Machine& m = machine_;
    m.has_driver = true;
    TakeAttribute(atts, "status", &m.status);
    TakeAttribute(atts, "color", &m.color);
    TakeAttribute(atts, "sound", &m.sound);
    const char* cocktail = FindAttribute(atts, "cocktail");
    m.cocktail_preliminary = cocktail != nullptr && Is(cocktail, "preliminary");
  }

  void StartFeature(const char** atts) {
    const char* type = FindAttribute(atts, "type");
    if (type == nullptr) return;
    std::string_view* target = Is(type, "palette") ? &machine_.palette_feature
                               : Is(type, "sound") ? &machine_.sound_feature
                                                   : nullptr;
    if (target == nullptr) return;
    const char* level = FindAttribute(atts, "status");
    if (level == nullptr) level = FindAttribute(atts, "overall");
    if (level != nullptr) *target = FeatureLevel(level);
  }

  void EndMachine() {
    const Machine& m = machine_;
    if (m.device) {
      ++counts_.devices;
      return;
    }
    // Drivers that state colour and sound themselves (older MAME) are taken at their word;
    // otherwise the palette and sound features tell.
    std::string_view color = m.palette_feature;
    std::string_view sound = m.sound_feature;
    if (m.color.present || m.sound.present) {
      color = m.color.present ? std::string_view(m.color.text) : kGood;
      sound = m.sound.present ? std::string_view(m.sound.text) : kGood;
    }
    if (m.resource) {
      AppendBlock(&resources_out_, "resource (", color, sound);
      ++counts_.resources;
      return;
    }
    AppendBlock(&listinfo_out_, "game (", color, sound);
    AppendDetailsRow();
    AppendGamelistRow(color, sound);
    ++counts_.games;
    FlushLarge();
  }

  void AppendBlock(std::string* out, std::string_view opening, std::string_view color,
                   std::string_view sound) {
    const Machine& m = machine_;
    *out += opening;
    *out += "\r\n\tname ";
    *out += m.name.text;
    *out += "\r\n\tdescription \"";
    *out += m.description.text;
    *out += "\"\r\n";
    if (!m.year.text.empty()) {
      *out += "\tyear ";
      *out += m.year.text;
      *out += kCrLf;
    }
    if (!m.manufacturer.text.empty()) {
      *out += "\tmanufacturer \"";
      *out += m.manufacturer.text;
      *out += "\"\r\n";
    }
    if (m.clone_of.present) {
      *out += "\tcloneof ";
      *out += m.clone_of.text;
      *out += kCrLf;
    }
    if (m.rom_of.present) {
      *out += "\tromof ";
      *out += m.rom_of.text;
      *out += kCrLf;
    }
    if (m.has_video) {
      *out += "\tvideo (";
      AppendPiece(out, "screen", m.screen);
      *out += m.vertical ? " orientation vertical" : " orientation horizontal";
      if (m.width.present && m.height.present) {
        AppendPiece(out, "x", m.width);
        AppendPiece(out, "y", m.height);
      }
      AppendPiece(out, "freq", m.refresh);
      *out += " )\r\n";
    }
    if (m.has_sound) {
      *out += "\tsound (";
      AppendPiece(out, "channels", m.channels);
      *out += " )\r\n";
    }
    if (m.has_input) {
      *out += "\tinput (";
      AppendPiece(out, "players", m.players);
      AppendPiece(out, "control", m.control);
      *out += " buttons ";
      *out += m.buttons.present ? std::string_view(m.buttons.text) : "0";
      AppendPiece(out, "coins", m.coins);
      *out += " )\r\n";
    }
    if (m.has_driver) {
      *out += "\tdriver (";
      AppendPiece(out, "status", m.status);
      *out += " color ";
      *out += color;
      *out += " sound ";
      *out += sound;
      *out += " )\r\n";
    }
    *out += ")\r\n\r\n";
  }

  // Name in characters 1-8 and driver in 10-19, where the side-file reading cuts them.
  void AppendDetailsRow() {
    const Machine& m = machine_;
    std::string* out = &details_out_;
    AppendFitted(out, m.name.text, kRomNameWidth);
    *out += ' ';
    AppendFitted(out, DriverName(m.source_file.text), kDriverWidth);
    *out += ' ';
    *out += m.description.text;
    *out += kCrLf;
  }

  // Old MAME's -gamelist row; its four cells stand at characters 37-43, 45-51, 53-59, 61-67.
  void AppendGamelistRow(std::string_view color, std::string_view sound) {
    const Machine& m = machine_;
    std::string* out = &gamelist_out_;
    *out += "| ";
    AppendFitted(out, m.description.text, kListNameWidth);
    *out += '|';
    *out += m.status.text == kPreliminary ? kCellNo : kCellYes;
    *out += '|';
    *out += color == kPreliminary ? kCellNo : color == kImperfect ? kCellClose : kCellYes;
    *out += '|';
    *out += sound == kPreliminary ? kCellNo : sound == kImperfect ? kCellPartial : kCellYes;
    *out += '|';
    *out += m.cocktail_preliminary ? kCellNo : kCellYes;
    *out += "| ";
    AppendPadded(out, m.name.text, kRomNameWidth);
    *out += " |\r\n";
  }

  void FlushLarge() {
    if (listinfo_out_.size() >= kFlushSize) Flush(&listinfo_out_, &listinfo_);
    if (details_out_.size() >= kFlushSize) Flush(&details_out_, &listdetails_);
    if (gamelist_out_.size() >= kFlushSize) Flush(&gamelist_out_, &gamelist_);
  }

  void FlushAll() {
    Flush(&listinfo_out_, &listinfo_);
    Flush(&details_out_, &listdetails_);
    Flush(&gamelist_out_, &gamelist_);
  }

  static void Flush(std::string* buffer, AtomicTextWriter* writer) {
    writer->Write(*buffer);
    buffer->clear();
  }

  std::string source_name_;
  AtomicTextWriter listinfo_;
  AtomicTextWriter listdetails_;
  AtomicTextWriter gamelist_;
  std::unique_ptr<XML_ParserStruct, ParserFree> parser_;
  ListXmlSkimmer skimmer_{ReadsElement, ReadsText};
  std::string skimmed_;  // what the skimmer left of the last piece, for the parser

  // Text waiting for its file; resources wait for the end, as they follow all games.
  std::string listinfo_out_;
  std::string details_out_;
  std::string gamelist_out_;
  std::string resources_out_;

  int depth_ = 0;  // open elements; the root is level 1, machines level 2
  bool in_machine_ = false;
  Child child_ = Child::kOther;
  std::string* text_ = nullptr;  // the value collecting character data
  Machine machine_;
  ListXmlCounts counts_;

  std::exception_ptr pending_;  // thrown inside a callback, rethrown after XML_Parse
  std::exception_ptr failure_;  // what ended the conversion; later calls throw it again
  bool finished_ = false;
};

ListXmlConverter::ListXmlConverter(std::string out_dir, std::string source_name)
    : impl_(std::make_unique<Impl>(out_dir, std::move(source_name))) {}

ListXmlConverter::~ListXmlConverter() = default;

void ListXmlConverter::Feed(const char* data, size_t size) { impl_->Feed(data, size); }

void ListXmlConverter::Finish() { impl_->Finish(); }

const ListXmlCounts& ListXmlConverter::counts() const { return impl_->counts(); }

ListXmlCounts ConvertListXmlFile(const std::string& xml_path, const std::string& out_dir) {
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(xml_path.c_str(), "rb"));
  if (file == nullptr) throw Error(xml_path, "cannot open: " + ErrnoText(errno));

  ListXmlConverter converter(out_dir, xml_path);
  std::vector<char> block(kReadBlock);
  size_t n;
  while ((n = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
    converter.Feed(block.data(), n);
  }
  if (std::ferror(file.get())) throw Error(xml_path, "read error: " + ErrnoText(errno));
  converter.Finish();
  return converter.counts();
}

}  // namespace tabulon
