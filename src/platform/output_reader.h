// Reading a child's output file while the child writes it, one implementation per platform
// (output_reader_posix.cpp, output_reader_win32.cpp). Used only inside src/platform.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tabulon {

// Reads the file a child writes its output into, at explicit offsets and through a handle of its
// own, so that reading never moves the child's write position.
class OutputReader {
 public:
  OutputReader();
  ~OutputReader();
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;

  // Opens the reader on the file open on `fd`; false, with `error` set, when it cannot.
  bool Open(int fd, std::string* error);
  // Reads up to `size` bytes at `offset`: the number read, 0 at the file's present end, or -1
  // with `error` set.
  long long ReadAt(long long offset, char* buffer, size_t size, std::string* error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tabulon
