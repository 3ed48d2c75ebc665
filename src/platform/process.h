// Child processes: the MAME runs go through one-line scripts started hidden in the MAME folder
// and waited for without a time-out. The waits are in process.cpp, the children themselves in
// child_process_posix.cpp (/bin/sh) and child_process_win32.cpp (cmd.exe).
#pragma once

#include <functional>
#include <memory>
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

// Runs the one-line script `script_path` in `folder`, so that a bare program name in it resolves
// in that folder, as the Windows command interpreter resolves it in the current one: on
// Windows through cmd.exe, elsewhere with /bin/sh, with "." first on PATH and without the CR LF
// that ends the script's line. The child's standard input is empty, it inherits nothing else but
// this program's standard output and error, and it never outlives this process. Waits until the
// script has ended, calling `idle` about every 20 ms while it runs; when `idle` throws, the
// script and everything it started are stopped (POSIX: SIGTERM, then SIGKILL after a few
// seconds) before the exception goes on. Returns false, with `error` set, when the script cannot
// be read, started or waited on; otherwise sets `exit`, when given, to how the script ended.
bool RunScriptAndWait(const std::string& folder, const std::string& script_path,
                      const std::function<void()>& idle, std::string* error,
                      ChildExit* exit = nullptr);

// Says whether work that should not slow anyone down may go on now: such work asks before each
// step and waits while the answer is no. Asked from one thread at a time.
class CoreGate {
 public:
  virtual ~CoreGate() = default;
  virtual bool Open() = 0;
};

// Open only while at least half a core was idle over the last tenth of a second, leaving out this
// program's own work; always open where the system cannot tell how busy it is.
std::unique_ptr<CoreGate> MakeIdleCoreGate();

// Always open: for output too small to be worth holding back, and for tests, whose waits must not
// depend on how busy the machine is.
class OpenCoreGate final : public CoreGate {
 public:
  bool Open() override { return true; }
};

// How much of a program's output RunCommandWritingFile hands over as it comes, whatever the gate
// says: enough for the caller to tell which program writes.
inline constexpr long long kUngatedHead = 64 * 1024;

// Runs `command` in `folder` like RunScriptAndWait, its standard output written straight into
// the regular file open on `output_fd` (a descriptor of AtomicTextWriter: for reading and
// writing, empty), and hands what the program writes to `on_output` block by block while it
// still runs. The file is read behind the writer instead of through a pipe: the program never
// waits for the reader, and no byte is copied twice. `on_output` is called on a thread of its
// own, at the lowest priority and, while the program runs, only while `gate` is open (the run's
// gate opens when a core is otherwise idle) once the first kUngatedHead bytes were handed over,
// and never after the return; `idle` is called on the calling thread about every 20 ms. `on_end`,
// when given, is called on the calling thread once, the moment the program has ended, while the
// rest of its output may still be read: the reader has a handle of its own, so the writer's may
// then be closed and the file renamed. When `on_output`, `idle` or `on_end` throws, the program
// is stopped before the exception goes on. Returns false, with `error` set, when the command
// cannot be started or waited on.
bool RunCommandWritingFile(const std::string& folder, const std::string& command, int output_fd,
                           const std::function<void(const char*, size_t)>& on_output,
                           CoreGate& gate, const std::function<void()>& idle, std::string* error,
                           ChildExit* exit = nullptr,
                           const std::function<void(const ChildExit&)>& on_end = nullptr);

}  // namespace tabulon
