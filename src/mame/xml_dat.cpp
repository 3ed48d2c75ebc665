// XML dats read through the -listxml conversion's own reader and block writer, so that an XML
// dat gives exactly the records, category files and placeholders of the block dat the conversion
// would write for it.
#include "mame/xml_dat.h"

#include <cerrno>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "datparse/dat_reader.h"
#include "mame/old_mame_lists.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

constexpr size_t kReadBlock = 256 * 1024;
// How much text the parsing thread may make ahead of the reader: enough to go on parsing while
// the reader loads a large category file before its first block.
constexpr size_t kTextAhead = 8 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Enough of the file to see past the white space that may open it.
constexpr size_t kLookAhead = 64 * 1024;

bool IsUtf16(std::string_view bytes, bool* big) {
  *big = bytes.starts_with("\xFE\xFF");
  return *big || bytes.starts_with("\xFF\xFE");
}

// Follows the XML's tokens (tags, text, comments, CDATA sections, processing instructions,
// declarations) well enough to tell how long each is, without judging whether they are
// well-formed: the parser does that for all that comes before the first token that is too long.
class TokenGuard {
 public:
  // How much of `data`, the XML's next bytes, may go to the parser: all of it, or what comes
  // before the byte that makes a token longer than the limit (Failure() then says which).
  size_t Pass(std::string_view data) {
    for (size_t i = 0; i < data.size();) {
      const char c = data[i];
      if (!Step(c)) continue;  // the same byte again, in the state now decided
      if (c == '\n' ? last_ != '\r' : c == '\r') ++line_;
      before_last_ = last_;
      last_ = c;
      ++i;
      if (++length_ > XmlDatLines::kLongestToken) return i - 1;
    }
    return data.size();
  }

  Error Failure(const std::string& shown_name) const {
    const char* what =
        state_ == State::kText      ? "text"
        : state_ == State::kComment ? "a comment"
        : state_ == State::kPi      ? "a processing instruction"
        : state_ == State::kCdata   ? "a CDATA section"
        : state_ == State::kDecl || (state_ == State::kQuoted && back_ == State::kDecl)
            ? "a declaration"
            : "a tag (with its attribute values)";
    return Error(shown_name, start_line_,
                 std::string(what) +
                     " longer than 1 MiB starts on this line; no real dat has one, so the file is "
                     "damaged or no dat: get it again from where it came from");
  }

 private:
  enum class State { kText, kOpen, kTag, kQuoted, kComment, kPi, kCdata, kDecl };

  void Begin(State state) {
    state_ = state;
    length_ = 0;
    start_line_ = line_;
  }

  // Takes `c` in the current state; false when it only decided the state, and `c` is to be
  // taken again.
  bool Step(char c) {
    switch (state_) {
      case State::kText:
        if (c == '<') {
          Begin(State::kOpen);
          open_.clear();
        } else if (c == ']' && in_subset_) {
          in_subset_ = false;  // the DOCTYPE's end follows
          state_ = State::kDecl;
        }
        return true;
      case State::kOpen:
        if (open_.empty() && c == '?') {
          state_ = State::kPi;
          return true;
        }
        if (open_.empty() && c != '!') {
          state_ = State::kTag;
          return false;
        }
        open_ += c;
        if (open_ == "!--") state_ = State::kComment;
        if (open_ == "![CDATA[") state_ = State::kCdata;
        if (!std::string_view("!--").starts_with(open_) &&
            !std::string_view("![CDATA[").starts_with(open_)) {
          open_.pop_back();
          state_ = State::kDecl;
          return false;
        }
        return true;
      case State::kTag:
      case State::kDecl:
        if (c == '"' || c == '\'') {
          back_ = state_;
          quote_ = c;
          state_ = State::kQuoted;
        } else if (c == '>') {
          Begin(State::kText);
        } else if (c == '[' && state_ == State::kDecl && !in_subset_) {
          in_subset_ = true;  // the DOCTYPE's internal subset: declarations, each a token
          Begin(State::kText);
        }
        return true;
      case State::kQuoted:
        if (c == quote_) state_ = back_;
        return true;
      case State::kComment:
        if (c == '>' && last_ == '-' && before_last_ == '-') Begin(State::kText);
        return true;
      case State::kPi:
        if (c == '>' && last_ == '?') Begin(State::kText);
        return true;
      case State::kCdata:
        if (c == '>' && last_ == ']' && before_last_ == ']') Begin(State::kText);
        return true;
    }
    return true;
  }

  State state_ = State::kText;
  State back_ = State::kText;  // where a quoted value ends
  char quote_ = '"';
  bool in_subset_ = false;
  std::string open_;  // what follows "<" while it does not yet tell the token
  char last_ = '\0';
  char before_last_ = '\0';
  size_t length_ = 0;
  long line_ = 1;
  long start_line_ = 1;
};

}  // namespace

bool IsXmlDat(const std::string& path) {
  std::string error;
  std::FILE* file = OpenForReading(path, &error);
  if (file == nullptr) return false;
  std::string head(kLookAhead, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);

  std::string_view rest = head;
  bool big = false;
  if (IsUtf16(rest, &big)) {
    head = Utf16ToUtf8(rest.substr(2), big);
    rest = head;
  }
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (rest.starts_with("<?xml") || rest.starts_with("<!DOCTYPE")) return true;
  // An element's name ends at white space, ">" or "/": <mamelist> is not MAME's.
  for (std::string_view root : {"<datafile", "<mame"}) {
    if (rest.starts_with(root) && rest.size() > root.size() &&
        (IsBlank(rest[root.size()]) || rest[root.size()] == '>' || rest[root.size()] == '/')) {
      return true;
    }
  }
  return false;
}

XmlDatLines::XmlDatLines(const std::string& path, const std::string& shown_name,
                         std::function<void()> yield)
    : path_(path),
      shown_name_(shown_name),
      reader_(
          shown_name,
          [this](const ListXmlMachine& m) {
            machine_seen_ = true;
            if (!m.device) AppendListInfoBlock(m, m.resource ? &resources_ : &made_);
          },
          [this](const std::string& name) {
            // The dat's name counts only before its games: its lines must come first.
            if (machine_seen_ || header_written_ || TrimSpaces(name).empty()) return;
            header_written_ = true;
            made_ += "clrmamepro (\r\n\tname \"";
            made_ += name;
            made_ += "\"\r\n)\r\n\r\n";
          }),
      made_lines_(std::make_shared<TextChannel>(std::make_shared<TextBudget>(kTextAhead))),
      lines_(made_lines_, shown_name, std::move(yield)) {
  std::string error;
  file_.reset(OpenForReading(path, &error));
  if (file_ == nullptr) throw Error(path, "cannot open: " + error);
  try {
    parsing_ = Task([this](std::stop_token stop) { Parse(stop); });
  } catch (const std::system_error& e) {
    throw Error(shown_name, std::string("not read: the system would not start a thread to read it "
                                        "with: ") +
                                e.what());
  }
}

void XmlDatLines::Parse(const std::stop_token& stop) {
  try {
    std::vector<char> block(kReadBlock);
    TokenGuard guard;
    bool first = true;
    bool utf16 = false;
    bool big = false;
    std::string utf16_held;  // UTF-16 bytes of a character not yet whole
    std::string converted;
    while (true) {
      const size_t n = std::fread(block.data(), 1, block.size(), file_.get());
      if (n == 0 && std::ferror(file_.get())) throw Error(path_, "read error: " + ErrnoText(errno));
      std::string_view data(block.data(), n);
      if (first) {
        first = false;
        utf16 = IsUtf16(data, &big);
        if (utf16) {
          data.remove_prefix(2);
          reader_.InputIsUtf8();
        }
      }
      if (utf16) {
        utf16_held.append(data);
        size_t whole = utf16_held.size() & ~size_t{1};
        // A high surrogate waits for its low half, unless the file ends there.
        const size_t hi = big ? whole - 2 : whole - 1;
        if (n != 0 && whole >= 2 && (static_cast<unsigned char>(utf16_held[hi]) & 0xFC) == 0xD8) {
          whole -= 2;
        }
        converted = Utf16ToUtf8(std::string_view(utf16_held).substr(0, whole), big);
        utf16_held.erase(0, n == 0 ? utf16_held.size() : whole);
        data = converted;
      }
      // A token too long for expat ends the dat before expat sees the piece that makes it so.
      const size_t passed = guard.Pass(data);
      reader_.Feed(data.data(), passed);
      if (passed < data.size()) throw guard.Failure(shown_name_);
      if (n == 0) {
        reader_.Finish();
        made_ += resources_;
      }
      made_lines_->Write(std::exchange(made_, std::string()));
      if (n == 0) break;
      if (!made_lines_->budget()->WaitForRoom(stop)) return;
    }
    made_lines_->End();
  } catch (...) {
    // The lines made before the fault are read before it is thrown.
    made_lines_->Write(std::exchange(made_, std::string()));
    made_lines_->Fail(std::current_exception());
  }
}

size_t GetXmlListInfo(const std::string& dat_name, RunState& run, CategorySummary* categories) {
  const std::string shown_name = InFolder("dats", dat_name);
  XmlDatLines lines(InFolder(run.DatsDir(), dat_name), shown_name, [&run] { run.Yield(); });
  return GetListInfo(lines, shown_name, run, nullptr, categories);
}

}  // namespace tabulon
