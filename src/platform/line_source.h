// Where a line-based reader takes its lines from: a text file (LineReader), or text made on the
// fly from a file in another format, so that one reader serves both.
#pragma once

#include <string>

namespace tabulon {

class LineSource {
 public:
  virtual ~LineSource() = default;

  // True when no line is left.
  virtual bool AtEnd() = 0;
  // Reads the next line into `line` without its terminator. Returns false, with `line` emptied,
  // when no line is left.
  virtual bool ReadLine(std::string* line) = 0;
};

}  // namespace tabulon
