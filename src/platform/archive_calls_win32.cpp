// libzip and libarchive linked in (see archive_calls.h).
#include "platform/archive_calls.h"

namespace tabulon {

const ArchiveCalls& Archives() {
#define TABULON_ADDRESS(name) &::name,
  static const ArchiveCalls calls{TABULON_ZIP_CALLS(TABULON_ADDRESS)
                                      TABULON_ARCHIVE_CALLS(TABULON_ADDRESS)};
#undef TABULON_ADDRESS
  return calls;
}

}  // namespace tabulon
