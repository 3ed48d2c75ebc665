// Short paths on Windows: the system's 8.3 names.
#include "platform/short_path.h"
#include "platform/windows.h"

namespace tabulon {

// GetShortPathNameW, the wide form: the path is UTF-8 text, which the ANSI form cannot take.
std::string GetShortPathName(const std::string& long_path) {
  const std::wstring wide = WideText(long_path);
  // The ANSI function where the path has an ANSI spelling, since the script that names it is
  // ANSI text; a name beyond the code page is asked of the wide one, which gives its short form
  // all the same.
  BOOL lossy = FALSE;
  const int ansi_size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, nullptr, &lossy);
  if (!wide.empty() && ansi_size > 0 && !lossy) {
    std::string ansi(static_cast<size_t>(ansi_size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        ansi.data(), ansi_size, nullptr, nullptr);
    char short_path[MAX_PATH];
    const DWORD size = GetShortPathNameA(ansi.c_str(), short_path, MAX_PATH);
    if (size == 0 || size >= MAX_PATH) return std::string();
    // Parts without a short name come back as they are, in the ANSI code page.
    std::wstring back(size, L'\0');
    back.resize(static_cast<size_t>(MultiByteToWideChar(
        CP_ACP, 0, short_path, static_cast<int>(size), back.data(), static_cast<int>(size))));
    return Utf8Text(back);
  }
  DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (size == 0) return std::string();
  std::wstring short_path(size, L'\0');
  size = GetShortPathNameW(wide.c_str(), short_path.data(), size);
  if (size == 0 || size >= short_path.size()) return std::string();
  short_path.resize(size);
  return Utf8Text(short_path);
}

}  // namespace tabulon
