#include <cstdlib>

#include "platform/environment.h"

namespace tabulon {
namespace {

bool IsNameChar(char c) {
  return c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void AppendVariable(const std::string& name, std::string* out) {
  if (const char* value = std::getenv(name.c_str())) out->append(value);
}

}  // namespace

std::string ExpandEnvironment(std::string_view path) {
  std::string out;
  size_t i = 0;
  // Only a "~" that is the whole first piece is the home folder: "~user" is left alone.
  if (!path.empty() && path[0] == '~' && (path.size() == 1 || path[1] == '/') &&
      std::getenv("HOME") != nullptr) {
    out = std::getenv("HOME");
    i = 1;
  }
  while (i < path.size()) {
    const char c = path[i];
    if (c != '$' || i + 1 == path.size()) {
      out.push_back(c);
      ++i;
      continue;
    }
    if (path[i + 1] == '{') {
      const size_t close = path.find('}', i + 2);
      if (close == std::string_view::npos) {
        out.append(path.substr(i));
        break;
      }
      AppendVariable(std::string(path.substr(i + 2, close - i - 2)), &out);
      i = close + 1;
    } else if (IsNameChar(path[i + 1])) {
      size_t end = i + 1;
      while (end < path.size() && IsNameChar(path[end])) ++end;
      AppendVariable(std::string(path.substr(i + 1, end - i - 1)), &out);
      i = end;
    } else {
      out.push_back('$');
      ++i;
    }
  }
  return out;
}

}  // namespace tabulon
