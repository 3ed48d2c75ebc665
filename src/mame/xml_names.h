// Element and attribute names compared where a million elements pass: inline, a character at a
// time, which for MAME's short names beats a call to strcmp.
#pragma once

#include <cstddef>

namespace tabulon {

// Whether the C string `text` is `literal`. Stops at the first difference, so it never reads
// past the end of a shorter `text`.
template <size_t N>
inline bool IsName(const char* text, const char (&literal)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (text[i] != literal[i]) return false;
  }
  return true;
}

}  // namespace tabulon
