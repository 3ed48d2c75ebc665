// The skimmer's reading of tag lines: a tag's attributes, the lines scanned for what the parser
// must see, the internal subset's attribute defaults, and the markup between elements.
#include <algorithm>
#include <iterator>

#include "mame/listxml_skimmer.h"
#include "mame/listxml_skimmer_parts.h"

namespace tabulon {

using namespace skimmer_detail;

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
