// Interrupts of a run from outside: Ctrl+C, a service stop, a closed terminal. They are recorded,
// not acted on at once, so that the run can end its children and leave every file as it was.
// POSIX implementation in interrupts_posix.cpp.
#pragma once

#include <string>

namespace tabulon {

// Makes SIGINT, SIGTERM and SIGHUP record themselves instead of ending the program. A second
// signal of the same kind while the first is handled ends the program as usual. Called once by
// each shell's main before anything else.
void CatchInterrupts();

// The signal that asked the program to stop, or 0 while none has.
int InterruptSignal();

// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
std::string SignalName(int signal);

}  // namespace tabulon
