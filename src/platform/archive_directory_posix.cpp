// Archives and file names on POSIX systems: paths go to the libraries as they are, and a ROM
// folder's zips are opened relative to the folder's descriptor.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/archive_calls.h"
#include "platform/archive_directory.h"
#include "platform/archive_files.h"
#include "platform/error.h"
#include "platform/files.h"

namespace tabulon {
namespace {

// libzip turns each zip member's DOS time into a time_t with mktime, and while TZ is unset
// glibc's mktime looks at /etc/localtime anew on every call: a system call for every member of
// every zip, more than half the time a full ROM folder's check took. ":/etc/localtime" names the
// zone an unset TZ stands for, and glibc keeps it once read. Set before main(), while no other
// thread reads the environment; the programs this one starts read the same zone from it.
const bool kTimeZoneNamed = [] { return setenv("TZ", ":/etc/localtime", 0) == 0; }();

}  // namespace

int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size) {
  return Archives().archive_read_open_filename(reader, path.c_str(), block_size);
}

SystemHandle OpenFolderHandle(const std::string& folder) {
  return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

void CloseFolderHandle(SystemHandle folder) {
  if (folder != kNoHandle) close(static_cast<int>(folder));
}

void ListFolderEntries(SystemHandle folder_handle, const std::string& folder,
                       const std::function<void(std::string_view)>& visit) {
  // A descriptor of its own: the listing reads through it and closes it.
  const int fd =
      folder_handle != kNoHandle
          ? openat(static_cast<int>(folder_handle), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
          : open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* listing = fd >= 0 ? fdopendir(fd) : nullptr;
  if (listing == nullptr) {
    if (fd >= 0) close(fd);
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") visit(name);
  }
  closedir(listing);
}

SystemHandle OpenFileIn(SystemHandle folder_handle, const std::string& folder,
                        std::string_view name, uint64_t* size, std::string* error) {
  // The system wants the name ended by a NUL; a ROM file's name fits the buffer.
  char relative[256];
  int fd = -1;
  if (folder_handle != kNoHandle && name.size() < sizeof relative) {
    name.copy(relative, name.size());
    relative[name.size()] = '\0';
    fd = openat(static_cast<int>(folder_handle), relative, O_RDONLY | O_CLOEXEC);
  } else {
    fd = open((folder.empty() ? std::string(name) : InFolder(folder, name)).c_str(),
              O_RDONLY | O_CLOEXEC);
  }
  struct stat st;
  int err = 0;
  if (fd < 0 || fstat(fd, &st) != 0) {
    err = errno;
  } else if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
  } else {
    *size = static_cast<uint64_t>(st.st_size);
  }
  if (err == 0) return fd;
  if (fd >= 0) close(fd);
  *error = ErrnoText(err);
  return kNoHandle;
}

bool ReadFileAt(SystemHandle file, uint64_t offset, char* data, size_t count, std::string* error) {
  const ssize_t got = pread(static_cast<int>(file), data, count, static_cast<off_t>(offset));
  if (got >= 0 && static_cast<size_t>(got) == count) return true;
  *error = ErrnoText(got < 0 ? errno : EIO);  // EIO: cut short meanwhile
  return false;
}

void CloseFile(SystemHandle file) { close(static_cast<int>(file)); }

bool FileNamesIgnoreCase() { return false; }

}  // namespace tabulon
