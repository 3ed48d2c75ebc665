// Child processes: the MAME runs go through one-line scripts started hidden in the MAME folder
// and waited for without a time-out. POSIX implementation in process_posix.cpp.
#pragma once

#include <functional>
#include <string>

namespace tabulon {

// How a child ended: its exit code, or the signal that ended it.
struct ChildExit {
  int code = 0;
  int signal = 0;
  std::string signal_name;  // "SIGKILL", ...
  bool ok() const { return code == 0 && signal == 0; }
  // "exited with status 1", "was ended by SIGKILL"; empty for a clean exit.
  std::string Describe() const {
    if (signal != 0) return "was ended by " + signal_name;
    return code != 0 ? "exited with status " + std::to_string(code) : std::string();
  }
};

// Runs the one-line script `folder`/`script_name` with /bin/sh in `folder`, with "." first on
// PATH, so that a bare program name resolves in that folder as the Windows command interpreter
// resolves it in the current one. The CR LF that ends the script's line is not passed to the
// shell. The child's standard input is /dev/null, it inherits no other descriptor, and it never
// outlives this process. Waits until the script has ended, calling `idle` about every 20 ms
// while it runs; when `idle` throws, the script and everything it started are stopped (SIGTERM,
// then SIGKILL after a few seconds) and reaped before the exception goes on. Returns false,
// with `error` set, when the script cannot be read, started or waited on; otherwise sets
// `exit`, when given, to how the script ended.
bool RunScriptAndWait(const std::string& folder, const std::string& script_name,
                      const std::function<void()>& idle, std::string* error,
                      ChildExit* exit = nullptr);

// Runs `command` with /bin/sh like RunScriptAndWait, its standard output written straight into
// the regular file open on `output_fd` (for reading and writing, empty), and hands what the
// program writes to `on_output` block by block while it still runs. The file is read behind the
// writer instead of through a pipe: the program never waits for the reader, and no byte is
// copied twice. `on_output` is called on a thread of its own, at the lowest priority (while the
// program runs, only when a core is otherwise idle), and never after the return; `idle` is
// called on the calling thread about every 20 ms. When `on_output` or `idle` throws, the program
// is stopped before the exception goes on. Returns false, with `error` set, when the command
// cannot be started or waited on.
bool RunCommandWritingFile(const std::string& folder, const std::string& command, int output_fd,
                           const std::function<void(const char*, size_t)>& on_output,
                           const std::function<void()>& idle, std::string* error,
                           ChildExit* exit = nullptr);

// The short form of a path, as the scripts' output targets use it. Linux has no short names: an
// existing path is its own short form, a path that does not exist has none (empty text).
std::string GetShortPathName(const std::string& long_path);

}  // namespace tabulon
