// Line reading and atomic writing for every text file the system touches.
#include "platform/text_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/error.h"

namespace tabulon {
namespace {

constexpr size_t kReadBlock = 1 << 18;

mode_t NewFileMode(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

LineReader::LineReader(const std::string& path) : path_(path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Error(path, "cannot open: it is a folder, not a file");
  }
  file_ = std::fopen(path.c_str(), "rb");
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

AtomicTextWriter::AtomicTextWriter(std::string path) : path_(std::move(path)) {
  std::filesystem::path target(path_);
  std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
  std::string pattern = folder + "/." + target.filename().string() + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) throw Error(path_, "cannot write: " + ErrnoText(errno));
  temp_path_ = name.data();
  fchmod(fd, NewFileMode(path_));
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    int err = errno;
    close(fd);
    unlink(temp_path_.c_str());
    throw Error(path_, "cannot write: " + ErrnoText(err));
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
  if (std::fclose(file_) != 0 && err == 0) err = errno;
  file_ = nullptr;
  if (err == 0 && std::rename(temp_path_.c_str(), path_.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(temp_path_.c_str());
    throw Error(path_, "cannot write: " + ErrnoText(err));
  }
}

void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) {
  AtomicTextWriter writer(path);
  for (const std::string& line : lines) writer.WriteLine(line);
  writer.Commit();
}

std::string ReadWholeFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
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

}  // namespace tabulon
