// What a ROM archive's directory and a set's folder say of their files, without reading what
// the files hold: the names, sizes and CRCs a ROM set is checked against.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

struct ArchiveMember {
  std::string name;  // as stored, with "\" turned into "/"
  uint64_t size = 0;
  uint32_t crc = 0;
  bool has_crc = false;  // false when the archive's library gives none for the member
};

// One member as the directory is read, for a reader that keeps only what it needs of it: the
// name lives as long as the call it is handed to.
struct MemberView {
  std::string_view name;  // as stored, with "\" turned into "/"
  uint64_t size = 0;
  uint32_t crc = 0;
  bool has_crc = false;
};
using MemberVisitor = std::function<void(const MemberView&)>;

// The members of a .zip (names, sizes and CRC32s of its central directory) or a .7z (names and
// sizes; no CRCs), chosen by the file name's extension, in any letter case. Folders inside the
// archive are not members. An empty archive has no members. Throws Error naming the path and
// what is wrong when the file cannot be read, is not such an archive or its directory is damaged.
std::vector<ArchiveMember> ReadArchiveDirectory(const std::string& path);

// A folder of archives, held open while the archives in it are read one by one (on POSIX the
// system then looks up each archive's name alone, not its whole path).
class ArchiveFolder {
 public:
  explicit ArchiveFolder(std::string path);
  ~ArchiveFolder();
  ArchiveFolder(ArchiveFolder&& other) noexcept;
  ArchiveFolder& operator=(ArchiveFolder&&) = delete;
  ArchiveFolder(const ArchiveFolder&) = delete;

  const std::string& path() const { return path_; }
  // The archive `name` in this folder as ReadArchiveDirectory reads it, each member handed to
  // `visit` in the directory's order; throws as it does, naming the archive's whole path.
  void Read(std::string_view name, const MemberVisitor& visit) const;
  // Hands `visit` the name of each entry (file or folder) directly in it; none when it cannot be
  // listed.
  void ListEntries(const std::function<void(std::string_view)>& visit) const;

 private:
  std::string path_;
  intptr_t handle_;
};

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
