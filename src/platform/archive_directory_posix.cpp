// Archives and file names on POSIX systems: paths go to the libraries as they are.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/archive_directory.h"
#include "platform/archive_files.h"
#include "platform/error.h"

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
  return archive_read_open_filename(reader, path.c_str(), block_size);
}

bool ReadFileEnd(const std::string& path, size_t count, std::string* bytes, uint64_t* size,
                 std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  int err = 0;
  if (fd < 0 || fstat(fd, &st) != 0) {
    err = errno;
  } else if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
  } else {
    *size = static_cast<uint64_t>(st.st_size);
    bytes->resize(static_cast<size_t>(std::min<uint64_t>(count, *size)));
    const ssize_t got =
        pread(fd, bytes->data(), bytes->size(), static_cast<off_t>(*size - bytes->size()));
    if (got < 0) err = errno;
    if (got >= 0 && static_cast<size_t>(got) != bytes->size()) err = EIO;  // cut short meanwhile
  }
  if (fd >= 0) close(fd);
  if (err != 0) *error = ErrnoText(err);
  return err == 0;
}

bool SeekFile(std::FILE* file, uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool FileNamesIgnoreCase() { return false; }

}  // namespace tabulon
