// What a ROM archive's directory and a set's folder say of their files, without reading what
// the files hold: the names, sizes and CRCs a ROM set is checked against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tabulon {

struct ArchiveMember {
  std::string name;  // as stored, with "\" turned into "/"
  uint64_t size = 0;
  uint32_t crc = 0;
  bool has_crc = false;  // false when the archive's library gives none for the member
};

// The members of a .zip (names, sizes and CRC32s of its central directory) or a .7z (names and
// sizes; no CRCs), chosen by the file name's extension, in any letter case. Folders inside the
// archive are not members. An empty archive has no members. Throws Error naming the path and
// what is wrong when the file cannot be read, is not such an archive or its directory is damaged.
std::vector<ArchiveMember> ReadArchiveDirectory(const std::string& path);

// The files under `folder` and its subfolders, as paths relative to it with "/" between folders
// (sizes filled in, no CRCs), in no particular order. Throws Error naming the folder when it
// cannot be listed.
std::vector<ArchiveMember> ListFolderFiles(const std::string& folder);

// The entries (files and folders) directly in `folder`, by name; empty when it cannot be listed.
std::vector<std::string> FolderEntryNames(const std::string& folder);

// Whether this system's file names match without regard to letter case (Windows), so "S.zip"
// finds "s.ZIP"; on Linux names match exactly.
bool FileNamesIgnoreCase();

}  // namespace tabulon
