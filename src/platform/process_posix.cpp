// Script runs on POSIX systems: posix_spawn of /bin/sh -c with the script's line, in its own
// process group so that a stopped run can end MAME too.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/interrupts.h"
#include "platform/process.h"
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

// One started child: /bin/sh running one command line, in a process group of its own. The
// object always ends what it started: a child still running when it goes out of scope (a stop,
// an exception, a failed wait) is stopped and reaped, so no MAME outlives its run.
class ChildProcess {
 public:
  // How long a stopped child may take to end after SIGTERM before it is killed.
  static constexpr int kStopGraceMs = 3000;

  ChildProcess() = default;
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts /bin/sh -c "exec `command`" in `folder`, with standard input on /dev/null and
  // standard output on `stdout_fd` when that is not -1. The shell replaces itself by the
  // program, and the program dies with this process even when this process is killed outright
  // (the parent-death signal survives exec, but not a fork inside the shell). Returns false,
  // with `error` set, when the child cannot be started.
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
    const pid_t pid = fork();
    if (pid < 0) {
      *error = "cannot start /bin/sh: " + ErrnoText(errno);
      return false;
    }
    if (pid == 0) {
      setpgid(0, 0);
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
    setpgid(pid, pid);  // also here, so that a stop right after the fork finds the group
    pid_ = pid;
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    return true;
  }

  // Reaps the child when it has ended. Returns true once it has, false while it runs; throws
  // nothing, a failed wait is returned through `error`.
  bool Ended(std::string* error) {
    if (reaped_ || pid_ <= 0) return true;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      status_ = status;
      return true;
    }
    if (done < 0 && errno != EINTR) {
      *error = ErrnoText(errno);
      return true;
    }
    return false;
  }

  // Waits until the child has ended or `ms` milliseconds have passed. False when this kernel
  // cannot watch a child, so that the caller must pace itself.
  bool WaitMs(int ms) const {
    if (pidfd_ < 0) return false;
    pollfd watched{pidfd_, POLLIN, 0};
    poll(&watched, 1, ms);
    return true;
  }

  // Ends the child's whole process group: SIGTERM, up to kStopGraceMs for it to go, then
  // SIGKILL; the child is reaped either way.
  void Stop() {
    if (pid_ > 0 && !reaped_) {
      kill(-pid_, SIGTERM);
      std::string ignored;
      for (int waited = 0; !Ended(&ignored) && waited < kStopGraceMs; waited += 20) {
        if (!WaitMs(20)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      if (!reaped_) {
        kill(-pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        status_ = status;
      } else {
        kill(-pid_, SIGKILL);  // whatever the group's leader left behind
      }
    }
    if (pidfd_ >= 0) close(pidfd_);
    pidfd_ = -1;
  }

  ChildExit exit() const {
    ChildExit result;
    if (WIFEXITED(status_)) {
      result.code = WEXITSTATUS(status_);
    } else if (WIFSIGNALED(status_)) {
      result.signal = WTERMSIG(status_);
      result.signal_name = SignalName(result.signal);
    }
    return result;
  }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  bool reaped_ = false;
  int status_ = 0;
};

// Tells whether a core is free for work that should not slow anyone down: work that can wait
// asks before each step and waits while the answer is no.
//
// The lowest priority alone does not do that. MAME's -listxml runs batches of threads on every
// core for most of its run, and a low-priority thread still slips into the gaps between batches
// and delays the next one: 0.45 s of conversion made MAME 0.2 to 0.3 s slower. In the last
// second or so MAME works on one thread and writes little, and the same work then costs it
// nothing. So the gate looks at how busy the machine was over the last tenth of a second,
// leaving out the asking thread's own time, and says yes only while at least half a core was
// idle. Where /proc/stat cannot be read, it always says yes.
class IdleCoreGate {
 public:
  IdleCoreGate() : cores_(sysconf(_SC_NPROCESSORS_ONLN)), tick_(sysconf(_SC_CLK_TCK)) {
    usable_ = Sample(&last_);
  }

  bool Open() {
    if (cores_ < 1 || tick_ < 1 || !usable_) return true;
    const double wall = Seconds(CLOCK_MONOTONIC) - last_.wall;
    if (wall < kWindow) return open_;
    Reading now;
    if (!Sample(&now)) {
      usable_ = false;
      return true;
    }
    const double busy =
        static_cast<double>(now.busy_ticks - last_.busy_ticks) / static_cast<double>(tick_);
    const double others = busy - (now.own_cpu - last_.own_cpu);
    open_ = static_cast<double>(cores_) * wall - others >= kFreeCore * wall;
    last_ = now;
    return open_;
  }

 private:
  static constexpr double kWindow = 0.1;    // seconds looked back
  static constexpr double kFreeCore = 0.5;  // idle cores needed

  struct Reading {
    double wall = 0;           // seconds, monotonic
    double own_cpu = 0;        // seconds this thread has run
    long long busy_ticks = 0;  // all cores' non-idle time in clock ticks, stolen time included
  };

  static double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }

  static bool Sample(Reading* r) {
    r->wall = Seconds(CLOCK_MONOTONIC);
    r->own_cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
    std::FILE* stat = std::fopen("/proc/stat", "r");
    if (stat == nullptr) return false;
    // cpu  user nice system idle iowait irq softirq steal ...
    long long v[8] = {};
    const int got = std::fscanf(stat, "cpu %lld %lld %lld %lld %lld %lld %lld %lld", &v[0], &v[1],
                                &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
    std::fclose(stat);
    if (got != 8) return false;
    r->busy_ticks = v[0] + v[1] + v[2] + v[5] + v[6] + v[7];
    return true;
  }

  long cores_;
  long tick_;
  bool usable_ = true;
  bool open_ = true;
  Reading last_;
};

}  // namespace

bool RunScriptAndWait(const std::string& folder, const std::string& script_name,
                      const std::function<void()>& idle, std::string* error, ChildExit* exit) {
  std::string command;
  try {
    command = ScriptCommand(ReadWholeFile(folder + "/" + script_name));
  } catch (const Error& e) {
    *error = e.what();
    return false;
  }
  ChildProcess child;
  if (!child.Start(folder, command, -1, error)) return false;

  // The pidfd wakes the wait the moment the script ends: today's MAME refuses an old option in a
  // fifth of a second, and a fixed poll would add up to its interval to each of the three runs.
  // Kernels before 5.3 have none; the wait then polls, fast at first. When `idle` throws, the
  // child's destructor stops it.
  int pause_ms = 1;
  std::string wait_error;
  while (!child.Ended(&wait_error)) {
    if (idle) idle();
    if (!child.WaitMs(20)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
      pause_ms = std::min(pause_ms * 2, 20);
    }
  }
  if (!wait_error.empty()) {
    *error = "cannot wait for the script: " + wait_error;
    return false;
  }
  if (exit != nullptr) *exit = child.exit();
  return true;
}

bool RunCommandWritingFile(const std::string& folder, const std::string& command, int output_fd,
                           const std::function<void(const char*, size_t)>& on_output,
                           const std::function<void()>& idle, std::string* error, ChildExit* exit) {
  ChildProcess child;
  if (!child.Start(folder, command, output_fd, error)) return false;

  // The file is followed on a thread of its own, at the lowest priority and only while a core
  // is idle (IdleCoreGate). MAME's -listxml keeps every core of a small machine busy for most of
  // its run, and working on its output costs far less than writing it: the reader falls behind
  // while MAME needs the cores and catches up in MAME's last, single-threaded second, so MAME
  // runs about as fast as alone. This thread stays responsive meanwhile.
  std::atomic<bool> ended{false};  // the program has ended: what the file holds is all there is
  std::atomic<bool> stop{false};   // the run was stopped: the reader leaves at once
  std::mutex mutex;
  std::condition_variable wake_cv;  // the reader finished, or was asked to stop
  bool finished = false;
  std::exception_ptr failure;
  // Sleeps up to `ms`, but not past a stop request.
  auto pause = [&](int ms) {
    std::unique_lock<std::mutex> lock(mutex);
    wake_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop.load(); });
  };
  auto read_output = [&] {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    try {
      std::vector<char> buffer(1 << 20);
      off_t offset = 0;
      IdleCoreGate gate;
      while (!stop.load()) {
        // Whether the program had ended is taken before the read: a read that finds nothing
        // more after the end has then taken everything.
        const bool was_ended = ended.load();
        if (!was_ended && !gate.Open()) {
          pause(10);
          continue;
        }
        const ssize_t n = pread(output_fd, buffer.data(), buffer.size(), offset);
        if (n < 0) {
          if (errno == EINTR) continue;
          throw Error(command, "cannot read its output: " + ErrnoText(errno));
        }
        if (n > 0) {
          offset += n;
          on_output(buffer.data(), static_cast<size_t>(n));
        } else if (was_ended) {
          break;
        } else {
          pause(5);
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
    wake_cv.notify_all();
  };
  // A reader that could not be started leaves nothing to follow the output: the child's
  // destructor stops MAME before the error goes on.
  std::thread reader(read_output);
  auto reader_finished = [&](int ms) {
    std::unique_lock<std::mutex> lock(mutex);
    return wake_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return finished; });
  };
  auto end_reader = [&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    wake_cv.notify_all();
    reader.join();
  };

  std::string wait_error;
  try {
    while (true) {
      if (!ended.load() && child.Ended(&wait_error)) {
        if (!wait_error.empty()) {
          *error = "cannot wait for the program: " + wait_error;
          end_reader();
          return false;
        }
        ended = true;
      }
      if (idle) idle();
      if (ended.load() || !child.WaitMs(20)) {
        if (reader_finished(ended.load() ? 20 : 5)) break;
      } else if (reader_finished(0)) {
        break;
      }
    }
  } catch (...) {
    end_reader();
    throw;  // the child's destructor stops the program
  }
  reader.join();
  if (failure) std::rethrow_exception(failure);
  if (exit != nullptr) *exit = child.exit();
  return true;
}

std::string GetShortPathName(const std::string& long_path) {
  std::error_code ec;
  return std::filesystem::exists(long_path, ec) ? long_path : std::string();
}

}  // namespace tabulon
