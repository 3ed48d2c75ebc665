#include "mame/listxml_skimmer.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <mutex>
#include <new>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/child_process.h"

namespace tabulon {
namespace {

// Longer lines are not held back whole: the skimmer then stops cutting, to keep its memory small.
constexpr size_t kLongestLine = 64 * 1024;
// An element spread over lines is passed on uncut when its lines grow past this.
constexpr size_t kLongestHeld = 64 * 1024;
// Tags with more attributes than this are left to the parser; MAME's have at most nine.
constexpr size_t kMostAttributes = 24;
// The offsets of the lines in a piece read ahead must fit 32 bits.
constexpr size_t kLargestPieceAhead = 64 * 1024 * 1024;
// An internal subset longer than this is not read: nothing is then read whole. MAME's is 10 KiB.
constexpr size_t kLongestSubset = 1024 * 1024;

enum CharClass : unsigned char {
  kNameStart = 1,  // may begin a name (ASCII only)
  kName = 2,       // may stand in a name
  kValue = 4,      // may stand in a cut line's attribute value, quotes aside
};

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool start = letter || c == '_' || c == ':';
    const bool name = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
    const bool value = (c >= 0x20 && c < 0x80 && c != '<' && c != '&') || c == '\t';
    table[static_cast<size_t>(c)] = static_cast<unsigned char>(
        (start ? kNameStart : 0) | (name ? kName : 0) | (value ? kValue : 0));
  }
  return table;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

// Where the whole lines of [p, end) end: past its last LF, or `p` when it has none.
const char* PastLastLf(const char* p, const char* end) {
  while (end > p && end[-1] != '\n') --end;
  return end;
}

bool Has(char c, CharClass cls) { return (kClasses[static_cast<unsigned char>(c)] & cls) != 0; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Trims the spaces around a value in place and collapses those inside to one, as the parser does
// with the value of an attribute declared other than CDATA. Returns the new end.
char* CollapseSpaces(char* value, char* end) {
  char* to = value;
  for (const char* from = value; from < end; ++from) {
    if (*from != ' ' || (to != value && to[-1] != ' ')) *to++ = *from;
  }
  if (to != value && to[-1] == ' ') --to;
  *to = '\0';
  return to;
}

bool StartsWith(const char* p, const char* end, std::string_view prefix) {
  return static_cast<size_t>(end - p) >= prefix.size() &&
         std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

// The first of `any` in [p, end), or end.
const char* FindAny(const char* p, const char* end, std::string_view any) {
  while (p < end && any.find(*p) == std::string_view::npos) ++p;
  return p;
}

// Skips the bytes of an attribute value that need no closer look: printable ASCII or TAB, not
// "<", "&" or the value's `quote`. Returns the first other byte, at the latest `end`'s LF. Most
// of a -listxml line is such bytes (hashes, file names), so they are taken 16 at a time, inline
// wherever called.
[[gnu::always_inline]] inline const char* SkipPlainValue(const char* p, const char* end,
                                                         char quote) {
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(0x20);
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i lt = _mm_set1_epi8('<');
  const __m128i amp = _mm_set1_epi8('&');
  const __m128i q = _mm_set1_epi8(quote);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // A signed compare: bytes from 0x80 up count as below 0x20 too.
    const __m128i control = _mm_andnot_si128(_mm_cmpeq_epi8(v, tab), _mm_cmplt_epi8(v, space));
    const __m128i special = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)), _mm_cmpeq_epi8(v, q));
    const int stops = _mm_movemask_epi8(_mm_or_si128(control, special));
    if (stops != 0) return p + __builtin_ctz(static_cast<unsigned>(stops));
    p += 16;
  }
#endif
  while (p < end && *p != quote && Has(*p, kValue)) ++p;
  return p;
}

// Skips plain character data: printable ASCII or TAB, not "<", "&" or the "]]>" XML forbids in
// text. Returns the first other byte, at the latest `end`'s LF.
const char* SkipPlainText(const char* p, const char* end) {
  const char* const begin = p;
  while (*(p = SkipPlainValue(p, end, '>')) == '>') {
    if (p - begin >= 2 && p[-1] == ']' && p[-2] == ']') return p;
    ++p;
  }
  return p;
}

// `p` is at an "&" in an attribute value. Returns the byte after the reference when it is
// well-formed without a document type declaration: one of XML's five predefined entities, or a
// character reference to a character XML allows. Else nullptr. The line's LF, never part of a
// reference, stops every comparison before it could pass the line's end.
const char* PastReference(const char* p) {
  for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
    size_t i = 0;
    while (i < entity.size() && p[i] == entity[i]) ++i;
    if (i == entity.size()) return p + i;
  }
  if (p[1] != '#') return nullptr;
  p += 2;
  const bool hex = *p == 'x';
  if (hex) ++p;
  unsigned long code = 0;
  const char* const digits = p;
  for (; p - digits < 8; ++p) {
    const char c = *p;
    if (c >= '0' && c <= '9') {
      code = code * (hex ? 16 : 10) + static_cast<unsigned long>(c - '0');
    } else if (hex && ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')) {
      code = code * 16 + static_cast<unsigned long>((c | 0x20) - 'a' + 10);
    } else {
      break;
    }
  }
  if (p == digits || *p != ';') return nullptr;
  const bool allowed = code == 0x9 || code == 0xA || code == 0xD ||
                       (code >= 0x20 && code <= 0xD7FF) || (code >= 0xE000 && code <= 0xFFFD) ||
                       (code >= 0x10000 && code <= 0x10FFFF);
  return allowed ? p + 1 : nullptr;
}

}  // namespace

// A piece of input read ahead, and its whole lines.
struct ListXmlSkimmer::Piece {
  std::string data;
  bool starts_line = true;      // `data` begins a line of the input
  size_t first_line = 0;        // where the first of `lines` begins
  std::vector<LineRead> lines;  // the lines up to the last LF
  bool read = false;            // `lines` are complete
};

struct ListXmlSkimmer::Ahead {
  std::mutex mutex;
  std::condition_variable cv;
  Piece pieces[2];
  Piece* pending = nullptr;  // handed to the thread: read, or being read while `busy`
  bool busy = false;
  bool quit = false;
  bool at_line_start = true;  // what Feed() got so far ends with an LF
  size_t smallest_piece = 0;
  std::thread thread;
};

ListXmlSkimmer::ListXmlSkimmer(KeepName keep, KeepName reads_text)
    : keep_(keep), reads_text_(reads_text) {}

ListXmlSkimmer::~ListXmlSkimmer() {
  if (ahead_ == nullptr || !ahead_->thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(ahead_->mutex);
    ahead_->quit = true;
  }
  ahead_->cv.notify_all();
  ahead_->thread.join();
}

void ListXmlSkimmer::ReadAhead(size_t smallest_piece) {
  if (ahead_ == nullptr) ahead_ = std::make_unique<Ahead>();
  ahead_->smallest_piece = std::max<size_t>(smallest_piece, 1);
}

void ListXmlSkimmer::Feed(std::string_view data, std::string* out) {
  Ahead* const ahead = ahead_.get();
  if (ahead == nullptr || data.size() < ahead->smallest_piece || data.size() > kLargestPieceAhead) {
    FlushAhead(out);
    FeedNow(data, out, nullptr);
    if (ahead != nullptr && !data.empty()) ahead->at_line_start = data.back() == '\n';
    return;
  }
  if (!ahead->thread.joinable()) {
    const int priority = CurrentThreadPriority();
    ahead->thread = std::thread([this, ahead, priority] {
      SetThreadPriorityLike(priority);
      std::unique_lock<std::mutex> lock(ahead->mutex);
      while (true) {
        ahead->cv.wait(lock, [ahead] { return ahead->busy || ahead->quit; });
        if (ahead->quit) return;
        Piece* const piece = ahead->pending;
        lock.unlock();
        ReadLines(piece);
        lock.lock();
        ahead->busy = false;
        ahead->cv.notify_all();
      }
    });
  }
  // The copy goes where the piece before the pending one was, while the thread may still read.
  Piece* const next = ahead->pending == &ahead->pieces[0] ? &ahead->pieces[1] : &ahead->pieces[0];
  next->data.assign(data);
  next->starts_line = ahead->at_line_start;
  ahead->at_line_start = data.back() == '\n';
  Piece* done = nullptr;
  {
    std::unique_lock<std::mutex> lock(ahead->mutex);
    ahead->cv.wait(lock, [ahead] { return !ahead->busy; });
    done = ahead->pending;
    ahead->pending = next;
    ahead->busy = true;
  }
  ahead->cv.notify_all();
  if (done != nullptr) FeedNow(done->data, out, done);
}

void ListXmlSkimmer::FlushAhead(std::string* out) {
  if (ahead_ == nullptr || ahead_->pending == nullptr) return;
  Piece* done = nullptr;
  {
    std::unique_lock<std::mutex> lock(ahead_->mutex);
    ahead_->cv.wait(lock, [this] { return !ahead_->busy; });
    done = ahead_->pending;
    ahead_->pending = nullptr;
  }
  FeedNow(done->data, out, done);
}

void ListXmlSkimmer::ReadLines(Piece* piece) const {
  piece->lines.clear();
  piece->read = false;
  const char* const begin = piece->data.data();
  const char* const end = begin + piece->data.size();
  const char* p = begin;
  if (!piece->starts_line) {
    const void* lf = std::memchr(p, '\n', piece->data.size());
    p = lf == nullptr ? end : static_cast<const char*>(lf) + 1;
  }
  const char* const lines_end = PastLastLf(p, end);
  piece->first_line = static_cast<size_t>(p - begin);
  try {
    while (p < lines_end) {
      const char* line_end = nullptr;
      const TagLine tag = ReadTagLine(p, lines_end, true, &line_end);
      if (line_end == nullptr) {
        line_end =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(lines_end - p))) + 1;
      }
      piece->lines.push_back({static_cast<uint32_t>(line_end - begin), tag});
      p = line_end;
    }
    piece->read = true;
  } catch (const std::bad_alloc&) {
    // The piece goes through the skimmer as if it had not been read ahead.
  }
}

void ListXmlSkimmer::FeedNow(std::string_view data, std::string* out, const Piece* piece) {
  const char* const begin = data.data();
  if (!held_.empty()) {
    const size_t lf = data.find('\n');
    if (lf == std::string_view::npos && held_.size() + data.size() <= kLongestLine) {
      held_.append(data);
      return;
    }
    const size_t take = lf == std::string_view::npos ? data.size() : lf + 1;
    held_.append(data.substr(0, take));
    data.remove_prefix(take);
    if (lf == std::string_view::npos) GiveUp();
    Line(held_, out);
    held_.clear();
  }
  // Up to the last LF every line is whole, and a scan that stops at an LF stays inside `data`:
  // a tag line's end is found by reading the tag, without a search for its LF first.
  const char* p = data.data();
  const char* const end = p + data.size();
  const char* const lines_end = PastLastLf(p, end);
  // The lines read ahead begin where these do, unless the input gave up being scanned.
  const LineRead* read =
      piece != nullptr && piece->read && static_cast<size_t>(p - begin) == piece->first_line
          ? piece->lines.data()
          : nullptr;
  while (p < lines_end && state_ != State::kPassThrough) {
    const LineRead* const line_read = read != nullptr ? read++ : nullptr;
    // A line read as a tag is ASCII with its only CR before its LF: its end is sure.
    bool whole = false;
    if (TagLineWanted(&whole)) {
      auto take = [&](const TagLine& tag, const char* line_end) {
        const std::string_view line(p, static_cast<size_t>(line_end - p));
        if (!TaggedLine(line, whole, tag, out)) PassOn(line, out);
        p = line_end;
      };
      if (line_read != nullptr) {
        // Read as if the element could be read whole, which TaggedLine() tells apart.
        if (line_read->tag.kind != Tag::kNone) {
          take(line_read->tag, begin + line_read->end);
          continue;
        }
      } else {
        const char* line_end = nullptr;
        const TagLine tag = ReadTagLine(p, lines_end, whole, &line_end);
        if (line_end != nullptr) {
          take(tag, line_end);
          continue;
        }
      }
    }
    const char* const line_end =
        line_read != nullptr
            ? begin + line_read->end
            : static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(lines_end - p))) +
                  1;
    Line(std::string_view(p, static_cast<size_t>(line_end - p)), out);
    p = line_end;
  }
  if (p < end && state_ != State::kPassThrough && static_cast<size_t>(end - p) > kLongestLine) {
    GiveUp();
  }
  if (state_ == State::kPassThrough) {
    ReleaseHeld(out);
    out->append(p, static_cast<size_t>(end - p));
  } else {
    held_.assign(p, static_cast<size_t>(end - p));
  }
}

void ListXmlSkimmer::Finish(std::string* out) {
  FlushAhead(out);
  ReleaseHeld(out);
  out->append(held_);
  held_.clear();
}

// Whether the line, as far as the parser's verdict is concerned, could depend on what follows
// it: a CR that is not the one before its LF (the parser ends a line there too, while cuts are
// counted by LF, so no line number could be mapped back past it), or a UTF-8 sequence that its
// line end cuts short (the parser looks at the bytes after the LF to tell "invalid" from
// "partial", and a cut line would not be there).
bool UnsureLineEnd(std::string_view line) {
  const size_t cr = line.find('\r');
  if (cr != std::string_view::npos && cr + 2 != line.size()) return true;
  size_t body = line.size();
  if (body > 0 && line[body - 1] == '\n') --body;
  if (body > 0 && line[body - 1] == '\r') --body;
  // Back over continuation bytes to the lead byte of the last character; an ASCII byte ends
  // the search, as whatever stands before it was already judged on this line.
  for (size_t i = body; i > 0 && body - i < 4; --i) {
    const auto byte = static_cast<unsigned char>(line[i - 1]);
    if (byte < 0x80) return false;
    if (byte >= 0xC0) {
      const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      return i - 1 + length > body;
    }
  }
  return false;
}

bool ListXmlSkimmer::TagLineWanted(bool* whole) {
  // Lines are cut inside a machine; elements are read whole inside the root.
  const bool reads_whole = sink_ != nullptr && !subset_unknown_;
  if (state_ != State::kContent || text_depth_ != 0 ||
      !(depth_ >= 2 || (depth_ >= 1 && reads_whole))) {
    return false;
  }
  if (unheld_depth_ >= 0 && depth_ <= unheld_depth_) unheld_depth_ = -1;
  *whole = reads_whole && unheld_depth_ < 0;
  return true;
}

void ListXmlSkimmer::Line(std::string_view line, std::string* out) {
  if (state_ != State::kPassThrough && UnsureLineEnd(line)) {
    ReleaseHeld(out);
    GiveUp();
  }
  bool whole = false;
  if (TagLineWanted(&whole)) {
    const TagLine tag = ReadTagLine(line.data(), line.data() + line.size(), whole, nullptr);
    if (TaggedLine(line, whole, tag, out)) return;
  }
  PassOn(line, out);
}

bool ListXmlSkimmer::TaggedLine(std::string_view line, bool whole, const TagLine& tag,
                                std::string* out) {
  if (whole_) {
    if (!HoldWhole(tag, line)) {
      UnholdWhole(out);
      Line(line, out);
    }
    return true;
  }
  if (whole && tag.kept && tag.kind == Tag::kStart && open_.empty() && HoldWhole(tag, line)) {
    whole_ = true;
    return true;
  }
  if (depth_ < 2) return false;
  // Outside an element read whole, the lines the conversion reads reach the parser.
  const Tag kind = tag.kept || tag.kind == Tag::kText ? Tag::kNone : tag.kind;
  if (kind == Tag::kEmpty && open_.empty()) {
    Cut(1);
    return true;
  }
  // Held lines are bounded: an element too long to hold goes on uncut.
  const bool room = open_text_.size() + line.size() <= kLongestHeld;
  const bool closes = room && kind == Tag::kEnd && !open_.empty() && tag.name == open_.back();
  const bool opens = room && kind == Tag::kStart;
  if (!(room && kind == Tag::kEmpty) && !closes && !opens) return false;
  if (opens) open_.emplace_back(tag.name);
  if (closes) open_.pop_back();
  open_text_.append(line);
  ++open_lines_;
  if (open_.empty()) {
    Cut(open_lines_);
    open_text_.clear();
    open_lines_ = 0;
  }
  return true;
}

void ListXmlSkimmer::PassOn(std::string_view line, std::string* out) {
  ReleaseHeld(out);
  if (state_ != State::kPassThrough) Scan(line);
  out->append(line);
  ++lines_out_;
}

bool ListXmlSkimmer::HoldWhole(const TagLine& tag, std::string_view line) {
  if (open_text_.size() + line.size() > kLongestHeld) return false;
  switch (tag.kind) {
    case Tag::kNone:
      return false;
    case Tag::kStart:
      // The white space between its lines would be text the conversion reads.
      if (reads_text_ != nullptr && reads_text_(tag.name)) return false;
      open_.emplace_back(tag.name);
      if (!tag.kept) ++unread_open_;
      break;
    case Tag::kEnd:
      if (tag.name != open_.back()) return false;
      open_.pop_back();
      if (!tag.kept) --unread_open_;
      break;
    case Tag::kEmpty:
    case Tag::kText:
      break;
  }
  ++open_lines_;
  // A line that would be cut without a sink, as most are, is held as an empty line: the sink
  // does not get it, and nothing but its place is needed if the element goes on after all.
  if (tag.kind == Tag::kEmpty && !tag.kept && unread_open_ == 0) {
    open_text_ += '\n';
  } else {
    open_text_.append(line);
  }
  if (open_.empty()) Deliver();
  return true;
}

void ListXmlSkimmer::UnholdWhole(std::string* out) {
  std::string held;
  held.swap(open_text_);
  open_.clear();
  open_lines_ = 0;
  whole_ = false;
  unread_open_ = 0;
  // Its start tag goes on as any line the conversion reads; the lines inside are cut or passed
  // on as they would be without a sink, until the element has ended.
  const size_t first = held.find('\n') + 1;
  unheld_depth_ = depth_;
  Scan(std::string_view(held).substr(0, first));
  out->append(held, 0, first);
  ++lines_out_;
  for (std::string_view rest = std::string_view(held).substr(first); !rest.empty();) {
    const size_t length = rest.find('\n') + 1;
    if (length == 1) {
      Cut(1);  // a line cut as it would be here
    } else {
      Line(rest.substr(0, length), out);
    }
    rest.remove_prefix(length);
  }
}

void ListXmlSkimmer::Deliver() {
  Cut(open_lines_);
  whole_text_.swap(open_text_);
  open_text_.clear();
  open_lines_ = 0;
  whole_ = false;
  unread_open_ = 0;
  sink_->Flush();

  // The lines are known to be well-formed tags: names end and values are cut off in place.
  char* p = whole_text_.data();
  char* const end = p + whole_text_.size();
  long skipped = 0;  // open levels of an element the sink does not get
  while (p < end) {
    if (*p == '\n') {  // a line cut
      ++p;
      continue;
    }
    char* const line_end = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    while (IsBlank(*p)) ++p;
    ++p;
    if (*p == '/') {
      if (skipped > 0) {
        --skipped;
      } else {
        sink_->EndElement();
      }
      p = line_end + 1;
      continue;
    }
    char* const name = p;
    while (Has(*p, kName)) ++p;
    if (skipped > 0 || !keep_(std::string_view(name, static_cast<size_t>(p - name)))) {
      // Only a start tag alone opens a level: one "<" on the line, and no "/>" at its end.
      const char* last = line_end;
      while (*last != '>') --last;
      if (std::memchr(p, '<', static_cast<size_t>(line_end - p)) == nullptr && last[-1] != '/') {
        ++skipped;
      }
      p = line_end + 1;
      continue;
    }
    char* const name_end = p;
    const std::string_view element(name, static_cast<size_t>(name_end - name));
    const DeclaredElement* declared = nullptr;
    for (const DeclaredElement& d : declared_) {
      if (d.name == element) declared = &d;
    }
    atts_.clear();
    while (true) {
      while (IsBlank(*p)) ++p;
      if (*p == '/' || *p == '>') break;
      char* const key = p;
      while (Has(*p, kName)) ++p;
      char* const key_end = p;
      while (*p != '"' && *p != '\'') ++p;
      const char quote = *p++;
      char* const value = p;
      p = static_cast<char*>(std::memchr(p, quote, static_cast<size_t>(line_end - p)));
      // The parser normalises an attribute value's TAB to a space.
      std::replace(value, p, '\t', ' ');
      if (declared != nullptr) {
        const std::string_view key_name(key, static_cast<size_t>(key_end - key));
        for (const Declared& a : declared->attributes) {
          if (a.tokenized && a.name == key_name) CollapseSpaces(value, p);
        }
      }
      *p++ = '\0';
      *key_end = '\0';
      atts_.push_back(key);
      atts_.push_back(value);
    }
    if (declared != nullptr) {
      // The parser gives the defaults of the attributes left out after those given.
      const size_t given = atts_.size();
      for (const Declared& a : declared->attributes) {
        if (!a.defaulted) continue;
        bool present = false;
        for (size_t i = 0; i < given && !present; i += 2) present = a.name == atts_[i];
        if (!present) {
          atts_.push_back(a.name.c_str());
          atts_.push_back(a.value.c_str());
        }
      }
    }
    atts_.push_back(nullptr);
    const bool empty = *p == '/';
    p += empty ? 2 : 1;
    *name_end = '\0';
    sink_->StartElement(name, atts_.data());
    if (!empty) {
      char* const text_end =
          static_cast<char*>(std::memchr(p, '<', static_cast<size_t>(line_end - p)));
      if (text_end != nullptr) {
        sink_->Text(std::string_view(p, static_cast<size_t>(text_end - p)));
        sink_->EndElement();
      }
    } else {
      sink_->EndElement();
    }
    p = line_end + 1;
  }
  whole_text_.clear();
}

void ListXmlSkimmer::Cut(size_t lines) {
  lines_cut_ += lines;
  if (!cuts_.empty() && cuts_.back().lines_out == lines_out_) {
    cuts_.back().cut_total = lines_cut_;
  } else {
    cuts_.push_back({lines_out_, lines_cut_});
  }
}

void ListXmlSkimmer::ReleaseHeld(std::string* out) {
  if (open_.empty()) return;
  // The held start tags now reach the parser: the levels they open are open.
  depth_ += static_cast<long>(open_.size());
  if (whole_) {
    // Lines that stand for a cut line stay cut.
    for (std::string_view rest = open_text_; !rest.empty();) {
      const size_t length = rest.find('\n') + 1;
      if (length == 1) {
        Cut(1);
      } else {
        out->append(rest.substr(0, length));
        ++lines_out_;
      }
      rest.remove_prefix(length);
    }
  } else {
    out->append(open_text_);
    lines_out_ += open_lines_;
  }
  whole_ = false;
  unread_open_ = 0;
  open_.clear();
  open_text_.clear();
  open_lines_ = 0;
}

// Line `line` of the output follows the cuts made after fewer than `line` lines had gone out.
std::vector<ListXmlSkimmer::Cuts>::const_iterator ListXmlSkimmer::CutsAfter(size_t line) const {
  return std::partition_point(cuts_.begin(), cuts_.end(),
                              [line](const Cuts& c) { return c.lines_out < line; });
}

size_t ListXmlSkimmer::OriginalLine(size_t line) const {
  const auto after = CutsAfter(line);
  return line + (after == cuts_.begin() ? forgotten_cuts_ : std::prev(after)->cut_total);
}

void ListXmlSkimmer::ForgetBefore(size_t line) {
  const auto after = CutsAfter(line);
  if (after == cuts_.begin()) return;
  forgotten_cuts_ = std::prev(after)->cut_total;
  cuts_.erase(cuts_.begin(), after);
}

// [p, end) holds an LF. Every test below stops at an LF, so no read passes the first one, which
// ends the line.
ListXmlSkimmer::TagLine ListXmlSkimmer::ReadTagLine(const char* p, const char* end, bool whole,
                                                    const char** line_end) const {
  while (IsBlank(*p)) ++p;
  if (*p++ != '<') return {};
  const bool end_tag = *p == '/';
  if (end_tag) ++p;
  if (!Has(*p, kNameStart)) return {};
  const char* name = p;
  while (Has(*p, kName)) ++p;
  const std::string_view tag_name(name, static_cast<size_t>(p - name));
  const bool kept = keep_(tag_name);
  if (kept && !whole) return {};

  Tag kind = Tag::kEnd;
  if (end_tag) {
    while (IsBlank(*p)) ++p;
    if (*p++ != '>') return {};
  } else {
    // Where the attribute names seen so far start and how long they are. Left uninitialised on
    // purpose: this runs for five million lines, and zeroing the arrays each time showed up.
    const char* seen_at[kMostAttributes];
    size_t seen_size[kMostAttributes];
    size_t count = 0;
    while (true) {
      const char* const blank = p;
      while (IsBlank(*p)) ++p;
      if (*p == '/' || *p == '>') break;
      if (p == blank || count == kMostAttributes || !Has(*p, kNameStart)) return {};
      name = p;
      while (Has(*p, kName)) ++p;
      const size_t size = static_cast<size_t>(p - name);
      for (size_t i = 0; i < count; ++i) {
        if (seen_size[i] == size && *seen_at[i] == *name &&
            std::memcmp(seen_at[i], name, size) == 0) {
          return {};
        }
      }
      seen_at[count] = name;
      seen_size[count] = size;
      ++count;
      while (IsBlank(*p)) ++p;
      if (*p++ != '=') return {};
      while (IsBlank(*p)) ++p;
      const char quote = *p++;
      if (quote != '"' && quote != '\'') return {};
      while (*(p = SkipPlainValue(p, end, quote)) != quote) {
        // The sink gets values as they stand: references only in lines it does not get.
        if (*p != '&' || kept || (p = PastReference(p)) == nullptr) return {};
      }
      ++p;
    }
    if (*p == '/') {
      if (*++p != '>') return {};
      kind = Tag::kEmpty;
      ++p;
    } else {
      kind = Tag::kStart;
      ++p;
      if (whole) {
        // Plain text and the end tag of the same name.
        const char* q = SkipPlainText(p, end);
        if (*q == '<' && q[1] == '/' && static_cast<size_t>(end - q) > tag_name.size() + 2 &&
            std::memcmp(q + 2, tag_name.data(), tag_name.size()) == 0) {
          q += 2 + tag_name.size();
          while (IsBlank(*q)) ++q;
          if (*q == '>') {
            kind = Tag::kText;
            p = q + 1;
          }
        }
      }
    }
  }
  while (IsBlank(*p)) ++p;
  if (*p == '\r') ++p;
  if (*p != '\n') return {};  // more than white space follows the tag
  if (line_end != nullptr) *line_end = p + 1;
  return {tag_name, kind, kept};
}

// Follows the lexical state through a line passed on whole. The delimiters looked for ("-->",
// "]]>", "?>", "<!--") cannot hold a line end, so looking no further than the line is exact.
void ListXmlSkimmer::Scan(std::string_view line) {
  if (in_subset_) subset_from_ = line.data();
  ScanLine(line);
  if (subset_from_ != nullptr) {
    subset_.append(subset_from_, static_cast<size_t>(line.data() + line.size() - subset_from_));
    subset_from_ = nullptr;
  }
  if (subset_.size() > kLongestSubset) {
    subset_unknown_ = true;
    subset_.clear();
  }
}

void ListXmlSkimmer::ScanLine(std::string_view line) {
  const bool xml_start = lines_out_ == 0 && lines_cut_ == 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  auto skip_past = [&](std::string_view delimiter, State next) {
    const std::string_view rest(p, static_cast<size_t>(end - p));
    const size_t at = rest.find(delimiter);
    if (at == std::string_view::npos) {
      p = end;
      return;
    }
    p += at + delimiter.size();
    state_ = next;
  };
  while (p < end) {
    switch (state_) {
      case State::kProlog:
      case State::kContent:
      case State::kSubset: {
        const char* const text = p;
        p = FindAny(p, end,
                    state_ == State::kSubset ? std::string_view("<]") : std::string_view("<"));
        // Text before the root is an error whose place depends on what the parser makes of
        // it (a quote starts a literal there): the parser judges the rest alone. A UTF-8 byte
        // order mark may open the XML.
        if (state_ == State::kProlog) {
          std::string_view before(text, static_cast<size_t>(p - text));
          if (xml_start && text == line.data() && before.starts_with("\xEF\xBB\xBF")) {
            before.remove_prefix(3);
          }
          if (before.find_first_not_of(" \t\r\n") != std::string_view::npos) {
            GiveUp();
            return;
          }
        }
        if (p == end) return;
        if (*p == ']') {
          if (subset_from_ != nullptr)
            subset_.append(subset_from_, static_cast<size_t>(p - subset_from_));
          subset_from_ = nullptr;
          in_subset_ = false;
          if (!subset_unknown_) subset_unknown_ = !ReadSubset(subset_);
          subset_.clear();
          subset_.shrink_to_fit();
          state_ = State::kAfterSubset;
          ++p;
          break;
        }
        p = Markup(p, end);
        break;
      }
      case State::kTag:
        while (p < end && *p != '>' && *p != '"' && *p != '\'') slash_ = *p++ == '/';
        if (p == end) return;
        if (*p == '>') {
          if (end_tag_) {
            --depth_;
            if (depth_ < text_depth_) text_depth_ = 0;
          } else if (!slash_) {
            ++depth_;
            if (text_tag_ && text_depth_ == 0) text_depth_ = depth_;
          }
          state_ = depth_ < 0 ? State::kPassThrough : State::kContent;
        } else {
          quote_ = *p;
          return_ = State::kTag;
          state_ = State::kTagQuote;
        }
        slash_ = false;
        ++p;
        break;
      case State::kTagQuote:
      case State::kDoctypeQuote:
      case State::kSubsetQuote: {
        const void* q = std::memchr(p, quote_, static_cast<size_t>(end - p));
        if (q == nullptr) return;
        p = static_cast<const char*>(q) + 1;
        state_ = return_;
        break;
      }
      case State::kComment:
        skip_past("-->", return_);
        break;
      case State::kCData:
        skip_past("]]>", State::kContent);
        break;
      case State::kPi:
        skip_past("?>", return_);
        break;
      case State::kDoctype:
      case State::kSubsetDecl: {
        p = FindAny(p, end, "\"'[>");
        if (p == end) return;
        const bool in_doctype = state_ == State::kDoctype;
        if (*p == '>') {
          state_ = in_doctype ? State::kProlog : State::kSubset;
        } else if (*p == '[') {
          // Only the declaration itself opens a subset; in a markup declaration "[" is text.
          if (in_doctype) {
            state_ = State::kSubset;
            in_subset_ = true;
            subset_from_ = p + 1;
          }
        } else {
          quote_ = *p;
          return_ = state_;
          state_ = in_doctype ? State::kDoctypeQuote : State::kSubsetQuote;
        }
        ++p;
        break;
      }
      case State::kAfterSubset: {
        const void* gt = std::memchr(p, '>', static_cast<size_t>(end - p));
        if (gt == nullptr) return;
        p = static_cast<const char*>(gt) + 1;
        state_ = State::kProlog;
        break;
      }
      case State::kPassThrough:
        return;
    }
  }
}

// The parser has already judged the subset by the time the sink gets an element, so a subset
// read wrongly here can only be a malformed one, which stops the parse before any element.
bool ListXmlSkimmer::ReadSubset(std::string_view subset) {
  size_t i = 0;
  auto skip_spaces = [&] {
    while (i < subset.size() && IsSpace(subset[i])) ++i;
  };
  auto name = [&] {
    const size_t from = i;
    while (i < subset.size() && Has(subset[i], kName)) ++i;
    return subset.substr(from, i - from);
  };
  auto skip_past = [&](std::string_view delimiter) {
    const size_t at = subset.find(delimiter, i);
    if (at == std::string_view::npos) return false;
    i = at + delimiter.size();
    return true;
  };
  while (true) {
    skip_spaces();
    if (i == subset.size()) return true;
    const std::string_view rest = subset.substr(i);
    if (rest.starts_with("<!--")) {
      if (!skip_past("-->")) return false;
    } else if (rest.starts_with("<?")) {
      if (!skip_past("?>")) return false;
    } else if (rest.starts_with("<!ELEMENT") && rest.size() > 9 && IsSpace(rest[9])) {
      // A content model holds neither quotes nor ">".
      if (!skip_past(">")) return false;
    } else if (rest.starts_with("<!ATTLIST") && rest.size() > 9 && IsSpace(rest[9])) {
      i += 9;
      skip_spaces();
      const std::string_view element = name();
      DeclaredElement* declared = nullptr;
      if (keep_(element)) {
        for (DeclaredElement& d : declared_) {
          if (d.name == element) declared = &d;
        }
        if (declared == nullptr)
          declared = &declared_.emplace_back(DeclaredElement{std::string(element), {}});
      }
      while (true) {
        skip_spaces();
        if (i == subset.size()) return false;
        if (subset[i] == '>') {
          ++i;
          break;
        }
        Declared attribute;
        attribute.name = name();
        skip_spaces();
        if (attribute.name.empty() || i == subset.size()) return false;
        if (subset[i] == '(') {
          attribute.tokenized = true;
          if (!skip_past(")")) return false;
        } else {
          const std::string_view type = name();
          attribute.tokenized = type != "CDATA";
          if (type == "NOTATION") {
            skip_spaces();
            if (i == subset.size() || subset[i] != '(' || !skip_past(")")) return false;
          } else if (type.empty()) {
            return false;
          }
        }
        skip_spaces();
        if (i == subset.size()) return false;
        bool literal = true;
        if (subset[i] == '#') {
          ++i;
          const std::string_view keyword = name();
          literal = keyword == "FIXED";
          if (!literal && keyword != "REQUIRED" && keyword != "IMPLIED") return false;
          skip_spaces();
        }
        if (literal) {
          if (i == subset.size() || (subset[i] != '"' && subset[i] != '\'')) return false;
          const char quote = subset[i++];
          const size_t from = i;
          // Plain ASCII only: a reference or a line end would need the parser's own rules.
          while (i < subset.size() && subset[i] != quote) {
            if (!Has(subset[i], kValue)) return false;
            ++i;
          }
          if (i == subset.size()) return false;
          attribute.value.assign(subset.substr(from, i - from));
          std::replace(attribute.value.begin(), attribute.value.end(), '\t', ' ');
          ++i;
          if (attribute.tokenized) {
            char* const value = attribute.value.data();
            attribute.value.resize(
                static_cast<size_t>(CollapseSpaces(value, value + attribute.value.size()) - value));
          }
          attribute.defaulted = true;
        }
        if (declared != nullptr &&
            std::none_of(declared->attributes.begin(), declared->attributes.end(),
                         [&](const Declared& a) { return a.name == attribute.name; })) {
          declared->attributes.push_back(std::move(attribute));
        }
      }
    } else {
      // An entity or notation declaration, or a parameter entity reference: a parameter entity
      // can hold declarations the skimmer would not see, and after a reference the parser takes
      // no more defaults. Too rare to follow; the parser reads everything.
      return false;
    }
  }
}

// `p` is at a "<" in the prolog, in content or in the internal subset. Returns where scanning
// goes on.
const char* ListXmlSkimmer::Markup(const char* p, const char* end) {
  const State here = state_;
  if (StartsWith(p, end, "<!--")) {
    return_ = here;
    state_ = State::kComment;
    return p + 4;
  }
  if (StartsWith(p, end, "<?")) {
    return_ = here;
    state_ = State::kPi;
    return p + 2;
  }
  if (here == State::kSubset) {
    state_ = StartsWith(p, end, "<!") ? State::kSubsetDecl : State::kPassThrough;
    return p + 1;
  }
  if (here == State::kProlog && StartsWith(p, end, "<!DOCTYPE")) {
    state_ = State::kDoctype;
    return p + 9;
  }
  if (here == State::kContent && StartsWith(p, end, "<![CDATA[")) {
    state_ = State::kCData;
    return p + 9;
  }
  const bool end_tag = here == State::kContent && StartsWith(p, end, "</");
  const char first = end_tag ? (end - p > 2 ? p[2] : '\n') : (end - p > 1 ? p[1] : '\n');
  if (!Has(first, kNameStart) && static_cast<unsigned char>(first) < 0x80) {
    GiveUp();
    return end;
  }
  end_tag_ = end_tag;
  slash_ = false;
  text_tag_ = false;
  if (!end_tag && reads_text_ != nullptr) {
    // A name ends before the line does. One read only in part (it goes on in bytes above
    // ASCII) at worst keeps lines that could have been cut.
    const char* name_end = p + 1;
    while (name_end < end && Has(*name_end, kName)) ++name_end;
    text_tag_ = reads_text_(std::string_view(p + 1, static_cast<size_t>(name_end - p - 1)));
  }
  state_ = State::kTag;
  return p + (end_tag ? 2 : 1);
}

}  // namespace tabulon
