// libzip and libarchive loaded when first needed (see archive_calls.h).
#include <dlfcn.h>

#include "platform/archive_calls.h"
#include "platform/error.h"

namespace tabulon {
namespace {

// The libraries of the Debian packages the program is built with (libzip4, libarchive13).
constexpr const char* kZipLibrary = "libzip.so.4";
constexpr const char* kArchiveLibrary = "libarchive.so.13";

void* Load(const char* library) {
  // Never unloaded: the functions are kept for the program's life.
  void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    throw Error(library, std::string("cannot be loaded to read ROM archives: ") +
                             (why != nullptr ? why : "not found"));
  }
  return handle;
}

template <typename Function>
void Find(void* handle, const char* library, const char* name, Function* function) {
  void* address = dlsym(handle, name);
  if (address == nullptr) throw Error(library, std::string("has no function ") + name);
  *function = reinterpret_cast<Function>(address);
}

ArchiveCalls LoadCalls() {
  ArchiveCalls calls{};
  void* zip = Load(kZipLibrary);
  void* archive = Load(kArchiveLibrary);
#define TABULON_FIND_ZIP(name) Find(zip, kZipLibrary, #name, &calls.name);
#define TABULON_FIND_ARCHIVE(name) Find(archive, kArchiveLibrary, #name, &calls.name);
  TABULON_ZIP_CALLS(TABULON_FIND_ZIP)
  TABULON_ARCHIVE_CALLS(TABULON_FIND_ARCHIVE)
#undef TABULON_FIND_ZIP
#undef TABULON_FIND_ARCHIVE
  return calls;
}

}  // namespace

const ArchiveCalls& Archives() {
  // Loaded once, by whichever thread reads an archive first; a failure is tried again next time.
  static const ArchiveCalls calls = LoadCalls();
  return calls;
}

}  // namespace tabulon
