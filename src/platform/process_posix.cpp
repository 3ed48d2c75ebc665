// Script runs on POSIX systems: posix_spawn of /bin/sh -c with the script's line, in its own
// process group so that a stopped run can end MAME too.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
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

std::vector<std::string> ChildEnvironment(const std::string& folder) {
  std::vector<std::string> env;
  std::string path = "PATH=" + folder;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    if (entry.rfind("PATH=", 0) == 0) {
      path.append(":").append(entry, 5, std::string::npos);
    } else {
      env.push_back(std::move(entry));
    }
  }
  if (path == "PATH=" + folder) path += ":/usr/local/bin:/usr/bin:/bin";
  env.push_back(path);
  return env;
}

// Starts /bin/sh -c `command` in `folder`, in a process group of its own, with its standard
// output on `stdout_fd` when that is not -1. Returns the child's pid, or -1 with `error` set.
pid_t SpawnShell(const std::string& folder, std::string command, int stdout_fd,
                 std::string* error) {
  std::vector<std::string> env = ChildEnvironment(folder);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string sh = "/bin/sh";
  std::string dash_c = "-c";
  std::vector<char*> argv = {sh.data(), dash_c.data(), command.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  if (stdout_fd >= 0) posix_spawn_file_actions_adddup2(&actions, stdout_fd, STDOUT_FILENO);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, sh.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    *error = "cannot start /bin/sh: " + ErrnoText(rc);
    return -1;
  }
  return pid;
}

void StopGroup(pid_t pid) {
  kill(-pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
}

// A child's exit as something to wait on with a time-out.
class ExitWatch {
 public:
  explicit ExitWatch(pid_t pid) : fd_(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))) {}
  ~ExitWatch() {
    if (fd_ >= 0) close(fd_);
  }
  ExitWatch(const ExitWatch&) = delete;
  ExitWatch& operator=(const ExitWatch&) = delete;

  // Waits until the child has ended or `ms` milliseconds have passed. False when this kernel
  // cannot watch a child, so that the caller must pace itself.
  bool Wait(int ms) const {
    if (fd_ < 0) return false;
    pollfd watched{fd_, POLLIN, 0};
    poll(&watched, 1, ms);
    return true;
  }

 private:
  int fd_;
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
                      const std::function<void()>& idle, std::string* error) {
  std::string command;
  try {
    command = ScriptCommand(ReadWholeFile(folder + "/" + script_name));
  } catch (const Error& e) {
    *error = e.what();
    return false;
  }
  pid_t pid = SpawnShell(folder, command, -1, error);
  if (pid < 0) return false;

  // A pidfd wakes the wait the moment the script ends: today's MAME refuses an old option in a
  // fifth of a second, and a fixed poll would add up to its interval to each of the three runs.
  // Kernels before 5.3 have none; the wait then polls, fast at first.
  ExitWatch watch(pid);
  int pause_ms = 1;
  while (true) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) {
      *error = "cannot wait for the script: " + ErrnoText(errno);
      return false;
    }
    try {
      if (idle) idle();
    } catch (...) {
      StopGroup(pid);
      throw;
    }
    if (!watch.Wait(20)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
      pause_ms = std::min(pause_ms * 2, 20);
    }
  }
}

bool RunCommandWritingFile(const std::string& folder, const std::string& command, int output_fd,
                           const std::function<void(const char*, size_t)>& on_output,
                           const std::function<void()>& idle, std::string* error) {
  pid_t pid = SpawnShell(folder, command, output_fd, error);
  if (pid < 0) return false;

  // The file is followed on a thread of its own, at the lowest priority and only while a core
  // is idle (IdleCoreGate). MAME's -listxml keeps every core of a small machine busy for most of
  // its run, and working on its output costs far less than writing it: the reader falls behind
  // while MAME needs the cores and catches up in MAME's last, single-threaded second, so MAME
  // runs about as fast as alone. This thread stays responsive meanwhile.
  std::atomic<bool> ended{false};  // the program has ended: what the file holds is all there is
  std::atomic<bool> stop{false};   // the run was stopped: the reader leaves at once
  std::mutex mutex;
  std::condition_variable finished_cv;
  bool finished = false;
  std::exception_ptr failure;
  std::thread reader([&] {
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
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
    finished_cv.notify_one();
  });
  auto reader_finished = [&](std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex);
    return finished_cv.wait_for(lock, wait, [&] { return finished; });
  };
  auto end_reader = [&] {
    stop = true;
    reader.join();
  };

  ExitWatch watch(pid);
  bool exited = false;
  try {
    while (true) {
      if (!exited) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
          exited = true;
          ended = true;
        } else if (done < 0 && errno != EINTR) {
          *error = "cannot wait for the program: " + ErrnoText(errno);
          end_reader();
          StopGroup(pid);
          return false;
        }
      }
      if (idle) idle();
      if (exited || !watch.Wait(20)) {
        if (reader_finished(std::chrono::milliseconds(exited ? 20 : 5))) break;
      } else if (reader_finished(std::chrono::milliseconds(0))) {
        break;
      }
    }
  } catch (...) {
    end_reader();
    if (!exited) StopGroup(pid);
    throw;
  }
  reader.join();
  if (failure) {
    if (!exited) StopGroup(pid);
    std::rethrow_exception(failure);
  }
  return true;
}

std::string GetShortPathName(const std::string& long_path) {
  std::error_code ec;
  return std::filesystem::exists(long_path, ec) ? long_path : std::string();
}

}  // namespace tabulon
