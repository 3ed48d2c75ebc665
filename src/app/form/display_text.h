// The text the window shows for bytes from the run: dats, category files and MAME's lists come
// as UTF-8 from today's tools and in the Windows code page 1252 from older ones.
#pragma once

#include <string>
#include <string_view>

namespace tabulon {

// `bytes` as UTF-8 ready to show: unchanged when they are well-formed UTF-8 (no overlong forms,
// surrogates or code points past U+10FFFF), otherwise read byte by byte as Windows-1252, so the
// text reads instead of turning into replacement marks.
std::string DisplayText(std::string_view bytes);

}  // namespace tabulon
