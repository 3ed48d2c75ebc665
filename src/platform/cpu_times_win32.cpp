// Processor times on Windows: the system's and this process's, as FILETIME counts.
#include "platform/cpu_times.h"
#include "platform/windows.h"

namespace tabulon {
namespace {

double Seconds(const FILETIME& time) {
  const auto ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                     time.dwLowDateTime;  // 100 ns each
  return static_cast<double>(ticks) * 1e-7;
}

}  // namespace

bool SampleCpuTimes(CpuTimes* times) {
  FILETIME idle, kernel, user, created, exited, own_kernel, own_user;
  if (!GetSystemTimes(&idle, &kernel, &user) ||
      !GetProcessTimes(GetCurrentProcess(), &created, &exited, &own_kernel, &own_user)) {
    return false;
  }
  // The system's kernel time holds its idle time.
  times->busy = Seconds(kernel) - Seconds(idle) + Seconds(user);
  times->own = Seconds(own_kernel) + Seconds(own_user);
  return true;
}

int OnlineCores() { return static_cast<int>(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS)); }

}  // namespace tabulon
