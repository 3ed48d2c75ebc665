// Opening an archive by its UTF-8 path, which each system does its own way: POSIX systems pass
// the bytes on; Windows needs the wide path, or a name outside the ANSI code page would not open.
// In archive_directory_posix.cpp and archive_directory_win32.cpp.
#pragma once

#include <archive.h>
#include <zip.h>

#include <string>

namespace tabulon {

// A libzip source reading the file `path`; nullptr with `error` set when it cannot be made.
zip_source_t* ZipFileSource(const std::string& path, zip_error_t* error);

// archive_read_open_filename for `path`, reading `block_size` bytes at a time.
int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size);

}  // namespace tabulon
