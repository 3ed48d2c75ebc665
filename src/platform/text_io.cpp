// Line reading and atomic writing for every text file the system touches.
#include "platform/text_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/error.h"
#include "platform/files.h"

namespace tabulon {
namespace {

constexpr size_t kReadBlock = 1 << 18;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A file that is a symbolic link is replaced where the link points, so that a master list kept
// elsewhere and linked into the front end stays a link.
std::string ReplacedPath(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path current = FsPath(path);
  bool linked = false;
  // Link by link, so that a link to a file not made yet (the first run) is followed too; a loop
  // of links ends after a bound.
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(current, ec)) break;
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
    linked = true;
  }
  return linked ? PathText(current.lexically_normal()) : path;
}

// Temporary files are named ".<target>.<pid>.tmp-XXXXXX" beside their target, so that the
// leftovers of a run that was killed can be told from the files of a run still going.
constexpr std::string_view kTempMark = ".tmp-";

}  // namespace

LineReader::LineReader(const std::string& path) : path_(path) {
  // A pipe or a device would block the reader or never end; only files are read.
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_type type = fs::status(FsPath(path), ec).type();
  if (type == fs::file_type::directory) {
    throw Error(path, "cannot open: it is a folder, not a file");
  }
  if (!ec && type != fs::file_type::regular) {
    throw Error(path, "cannot open: it is not a file but a device, pipe or socket");
  }
  std::string error;
  file_ = OpenForReading(path, &error);
  if (file_ == nullptr) throw Error(path, "cannot open: " + error);
  buffer_.resize(kReadBlock);
}

LineReader::LineReader(std::string name, char line_end)
    : path_(std::move(name)), line_end_known_(true), line_end_(line_end) {
  buffer_.resize(kReadBlock);
}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

size_t LineReader::ReadBlock(char* into, size_t capacity) {
  const size_t n = std::fread(into, 1, capacity, file_);
  if (n == 0 && std::ferror(file_)) {
    throw Error(path_, line_number_ + 1, "read error: " + ErrnoText(errno));
  }
  return n;
}

size_t LineReader::ChooseLineEnd(size_t first_block) {
  line_end_known_ = true;
  if (std::memchr(buffer_.data(), '\r', first_block) != nullptr) return first_block;
  // A short first block is the whole file.
  line_end_ = '\n';
  if (first_block < buffer_.size()) return first_block;
  for (size_t n; (n = ReadBlock(buffer_.data(), buffer_.size())) > 0;) {
    if (std::memchr(buffer_.data(), '\r', n) != nullptr) {
      line_end_ = '\r';
      break;
    }
  }
  std::rewind(file_);
  return ReadBlock(buffer_.data(), buffer_.size());
}

bool LineReader::Fill() {
  if (eof_) return false;
  size_t n = ReadBlock(buffer_.data(), buffer_.size());
  size_t start = 0;
  if (n > 0 && !line_end_known_) {
    n = ChooseLineEnd(n);
    // A UTF-8 byte order mark, as Windows editors put before text, is no part of the first line:
    // "clrmamepro (" behind it would not be the header.
    if (std::string_view(buffer_.data(), n).starts_with(kByteOrderMark)) {
      start = kByteOrderMark.size();
    }
  }
  if (n == 0) {
    eof_ = true;
    return false;
  }
  pos_ = start;
  end_ = n;
  // A file of the mark alone has no line.
  return pos_ < end_ || Fill();
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
    const void* found = std::memchr(start, line_end_, avail);
    size_t take = found ? static_cast<size_t>(static_cast<const char*>(found) - start) : avail;
    line->append(start, take);
    pos_ += take;
    if (found) {
      ++pos_;  // the CR, or the LF of a file without CR
      if (line_end_ == '\n') return true;
      if (pos_ >= end_ && !Fill()) return true;
      if (buffer_[pos_] == '\n') ++pos_;
      return true;
    }
    if (!Fill()) return true;  // the last line has no terminator
  }
}

AtomicTextWriter::AtomicTextWriter(std::string path, Durability durability)
    : path_(ReplacedPath(path)), durable_(durability == Durability::kFlushed) {
  std::filesystem::path target = FsPath(path_);
  folder_ = target.has_parent_path() ? PathText(target.parent_path()) : ".";
  const std::string prefix =
      InFolder(folder_, "." + PathText(target.filename()) + "." +
                            std::to_string(CurrentProcessId()) + std::string(kTempMark));
  std::string error;
  file_ = CreateTempFile(prefix, path_, &temp_path_, &error);
  if (file_ == nullptr) throw Error(std::move(path), "cannot write: " + error);
  constexpr size_t kBuffer = 256 * 1024;
  buffer_ = std::make_unique<char[]>(kBuffer);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBuffer);
}

AtomicTextWriter::~AtomicTextWriter() {
  if (file_ != nullptr) {
    std::fclose(file_);
    RemoveFile(temp_path_);
  }
}

void AtomicTextWriter::Write(std::string_view bytes) {
  if (write_error_ != 0 || bytes.empty()) return;
  // What failed is kept: later calls may set errno before Commit() reports it.
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    write_error_ = errno != 0 ? errno : EIO;
  }
}

void AtomicTextWriter::WriteLine(std::string_view line) {
  Write(line);
  Write("\r\n");
}

int AtomicTextWriter::descriptor() const { return fileno(file_); }

void AtomicTextWriter::Commit() {
  std::string error;
  if (write_error_ == 0 && std::fflush(file_) != 0) write_error_ = errno != 0 ? errno : EIO;
  if (write_error_ != 0) error = ErrnoText(write_error_);
  // On disk before the rename: after a power cut the name then holds the old file or the whole
  // new one, never an empty or half-written one.
  if (error.empty() && durable_) FlushToDisk(file_, &error);
  if (std::fclose(file_) != 0 && error.empty()) error = ErrnoText(errno);
  file_ = nullptr;
  if (error.empty()) RenameOver(temp_path_, path_, &error);
  if (!error.empty()) {
    RemoveFile(temp_path_);
    throw Error(path_, "cannot write: " + error);
  }
  if (durable_) FlushFolder(folder_);
}

void WriteTextFile(const std::string& path, const std::vector<std::string>& lines,
                   AtomicTextWriter::Durability durability) {
  AtomicTextWriter writer(path, durability);
  for (const std::string& line : lines) writer.WriteLine(line);
  writer.Commit();
}

std::string ReadWholeFile(const std::string& path) {
  std::string error;
  std::FILE* file = OpenForReading(path, &error);
  if (file == nullptr) throw Error(path, "cannot open: " + error);
  std::string data;
  // Sized from the file up front: growing the string block by block copies a large file over
  // and over.
  std::error_code ec;
  const auto size = std::filesystem::file_size(FsPath(path), ec);
  if (!ec) data.reserve(static_cast<size_t>(size));
  char block[1 << 16];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) data.append(block, n);
  bool bad = std::ferror(file) != 0;
  std::fclose(file);
  if (bad) throw Error(path, "read error");
  return data;
}

namespace {

void AppendUtf8(char32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

// A lone surrogate becomes U+FFFD rather than an error: a settings file's key lines are ASCII,
// and an XML dat's values are only shown.
std::string Utf16ToUtf8(std::string_view bytes, bool big) {
  std::string out;
  auto unit = [&](size_t i) {
    const auto hi = static_cast<unsigned char>(bytes[big ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[big ? i + 1 : i]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        code = 0xFFFD;
      }
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    AppendUtf8(code, &out);
  }
  return out;
}

bool CanReplaceFile(const std::string& path, std::string* error) {
  try {
    AtomicTextWriter probe(path, AtomicTextWriter::Durability::kCached);
    return true;  // never committed: the temporary file goes with the writer
  } catch (const Error& e) {
    *error = e.what();
    return false;
  }
}

std::string WithoutByteOrderMark(std::string text) {
  if (text.starts_with("\xEF\xBB\xBF")) return text.substr(3);
  if (text.starts_with("\xFF\xFE")) return Utf16ToUtf8(std::string_view(text).substr(2), false);
  if (text.starts_with("\xFE\xFF")) return Utf16ToUtf8(std::string_view(text).substr(2), true);
  return text;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  // Text already in memory, read by the one line splitting there is.
  class InMemory final : public LineReader {
   public:
    InMemory(const std::string& name, std::string text)
        : LineReader(name, text.find('\r') != std::string::npos ? '\r' : '\n'),
          text_(std::move(text)) {}

   private:
    size_t ReadBlock(char* into, size_t capacity) override {
      const size_t n = std::min(capacity, text_.size() - taken_);
      std::memcpy(into, text_.data() + taken_, n);
      taken_ += n;
      return n;
    }
    std::string text_;
    size_t taken_ = 0;
  };
  InMemory reader(path, WithoutByteOrderMark(ReadWholeFile(path)));
  std::vector<std::string> lines;
  for (std::string line; reader.ReadLine(&line);) lines.push_back(line);
  return lines;
}

void SweepLeftovers(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (fs::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = PathText(it->path().filename());
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
    // A writer still running keeps its file.
    const long pid = std::stol(pid_text);
    if (pid == CurrentProcessId() || ProcessRuns(pid)) continue;
    std::error_code ignored;
    if (it->is_regular_file(ignored)) fs::remove(it->path(), ignored);
  }
}

}  // namespace tabulon
