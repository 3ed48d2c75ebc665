// Script text for cmd.exe, which reads a script in the OEM code page.
#include "platform/script_text.h"
#include "platform/windows.h"

namespace tabulon {

std::string QuoteForScript(const std::string& text) {
  // A script's %name% is a variable even inside quotes; %% is one %.
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '%') out.push_back('%');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string InScriptEncoding(const std::string& line) {
  const std::wstring wide = WideText(line);
  if (wide.empty()) return std::string();
  const int wide_size = static_cast<int>(wide.size());
  const int size =
      WideCharToMultiByte(CP_OEMCP, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  std::string oem(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_OEMCP, 0, wide.data(), wide_size, oem.data(), size, nullptr, nullptr);
  return oem;
}

}  // namespace tabulon
