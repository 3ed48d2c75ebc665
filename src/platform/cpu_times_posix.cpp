// Processor times on Linux: this process's own from its clock, all cores' from /proc/stat.
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "platform/cpu_times.h"

namespace tabulon {
namespace {

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

bool SampleCpuTimes(CpuTimes* times) {
  static const long tick = sysconf(_SC_CLK_TCK);
  if (tick < 1) return false;
  times->own = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  std::FILE* stat = std::fopen("/proc/stat", "r");
  if (stat == nullptr) return false;
  // cpu  user nice system idle iowait irq softirq steal ...
  long long v[8] = {};
  const int got = std::fscanf(stat, "cpu %lld %lld %lld %lld %lld %lld %lld %lld", &v[0], &v[1],
                              &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
  std::fclose(stat);
  if (got != 8) return false;
  times->busy =
      static_cast<double>(v[0] + v[1] + v[2] + v[5] + v[6] + v[7]) / static_cast<double>(tick);
  return true;
}

int OnlineCores() { return static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)); }

}  // namespace tabulon
