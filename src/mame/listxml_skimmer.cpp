// The skimmer: lines cut or passed on, elements held whole and handed over, the read-ahead.
#include "mame/listxml_skimmer.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <system_error>

#include "mame/listxml_skimmer_parts.h"
#include "platform/thread_priority.h"

namespace tabulon {

using namespace skimmer_detail;

ListXmlSkimmer::ListXmlSkimmer(KeepName keep, KeepName reads_text)
    : keep_(keep), reads_text_(reads_text) {}

ListXmlSkimmer::~ListXmlSkimmer() {
  if (ahead_ == nullptr) return;
  // A flag under the lock, not the task's stop token: condition_variable_any's wait on a token
  // can miss its wake-up with MinGW's threads.
  {
    std::lock_guard<std::mutex> lock(ahead_->mutex);
    ahead_->quit = true;
  }
  ahead_->cv.notify_all();
  ahead_->task = Task();  // waits for the read-ahead
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
  if (!ahead->started) {
    try {
      ahead->task = Task([this, ahead, priority = CurrentThreadPriority()](std::stop_token) {
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
      ahead->started = true;
    } catch (const std::system_error&) {
      // No second thread: everything is read here, as without the read-ahead.
      ahead->smallest_piece = kLargestPieceAhead + 1;
      Feed(data, out);
      return;
    }
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
  } catch (...) {
    // The piece goes through the skimmer as if it had not been read ahead, which finds and
    // reports whatever stopped the reading here.
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
    // Elements of a name mostly come in runs (a machine's ROMs, its devices).
    const DeclaredElement* declared = nullptr;
    if (last_declared_ != nullptr && last_declared_->name == element) {
      declared = last_declared_;
    } else {
      for (const DeclaredElement& d : declared_) {
        if (d.name == element) declared = &d;
      }
      if (declared != nullptr) last_declared_ = declared;
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
        // Most are told apart by their first letter, without measuring the names.
        for (size_t i = 0; i < given && !present; i += 2) {
          present = a.name[0] == atts_[i][0] && a.name == atts_[i];
        }
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

}  // namespace tabulon
