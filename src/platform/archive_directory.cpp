// Archive directories through libzip (.zip) and libarchive (.7z), and set folders through
// std::filesystem. Only directories are read: a full ROM folder holds tens of thousands of
// archives, and the check of what it holds must stay well under a second.
#include "platform/archive_directory.h"

#include <archive_entry.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/archive_calls.h"
#include "platform/archive_files.h"
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
// wrote, in `scratch` when it has to be changed. Empty for a folder, which is no member.
std::string_view MemberName(const char* stored, std::string* scratch) {
  std::string_view name = stored != nullptr ? stored : "";
  if (name.find('\\') != std::string_view::npos) {
    scratch->assign(name);
    std::replace(scratch->begin(), scratch->end(), '\\', '/');
    name = *scratch;
  }
  if (!name.empty() && name.back() == '/') name = {};
  return name;
}

// What the user is told when an archive cannot be read: a folder, or the system's reason.
[[noreturn]] void ThrowUnreadable(const std::string& path, const std::string& reason) {
  throw Error(path, IsFolder(path) ? "a folder, not an archive" : "cannot be read: " + reason);
}

// The first `count` bytes of the file, or fewer. Throws as ThrowUnreadable when it does not open.
std::string FirstBytes(const std::string& path, size_t count) {
  std::string error;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path, &error), std::fclose);
  if (file == nullptr) ThrowUnreadable(path, error);
  std::string bytes(count, '\0');
  bytes.resize(std::fread(bytes.data(), 1, count, file.get()));
  return bytes;
}

// The end record, a comment of at most 64 KiB before it and the Zip64 locator: libzip reads
// them (all of a smaller file) in one piece, and in all but the largest sets the central
// directory is in it too.
constexpr uint64_t kZipTail = 22 + 65535 + 20;

// A zip file as libzip reads it: straight from the open file, at the offsets it asks for, so
// that a directory costs four calls to the system (open, size, one read of the tail, close).
// libzip's own file source reads through stdio in 4 KiB pieces and asks the system about the file
// anew several times, which took longer than the directory itself.
class ZipFile {
 public:
  ZipFile(SystemHandle folder_handle, const std::string& folder, std::string_view name)
      : folder_(folder), name_(name) {
    std::string error;
    file_ = OpenFileIn(folder_handle, folder, name, &size_, &error);
    if (file_ == kNoHandle) ThrowUnreadable(Path(), error);
    Archives().zip_error_init(&error_);
  }
  ~ZipFile() {
    CloseFile(file_);
    Archives().zip_error_fini(&error_);
  }
  ZipFile(const ZipFile&) = delete;
  ZipFile& operator=(const ZipFile&) = delete;

  std::string Path() const {
    return folder_.empty() ? std::string(name_) : InFolder(folder_, name_);
  }
  // Why a read failed, as the system says it; empty when none did.
  const std::string& read_error() const { return read_error_; }

  bool HasEndRecord() const {
    std::string tail(static_cast<size_t>(std::min(size_, kZipTail)), '\0');
    std::string ignored;
    return ReadFileAt(file_, size_ - tail.size(), tail.data(), tail.size(), &ignored) &&
           tail.find(std::string_view("PK\x05\x06", 4)) != std::string::npos;
  }

  // libzip's read-only source commands.
  static zip_int64_t Serve(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<ZipFile*>(state)->Command(data, length, command);
  }

 private:
  zip_int64_t Command(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
      case ZIP_SOURCE_OPEN:
        position_ = 0;
        return 0;
      case ZIP_SOURCE_READ:
        return Read(static_cast<char*>(data), std::min(length, size_ - std::min(position_, size_)));
      case ZIP_SOURCE_SEEK: {
        const zip_int64_t to =
            Archives().zip_source_seek_compute_offset(position_, size_, data, length, &error_);
        if (to < 0) return -1;
        position_ = static_cast<uint64_t>(to);
        return 0;
      }
      case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(position_);
      case ZIP_SOURCE_STAT: {
        zip_stat_t* stat = static_cast<zip_stat_t*>(data);
        Archives().zip_stat_init(stat);
        stat->size = size_;
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof *stat;
      }
      case ZIP_SOURCE_ERROR:
        return Archives().zip_error_to_data(&error_, data, length);
      case ZIP_SOURCE_SUPPORTS:
        return Archives().zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
            ZIP_SOURCE_ACCEPT_EMPTY, -1);
      case ZIP_SOURCE_ACCEPT_EMPTY:  // an empty file is no zip, as libzip's file source says
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:
        return 0;
      default:
        Archives().zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

  zip_int64_t Read(char* data, uint64_t length) {
    if (length != 0 && !ReadFileAt(file_, position_, data, length, &read_error_)) {
      Archives().zip_error_set(&error_, ZIP_ER_READ, 0);
      return -1;
    }
    position_ += length;
    return static_cast<zip_int64_t>(length);
  }

  const std::string& folder_;
  std::string_view name_;
  SystemHandle file_ = kNoHandle;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  zip_error_t error_;
  std::string read_error_;
};

// libzip says "not a zip archive" also when it finds the end record of a zip but not the
// directory it points to: that file was a zip, damaged since.
[[noreturn]] void ThrowZipError(const ZipFile& file, zip_error_t* error) {
  const int code = Archives().zip_error_code_zip(error);
  const int system = Archives().zip_error_system_type(error) == ZIP_ET_SYS
                         ? Archives().zip_error_code_system(error)
                         : 0;
  const std::string reason = !file.read_error().empty() ? file.read_error()
                             : system != 0              ? ErrnoText(system)
                                                        : Archives().zip_error_strerror(error);
  Archives().zip_error_fini(error);
  if (code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS) {
    throw Error(file.Path(), file.HasEndRecord() ? "the zip file's directory is damaged"
                                                 : "not a zip file (no zip directory at its end)");
  }
  ThrowUnreadable(file.Path(), reason);
}

void ReadZipDirectory(SystemHandle folder_handle, const std::string& folder, std::string_view name,
                      const MemberVisitor& visit) {
  ZipFile file(folder_handle, folder, name);
  zip_error_t error;
  Archives().zip_error_init(&error);
  zip_source_t* source = Archives().zip_source_function_create(ZipFile::Serve, &file, &error);
  if (source == nullptr) ThrowZipError(file, &error);
  // Read-only and without ZIP_CHECKCONS: only the central directory is read, never the local
  // headers or the data.
  std::unique_ptr<zip_t, void (*)(zip_t*)> zip(
      Archives().zip_open_from_source(source, ZIP_RDONLY, &error), Archives().zip_discard);
  if (zip == nullptr) {
    Archives().zip_source_free(source);
    ThrowZipError(file, &error);
  }
  Archives().zip_error_fini(&error);
  const zip_int64_t count = Archives().zip_get_num_entries(zip.get(), 0);
  std::string scratch;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    if (Archives().zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0) {
      throw Error(file.Path(), "the zip file's directory is damaged");
    }
    MemberView member;
    member.name = MemberName((stat.valid & ZIP_STAT_NAME) != 0 ? stat.name : nullptr, &scratch);
    if (member.name.empty()) continue;
    member.size = (stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0;
    member.has_crc = (stat.valid & ZIP_STAT_CRC) != 0;
    member.crc = member.has_crc ? stat.crc : 0;
    visit(member);
  }
}

// libarchive tells a read that failed by its errno, but damage and an unknown format by codes
// that are errno values too: the file's first bytes tell them apart.
[[noreturn]] void ThrowSevenZipError(const std::string& path, archive* reader) {
  const char* text = Archives().archive_error_string(reader);
  if (Archives().archive_errno(reader) == EIO || IsFolder(path))
    ThrowUnreadable(path, ErrnoText(EIO));
  if (FirstBytes(path, 6) != std::string_view("7z\xBC\xAF\x27\x1C", 6)) {
    throw Error(path, "not a 7z file");
  }
  throw Error(path, std::string("the 7z file's directory is damaged") +
                        (text != nullptr ? " (" + std::string(text) + ")" : ""));
}

void ReadSevenZipDirectory(const std::string& path, const MemberVisitor& visit) {
  std::unique_ptr<archive, int (*)(archive*)> reader(Archives().archive_read_new(),
                                                     Archives().archive_read_free);
  if (reader == nullptr) throw Error(path, "cannot be read: " + ErrnoText(ENOMEM));
  Archives().archive_read_support_format_7zip(reader.get());
  if (OpenArchiveFile(reader.get(), path, 64 * 1024) != ARCHIVE_OK) {
    ThrowSevenZipError(path, reader.get());
  }
  archive_entry* entry = nullptr;
  std::string scratch;
  int status;
  // Going on to the next header skips the data unread: the member's bytes are never unpacked.
  // Folders come with a "/" at the end of their names, as in a zip.
  while ((status = Archives().archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK ||
         status == ARCHIVE_WARN) {
    const char* name = Archives().archive_entry_pathname_utf8(entry);
    MemberView member;
    member.name =
        MemberName(name != nullptr ? name : Archives().archive_entry_pathname(entry), &scratch);
    if (member.name.empty()) continue;
    member.size =
        static_cast<uint64_t>(std::max<la_int64_t>(Archives().archive_entry_size(entry), 0));
    visit(member);
  }
  if (status != ARCHIVE_EOF) ThrowSevenZipError(path, reader.get());
}

// The archive `name` in `folder` (`name` the whole path when `folder` is empty).
void ReadArchive(SystemHandle folder_handle, const std::string& folder, std::string_view name,
                 const MemberVisitor& visit) {
  if (HasExtension(name, ".zip")) return ReadZipDirectory(folder_handle, folder, name, visit);
  const std::string path = folder.empty() ? std::string(name) : InFolder(folder, name);
  if (HasExtension(name, ".7z")) return ReadSevenZipDirectory(path, visit);
  throw Error(path, "not a .zip or .7z file");
}

}  // namespace

std::vector<ArchiveMember> ReadArchiveDirectory(const std::string& path) {
  std::vector<ArchiveMember> members;
  ReadArchive(kNoHandle, std::string(), path, [&members](const MemberView& member) {
    members.push_back({std::string(member.name), member.size, member.crc, member.has_crc});
  });
  return members;
}

ArchiveFolder::ArchiveFolder(std::string path)
    : path_(std::move(path)), handle_(OpenFolderHandle(path_)) {}

ArchiveFolder::~ArchiveFolder() { CloseFolderHandle(handle_); }

ArchiveFolder::ArchiveFolder(ArchiveFolder&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, kNoHandle)) {}

void ArchiveFolder::Read(std::string_view name, const MemberVisitor& visit) const {
  ReadArchive(handle_, path_, name, visit);
}

void ArchiveFolder::ListEntries(const std::function<void(std::string_view)>& visit) const {
  ListFolderEntries(handle_, path_, visit);
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
  std::vector<std::string> names;
  ListFolderEntries(kNoHandle, folder,
                    [&names](std::string_view name) { names.emplace_back(name); });
  return names;
}

}  // namespace tabulon
