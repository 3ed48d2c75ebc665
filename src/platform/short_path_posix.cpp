// Short paths on POSIX systems, which have none.
#include "platform/files.h"
#include "platform/short_path.h"

namespace tabulon {

std::string GetShortPathName(const std::string& long_path) {
  return Exists(long_path) ? long_path : std::string();
}

}  // namespace tabulon
