// How busy the machine's processors are, for work that waits until a core is idle.
#pragma once

namespace tabulon {

// The processor time spent so far: by this process (all its threads), and by all cores together
// on anything but idling (stolen time included), in seconds. False where the system cannot tell.
struct CpuTimes {
  double own = 0;
  double busy = 0;
};
bool SampleCpuTimes(CpuTimes* times);
// Number of cores in use by the system.
int OnlineCores();

}  // namespace tabulon
