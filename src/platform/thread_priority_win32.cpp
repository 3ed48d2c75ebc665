// Thread priorities on Windows.
#include "platform/thread_priority.h"
#include "platform/windows.h"

namespace tabulon {

void LowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE); }

int CurrentThreadPriority() {
  const int priority = GetThreadPriority(GetCurrentThread());
  return priority == THREAD_PRIORITY_ERROR_RETURN ? THREAD_PRIORITY_NORMAL : priority;
}

void SetThreadPriorityLike(int priority) { SetThreadPriority(GetCurrentThread(), priority); }

}  // namespace tabulon
