// Files on POSIX systems: path text is used as it is, and the calls are the C library's.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/error.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace tabulon {
namespace {

// The umask, read once before main() while the process has a single thread: reading it means
// setting it, and a thread creating a file in between would get the wrong mode.
const mode_t kUmask = [] {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}();

mode_t NewFileMode(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  return 0666 & ~kUmask;
}

}  // namespace

char PathSeparator() { return '/'; }

std::filesystem::path FsPath(std::string_view text) { return std::filesystem::path(text); }

std::string PathText(const std::filesystem::path& path) { return path.string(); }

bool IsHidden(const std::string& path) {
  const std::string name = PathText(FsPath(path).filename());
  return !name.empty() && name.front() == '.';
}

bool GetFileIdentity(const std::string& path, FileIdentity* identity) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  identity->size = static_cast<unsigned long long>(st.st_size);
  identity->modified =
      static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  identity->changed = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  identity->volume = static_cast<unsigned long long>(st.st_dev);
  identity->file = static_cast<unsigned long long>(st.st_ino);
  return true;
}

std::FILE* OpenForReading(const std::string& path, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (file == nullptr) *error = ErrnoText(errno);
  return file;
}

std::FILE* CreateTempFile(const std::string& prefix, const std::string& like, std::string* path,
                          std::string* error) {
  std::string pattern = prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = ErrnoText(errno);
    return nullptr;
  }
  *path = name.data();
  fchmod(fd, NewFileMode(like));
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    *error = ErrnoText(errno);
    close(fd);
    unlink(path->c_str());
  }
  return file;
}

bool NoSpaceLeft(const std::string& path) {
  struct statvfs fs {};
  return statvfs(path.c_str(), &fs) == 0 && fs.f_bavail == 0;
}

bool FlushToDisk(std::FILE* file, std::string* error) {
  if (fsync(fileno(file)) == 0) return true;
  *error = ErrnoText(errno);
  return false;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *error = ErrnoText(errno);
  return false;
}

void FlushFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

long CurrentProcessId() { return getpid(); }

bool ProcessRuns(long pid) {
  // kill() with no signal only asks; a process of another user answers EPERM, and runs.
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

FileLock::Result FileLock::TryLock(const std::string& path, std::string* error) {
  Unlock();
  // Close-on-exec: MAME and the scripts must not hold the lock on.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = ErrnoText(errno);
    return Result::kFailed;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    close(fd);
    if (err == EWOULDBLOCK) return Result::kBusy;
    *error = ErrnoText(err);
    return Result::kFailed;
  }
  handle_ = fd;
  return Result::kLocked;
}

void FileLock::Unlock() {
  if (handle_ != kNone) close(static_cast<int>(std::exchange(handle_, kNone)));
}

}  // namespace tabulon
