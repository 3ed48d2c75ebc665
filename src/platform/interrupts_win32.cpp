// Interrupts on Windows: the console's control events, recorded as the signals they stand for,
// so that Ctrl+C ends a run as on other systems, with exit status 130.
#include <atomic>

#include "platform/interrupts.h"
#include "platform/windows.h"

namespace tabulon {
namespace {

// The numbers POSIX gives these signals: the shells exit with 128 plus the number.
constexpr int kHangUp = 1;
constexpr int kInterrupt = 2;
constexpr int kTerminate = 15;

std::atomic<int> g_interrupt{0};

BOOL WINAPI Record(DWORD event) {
  int signal = 0;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      signal = kInterrupt;
      break;
    case CTRL_CLOSE_EVENT:
      signal = kHangUp;
      break;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      signal = kTerminate;
      break;
    default:
      return FALSE;
  }
  // The same interrupt again: the user insists. The next handler, the system's, ends the program.
  if (g_interrupt.exchange(signal) == signal) return FALSE;
  if (signal != kInterrupt) {
    // A closed console or the end of a session ends the program as soon as this returns. Waiting
    // here gives the run the few seconds Windows allows to stop MAME and leave every file as it
    // was; the program's own end ends this wait.
    Sleep(INFINITE);
  }
  return TRUE;
}

}  // namespace

void CatchInterrupts() { SetConsoleCtrlHandler(Record, TRUE); }

// Windows has no SIGPIPE, and a write to a closed handle only fails.
void KeepRunningWithoutOutput() {}

int InterruptSignal() { return g_interrupt.load(); }

std::string SignalName(int signal) {
  switch (signal) {
    case kHangUp:
      return "SIGHUP";
    case kInterrupt:
      return "SIGINT";
    case kTerminate:
      return "SIGTERM";
    default:
      return "signal " + std::to_string(signal);
  }
}

}  // namespace tabulon
