// The child process on POSIX systems: /bin/sh -c with the script's line, in a process group of its
// own so that a stopped run can end MAME too.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/error.h"
#include "platform/interrupts.h"
#include "platform/text_io.h"

extern char** environ;

namespace tabulon {
namespace {

// The script's text without the line end the Windows command interpreter would have eaten.
std::string ScriptCommand(const std::string& text) {
  std::string command = text;
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
    command.pop_back();
  }
  return command;
}

// The child's environment: this process's own, with PATH led by ".", the folder the script runs
// in. That finds a bare program name in the MAME folder first, as the Windows command
// interpreter does, without writing the folder's name into PATH, where a ":" in it would split
// it into other folders.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> env;
  std::string path = "PATH=.";
  bool inherited = false;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    if (entry.rfind("PATH=", 0) == 0) {
      path.append(":").append(entry, 5, std::string::npos);
      inherited = true;
    } else {
      env.push_back(std::move(entry));
    }
  }
  if (!inherited) path += ":/usr/local/bin:/usr/bin:/bin";
  env.push_back(path);
  return env;
}

}  // namespace

// The child is /bin/sh running one command line, in a process group of its own.
struct ChildProcess::State {
  // How long a stopped child may take to end after SIGTERM before it is killed.
  static constexpr int kStopGraceMs = 3000;

  pid_t pid = -1;
  int pidfd = -1;
  bool reaped = false;
  int status = 0;

  // Starts /bin/sh -c "exec `command`" in `folder`, with standard input on /dev/null and
  // standard output on `stdout_fd` when that is not -1. The shell replaces itself by the
  // program, and the program dies with this process even when this process is killed outright
  // (the parent-death signal survives exec, but not a fork inside the shell).
  bool Start(const std::string& folder, const std::string& command, int stdout_fd,
             std::string* error) {
    // A launcher that left SIGCHLD ignored would have the kernel reap the child before it can
    // be waited on, and every wait would fail.
    struct sigaction chld {};
    if (sigaction(SIGCHLD, nullptr, &chld) == 0 && chld.sa_handler == SIG_IGN) {
      signal(SIGCHLD, SIG_DFL);
    }
    std::vector<std::string> env = ChildEnvironment();
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string sh = "/bin/sh";
    std::string dash_c = "-c";
    std::string line = "exec " + command;
    std::vector<char*> argv = {sh.data(), dash_c.data(), line.data(), nullptr};
    const pid_t parent = getpid();

    // Between fork and exec the child calls only async-signal-safe functions: this process may
    // have other threads.
    const pid_t child = fork();
    if (child < 0) {
      *error = "cannot start /bin/sh: " + ErrnoText(errno);
      return false;
    }
    if (child == 0) {
      setpgid(0, 0);
      // The signal comes when the thread that forked ends, not when this process does. That
      // thread is the one that waits for the child: RunScriptAndWait and RunCommandWritingFile
      // keep the ChildProcess on their own stack and do not return before it has stopped and
      // reaped the child, so no thread ends under a child of its own, and the signal comes only
      // when this whole process goes. A thread that started a child and left it running would
      // have the child killed the moment the thread ended.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);  // the parent died before the line above
      // Handlers do not survive exec, but ignored signals and the blocked mask would.
      for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGPIPE}) signal(sig, SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      const int null_fd = open("/dev/null", O_RDONLY);
      if (null_fd < 0 || dup2(null_fd, STDIN_FILENO) < 0) _exit(127);
      if (stdout_fd >= 0 && dup2(stdout_fd, STDOUT_FILENO) < 0) _exit(127);
      close_range(3, ~0U, 0);
      if (chdir(folder.c_str()) != 0) _exit(127);
      execve(sh.c_str(), argv.data(), envp.data());
      _exit(127);
    }
    setpgid(child, child);  // also here, so that a stop right after the fork finds the group
    pid = child;
    pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    return true;
  }

  // Where the group's leader is, asked without reaping it. An ended leader that is not reaped
  // keeps its pid, so the group's id cannot name anyone else yet. kGone: it is no longer this
  // process's child to wait for (something else reaped it), and its pid may name anyone.
  enum class Leader { kRuns, kEnded, kGone };
  Leader LeaderState() const {
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0) {
      if (errno != EINTR) return Leader::kGone;
    }
    return info.si_pid == pid ? Leader::kEnded : Leader::kRuns;
  }
};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::StartScript(const std::string& folder, const std::string& script_path,
                               std::string* error) {
  std::string command;
  try {
    command = ScriptCommand(ReadWholeFile(script_path));
  } catch (const Error& e) {
    *error = e.what();
    return false;
  }
  return state_->Start(folder, command, -1, error);
}

bool ChildProcess::StartCommand(const std::string& folder, const std::string& command,
                                int output_fd, std::string* error) {
  return state_->Start(folder, command, output_fd, error);
}

bool ChildProcess::Ended(std::string* error) {
  State& s = *state_;
  if (s.reaped || s.pid <= 0) return true;
  int status = 0;
  const pid_t done = waitpid(s.pid, &status, WNOHANG);
  if (done == s.pid) {
    s.reaped = true;
    s.status = status;
    return true;
  }
  if (done < 0 && errno != EINTR) {
    *error = ErrnoText(errno);
    return true;
  }
  return false;
}

bool ChildProcess::WaitMs(int ms) const {
  // The pidfd wakes the wait the moment the child ends; kernels before 5.3 have none.
  if (state_->pidfd < 0) return false;
  pollfd watched{state_->pidfd, POLLIN, 0};
  poll(&watched, 1, ms);
  return true;
}

// Ends the child's whole process group: SIGTERM, up to kStopGraceMs for it to go, then SIGKILL
// for whatever is left of the group, the leader's leftovers included; the child is reaped either
// way. The group's id is the leader's pid, which the system may give to a new process, and with
// it a new group, once the leader is reaped. So the leader is only looked at (LeaderState), never
// reaped, until the last signal has gone.
void ChildProcess::Stop() {
  State& s = *state_;
  if (s.pid > 0 && !s.reaped) {
    State::Leader leader = s.LeaderState();
    if (leader != State::Leader::kGone) kill(-s.pid, SIGTERM);
    for (int waited = 0; leader == State::Leader::kRuns && waited < State::kStopGraceMs;
         waited += 20) {
      if (!WaitMs(20)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      leader = s.LeaderState();
    }
    if (leader != State::Leader::kGone) kill(-s.pid, SIGKILL);
    int status = 0;
    while (waitpid(s.pid, &status, 0) < 0 && errno == EINTR) {
    }
    s.reaped = true;
    s.status = status;
  }
  if (s.pidfd >= 0) close(s.pidfd);
  s.pidfd = -1;
}

ChildExit ChildProcess::exit() const {
  const int status = state_->status;
  ChildExit result;
  if (WIFEXITED(status)) {
    result.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
    result.signal_name = SignalName(result.signal);
  }
  return result;
}

}  // namespace tabulon
