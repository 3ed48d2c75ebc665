// Text files as the list formats define them: a line ends at CR LF or at a lone CR (a lone LF is
// part of the line), except in a file without any CR, whose lines end at LF; bytes pass through
// unchanged but for a UTF-8 byte order mark at the start of a file, which is left out, and every
// written line ends with CR LF.
// Writers replace their file atomically, so a failed run never leaves a half-written file.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/line_source.h"

namespace tabulon {

// Reads a file line by line in large blocks. Errors throw tabulon::Error naming the path.
//
// Which line end applies is decided for the whole file before its first line is given: the files
// made on Windows cabinets end their lines with CR LF and may hold lone LFs inside a line, while
// the files downloaded today, or written with a Linux editor, have LF line ends and no CR at all.
// A file with a CR in its first block is settled at once; one without pays a pass over the rest.
class LineReader : public LineSource {
 public:
  // Opens `path`; throws Error(path, "cannot open: ...") when it cannot.
  explicit LineReader(const std::string& path);
  ~LineReader() override;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // True when no byte is left to read. A file that ends with a line end is at its end right
  // after its last line; it does not give an extra empty line.
  bool AtEnd() override;

  // Reads the next line into `line` without its terminator. Returns false, with `line` emptied,
  // when the file is at its end.
  bool ReadLine(std::string* line) override;

  const std::string& path() const { return path_; }
  // Number of lines read so far, so a caller can name the line it is looking at.
  long line_number() const { return line_number_; }

 protected:
  // Lines of text that is not in a file: `name` names it, and `line_end` ('\r' for CR LF or a
  // lone CR) is already known. ReadBlock() is then the subclass's.
  LineReader(std::string name, char line_end);
  // Fills the block buffer from its start; returns the bytes given, 0 at the end.
  virtual size_t ReadBlock(char* into, size_t capacity);

 private:
  bool Fill();
  // Called with the file's first block in the buffer; may read on and start again from the top.
  size_t ChooseLineEnd(size_t first_block);

  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  long line_number_ = 0;
  bool line_end_known_ = false;
  char line_end_ = '\r';  // '\n' in a file without any CR
};

// Writes a file through a temporary file in the same folder that is renamed over the target on
// Commit(). Without Commit() (an error, a cancelled run) the target is left exactly as it was.
//
// A target that is a symbolic link is replaced where the link points. The temporary file is
// ".<name>.<pid>.tmp-XXXXXX" in the target's folder; SweepLeftovers removes those of runs that
// were killed.
class AtomicTextWriter {
 public:
  enum class Durability {
    kFlushed,  // on disk before it replaces the target, and the folder flushed after
    kCached    // left to the system's cache: output that can be made again, and is large
  };
  // Throws Error(path, ...) when the temporary file cannot be created.
  explicit AtomicTextWriter(std::string path, Durability durability = Durability::kFlushed);
  ~AtomicTextWriter();
  AtomicTextWriter(const AtomicTextWriter&) = delete;
  AtomicTextWriter& operator=(const AtomicTextWriter&) = delete;

  // Writes the line followed by CR LF.
  void WriteLine(std::string_view line);
  // Writes bytes as they are.
  void Write(std::string_view bytes);
  // The temporary file's descriptor, open for reading and writing, for a writer of its own such
  // as a child process's standard output. Not to be mixed with Write().
  int descriptor() const;
  // Flushes, closes and renames the temporary file over the target. Throws Error on failure,
  // in which case the target is unchanged.
  void Commit();

 private:
  std::string path_;
  std::string folder_;
  std::string temp_path_;
  // The stream's buffer: the C library sizes one of its own to the disk block, 4 KiB, which
  // costs a thousand writes for a master list.
  std::unique_ptr<char[]> buffer_;
  std::FILE* file_ = nullptr;
  bool durable_;
  int write_error_ = 0;  // errno of the first write that failed
};

// Removes the temporary files that AtomicTextWriter left in `folder` when its process was killed
// (a process that still runs keeps its own). Nothing else is touched; errors are ignored.
void SweepLeftovers(const std::string& folder);

// Replaces `path` with the given lines, each ended by CR LF.
void WriteTextFile(
    const std::string& path, const std::vector<std::string>& lines,
    AtomicTextWriter::Durability durability = AtomicTextWriter::Durability::kFlushed);

// Reads a whole file as bytes; throws Error naming the path when it cannot.
std::string ReadWholeFile(const std::string& path);

// Whether `path` could be replaced as AtomicTextWriter replaces it: the temporary file it would
// write is made beside it and deleted again at once. False, with the reason in `error`.
bool CanReplaceFile(const std::string& path, std::string* error);

// The lines of a small text file that an editor may have saved with a Unicode byte order mark
// (Notepad's "UTF-8" and "Unicode"): UTF-8's mark is dropped, UTF-16 text of either byte order
// becomes UTF-8. Lines end as LineReader ends them. Throws Error naming the path when the file
// cannot be read.
std::vector<std::string> ReadTextLines(const std::string& path);
// UTF-16 bytes (after the byte order mark) as UTF-8, `big` for big-endian; a last odd byte is
// left out.
std::string Utf16ToUtf8(std::string_view bytes, bool big);
// `text` with its byte order mark read as ReadTextLines reads it.
std::string WithoutByteOrderMark(std::string text);

}  // namespace tabulon
