// Archive directories through libzip (.zip) and libarchive (.7z), and set folders through
// std::filesystem. Only directories are read: a full ROM folder holds tens of thousands of
// archives, and the check of what it holds must stay well under a second.
#include "platform/archive_directory.h"

#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/archive_open.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {
namespace {

bool HasExtension(std::string_view path, std::string_view extension) {
  return path.size() > extension.size() &&
         EqualsNoCase(path.substr(path.size() - extension.size()), extension);
}

// A member's name as the sets name their files: "/" between folders, whatever the archiver
// wrote. Empty for a folder, which is no member.
std::string MemberName(const char* stored) {
  std::string name = stored != nullptr ? stored : "";
  std::replace(name.begin(), name.end(), '\\', '/');
  if (!name.empty() && name.back() == '/') name.clear();
  return name;
}

// What the user is told when an archive cannot be read: a folder, or the system's reason.
[[noreturn]] void ThrowUnreadable(const std::string& path, const std::string& reason) {
  throw Error(path, IsFolder(path) ? "a folder, not an archive" : "cannot be read: " + reason);
}

// Up to `count` bytes of the file from `offset` (from the end when negative, or from the start
// of a shorter file). Throws as ThrowUnreadable when the file cannot be opened.
std::string ReadBytes(const std::string& path, long offset, size_t count) {
  std::string error;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path, &error), std::fclose);
  if (file == nullptr) ThrowUnreadable(path, error);
  if (offset < 0 && std::fseek(file.get(), offset, SEEK_END) != 0) std::rewind(file.get());
  std::string bytes(count, '\0');
  bytes.resize(std::fread(bytes.data(), 1, count, file.get()));
  return bytes;
}

// libzip says "not a zip archive" also when it finds the end record of a zip but not the
// directory it points to: that file was a zip, damaged since.
[[noreturn]] void ThrowZipError(const std::string& path, zip_error_t* error) {
  const int code = zip_error_code_zip(error);
  const int system = zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : 0;
  std::string reason = zip_error_strerror(error);
  zip_error_fini(error);
  if (code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS) {
    // The end record is in the last 22 bytes, or before a comment of at most 64 KiB.
    constexpr size_t kEndSearch = 22 + 65535;
    const bool has_end = ReadBytes(path, -static_cast<long>(kEndSearch), kEndSearch)
                             .find(std::string_view("PK\x05\x06", 4)) != std::string::npos;
    throw Error(path, has_end ? "the zip file's directory is damaged"
                              : "not a zip file (no zip directory at its end)");
  }
  if (system != 0) reason = ErrnoText(system);
  ReadBytes(path, 0, 0);  // a file that does not open: the system's own reason
  ThrowUnreadable(path, reason);
}

std::vector<ArchiveMember> ReadZipDirectory(const std::string& path) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = ZipFileSource(path, &error);
  if (source == nullptr) ThrowZipError(path, &error);
  // Read-only and without ZIP_CHECKCONS: only the central directory is read, never the local
  // headers or the data.
  std::unique_ptr<zip_t, void (*)(zip_t*)> zip(zip_open_from_source(source, ZIP_RDONLY, &error),
                                               zip_discard);
  if (zip == nullptr) {
    zip_source_free(source);
    ThrowZipError(path, &error);
  }
  zip_error_fini(&error);
  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  std::vector<ArchiveMember> members;
  members.reserve(static_cast<size_t>(std::max<zip_int64_t>(count, 0)));
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0) {
      throw Error(path, "the zip file's directory is damaged");
    }
    ArchiveMember member;
    member.name = MemberName((stat.valid & ZIP_STAT_NAME) != 0 ? stat.name : nullptr);
    if (member.name.empty()) continue;
    member.size = (stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0;
    member.has_crc = (stat.valid & ZIP_STAT_CRC) != 0;
    member.crc = member.has_crc ? stat.crc : 0;
    members.push_back(std::move(member));
  }
  return members;
}

// libarchive tells a read that failed by its errno, but damage and an unknown format by codes
// that are errno values too: the file's first bytes tell them apart.
[[noreturn]] void ThrowSevenZipError(const std::string& path, archive* reader) {
  const char* text = archive_error_string(reader);
  if (archive_errno(reader) == EIO || IsFolder(path)) ThrowUnreadable(path, ErrnoText(EIO));
  if (ReadBytes(path, 0, 6) != std::string_view("7z\xBC\xAF\x27\x1C", 6)) {
    throw Error(path, "not a 7z file");
  }
  throw Error(path, std::string("the 7z file's directory is damaged") +
                        (text != nullptr ? " (" + std::string(text) + ")" : ""));
}

std::vector<ArchiveMember> ReadSevenZipDirectory(const std::string& path) {
  std::unique_ptr<archive, int (*)(archive*)> reader(archive_read_new(), archive_read_free);
  if (reader == nullptr) throw Error(path, "cannot be read: " + ErrnoText(ENOMEM));
  archive_read_support_format_7zip(reader.get());
  if (OpenArchiveFile(reader.get(), path, 64 * 1024) != ARCHIVE_OK) {
    ThrowSevenZipError(path, reader.get());
  }
  std::vector<ArchiveMember> members;
  archive_entry* entry = nullptr;
  int status;
  // Going on to the next header skips the data unread: the member's bytes are never unpacked.
  // Folders come with a "/" at the end of their names, as in a zip.
  while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK ||
         status == ARCHIVE_WARN) {
    const char* name = archive_entry_pathname_utf8(entry);
    ArchiveMember member;
    member.name = MemberName(name != nullptr ? name : archive_entry_pathname(entry));
    if (member.name.empty()) continue;
    member.size = static_cast<uint64_t>(std::max<la_int64_t>(archive_entry_size(entry), 0));
    members.push_back(std::move(member));
  }
  if (status != ARCHIVE_EOF) ThrowSevenZipError(path, reader.get());
  return members;
}

}  // namespace

std::vector<ArchiveMember> ReadArchiveDirectory(const std::string& path) {
  if (HasExtension(path, ".zip")) return ReadZipDirectory(path);
  if (HasExtension(path, ".7z")) return ReadSevenZipDirectory(path);
  throw Error(path, "not a .zip or .7z file");
}

std::vector<ArchiveMember> ListFolderFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path root = FsPath(folder);
  std::vector<ArchiveMember> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    ArchiveMember file;
    file.name = PathText(it->path().lexically_relative(root));
    if (PathSeparator() != '/') {
      std::replace(file.name.begin(), file.name.end(), PathSeparator(), '/');
    }
    file.size = it->file_size(type_ec);
    if (type_ec) file.size = 0;
    files.push_back(std::move(file));
  }
  if (ec) throw Error(folder, "cannot list the folder: " + ec.message());
  return files;
}

std::vector<std::string> FolderEntryNames(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(PathText(it->path().filename()));
  }
  if (ec) names.clear();
  return names;
}

}  // namespace tabulon
