// Thread priorities on Linux: each thread has a nice value of its own, set through its thread id.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "platform/thread_priority.h"

namespace tabulon {

void LowerThreadPriority() { setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19); }

int CurrentThreadPriority() {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  return errno == 0 ? nice : 0;
}

void SetThreadPriorityLike(int priority) {
  // Lowering needs no privilege; raising might, and a helper at a lower priority is only slower.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), priority);
}

}  // namespace tabulon
