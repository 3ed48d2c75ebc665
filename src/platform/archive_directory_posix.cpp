// Archives and file names on POSIX systems: paths go to the libraries as they are.
#include "platform/archive_directory.h"
#include "platform/archive_open.h"

namespace tabulon {

zip_source_t* ZipFileSource(const std::string& path, zip_error_t* error) {
  return zip_source_file_create(path.c_str(), 0, -1, error);
}

int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size) {
  return archive_read_open_filename(reader, path.c_str(), block_size);
}

bool FileNamesIgnoreCase() { return false; }

}  // namespace tabulon
