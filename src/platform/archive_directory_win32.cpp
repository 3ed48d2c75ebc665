// Archives and file names on Windows: the libraries get the wide path (the one FsPath gives
// every other file call), so that a set folder named outside the ANSI code page opens too.
#include "platform/archive_directory.h"
#include "platform/archive_open.h"
#include "platform/files.h"

namespace tabulon {

zip_source_t* ZipFileSource(const std::string& path, zip_error_t* error) {
  return zip_source_win32w_create(FsPath(path).c_str(), 0, -1, error);
}

int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size) {
  return archive_read_open_filename_w(reader, FsPath(path).c_str(), block_size);
}

bool FileNamesIgnoreCase() { return true; }

}  // namespace tabulon
