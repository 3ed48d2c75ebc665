// Script runs on POSIX systems: posix_spawn of /bin/sh -c with the script's line, in its own
// process group so that a stopped run can end MAME too.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
    return false;
  }

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
      kill(-pid, SIGTERM);
      waitpid(pid, &status, 0);
      throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string GetShortPathName(const std::string& long_path) {
  std::error_code ec;
  return std::filesystem::exists(long_path, ec) ? long_path : std::string();
}

}  // namespace tabulon
