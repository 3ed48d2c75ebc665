// The one exception type that ends a run: it carries the file, the line where known, and what
// went wrong, so every shell can print the same clear message.
#pragma once

#include <stdexcept>
#include <string>

namespace tabulon {

class Error : public std::runtime_error {
 public:
  // line 0 means the message is about the file as a whole.
  Error(std::string file, long line, const std::string& message);
  Error(std::string file, const std::string& message) : Error(std::move(file), 0, message) {}

  const std::string& file() const { return file_; }
  long line() const { return line_; }
  // The message without the "file:line: " prefix.
  const std::string& message() const { return message_; }

 private:
  std::string file_;
  long line_;
  std::string message_;
};

// MAME's listinfo run could not be waited on. The user has been shown the failure message; the
// run ends there without a master list, and the window closes.
class MameListinfoFailed : public Error {
 public:
  using Error::Error;
};

// Another run holds the lock of a folder this run needs, and the run was told not to wait for
// it: the run ends there, the master list unwritten. tabulon-cli ends with kFolderBusyStatus.
class FolderBusy : public Error {
 public:
  using Error::Error;
};
// EX_TEMPFAIL of sysexits.h: a script may try again later.
inline constexpr int kFolderBusyStatus = 75;

// Thrown when the user stops a run (for example by closing the window). Nothing was written.
class RunCancelled : public std::runtime_error {
 public:
  RunCancelled() : std::runtime_error("the run was stopped before it finished") {}
};

// Thrown when a signal (Ctrl+C, a service stop, a closed terminal) stops a run. Nothing was
// written; the program ends with 128 + the signal's number.
class RunInterrupted : public RunCancelled {
 public:
  explicit RunInterrupted(int signal) : signal_(signal) {}
  int signal() const { return signal_; }

 private:
  int signal_;
};

// "path: message", or "path:line: message" when the line is known.
std::string FormatLocation(const std::string& file, long line, const std::string& message);

// The text of errno as a message part, e.g. "No such file or directory".
std::string ErrnoText(int err);

}  // namespace tabulon
