// Script runs on POSIX systems: posix_spawn of /bin/sh -c with the script's line, in its own
// process group so that a stopped run can end MAME too.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
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

  // Short runs (today's MAME refusing an option) end in milliseconds: poll fast at first.
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
    std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
    pause_ms = std::min(pause_ms * 2, 20);
  }
}

bool RunCommandReadingOutput(const std::string& folder, const std::string& command,
                             const std::function<void(const char*, size_t)>& on_output,
                             const std::function<void()>& idle, std::string* error) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *error = "cannot make a pipe: " + ErrnoText(errno);
    return false;
  }
  // A large pipe lets the program write on while this side works on the last block.
  fcntl(fds[0], F_SETPIPE_SZ, 1 << 20);
  pid_t pid = SpawnShell(folder, command, fds[1], error);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return false;
  }
  constexpr size_t kPipeBatch = 256 * 1024;
  std::vector<char> buffer(1 << 20);
  try {
    while (true) {
      pollfd poll_fd{fds[0], POLLIN, 0};
      int ready = poll(&poll_fd, 1, 20);
      if (ready < 0 && errno != EINTR)
        throw Error(command, "cannot read its output: " + ErrnoText(errno));
      if (ready > 0) {
        ssize_t n = read(fds[0], buffer.data(), buffer.size());
        if (n < 0 && errno != EINTR && errno != EAGAIN) {
          throw Error(command, "cannot read its output: " + ErrnoText(errno));
        }
        if (n == 0) break;
        if (n > 0) on_output(buffer.data(), static_cast<size_t>(n));
        // A program that writes in small pieces would wake this side for each of them; letting
        // the pipe fill a little first saves most of those wake-ups and hands on larger blocks.
        if (n >= 0 && static_cast<size_t>(n) < kPipeBatch) {
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
      }
      if (idle) idle();
    }
  } catch (...) {
    close(fds[0]);
    StopGroup(pid);
    throw;
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      *error = "cannot wait for the program: " + ErrnoText(errno);
      return false;
    }
  }
  return true;
}

std::string GetShortPathName(const std::string& long_path) {
  std::error_code ec;
  return std::filesystem::exists(long_path, ec) ? long_path : std::string();
}

}  // namespace tabulon
