#include "platform/environment.h"
#include "platform/windows.h"

namespace tabulon {

std::string ExpandEnvironment(std::string_view path) {
  const std::wstring wide = WideText(path);
  const DWORD size = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
  if (size == 0) return std::string(path);
  std::wstring expanded(size, L'\0');
  const DWORD written = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), size);
  if (written == 0 || written > size) return std::string(path);
  expanded.resize(written - 1);  // the count includes the closing null
  return Utf8Text(expanded);
}

}  // namespace tabulon
