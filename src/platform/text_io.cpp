// Line reading and atomic writing for every text file the system touches.
#include "platform/text_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/error.h"

namespace tabulon {
namespace {

constexpr size_t kReadBlock = 1 << 18;

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

// A file that is a symbolic link is replaced where the link points, so that a master list kept
// elsewhere and linked into the front end stays a link.
std::string ReplacedPath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path target = fs::weakly_canonical(path, ec);
  return ec ? path : target.string();
}

// Temporary files are named ".<target>.<pid>.tmp-XXXXXX" beside their target, so that the
// leftovers of a run that was killed can be told from the files of a run still going.
constexpr std::string_view kTempMark = ".tmp-";

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

LineReader::LineReader(const std::string& path) : path_(path) {
  // A pipe or a device would block the reader or never end; only files are read.
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_type type = fs::status(path, ec).type();
  if (type == fs::file_type::directory) {
    throw Error(path, "cannot open: it is a folder, not a file");
  }
  if (!ec && type != fs::file_type::regular) {
    throw Error(path, "cannot open: it is not a file but a device, pipe or socket");
  }
  file_ = std::fopen(path.c_str(), "rbe");
  if (file_ == nullptr) throw Error(path, "cannot open: " + ErrnoText(errno));
  buffer_.resize(kReadBlock);
}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineReader::Fill() {
  if (eof_) return false;
  size_t n = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (n == 0) {
    if (std::ferror(file_)) throw Error(path_, line_number_ + 1, "read error: " + ErrnoText(errno));
    eof_ = true;
    return false;
  }
  pos_ = 0;
  end_ = n;
  return true;
}

bool LineReader::AtEnd() {
  if (pos_ < end_) return false;
  return !Fill();
}

bool LineReader::ReadLine(std::string* line) {
  line->clear();
  if (AtEnd()) return false;
  ++line_number_;
  while (true) {
    const char* start = buffer_.data() + pos_;
    size_t avail = end_ - pos_;
    const void* cr = std::memchr(start, '\r', avail);
    size_t take = cr ? static_cast<size_t>(static_cast<const char*>(cr) - start) : avail;
    if (!saw_lone_lf_ && std::memchr(start, '\n', take) != nullptr) saw_lone_lf_ = true;
    line->append(start, take);
    pos_ += take;
    if (cr) {
      saw_cr_ = true;
      ++pos_;  // the CR
      if (pos_ >= end_ && !Fill()) return true;
      if (buffer_[pos_] == '\n') ++pos_;
      return true;
    }
    if (!Fill()) return true;  // the last line has no terminator
  }
}

AtomicTextWriter::AtomicTextWriter(std::string path, Durability durability)
    : path_(ReplacedPath(path)), durable_(durability == Durability::kFlushed) {
  std::filesystem::path target(path_);
  folder_ = target.has_parent_path() ? target.parent_path().string() : ".";
  std::string pattern = folder_ + "/." + target.filename().string() + "." +
                        std::to_string(getpid()) + std::string(kTempMark) + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) throw Error(std::move(path), "cannot write: " + ErrnoText(errno));
  temp_path_ = name.data();
  fchmod(fd, NewFileMode(path_));
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    int err = errno;
    close(fd);
    unlink(temp_path_.c_str());
    throw Error(std::move(path), "cannot write: " + ErrnoText(err));
  }
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

AtomicTextWriter::~AtomicTextWriter() {
  if (file_ != nullptr) {
    std::fclose(file_);
    unlink(temp_path_.c_str());
  }
}

void AtomicTextWriter::Write(std::string_view bytes) {
  if (failed_ || bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

void AtomicTextWriter::WriteLine(std::string_view line) {
  Write(line);
  Write("\r\n");
}

int AtomicTextWriter::descriptor() const { return fileno(file_); }

void AtomicTextWriter::Commit() {
  int err = 0;
  if (failed_ || std::fflush(file_) != 0) err = errno ? errno : EIO;
  // On disk before the rename: after a power cut the name then holds the old file or the whole
  // new one, never an empty or half-written one.
  if (err == 0 && durable_ && fsync(fileno(file_)) != 0) err = errno;
  if (std::fclose(file_) != 0 && err == 0) err = errno;
  file_ = nullptr;
  if (err == 0 && std::rename(temp_path_.c_str(), path_.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(temp_path_.c_str());
    throw Error(path_, "cannot write: " + ErrnoText(err));
  }
  if (durable_) SyncFolder(folder_);
}

void WriteTextFile(const std::string& path, const std::vector<std::string>& lines,
                   AtomicTextWriter::Durability durability) {
  AtomicTextWriter writer(path, durability);
  for (const std::string& line : lines) writer.WriteLine(line);
  writer.Commit();
}

std::string ReadWholeFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (file == nullptr) throw Error(path, "cannot open: " + ErrnoText(errno));
  std::string data;
  // Sized from the file up front: growing the string block by block copies a large file over
  // and over.
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec) data.reserve(static_cast<size_t>(size));
  char block[1 << 16];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) data.append(block, n);
  bool bad = std::ferror(file) != 0;
  std::fclose(file);
  if (bad) throw Error(path, "read error");
  return data;
}

void SweepLeftovers(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // ".<target>.<pid>.tmp-XXXXXX": anything else is not ours to touch.
    const size_t mark = name.rfind(kTempMark);
    if (name.size() < 2 || name[0] != '.' || mark == std::string::npos ||
        name.size() - mark != kTempMark.size() + 6) {
      continue;
    }
    const size_t dot = name.rfind('.', mark - 1);
    if (dot == std::string::npos || dot == 0 || dot + 1 == mark) continue;
    const std::string pid_text = name.substr(dot + 1, mark - dot - 1);
    if (pid_text.find_first_not_of("0123456789") != std::string::npos || pid_text.size() > 9) {
      continue;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(pid_text));
    // A writer still running keeps its file; kill() with no signal only asks.
    if (pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH) continue;
    std::error_code ignored;
    if (it->is_regular_file(ignored)) fs::remove(it->path(), ignored);
  }
}

}  // namespace tabulon
