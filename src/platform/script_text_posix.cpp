// Script text for /bin/sh, which reads UTF-8 as it is.
#include "platform/script_text.h"

namespace tabulon {

std::string QuoteForScript(const std::string& text) {
  // Inside double quotes the shell still expands $ and ` and takes \ and " as its own.
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '$' || c == '`' || c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string InScriptEncoding(const std::string& line) { return line; }

}  // namespace tabulon
