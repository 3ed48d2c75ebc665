// A fast path in front of the XML parser for MAME's -listxml output.
//
// Four elements in five of a modern -listxml are empty elements on a line of their own that the
// conversion never reads: <rom .../>, <dipvalue .../>, <device_ref .../>, <slotoption .../> and
// the like. Parsing them is three quarters of the conversion's time, and the conversion runs
// beside MAME, which needs both cores of a small machine for itself. The skimmer cuts such a line
// down to its white space and line end before the parser sees it, and only after it has checked
// the element is well-formed by itself. So the parser still sees every error of the XML, at
// the same line and column, and the character data around a cut line stays the same.
//
// A line is cut only when all of these hold:
//  - everything before it leaves the XML in element content at least two levels deep
//    (inside a machine), as a lexical scan of all text passed on tells: not inside a tag, an
//    attribute value, a comment, a CDATA section, a processing instruction or the DOCTYPE
//    declaration;
//  - the line is white space, one empty-element tag, white space, an optional CR, its LF;
//  - the tag is plain ASCII: a name that `keep` does not claim, attributes separated by white
//    space, no name twice, quoted values without "<" or control characters other than TAB, and
//    "&" only in a predefined entity (&amp; &lt; &gt; &quot; &apos;) or a character reference.
// An element spread over lines (<dipswitch ...> with its <dipvalue .../> lines, <port>, <device>)
// is cut as a whole when its start tag line, every line inside and its end tag line can be cut
// the same way. Its lines are held until the end tag shows that; if another line comes first,
// or they outgrow 64 KiB, they are passed on unchanged.
// On markup the scan does not expect, on a line longer than 64 KiB, or on anything else it is
// unsure of, the skimmer passes all the rest through unchanged and the parser judges it alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

class ListXmlSkimmer {
 public:
  // True for the element names the conversion reads: lines holding these are never cut.
  using KeepName = bool (*)(std::string_view name);

  explicit ListXmlSkimmer(KeepName keep) : keep_(keep) {}

  // Appends to `out` the text the parser is to get of `data`. A last line without its LF waits
  // for the next call.
  void Feed(std::string_view data, std::string* out);
  // Appends the waiting incomplete line, unchanged.
  void Finish(std::string* out);

  size_t lines_cut() const { return lines_cut_; }

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
  enum class Tag { kNone, kEmpty, kStart, kEnd };
  struct TagLine {
    Tag kind = Tag::kNone;
    std::string_view name;
    size_t begin = 0;  // the tag's first byte in the line
    size_t end = 0;    // the byte after its ">"
  };

  void Line(std::string_view line, std::string* out);
  TagLine ReadTagLine(std::string_view line) const;
  // Passes on the held lines of an element that cannot be cut after all.
  void ReleaseHeld(std::string* out);
  void Scan(std::string_view line);
  const char* Markup(const char* p, const char* end);
  void GiveUp() { state_ = State::kPassThrough; }

  KeepName keep_;
  State state_ = State::kProlog;
  State return_ = State::kProlog;  // where a comment, PI or quoted literal returns to
  char quote_ = '"';
  bool end_tag_ = false;  // the tag being scanned is an end tag
  bool slash_ = false;    // the last character scanned in the tag was "/"
  long depth_ = 0;        // open elements
  std::string held_;      // an incomplete last line
  size_t lines_cut_ = 0;

  // The element being cut over several lines: the names of its open levels, its lines as they
  // came and as they go to the parser when the element is cut.
  std::vector<std::string> open_;
  std::string open_text_;
  std::string open_cut_;
  size_t open_lines_ = 0;
};

}  // namespace tabulon
