// Formatting of the run-ending error.
#include "platform/error.h"

#include <cstring>

namespace tabulon {

std::string FormatLocation(const std::string& file, long line, const std::string& message) {
  std::string text = file;
  if (line > 0) text += ":" + std::to_string(line);
  text += ": ";
  text += message;
  return text;
}

Error::Error(std::string file, long line, const std::string& message)
    : std::runtime_error(FormatLocation(file, line, message)),
      file_(std::move(file)),
      line_(line),
      message_(message) {}

std::string ErrnoText(int err) { return std::strerror(err); }

}  // namespace tabulon
