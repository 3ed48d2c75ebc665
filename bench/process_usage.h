// This process's own CPU time and peak memory, as the benchmark programs report them.
#pragma once

#include <sys/resource.h>

namespace tabulon::bench {

struct ProcessUsage {
  double cpu_seconds;  // user + system
  double peak_rss_mb;
};

inline ProcessUsage OwnUsage() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return {static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
          static_cast<double>(usage.ru_maxrss) / 1024.0};
}

}  // namespace tabulon::bench
