// What the skimmer's parts share: its limits, the classes of characters, the small scanners over
// raw bytes, and the pieces read ahead. Used only by listxml_skimmer*.cpp.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mame/listxml_skimmer.h"
#include "platform/task.h"

namespace tabulon {
namespace skimmer_detail {

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
inline const char* PastLastLf(const char* p, const char* end) {
  while (end > p && end[-1] != '\n') --end;
  return end;
}

inline bool Has(char c, CharClass cls) {
  return (kClasses[static_cast<unsigned char>(c)] & cls) != 0;
}
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Trims the spaces around a value in place and collapses those inside to one, as the parser does
// with the value of an attribute declared other than CDATA. Returns the new end.
inline char* CollapseSpaces(char* value, char* end) {
  char* to = value;
  for (const char* from = value; from < end; ++from) {
    if (*from != ' ' || (to != value && to[-1] != ' ')) *to++ = *from;
  }
  if (to != value && to[-1] == ' ') --to;
  *to = '\0';
  return to;
}

inline bool StartsWith(const char* p, const char* end, std::string_view prefix) {
  return static_cast<size_t>(end - p) >= prefix.size() &&
         std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

// The first of `any` in [p, end), or end.
inline const char* FindAny(const char* p, const char* end, std::string_view any) {
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
inline const char* SkipPlainText(const char* p, const char* end) {
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
inline const char* PastReference(const char* p) {
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

// Whether the line, as far as the parser's verdict is concerned, could depend on what follows
// it: a CR that is not the one before its LF (the parser ends a line there too, while cuts are
// counted by LF, so no line number could be mapped back past it), or a UTF-8 sequence that its
// line end cuts short (the parser looks at the bytes after the LF to tell "invalid" from
// "partial", and a cut line would not be there).
inline bool UnsureLineEnd(std::string_view line) {
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

}  // namespace skimmer_detail

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
  bool quit = false;          // the skimmer goes: the thread ends
  bool at_line_start = true;  // what Feed() got so far ends with an LF
  size_t smallest_piece = 0;
  bool started = false;
  Task task;  // last: ends before what it uses
};

}  // namespace tabulon
