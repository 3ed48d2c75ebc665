// What the script runs of process.cpp need from the system, one implementation per platform
// (process_posix.cpp, process_win32.cpp). Used only inside src/platform.
#pragma once

#include <memory>
#include <string>

#include "platform/process.h"

namespace tabulon {

// One child: a script of the MAME folder or a command line, run by the platform's command
// interpreter in a folder, with standard input empty and MAME's messages on this program's
// standard error. The object always ends what it started: a child still running when it goes out
// of scope (a stop, an exception, a failed wait) is stopped with everything it started, so no
// MAME outlives its run. The child dies with this process too, even when it is killed outright.
class ChildProcess {
 public:
  ChildProcess();
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the script `script_path` (in `folder` or elsewhere) in `folder`. False, with `error`
  // set, when it cannot be read or started.
  bool StartScript(const std::string& folder, const std::string& script_path, std::string* error);
  // Starts `command` in `folder`, its standard output going into the file open on `output_fd`.
  bool StartCommand(const std::string& folder, const std::string& command, int output_fd,
                    std::string* error);

  // True once the child has ended (or cannot be waited on: then `error` is set), false while it
  // runs.
  bool Ended(std::string* error);
  // Waits until the child has ended or `ms` milliseconds have passed. False when the system
  // cannot watch the child, so that the caller must pace itself.
  bool WaitMs(int ms) const;
  // Ends the child and everything it started, and waits until it has ended.
  void Stop();
  // How the child ended, once Ended() said so.
  ChildExit exit() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

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

// Puts the calling thread at the lowest priority.
void LowerThreadPriority();
// The calling thread's priority, for a thread that works on its behalf to take on with
// SetThreadPriorityLike(): a thread started at the lowest priority would otherwise start its
// helpers at the normal one.
int CurrentThreadPriority();
void SetThreadPriorityLike(int priority);

// The processor time spent so far: by this process (all its threads), and by all cores together
// on anything but idling (stolen time included), in seconds. False where the system cannot tell.
struct CpuTimes {
  double own = 0;
  double busy = 0;
};
bool SampleCpuTimes(CpuTimes* times);
// Number of cores in use by the system.
int OnlineCores();

}  // namespace tabulon
