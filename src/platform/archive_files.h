// What reading an archive's directory asks of the system, which each does its own way: libarchive
// opens a file by its path (on Windows the wide one, or a name outside the ANSI code page would
// not open); a zip's end is read with as few calls as the system allows, and at 64-bit offsets
// (long is 32 bits on Windows). In archive_directory_posix.cpp and archive_directory_win32.cpp.
#pragma once

#include <archive.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace tabulon {

// archive_read_open_filename for the UTF-8 `path`, reading `block_size` bytes at a time.
int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size);

// The last `count` bytes of the file `path` (all of a smaller file) and its size. False, with
// the system's reason in `error`, when it cannot be read (a folder cannot).
bool ReadFileEnd(const std::string& path, size_t count, std::string* bytes, uint64_t* size,
                 std::string* error);

// Moves `file` to `offset` bytes from its start; false, with errno set, when it cannot.
bool SeekFile(std::FILE* file, uint64_t offset);

}  // namespace tabulon
