// Interrupts on POSIX systems: handlers that only record the signal.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "platform/interrupts.h"

namespace tabulon {
namespace {

std::atomic<int> g_interrupt{0};
static_assert(std::atomic<int>::is_always_lock_free);

void Record(int signal) {
  if (g_interrupt.exchange(signal) == signal) {
    // The same interrupt again: the user insists. Back to the default, which ends the program.
    ::signal(signal, SIG_DFL);
    raise(signal);
  }
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = Record;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored at start stays ignored: nohup ignores SIGHUP so that the program outlives
    // its terminal, and a shell ignores SIGINT for what it starts in the background.
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

void KeepRunningWithoutOutput() {
  ::signal(SIGPIPE, SIG_IGN);
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int null_fd = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null_fd >= 0 && null_fd != fd) {
      dup2(null_fd, fd);
      close(null_fd);
    }
  }
}

int InterruptSignal() { return g_interrupt.load(); }

std::string SignalName(int signal) {
  const char* name = sigabbrev_np(signal);
  return name != nullptr ? "SIG" + std::string(name) : "signal " + std::to_string(signal);
}

}  // namespace tabulon
