// <windows.h> for Tabulon's own code: the lean part only, without the min and max macros, and
// without the macros that would rename the engine's own functions (Yield, GetShortPathName, ...).
// Included only from src/platform and the Win32 window; the engine itself never sees it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// The engine's names that <windows.h> would turn into others. Code of ours that means the
// Windows function names its A or W form.
#undef Yield             // RunState::Yield, View::Yield (winbase.h: an empty macro)
#undef GetShortPathName  // tabulon::GetShortPathName (GetShortPathNameA or W)

#include <string>
#include <string_view>

namespace tabulon {

// UTF-8 text as Windows' wide text, and back. Text that is not UTF-8 is read in the ANSI code
// page, the code page the cabinets' own files and names are written in.
std::wstring WideText(std::string_view text);
std::string Utf8Text(std::wstring_view text);

// The system's message for an error code of GetLastError(), as a message part.
std::string SystemErrorText(unsigned long code);

}  // namespace tabulon
