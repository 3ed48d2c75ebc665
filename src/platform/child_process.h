// The child process behind the script runs of process.cpp, one implementation per platform
// (child_process_posix.cpp, child_process_win32.cpp). Used only inside src/platform.
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
// On Linux it also dies when the thread that started it ends: the object must stay with the
// thread that waits for the child, on its stack as in process.cpp, and not outlive it.
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

}  // namespace tabulon
