// The calling thread's scheduling priority, for work that should not slow anyone down.
#pragma once

namespace tabulon {

// Puts the calling thread at the lowest priority.
void LowerThreadPriority();
// The calling thread's priority, for a thread that works on its behalf to take on with
// SetThreadPriorityLike(): a thread started at the lowest priority would otherwise start its
// helpers at the normal one.
int CurrentThreadPriority();
void SetThreadPriorityLike(int priority);

}  // namespace tabulon
