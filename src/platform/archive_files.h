// What reading an archive's directory asks of the system, which each does its own way: libarchive
// opens a file by its path (on Windows the wide one, or a name outside the ANSI code page would
// not open); a zip is opened by its name in a folder held open where the system allows it (a
// full ROM folder holds tens of thousands, and walking the whole path for each costs), its size
// asked once and its directory read at 64-bit offsets (long is 32 bits on Windows), with as few
// calls as the system allows. In archive_directory_posix.cpp and archive_directory_win32.cpp.
#pragma once

#include <archive.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tabulon {

// archive_read_open_filename for the UTF-8 `path`, reading `block_size` bytes at a time.
int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size);

// A descriptor on POSIX, a HANDLE on Windows; kNoHandle when there is none.
using SystemHandle = intptr_t;
inline constexpr SystemHandle kNoHandle = -1;

// `folder` held open for OpenFileIn; kNoHandle when it cannot be, or where the system opens
// files by their whole path anyway (Windows).
SystemHandle OpenFolderHandle(const std::string& folder);
void CloseFolderHandle(SystemHandle folder);

// Hands `visit` the name of each entry (file or folder) directly in `folder` (held open as
// `folder_handle`, or kNoHandle), "." and ".." left out; none when it cannot be listed.
void ListFolderEntries(SystemHandle folder_handle, const std::string& folder,
                       const std::function<void(std::string_view)>& visit);

// Opens the file `name` in `folder` (held open as `folder_handle`, or kNoHandle; an empty
// `folder` takes `name` as the whole path) for reading, with its size in `size`. kNoHandle, with
// the system's reason in `error`, when it cannot be read (a folder cannot).
SystemHandle OpenFileIn(SystemHandle folder_handle, const std::string& folder,
                        std::string_view name, uint64_t* size, std::string* error);
// Reads `count` bytes at `offset`; false, with the system's reason in `error`, when it cannot read
// them all (the file was cut short meanwhile).
bool ReadFileAt(SystemHandle file, uint64_t offset, char* data, size_t count, std::string* error);
void CloseFile(SystemHandle file);

}  // namespace tabulon
