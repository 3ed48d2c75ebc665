// A fast path in front of the XML parser for MAME's -listxml output.
//
// Four elements in five of a modern -listxml are empty elements on a line of their own that the
// conversion never reads: <rom .../>, <dipvalue .../>, <device_ref .../>, <slotoption .../> and
// the like. Parsing them is three quarters of the conversion's time, and the conversion runs
// beside MAME, which needs both cores of a small machine for itself. The skimmer takes such a
// line out, white space and line end included, before the parser sees it, and only after it has
// checked the element is well-formed by itself. Even a line of white space left behind would
// cost the parser two tokens, nine million in all. So the parser still sees every error of the
// XML, at the same column; OriginalLine() turns the line the parser counts back into the line
// of the input.
//
// A line is cut only when all of these hold:
//  - everything before it leaves the XML in element content at least two levels deep
//    (inside a machine), as a lexical scan of all text passed on tells: not inside a tag, an
//    attribute value, a comment, a CDATA section, a processing instruction or the DOCTYPE
//    declaration;
//  - it is not inside an element whose text the conversion reads (`reads_text`), where the
//    white space it takes out would be missing from the text;
//  - the line is white space, one empty-element tag, white space, an optional CR, its LF;
//  - the tag is plain ASCII: a name that `keep` does not claim, attributes separated by white
//    space, no name twice, quoted values without "<" or control characters other than TAB, and
//    "&" only in a predefined entity (&amp; &lt; &gt; &quot; &apos;) or a character reference.
// An element spread over lines (<dipswitch ...> with its <dipvalue .../> lines, <port>, <device>)
// is taken out as a whole when its start tag line, every line inside and its end tag line can
// be cut the same way. Its lines are held until the end tag shows that; if another line comes
// first, or they outgrow 64 KiB, they are passed on unchanged.
// On markup the scan does not expect, on a line longer than 64 KiB, or on anything else it is
// unsure of, the skimmer passes all the rest through unchanged and the parser judges it alone.
//
// With a sink (SetSink), the skimmer also reads whole the elements the conversion does read, when
// they are as plain as a dat's games mostly are, and hands their elements to the sink instead of
// the parser, which then parses little more than the root. Such an element starts with a line
// that is one start tag of a name `keep` claims, inside the root; each of its lines must be cut
// as above, or be one element with plain ASCII text (no "&", "<", "]]>" or control characters
// other than TAB) between its start and end tag, and its values and text must hold no "&" where
// `keep` claims the name. If another line comes first, the held lines go through the skimmer as
// without a sink, and the element reaches the parser as it stands.
// An internal DTD subset may give attributes defaults and tell the parser to normalise values.
// MAME's -listxml has one, with ELEMENT and ATTLIST declarations only: the skimmer reads those
// and gives the sink the defaulted and normalised attributes the parser would give. A subset with
// anything else (an entity or notation declaration, a parameter entity reference, a default
// that is not plain ASCII text) reads nothing whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

class ListXmlSkimmer {
 public:
  // True for the element names the conversion reads: lines holding these are never cut.
  using KeepName = bool (*)(std::string_view name);

  // Gets the elements the skimmer read itself, in document order with what the parser gets;
  // only those `keep` claims, children of others are left out. Values and text are as the parser
  // would give them. Exceptions it throws come out of Feed().
  class Sink {
   public:
    // Comes before an element's calls: what Feed() has appended to `out` so far must be parsed
    // first, as it comes before the element.
    virtual void Flush() = 0;
    // `atts` as expat gives them: name, value, ..., nullptr.
    virtual void StartElement(const char* name, const char** atts) = 0;
    virtual void Text(std::string_view text) = 0;
    virtual void EndElement() = 0;

   protected:
    ~Sink() = default;
  };

  // `reads_text` names the elements whose character data the conversion reads; nothing inside
  // them is cut. Each must also be one `keep` claims. nullptr: there are none.
  explicit ListXmlSkimmer(KeepName keep, KeepName reads_text = nullptr);
  ~ListXmlSkimmer();
  ListXmlSkimmer(const ListXmlSkimmer&) = delete;
  ListXmlSkimmer& operator=(const ListXmlSkimmer&) = delete;

  void SetSink(Sink* sink) { sink_ = sink; }

  // Pieces smaller than this are not worth the hand-over to the read-ahead thread.
  static constexpr size_t kSmallestPieceAhead = 64 * 1024;

  // Reads ahead from now on: each piece of `smallest_piece` bytes or more that Feed() gets (up
  // to 64 MiB) is split into lines, and the lines read as tags, on a thread of its own, while
  // the piece before it goes through the skimmer on the calling thread. That is about half of
  // the skimmer's work: with a second core free, MAME's 270 MB go through in 0.30 s instead of
  // 0.54 s, for a copy of each piece. What Feed() appends to `out` then lags a piece behind.
  // The thread runs at the priority of the thread that feeds it.
  void ReadAhead(size_t smallest_piece = kSmallestPieceAhead);

  // Appends to `out` the text the parser is to get of `data`. A last line without its LF waits
  // for the next call.
  void Feed(std::string_view data, std::string* out);
  // Appends the waiting incomplete line, unchanged, after what a piece read ahead still holds.
  void Finish(std::string* out);

  size_t lines_cut() const { return lines_cut_; }

  // The line of the input (counted from 1) that line `line` of the output came from.
  size_t OriginalLine(size_t line) const;
  // Tells the skimmer that OriginalLine() will not be asked for lines before `line` any more, so
  // it can forget where it cut them and keep its memory small.
  void ForgetBefore(size_t line);

 private:
  enum class State : unsigned char {
    kProlog,        // before the root element
    kContent,       // between tags, inside or after the root element
    kTag,           // inside a start or end tag
    kTagQuote,      // inside a quoted attribute value
    kComment,       // up to "-->"
    kCData,         // up to "]]>"
    kPi,            // up to "?>"
    kDoctype,       // the DOCTYPE declaration before its internal subset
    kDoctypeQuote,  // a quoted literal in it
    kSubset,        // the internal subset, between declarations
    kSubsetDecl,    // inside a markup declaration of the subset
    kSubsetQuote,   // a quoted literal in it
    kAfterSubset,   // after "]", up to the ">" that ends the declaration
    kPassThrough,   // the scan gave up: everything goes on unchanged
  };

  // What a line holds, when it is one tag that may be cut.
  // kText: a start tag, plain text and its end tag.
  enum class Tag : unsigned char { kNone, kEmpty, kStart, kEnd, kText };
  struct TagLine {
    std::string_view name;
    Tag kind = Tag::kNone;
    bool kept = false;  // `keep` claims the name
  };

  struct Piece;
  struct Ahead;
  // A line of a piece read ahead: where it ends, and what ReadTagLine() said of it with `whole`.
  struct LineRead {
    uint32_t end;
    TagLine tag;
  };
  // Feed() on the calling thread; `piece`, when not nullptr, holds `data` and its lines read.
  void FeedNow(std::string_view data, std::string* out, const Piece* piece);
  // Puts the piece read ahead, if any, through the skimmer.
  void FlushAhead(std::string* out);
  // The read-ahead thread's work on a piece.
  void ReadLines(Piece* piece) const;

  void Line(std::string_view line, std::string* out);
  // Cuts or holds a line ReadTagLine() read as `tag`; false when it is to be passed on.
  bool TaggedLine(std::string_view line, bool whole, const TagLine& tag, std::string* out);
  void PassOn(std::string_view line, std::string* out);
  // Whether ReadTagLine() is to be asked about the next line, and with which `whole`.
  bool TagLineWanted(bool* whole);
  // Holds a line of an element read whole; false when it cannot be one.
  bool HoldWhole(const TagLine& tag, std::string_view line);
  // Puts the held lines of an element that cannot be read whole through the skimmer again.
  void UnholdWhole(std::string* out);
  // Hands the held element to the sink.
  void Deliver();
  void Cut(size_t lines);
  // Reads the line from `p` as one tag. With `whole`, also lines of names `keep` claims (without
  // "&" in their values) and kText. `end`: an LF comes before it. Sets `line_end` (when not
  // nullptr) past the line's LF when the line is one tag.
  TagLine ReadTagLine(const char* p, const char* end, bool whole, const char** line_end) const;
  // Passes on the held lines of an element that cannot be cut after all.
  void ReleaseHeld(std::string* out);
  void Scan(std::string_view line);
  void ScanLine(std::string_view line);
  // Reads the internal subset's declarations; false when it holds what the skimmer cannot follow.
  bool ReadSubset(std::string_view subset);
  const char* Markup(const char* p, const char* end);
  void GiveUp() { state_ = State::kPassThrough; }

  KeepName keep_;
  KeepName reads_text_;
  std::unique_ptr<Ahead> ahead_;
  State state_ = State::kProlog;
  State return_ = State::kProlog;  // where a comment, PI or quoted literal returns to
  char quote_ = '"';
  bool end_tag_ = false;   // the tag being scanned is an end tag
  bool slash_ = false;     // the last character scanned in the tag was "/"
  bool text_tag_ = false;  // the tag being scanned starts an element `reads_text_` names
  long depth_ = 0;         // open elements
  long text_depth_ = 0;    // the level of the open element whose text is read, or 0
  std::string held_;       // an incomplete last line
  size_t lines_cut_ = 0;

  Sink* sink_ = nullptr;
  bool subset_unknown_ = false;  // the internal DTD subset rules out reading elements whole
  bool in_subset_ = false;
  const char* subset_from_ = nullptr;  // where the subset's text starts in the line scanned
  std::string subset_;                 // the internal subset, collected up to its "]"

  // An attribute the internal subset declares for an element `keep` claims.
  struct Declared {
    std::string name;
    bool tokenized = false;  // not CDATA: the parser trims its value and collapses its spaces
    bool defaulted = false;  // has a default the parser gives when it is left out
    std::string value;
  };
  struct DeclaredElement {
    std::string name;
    std::vector<Declared> attributes;  // in the order declared; the first declaration counts
  };
  std::vector<DeclaredElement> declared_;
  const DeclaredElement* last_declared_ = nullptr;  // the one Deliver() found last
  std::vector<const char*> atts_;                   // the attributes handed to the sink

  bool whole_ = false;      // the held element is one to read whole
  long unread_open_ = 0;    // open levels in it of elements `keep` does not claim
  long unheld_depth_ = -1;  // an element that could not be read whole is open above this depth
  std::string whole_text_;  // the element handed to the sink, its tags cut apart in place

  // Where lines were cut: after `lines_out` lines of output, `cut_total` lines had been cut.
  struct Cuts {
    size_t lines_out;
    size_t cut_total;
  };
  // The first of `cuts_` made once `line` or more lines had gone out.
  std::vector<Cuts>::const_iterator CutsAfter(size_t line) const;
  std::vector<Cuts> cuts_;     // in order; those ForgetBefore() let go are left out
  size_t forgotten_cuts_ = 0;  // cut_total of the last one let go
  size_t lines_out_ = 0;       // lines passed on, up to the last cut at least

  // The element being cut over several lines: the names of its open levels and its lines.
  std::vector<std::string> open_;
  std::string open_text_;
  size_t open_lines_ = 0;
};

}  // namespace tabulon
